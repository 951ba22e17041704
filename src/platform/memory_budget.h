// SPDX-License-Identifier: GPL-3.0-or-later
// The memory this process may spend on its work: one number, set once (the
// command line's --memory-limit, the app's setting), that every export plans
// its peak against before it starts.
#pragma once

#include <cstdint>

namespace kt58 {

// A quarter of the physical memory, at most 4 GiB (1 GiB when the
// physical memory cannot be asked for).
uint64_t DefaultMemoryBudget();
// The budget set, else the default.
uint64_t MemoryBudget();
// 0 brings back the default.
void SetMemoryBudget(uint64_t bytes);

}  // namespace kt58
