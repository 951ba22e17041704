// SPDX-License-Identifier: GPL-3.0-or-later
// The project commands of the kt58 tool (info, new) and the loading of a
// project that every command that reads one shares.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/cli_options.h"
#include "engine/errors.h"
#include "model/project.h"
#include "render/frame_sequence.h"

namespace kt58::cli {

class CliUi;

// The work of a command failed; the text is the one line the tool prints.
class CommandFailed : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

// A project read from its file and the frames generated from it. The
// sequence goes first: its layers give their counts back to the project.
struct LoadedProject {
  std::unique_ptr<Project> project;
  FrameSequence sequence;
};

// Opens a project as the editor does: a fresh project, read from the file,
// its frames generated without rendering, set to non-rendered playback.
// Raises CommandFailed quoting the core's message when it cannot be read.
LoadedProject LoadProject(const std::filesystem::path& path, CliUi& ui);

// An output file's folder must exist: the tool makes no folders. Raises
// CommandFailed "the folder nodir does not exist".
void RequireOutputFolder(const std::filesystem::path& out);
void RequireFolder(const std::filesystem::path& folder);

void RunInfo(const InfoCommand& cmd, CliUi& ui, std::FILE* out);
void RunNew(const NewCommand& cmd, CliUi& ui);

// The option names the tool uses for the model's codes.
const char* BlendName(int blend_type);
const char* FadeName(int fade_mode);
const char* DirectionName(int direction);

}  // namespace kt58::cli
