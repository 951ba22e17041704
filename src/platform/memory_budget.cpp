// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/memory_budget.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

namespace kt58 {

namespace {

std::atomic<uint64_t> g_budget{0};

}  // namespace

uint64_t DefaultMemoryBudget() {
  constexpr uint64_t kMost = uint64_t{4} << 30;
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page <= 0) return uint64_t{1} << 30;
  return std::min(kMost, static_cast<uint64_t>(pages) * static_cast<uint64_t>(page) / 4);
}

uint64_t MemoryBudget() {
  const uint64_t set = g_budget;
  return set ? set : DefaultMemoryBudget();
}

void SetMemoryBudget(uint64_t bytes) { g_budget = bytes; }

}  // namespace kt58
