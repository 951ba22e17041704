// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/worker_threads.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace kt58 {

namespace {

std::atomic<unsigned> g_threads{0};

}  // namespace

unsigned WorkerThreads() {
  const unsigned set = g_threads;
  return set ? set : std::max(1u, std::thread::hardware_concurrency());
}

void SetWorkerThreads(unsigned count) { g_threads = count; }

}  // namespace kt58
