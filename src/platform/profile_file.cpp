// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/profile_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

// The one place the profile layer reaches the atomic writer.
#include "platform/atomic_file.h"

namespace kt58 {

namespace fs = std::filesystem;

namespace {

std::string Folded(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string_view Trimmed(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// Tabs are blanks; any other control character (a NUL or a lone carriage
// return above all) marks a line that no text editor or earlier run wrote.
// Kept lines therefore always fit on one line when written back.
bool HasControlCharacter(std::string_view line) {
  for (const char c : line) {
    const auto u = static_cast<unsigned char>(c);
    if ((u < 0x20 && c != '\t') || u == 0x7f) return true;
  }
  return false;
}

void RequireOneLine(std::string_view text, std::string_view forbidden, const char* what) {
  if (!ProfileFile::Storable(text) || text.find_first_of(forbidden) != std::string_view::npos)
    throw std::invalid_argument(std::string("profile file: a ") + what + " that does not fit on one line: " +
                                std::string(text));
}

}  // namespace

bool ProfileFile::Storable(std::string_view value) { return !HasControlCharacter(value); }

ProfileFile ProfileFile::Parse(std::string_view text) {
  ProfileFile profile;
  if (text.size() > kMaxBytes) return profile;
  Section* current = nullptr;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (HasControlCharacter(line)) continue;
    line = Trimmed(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      current = close == std::string_view::npos ? nullptr : &profile.SectionForWriting(Trimmed(line.substr(1, close - 1)));
      continue;
    }
    const size_t eq = line.find('=');
    if (!current || eq == std::string_view::npos) continue;
    const std::string_view key = Trimmed(line.substr(0, eq));
    if (!key.empty()) AddEntry(*current, key, Trimmed(line.substr(eq + 1)));
  }
  return profile;
}

ProfileFile ProfileFile::Load(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return {};
  const auto size = fs::file_size(path, ec);
  if (ec || size > kMaxBytes) return {};
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string text(static_cast<size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  // A file that shrank meanwhile is read as far as it goes.
  text.resize(static_cast<size_t>(in.gcount()));
  return Parse(text);
}

const ProfileFile::Section* ProfileFile::FindSection(std::string_view name) const {
  const auto it = section_index_.find(Folded(name));
  return it == section_index_.end() ? nullptr : &sections_[it->second];
}

ProfileFile::Section& ProfileFile::SectionForWriting(std::string_view name) {
  const auto [it, added] = section_index_.emplace(Folded(name), sections_.size());
  if (added) sections_.push_back(Section{std::string(name), {}, {}});
  return sections_[it->second];
}

const ProfileFile::Entry* ProfileFile::FindEntry(const Section& section, std::string_view key) {
  const auto it = section.index.find(Folded(key));
  return it == section.index.end() ? nullptr : &section.entries[it->second];
}

void ProfileFile::AddEntry(Section& section, std::string_view key, std::string_view value) {
  const auto [it, added] = section.index.emplace(Folded(key), section.entries.size());
  if (added) section.entries.push_back(Entry{std::string(key), std::string(value)});
}

void ProfileFile::ReindexSections() {
  section_index_.clear();
  for (size_t i = 0; i < sections_.size(); ++i) section_index_.emplace(Folded(sections_[i].name), i);
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key, const std::string& fallback) const {
  const Section* s = FindSection(section);
  const Entry* e = s ? FindEntry(*s, key) : nullptr;
  return e ? e->value : fallback;
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
  const Section* s = FindSection(section);
  const Entry* e = s ? FindEntry(*s, key) : nullptr;
  if (!e || e->value.empty()) return fallback;
  const std::string& text = e->value;
  // Decimal only: strtol would also take leading blanks, which Trimmed has
  // removed already, and nothing else may follow the digits.
  if (text.find_first_not_of("+-0123456789") != std::string::npos) return fallback;
  errno = 0;
  char* stop = nullptr;
  const long v = std::strtol(text.c_str(), &stop, 10);
  if (errno != 0 || stop != text.c_str() + text.size() || v < INT_MIN || v > INT_MAX) return fallback;
  return static_cast<int>(v);
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

size_t ProfileFile::KeyCount(std::string_view section) const {
  const Section* s = FindSection(section);
  return s ? s->entries.size() : 0;
}

void ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  RequireOneLine(section, "]", "section name");
  RequireOneLine(key, "=", "key");
  RequireOneLine(value, "", "value");
  if (Trimmed(section).empty() || Trimmed(key).empty())
    throw std::invalid_argument("profile file: an empty section or key name");
  Section& s = SectionForWriting(section);
  const auto it = s.index.find(Folded(key));
  if (it != s.index.end())
    s.entries[it->second].value = std::string(value);
  else
    AddEntry(s, key, value);
}

void ProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void ProfileFile::EraseSection(std::string_view section) {
  const std::string folded = Folded(section);
  std::erase_if(sections_, [&](const Section& s) { return Folded(s.name) == folded; });
  ReindexSections();
}

std::string ProfileFile::ToText() const {
  std::string out;
  for (const Section& s : sections_) {
    if (!out.empty()) out += '\n';
    out += '[' + s.name + "]\n";
    for (const Entry& e : s.entries) out += e.key + '=' + e.value + '\n';
  }
  return out;
}

void ProfileFile::Save(const fs::path& path) const {
  const std::string text = ToText();
  WriteFileAtomically(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace kt58
