// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/gif_workers.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/worker_threads.h"

namespace kt58 {
namespace {

// Set on the pool's threads: work they hand out runs in place, since waiting
// there for other jobs could leave every thread waiting.
thread_local bool t_on_worker = false;

// A fixed set of threads taking jobs first in, first out. FIFO matters: a job
// may wait for the one queued before it (the pixel-stable ditherer waits for
// the previous frame), which is then already running or done.
class WorkerPool {
 public:
  explicit WorkerPool(unsigned threads) {
    for (unsigned t = 0; t < threads; ++t) threads_.emplace_back([this] { Loop(); });
  }
  ~WorkerPool() {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
  }
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  size_t Size() const { return threads_.size(); }

  void Post(std::packaged_task<void()> job) {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
  }

 private:
  void Loop() {
    t_on_worker = true;
    for (;;) {
      std::packaged_task<void()> job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      job();
    }
  }

  std::vector<std::thread> threads_;
  std::deque<std::packaged_task<void()>> jobs_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

// The pool is made again when the thread count changes; only between exports.
WorkerPool& Pool() {
  static std::mutex guard;
  static std::unique_ptr<WorkerPool> pool;
  std::lock_guard<std::mutex> lock(guard);
  const unsigned wanted = WorkerThreads();
  if (!pool || pool->Size() != wanted) {
    pool.reset();
    pool = std::make_unique<WorkerPool>(wanted);
  }
  return *pool;
}

}  // namespace

std::future<void> RunOnWorker(std::function<void()> job) {
  std::packaged_task<void()> task(std::move(job));
  std::future<void> done = task.get_future();
  Pool().Post(std::move(task));
  return done;
}

void ParallelFor(size_t n, const std::function<void(size_t)>& work) {
  if (n == 0) return;
  if (t_on_worker) {
    for (size_t i = 0; i < n; ++i) work(i);
    return;
  }
  // One job per thread, each taking the next item: items differ in cost.
  std::atomic<size_t> next{0};
  const size_t jobs = std::min<size_t>(n, WorkerThreads());
  std::vector<std::exception_ptr> errors(n);
  std::vector<std::future<void>> running;
  for (size_t j = 0; j < jobs; ++j)
    running.push_back(RunOnWorker([&] {
      for (size_t i; (i = next++) < n;) {
        try {
          work(i);
        } catch (...) {
          errors[i] = std::current_exception();
        }
      }
    }));
  for (auto& r : running) r.get();
  for (auto& e : errors)
    if (e) std::rethrow_exception(e);
}

}  // namespace kt58
