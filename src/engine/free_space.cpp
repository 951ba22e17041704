// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/free_space.h"

#include <string>
#include <system_error>

namespace kt58 {

void CheckFreeSpace(const std::filesystem::path& folder, uint64_t needed, const std::filesystem::path& target,
                    std::string_view why) {
  std::error_code ec;
  const std::filesystem::space_info space = std::filesystem::space(folder.empty() ? "." : folder, ec);
  if (ec || space.available >= needed) return;
  throw ENotEnoughSpace("Not enough free space for " + target.string() + ": " + std::to_string(needed) +
                        " bytes are needed, " + std::to_string(space.available) + " bytes are free" +
                        (why.empty() ? std::string() : "; " + std::string(why)));
}

}  // namespace kt58
