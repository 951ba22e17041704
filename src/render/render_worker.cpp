// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/render_worker.h"

#include <algorithm>
#include <exception>

#include "render/compose.h"

namespace kt58 {

RenderWorker::RenderWorker(size_t max_bytes, std::function<void()> ready)
    : maxBytes_(max_bytes), ready_(std::move(ready)), thread_([this] { Run(); }) {}

RenderWorker::~RenderWorker() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

size_t RenderWorker::FrameBytes(const Picture* picture) {
  return picture ? picture->RowBytes() * static_cast<size_t>(picture->Height()) : 0;
}

void RenderWorker::Want(std::vector<FrameRequest> wanted) {
  {
    const std::lock_guard lock(mutex_);
    wanted_ = std::move(wanted);
    const auto unwanted = [this](const ComposedFrame& c) {
      return std::none_of(wanted_.begin(), wanted_.end(), [&](const FrameRequest& r) { return r.SameFrame(c.request); });
    };
    for (const ComposedFrame& c : cache_)
      if (unwanted(c)) cachedBytes_ -= FrameBytes(c.picture.get());
    std::erase_if(cache_, unwanted);
  }
  changed_.notify_all();
}

std::optional<ComposedFrame> RenderWorker::Take(const FrameRequest& request) {
  std::optional<ComposedFrame> taken;
  {
    const std::lock_guard lock(mutex_);
    const auto it = std::find_if(cache_.begin(), cache_.end(),
                                 [&](const ComposedFrame& c) { return c.request.SameFrame(request); });
    if (it == cache_.end()) return taken;
    cachedBytes_ -= FrameBytes(it->picture.get());
    taken = std::move(*it);
    cache_.erase(it);
    std::erase_if(wanted_, [&](const FrameRequest& r) { return r.SameFrame(request); });
  }
  changed_.notify_all();  // room for the next frame
  return taken;
}

std::optional<std::pair<size_t, ComposedFrame>> RenderWorker::TakeNewestUpTo(size_t last) {
  std::optional<std::pair<size_t, ComposedFrame>> taken;
  {
    const std::lock_guard lock(mutex_);
    for (size_t i = std::min(last + 1, wanted_.size()); i-- > 0 && !taken;) {
      const auto it = std::find_if(cache_.begin(), cache_.end(),
                                   [&](const ComposedFrame& c) { return c.request.SameFrame(wanted_[i]); });
      if (it == cache_.end()) continue;
      taken.emplace(i, std::move(*it));
      cache_.erase(it);
    }
    if (!taken) return taken;
    // The frames before it are passed over.
    wanted_.erase(wanted_.begin(), wanted_.begin() + static_cast<ptrdiff_t>(taken->first) + 1);
    cachedBytes_ = 0;
    std::erase_if(cache_, [this](const ComposedFrame& c) {
      return std::none_of(wanted_.begin(), wanted_.end(), [&](const FrameRequest& r) { return r.SameFrame(c.request); });
    });
    for (const ComposedFrame& c : cache_) cachedBytes_ += FrameBytes(c.picture.get());
  }
  changed_.notify_all();
  return taken;
}

void RenderWorker::Clear() {
  {
    const std::lock_guard lock(mutex_);
    cache_.clear();
    cachedBytes_ = 0;
    ++generation_;
  }
  changed_.notify_all();  // room again
}

void RenderWorker::Drop(const SequencedFrame* frame) {
  {
    const std::lock_guard lock(mutex_);
    const auto of_frame = [frame](const ComposedFrame& c) { return c.request.frame == frame; };
    for (const ComposedFrame& c : cache_)
      if (of_frame(c)) cachedBytes_ -= FrameBytes(c.picture.get());
    std::erase_if(cache_, of_frame);
    ++generation_;
  }
  changed_.notify_all();
}

void RenderWorker::Pause() {
  std::unique_lock lock(mutex_);
  ++pauses_;
  changed_.wait(lock, [this] { return !busy_; });
}

void RenderWorker::Resume() {
  {
    const std::lock_guard lock(mutex_);
    --pauses_;
  }
  changed_.notify_all();
}

void RenderWorker::SetMaxBytes(size_t max_bytes) {
  {
    const std::lock_guard lock(mutex_);
    maxBytes_ = max_bytes;
  }
  changed_.notify_all();
}

size_t RenderWorker::MaxBytes() const {
  const std::lock_guard lock(mutex_);
  return maxBytes_;
}

size_t RenderWorker::CachedBytes() const {
  const std::lock_guard lock(mutex_);
  return cachedBytes_;
}

void RenderWorker::HoldForTest(bool held) {
  {
    const std::lock_guard lock(mutex_);
    held_ = held;
  }
  changed_.notify_all();
}

// Called with the mutex held and not paused: the project may be read.
std::optional<FrameRequest> RenderWorker::NextJob() const {
  for (const FrameRequest& r : wanted_) {
    if (std::any_of(cache_.begin(), cache_.end(), [&](const ComposedFrame& c) { return c.request.SameFrame(r); }))
      continue;
    const FrameSize size = r.project->GetFrameSize();
    const size_t bytes = Picture::RowBytesFor(std::max(size.Width, 0)) * static_cast<size_t>(std::max(size.Height, 0));
    if (!cache_.empty() && cachedBytes_ + bytes > maxBytes_) return std::nullopt;
    return r;
  }
  return std::nullopt;
}

void RenderWorker::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    std::optional<FrameRequest> job;
    changed_.wait(lock, [&] {
      if (stop_) return true;
      if (pauses_ > 0 || held_) return false;
      job = NextJob();
      return job.has_value();
    });
    if (stop_) return;
    busy_ = true;
    const uint64_t generation = generation_;
    lock.unlock();
    // Composed into a picture of its own: the cache shares it with whoever
    // takes it.
    auto picture = std::make_shared<Picture>();
    bool drawn = false;
    try {
      drawn = ComposeFrameInto(*job->project, job->frame, job->clock, *picture);
    } catch (const std::exception&) {
      // A frame that cannot be composed shows nothing; the next one follows.
    }
    lock.lock();
    busy_ = false;
    const bool wanted = std::any_of(wanted_.begin(), wanted_.end(), [&](const FrameRequest& r) { return r.SameFrame(*job); });
    const bool stored = wanted && generation == generation_;
    if (stored) {
      if (!drawn) picture.reset();
      cachedBytes_ += FrameBytes(picture.get());
      cache_.push_back({*job, std::move(picture)});
    }
    changed_.notify_all();  // a pause waiting for the frame may go on
    if (stored) {
      lock.unlock();
      ready_();
      lock.lock();
    }
  }
}

}  // namespace kt58
