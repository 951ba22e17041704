// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a settings file: every read gives a value or the
// default, never a crash; and what the file keeps reads back unchanged when
// written out again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  kt58::ProfileFile profile = kt58::ProfileFile::Parse(text);
  for (const char* section : {"WINDOW", "window", "MRU", "FILE", ""}) {
    (void)profile.ReadInteger(section, "Width", 626);
    (void)profile.ReadBool(section, "Maximized", false);
    (void)profile.ReadString(section, "Mru0001", "");
    (void)profile.KeyCount(section);
  }
  const std::string once = profile.ToText();
  // Writing adds blank lines between sections, so only a text still within
  // the reader's bound can be read back.
  if (once.size() <= kt58::ProfileFile::kMaxBytes && kt58::ProfileFile::Parse(once).ToText() != once) std::abort();
  profile.EraseSection("MRU");
  profile.WriteInteger("MRU", "MruCount", 0);
  if (profile.ReadInteger("mru", "mrucount", -1) != 0) std::abort();
  return 0;
}
