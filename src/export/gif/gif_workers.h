// SPDX-License-Identifier: GPL-3.0-or-later
// The GIF writer's worker threads: frames are reduced, dithered, merged and
// encoded on every core. Each frame's result depends only on its inputs, and
// results are taken in frame order, so the file is the same byte for byte
// whatever the number of threads.
#pragma once

#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <utility>

namespace kt58 {

// Runs work(i) for every i in [0, n) on the worker threads and waits for all.
// The first exception (by i) is raised again once every item has finished.
void ParallelFor(size_t n, const std::function<void(size_t)>& work);

// Runs job on a worker thread; the future gives its result.
std::future<void> RunOnWorker(std::function<void()> job);

// Produces items in order on the calling thread, works on them on the worker
// threads and hands the results back in order on the calling thread. At most
// `window` items are between produce and consume at any time, which bounds
// the memory held. An exception from any stage stops production, waits for
// the items already handed out, and is raised again.
template <class Out>
void RunInOrder(size_t n, size_t window, const std::function<std::function<Out()>(size_t)>& produce,
                const std::function<void(size_t, Out&&)>& consume) {
  std::deque<std::pair<size_t, std::future<void>>> running;
  std::deque<std::shared_ptr<Out>> results;
  auto take_front = [&] {
    running.front().second.get();
    Out out = std::move(*results.front());
    const size_t index = running.front().first;
    running.pop_front();
    results.pop_front();
    consume(index, std::move(out));
  };
  try {
    for (size_t i = 0; i < n; ++i) {
      while (running.size() >= window) take_front();
      std::function<Out()> work = produce(i);
      auto slot = std::make_shared<Out>();
      results.push_back(slot);
      running.emplace_back(i, RunOnWorker([slot, work = std::move(work)] { *slot = work(); }));
    }
    while (!running.empty()) take_front();
  } catch (...) {
    for (auto& r : running)
      if (r.second.valid()) r.second.wait();
    throw;
  }
}

}  // namespace kt58
