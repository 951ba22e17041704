// SPDX-License-Identifier: GPL-3.0-or-later
// Initialisation ("profile") files: "[Section]" lines followed by "Key=Value"
// lines, the format of the program's settings file. Section and key names
// match without regard to ASCII letter case; integers are decimal text;
// booleans are written as 1 or 0 and any non-zero integer reads as true; a
// missing file, section or key reads as the caller's default.
//
// The file is untrusted input: it is read whole into memory only up to a
// fixed size, a larger file reads as empty, and a line that holds a NUL or
// another control character is ignored, so a corrupt file yields defaults,
// never an error. Comments (";" lines), text before the first section and
// lines that are neither a section nor a key are not kept when the file is
// written back.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kt58 {

class ProfileFile {
 public:
  // Anything larger is not a settings file this program wrote.
  static constexpr std::size_t kMaxBytes = 1u << 20;

  ProfileFile() = default;
  // Parses text; never throws on its content.
  static ProfileFile Parse(std::string_view text);
  // Reads and parses the file at path; a missing, unreadable or oversized
  // file gives an empty profile.
  static ProfileFile Load(const std::filesystem::path& path);

  // The value of the key (surrounding blanks removed), or fallback when the
  // section or key is missing.
  std::string ReadString(std::string_view section, std::string_view key, const std::string& fallback) const;
  // fallback also when the text is not a whole decimal number in int range.
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
  // Number of keys in the section (0 when it is missing).
  std::size_t KeyCount(std::string_view section) const;

  // Writing replaces the key's value, or appends the key to its section, or
  // appends the section. Names and values must be Storable (and a section
  // name free of "]", a key free of "="): anything else raises
  // std::invalid_argument, since it would change other keys of the file or
  // be dropped when read back.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  // Removes the section with all its keys.
  void EraseSection(std::string_view section);

  std::string ToText() const;
  // Replaces the file atomically: the old file stays whole when writing
  // fails. Raises PlatformError (FileWrite) naming the file and the reason.
  void Save(const std::filesystem::path& path) const;

  // Text without control characters other than tab: it stays on its line and
  // reads back as written (apart from surrounding blanks).
  static bool Storable(std::string_view value);

 private:
  struct Entry {
    std::string key, value;
  };
  // Entries in file order; the index maps the folded key to its entry, so a
  // file of many keys reads in linear time.
  struct Section {
    std::string name;
    std::vector<Entry> entries;
    std::unordered_map<std::string, std::size_t> index;
  };

  const Section* FindSection(std::string_view name) const;
  Section& SectionForWriting(std::string_view name);
  static const Entry* FindEntry(const Section& section, std::string_view key);
  // The first occurrence of a section or key wins, as in the files' origin.
  static void AddEntry(Section& section, std::string_view key, std::string_view value);
  void ReindexSections();

  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> section_index_;
};

}  // namespace kt58
