// SPDX-License-Identifier: GPL-3.0-or-later
// What the program remembers between runs, kept in Settings.Ini in the
// settings folder (platform/program_folder.h): the main window's placement
// and pane sizes, six working folders, the start-up dialog switch, the
// recent projects and the playback mode. The values live in Settings; the
// main window fills it from its widgets before SaveSettings and applies it
// after LoadSettings.
#pragma once

#include <filesystem>

#include "gui/recent_projects.h"

namespace kt58::app {

// Sizes beyond this are not a window or pane anyone had on screen; the key
// then keeps its default.
inline constexpr int kMaxSettingPixels = 16384;

// The main window's placement. Minimized is never stored: it only keeps the
// position and size out of the file, like Maximized.
struct WindowPlacement {
  int Left = 0, Top = 0, Width = 626, Height = 560;
  bool Maximized = false;
  bool Minimized = false;
};

// Every key of the settings file. A default-constructed value holds the
// defaults the program starts with: the form's sizes and the folders it
// proposes (a portable copy's own, or the desktop's documents and pictures).
struct Settings {
  Settings();

  // [WINDOW]
  WindowPlacement Window;
  int Preview = 161;        // height of the construction view
  int ExpRightPanel = 158;  // height of the explorer's preview area
  int lvFiles = 93;         // height of the explorer's file list
  int lvLayersType = 50;    // width of the layer list's "Type" column
  int lvLayersSize = 50;    // width of the layer list's "Size" column
  // [FILE]
  std::filesystem::path LastThumbDir, LastProjectDir, LastProjSaveDir, LastGifDir, LastBmpDir, LastSingleDir;
  // [STARTUP]
  bool StartDialogOn = true;
  // [MRU]
  RecentList MruList;
  // [PLAYBACK] "RealTimePlayback": the animation's NonRenderedPlayback.
  bool RealTimePlayback = true;
  // [PLAYBACK] "CacheMB": the frames playback composes ahead may take this
  // much memory, 16 .. 1048576 MB; written only when not the default.
  static constexpr int kDefaultPlaybackCacheMB = 512;
  int PlaybackCacheMB = kDefaultPlaybackCacheMB;
  // [MEMORY] "LimitMB": the memory exports may use, 64 .. 1048576 MB; 0
  // (no key) is the default, a quarter of the memory and at most 4096.
  int MemoryLimitMB = 0;
};

std::filesystem::path SettingsFilePath();

// Reads every key with the value already in settings as its default, so a
// missing file or key, a value that is not a decimal number and an absurd
// size all leave that setting as it was. Recent entries whose files are gone
// are dropped, duplicates and entries beyond the limit too; an empty list
// gets the sample project when it exists. Ends with ValidateFolders.
void LoadSettings(Settings& settings);

// Writes the whole file atomically, each section erased and written anew;
// other sections of the file are kept. The window's position and size are
// written only when it is neither maximised nor minimised. Returns false,
// writing nothing, when the settings folder cannot be created; a failure to
// write the file raises PlatformError (FileWrite).
bool SaveSettings(Settings& settings);

// Earlier installed copies kept their settings in
// former_data/User/Settings.Ini. When there are no settings yet, that file
// moves to SettingsFilePath(): every setting and section as it was, recent
// projects with relative entries resolved below former_data, except the
// folders inside former_data (the Projects/ and Output/ that copy proposed),
// which become today's proposals. The old file goes; a failed move leaves
// it for the next start. True when moved.
bool MoveFormerSettings(const std::filesystem::path& former_data);

// Each of the six folders that is not an existing folder (an empty one
// included) becomes the fallback folder (a portable copy's own folder, or
// the home folder).
void ValidateFolders(Settings& settings);

}  // namespace kt58::app
