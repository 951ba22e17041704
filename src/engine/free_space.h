// SPDX-License-Identifier: GPL-3.0-or-later
// The free-space check of work whose size is known before it starts (AVI and
// bitmap-sequence exports, frame stores being imported or restored):
// refusing at once beats filling the disk for minutes and failing at the end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "engine/errors.h"

namespace kt58 {

// Work that does not fit on its target's file system; the text names the
// target and both numbers.
class ENotEnoughSpace : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

// Raises ENotEnoughSpace ("Not enough free space for <target>: N bytes are
// needed, M bytes are free", then "; " and `why` when given) when the file system holding `folder` (empty:
// the working folder) has fewer than `needed` bytes available to this user.
// When the space cannot be asked for (the folder does not exist yet), nothing
// is raised: the writing itself then fails with its own error.
void CheckFreeSpace(const std::filesystem::path& folder, uint64_t needed, const std::filesystem::path& target,
                    std::string_view why = {});

}  // namespace kt58
