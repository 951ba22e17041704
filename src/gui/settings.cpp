// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/settings.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <system_error>

#include "gui/user_folders.h"
#include "platform/platform_error.h"
#include "platform/profile_file.h"
#include "platform/program_folder.h"
#include "platform/text_helpers.h"

namespace kt58::app {

namespace fs = std::filesystem;

namespace {

constexpr const char* kWindow = "WINDOW";
constexpr const char* kFile = "FILE";
constexpr const char* kStartup = "STARTUP";
constexpr const char* kMru = "MRU";
constexpr const char* kPlayback = "PLAYBACK";
constexpr const char* kMemory = "MEMORY";

std::string MruKey(size_t index) { return "Mru" + ZeroPad(static_cast<int>(index) + 1, 4); }

// The value of the key when it lies in [low, high]; otherwise value unchanged.
void ReadBounded(const ProfileFile& file, const char* section, const char* key, int low, int high, int& value) {
  const int read = file.ReadInteger(section, key, value);
  if (read >= low && read <= high) value = read;
}

struct FolderKey {
  const char* key;
  fs::path Settings::*member;
};
constexpr FolderKey kFolders[] = {
    {"LastThumbDir", &Settings::LastThumbDir},   {"LastProjectDir", &Settings::LastProjectDir},
    {"LastProjSaveDir", &Settings::LastProjSaveDir}, {"LastGifDir", &Settings::LastGifDir},
    {"LastBmpDir", &Settings::LastBmpDir},       {"LastSingleDir", &Settings::LastSingleDir},
};

struct PaneKey {
  const char* key;
  int Settings::*member;
};
constexpr PaneKey kPanes[] = {
    {"Preview", &Settings::Preview},           {"ExpRightPanel", &Settings::ExpRightPanel},
    {"lvFiles", &Settings::lvFiles},           {"lvLayersType", &Settings::lvLayersType},
    {"lvLayersSize", &Settings::lvLayersSize},
};

void LoadWindow(const ProfileFile& file, Settings& s) {
  ReadBounded(file, kWindow, "Left", -kMaxSettingPixels, kMaxSettingPixels, s.Window.Left);
  ReadBounded(file, kWindow, "Top", -kMaxSettingPixels, kMaxSettingPixels, s.Window.Top);
  ReadBounded(file, kWindow, "Width", 1, kMaxSettingPixels, s.Window.Width);
  ReadBounded(file, kWindow, "Height", 1, kMaxSettingPixels, s.Window.Height);
  s.Window.Maximized = file.ReadBool(kWindow, "Maximized", s.Window.Maximized);
  for (const PaneKey& pane : kPanes) ReadBounded(file, kWindow, pane.key, 0, kMaxSettingPixels, s.*pane.member);
}

// Relative entries lie below `base`.
void LoadRecentProjects(const ProfileFile& file, const fs::path& base, Settings& s) {
  // Every entry has a key of its own, so a count beyond the section's keys
  // is not worth looking up one by one.
  const int count = file.ReadInteger(kMru, "MruCount", 0);
  const size_t n = count > 0 ? std::min(static_cast<size_t>(count), file.KeyCount(kMru)) : 0;
  for (size_t i = 0; i < n && s.MruList.size() < kMaxRecentProjects; ++i) {
    const fs::path path = ResolveRecentEntry(file.ReadString(kMru, MruKey(i), ""), base);
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(path, ec)) continue;
    if (FindRecentProject(s.MruList, path) < 0 && ProfileFile::Storable(path.string())) s.MruList.push_back(path);
  }
  std::error_code ec;
  if (s.MruList.empty() && fs::is_regular_file(SampleProjectPath(), ec)) AddRecentProject(s.MruList, SampleProjectPath());
}

void LoadFrom(const ProfileFile& file, const fs::path& base, Settings& settings) {
  LoadWindow(file, settings);
  for (const FolderKey& folder : kFolders) {
    fs::path& value = settings.*folder.member;
    value = file.ReadString(kFile, folder.key, value.string());
  }
  settings.StartDialogOn = file.ReadBool(kStartup, "StartDialogOn", settings.StartDialogOn);
  LoadRecentProjects(file, base, settings);
  settings.RealTimePlayback = file.ReadBool(kPlayback, "RealTimePlayback", settings.RealTimePlayback);
  ReadBounded(file, kPlayback, "CacheMB", 16, 1 << 20, settings.PlaybackCacheMB);
  ReadBounded(file, kMemory, "LimitMB", 64, 1 << 20, settings.MemoryLimitMB);
  ValidateFolders(settings);
}

// Writes settings into `file`, which keeps its other sections, and the
// result to `path`.
bool SaveInto(ProfileFile file, const fs::path& path, Settings& settings) {
  ValidateFolders(settings);
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec || !fs::is_directory(path.parent_path(), ec)) return false;

  for (const char* section : {kWindow, kFile, kStartup, kMru, kPlayback, kMemory}) file.EraseSection(section);

  const WindowPlacement& w = settings.Window;
  file.WriteBool(kWindow, "Maximized", w.Maximized);
  if (!w.Maximized && !w.Minimized) {
    file.WriteInteger(kWindow, "Left", w.Left);
    file.WriteInteger(kWindow, "Top", w.Top);
    file.WriteInteger(kWindow, "Width", w.Width);
    file.WriteInteger(kWindow, "Height", w.Height);
  }
  for (const PaneKey& pane : kPanes) file.WriteInteger(kWindow, pane.key, settings.*pane.member);

  for (const FolderKey& folder : kFolders) file.WriteString(kFile, folder.key, (settings.*folder.member).string());
  file.WriteBool(kStartup, "StartDialogOn", settings.StartDialogOn);

  file.WriteInteger(kMru, "MruCount", static_cast<int>(settings.MruList.size()));
  for (size_t i = 0; i < settings.MruList.size(); ++i) file.WriteString(kMru, MruKey(i), settings.MruList[i].string());

  file.WriteBool(kPlayback, "RealTimePlayback", settings.RealTimePlayback);
  if (settings.PlaybackCacheMB != Settings::kDefaultPlaybackCacheMB)
    file.WriteInteger(kPlayback, "CacheMB", settings.PlaybackCacheMB);
  if (settings.MemoryLimitMB > 0) file.WriteInteger(kMemory, "LimitMB", settings.MemoryLimitMB);
  file.Save(path);
  return true;
}

}  // namespace

Settings::Settings() {
  const OwnFolders folders = Folders();
  const fs::path projects = ProposedProjectFolder();
  const fs::path exports = ProposedExportFolder();
  if (!folders.one_folder.empty()) {
    LastThumbDir = LastProjectDir = folders.one_folder;
  } else {
    // The pictures to add as layers are most likely among the user's own.
    LastThumbDir = exports;
    LastProjectDir = projects;
    LastSingleDir = exports;
  }
  LastProjSaveDir = projects;
  LastGifDir = exports;
  LastBmpDir = exports;
}

fs::path SettingsFilePath() { return Folders().settings / "Settings.Ini"; }

void LoadSettings(Settings& settings) {
  LoadFrom(ProfileFile::Load(SettingsFilePath()), Folders().fallback, settings);
}

bool SaveSettings(Settings& settings) {
  const fs::path path = SettingsFilePath();
  return SaveInto(ProfileFile::Load(path), path, settings);
}

bool MoveFormerSettings(const fs::path& former_data) {
  const fs::path former = former_data / "User" / "Settings.Ini";
  std::error_code ec;
  if (former_data.empty() || !fs::is_regular_file(former, ec) || fs::exists(SettingsFilePath(), ec) || ec)
    return false;
  const Settings proposals;
  Settings moved;
  const ProfileFile file = ProfileFile::Load(former);
  LoadFrom(file, former_data, moved);
  // The old data folder's Projects/ and Output/ were the program's own
  // proposals, not the user's choice: today's proposals replace them.
  for (const FolderKey& folder : kFolders) {
    const std::string stored = file.ReadString(kFile, folder.key, "");
    if (!stored.empty() && IsInsideFolder(stored, former_data)) moved.*folder.member = proposals.*folder.member;
  }
  try {
    if (!SaveInto(file, SettingsFilePath(), moved)) return false;
  } catch (const PlatformError&) {
    // Nothing was moved; the next start tries again.
    return false;
  }
  fs::remove(former, ec);
  fs::remove(former.parent_path(), ec);  // User/, when nothing else is in it
  return true;
}

void ValidateFolders(Settings& settings) {
  const fs::path home = Folders().fallback;
  for (const FolderKey& folder : kFolders) {
    fs::path& value = settings.*folder.member;
    std::error_code ec;
    // A relative folder would depend on the working folder of the run; one
    // the file cannot hold on one line would not read back.
    if (!value.is_absolute() || !fs::is_directory(value, ec) || !ProfileFile::Storable(value.string())) value = home;
  }
}

}  // namespace kt58::app
