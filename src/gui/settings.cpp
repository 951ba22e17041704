#include "gui/settings.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <system_error>

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

void LoadRecentProjects(const ProfileFile& file, Settings& s) {
  // Every entry has a key of its own, so a count beyond the section's keys
  // is not worth looking up one by one.
  const int count = file.ReadInteger(kMru, "MruCount", 0);
  const size_t n = count > 0 ? std::min(static_cast<size_t>(count), file.KeyCount(kMru)) : 0;
  const fs::path home = ProgramFolder();
  for (size_t i = 0; i < n && s.MruList.size() < kMaxRecentProjects; ++i) {
    const fs::path path = ResolveRecentEntry(file.ReadString(kMru, MruKey(i), ""), home);
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(path, ec)) continue;
    if (FindRecentProject(s.MruList, path) < 0 && ProfileFile::Storable(path.string())) s.MruList.push_back(path);
  }
  std::error_code ec;
  if (s.MruList.empty() && fs::is_regular_file(SampleProjectPath(), ec)) AddRecentProject(s.MruList, SampleProjectPath());
}

}  // namespace

Settings::Settings() {
  const fs::path home = ProgramFolder();
  LastThumbDir = home;
  LastProjectDir = home;
  LastProjSaveDir = home / "Projects";
  LastGifDir = home / "Output";
  LastBmpDir = LastGifDir;
}

fs::path SettingsFilePath() { return ProgramFolder() / "User" / "Settings.Ini"; }

void LoadSettings(Settings& settings) {
  const ProfileFile file = ProfileFile::Load(SettingsFilePath());
  LoadWindow(file, settings);
  for (const FolderKey& folder : kFolders) {
    fs::path& value = settings.*folder.member;
    value = file.ReadString(kFile, folder.key, value.string());
  }
  settings.StartDialogOn = file.ReadBool(kStartup, "StartDialogOn", settings.StartDialogOn);
  LoadRecentProjects(file, settings);
  settings.RealTimePlayback = file.ReadBool(kPlayback, "RealTimePlayback", settings.RealTimePlayback);
  ValidateFolders(settings);
}

bool SaveSettings(Settings& settings) {
  ValidateFolders(settings);
  const fs::path path = SettingsFilePath();
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec || !fs::is_directory(path.parent_path(), ec)) return false;

  ProfileFile file = ProfileFile::Load(path);
  for (const char* section : {kWindow, kFile, kStartup, kMru, kPlayback}) file.EraseSection(section);

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
  file.Save(path);
  return true;
}

void ValidateFolders(Settings& settings) {
  const fs::path home = ProgramFolder();
  for (const FolderKey& folder : kFolders) {
    fs::path& value = settings.*folder.member;
    std::error_code ec;
    // A relative folder would depend on the working folder of the run; one
    // the file cannot hold on one line would not read back.
    if (!value.is_absolute() || !fs::is_directory(value, ec) || !ProfileFile::Storable(value.string())) value = home;
  }
}

}  // namespace kt58::app
