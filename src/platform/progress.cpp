// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/progress.h"

namespace kt58 {

namespace {

class Silent final : public Progress {
 public:
  void Report(const std::string&, int64_t, int64_t) override {}
  bool Cancelled() const override { return false; }
};

}  // namespace

Progress& NoProgress() {
  static Silent silent;
  return silent;
}

}  // namespace kt58
