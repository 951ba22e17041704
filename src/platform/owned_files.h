// SPDX-License-Identifier: GPL-3.0-or-later
// Files this process makes in places other processes share (the program
// folder, the folder of an output): frame stores, temporaries. Each is made
// with an exclusive create under a name no other file has, so two processes
// never write into one file and no file a user put there is truncated; a
// process deletes only files it made.
//
// Every file made is also listed in a registry file in the program folder
// (".kt58.<pid>.owned") that the process holds locked while it runs. A
// registry nobody holds belongs to a process that was killed: the next run
// deletes the files it lists and the registry.
//
// The program folder is made when the first file goes there, or the first
// registry (for a temporary beside an output); at a normal end
// the folders made for it go again when they are empty, so a run that only
// read leaves nothing behind.
#pragma once

#include <filesystem>
#include <string>

#include "platform/platform_error.h"

namespace kt58 {

// Creates `path` empty with an exclusive create that never follows a
// symbolic link, and records it as this process's file. Returns an open
// descriptor (read-write) the caller closes, or -1 with errno set (EEXIST:
// the name is taken).
int CreateOwnedFile(const std::filesystem::path& path);

// Creates the first free name of folder/stem + ext, folder/stem_2 + ext,
// folder/stem_3 + ext, ... exclusively, as CreateOwnedFile. Returns the
// path; the descriptor is closed unless `fd` receives it. Raises
// PlatformError (FileCreate) when the folder refuses new files.
std::filesystem::path CreateFreeOwnedFile(const std::filesystem::path& folder, const std::string& stem,
                                          const std::string& ext, int* fd = nullptr);

// Gives the existing file a second name (a hard link) under the first free
// name of folder/stem + ext, folder/stem_2 + ext, ..., recorded as this
// process's file: the contents stay under that name whatever later replaces
// the first name, without a copy. Raises PlatformError (FileCreate) when the folder's file
// system has no second names for files or refuses new ones.
std::filesystem::path LinkFreeOwnedFile(const std::filesystem::path& existing, const std::filesystem::path& folder,
                                        const std::string& stem, const std::string& ext);

// The hidden staging folders of AtomicFileSet, the only folders this
// program makes beside outputs: ".kt58-staging.<pid>.tmp", or
// ".kt58-staging.<pid>_<n>.tmp" when that was taken.
inline constexpr const char* kStagingFolderPrefix = ".kt58-staging.";
inline constexpr const char* kStagingFolderSuffix = ".tmp";

// Makes the first free folder of folder/stem + ext, folder/stem_2 + ext,
// ... (readable by this user only) and records it as this process's, as
// CreateFreeOwnedFile does for files. The clean-up after a kill removes it
// with its contents only when it carries the staging folders' name. Raises
// PlatformError (FileCreate) when the folder refuses new folders.
std::filesystem::path CreateFreeOwnedFolder(const std::filesystem::path& folder, const std::string& stem,
                                            const std::string& ext);
// Deletes the folder with everything in it when this process made it.
void RemoveOwnedFolder(const std::filesystem::path& path) noexcept;

// Whether this process made the file (and has not deleted it since).
bool IsOwnedFile(const std::filesystem::path& path);
// Deletes the file when this process made it; any other file stays.
void RemoveOwnedFile(const std::filesystem::path& path) noexcept;
// The file was renamed onto `to` (which this process owns from now on).
void MoveOwnedFile(const std::filesystem::path& from, const std::filesystem::path& to) noexcept;
// The file now belongs to the user (a temporary renamed onto an output).
void ReleaseOwnedFile(const std::filesystem::path& path) noexcept;

// Deletes what processes that ended without cleaning up (killed, power
// lost) left listed in registries of the folder. Only regular files named
// as this program names its own, and staging folders, are deleted. Harmless when the folder
// cannot be read.
void RemoveStaleFiles(const std::filesystem::path& program_folder) noexcept;

}  // namespace kt58
