// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/ordered_frames.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/worker_threads.h"
#include "render/compose.h"

namespace kt58 {

// Frame k lives in slot k % slots. A thread owns a slot from claiming its
// frame until it marks the frame done; the caller from taking the frame
// until its next call. Both hand it over under the mutex, which also
// publishes the slot's contents.
struct OrderedFrames::Slot {
  explicit Slot(const OutputSize& size) : scaler(size) {}
  Picture picture;
  FrameScaler scaler;
  bool has_picture = false;
  std::exception_ptr error;
  size_t done = 0;  // the frame composed here last, plus 1; 0: none yet
};

OrderedFrames::OrderedFrames(const Project& project, const FrameSequence& sequence, std::vector<int> frames,
                             ClockOfFrame clock, const OutputSize& size, size_t slots)
    : project_(project), sequence_(sequence), frames_(std::move(frames)), clock_(clock) {
  slots = std::max<size_t>(slots, 1);
  for (size_t s = 0; s < slots; ++s) slots_.push_back(std::make_unique<Slot>(size));
  const size_t threads = std::min({static_cast<size_t>(WorkerThreads()), slots, frames_.size()});
  try {
    for (size_t t = 0; t < threads; ++t) threads_.emplace_back([this] { Work(); });
  } catch (...) {
    Stop();
    throw;
  }
}

OrderedFrames::~OrderedFrames() { Stop(); }

void OrderedFrames::Stop() noexcept {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  room_.notify_all();
  for (std::thread& t : threads_)
    if (t.joinable()) t.join();
}

void OrderedFrames::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    room_.wait(lock, [this] {
      return stopping_ || claimed_ >= frames_.size() || claimed_ < released_ + slots_.size();
    });
    if (stopping_ || claimed_ >= frames_.size()) return;
    const size_t k = claimed_++;
    Slot& slot = *slots_[k % slots_.size()];
    lock.unlock();
    Make(k, slot);
    lock.lock();
    slot.done = k + 1;
    ready_.notify_one();
  }
}

void OrderedFrames::Make(size_t k, Slot& slot) {
  slot.has_picture = false;
  slot.error = nullptr;
  try {
    const int index = frames_[k];
    if (ComposeFrameInto(project_, sequence_.Frame(index), clock_(index), slot.picture)) {
      slot.scaler.Apply(slot.picture);
      slot.has_picture = true;
    }
  } catch (...) {
    slot.error = std::current_exception();
  }
}

Picture* OrderedFrames::Next() {
  if (taken_ >= frames_.size()) throw std::out_of_range("no frame after the last");
  std::unique_lock<std::mutex> lock(mutex_);
  // The frame given last is done with: its slot takes a later frame.
  if (released_ < taken_) {
    released_ = taken_;
    room_.notify_one();
  }
  const size_t k = taken_++;
  Slot& slot = *slots_[k % slots_.size()];
  ready_.wait(lock, [&] { return slot.done == k + 1; });
  if (slot.error) std::rethrow_exception(slot.error);
  return slot.has_picture ? &slot.picture : nullptr;
}

}  // namespace kt58
