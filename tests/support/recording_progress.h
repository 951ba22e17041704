// SPDX-License-Identifier: GPL-3.0-or-later
// A Progress that records every report and asks to stop on demand, for
// assertions on long work.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/progress.h"

namespace kt58::test {

struct ProgressStep {
  std::string text;
  int64_t done = 0;
  int64_t total = 0;
  bool operator==(const ProgressStep&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const ProgressStep& s) {
    return out << '"' << s.text << "\" " << s.done << '/' << s.total;
  }
};

class RecordingProgress final : public Progress {
 public:
  void Begin(const std::string& caption_, bool offer_cancel_) override {
    caption = caption_;
    offer_cancel = offer_cancel_;
    ++begun;
  }
  void Report(const std::string& text, int64_t done, int64_t total) override { steps.push_back({text, done, total}); }
  // True from the report numbered cancel_after (1 = the first) on.
  bool Cancelled() const override { return cancel_after && steps.size() >= *cancel_after; }

  std::vector<ProgressStep> steps;
  std::optional<size_t> cancel_after;
  std::string caption;
  bool offer_cancel = false;
  int begun = 0;
};

}  // namespace kt58::test
