// SPDX-License-Identifier: GPL-3.0-or-later
// kt58: builds, inspects and exports animation projects without the editor.
// Exit status: 0 done, 1 the work failed (one line on stderr), 2 usage error.
#include <cstdio>
#include <exception>
#include <new>
#include <typeinfo>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "cli/cli_export.h"
#include "cli/cli_options.h"
#include "cli/cli_project.h"
#include "cli/cli_ui.h"
#include "platform/memory_budget.h"
#include "platform/owned_files.h"
#include "platform/program_folder.h"
#include "platform/program_info.h"
#include "platform/worker_threads.h"

namespace {

using namespace kt58::cli;

int Run(const Command& command) {
  // The UI (and with it the signal handlers) outlives every animation the
  // commands create; animations end inside the commands, so the store files
  // of multi-frame resources are gone before the process exits.
  const bool quiet = std::visit([](const auto& cmd) { return cmd.quiet; }, command);
  if (const std::optional<int> limit = std::visit([](const auto& cmd) { return cmd.memory_limit_mb; }, command))
    kt58::SetMemoryBudget(static_cast<uint64_t>(*limit) << 20);
  if (const std::optional<int> threads = std::visit([](const auto& cmd) { return cmd.threads; }, command))
    kt58::SetWorkerThreads(static_cast<unsigned>(*threads));
  CliUi ui(!quiet);
  if (!std::holds_alternative<HelpCommand>(command)) {
    // Every command but help may need frame-store files there.
    if (const std::string problem = kt58::ProgramFolderProblem(); !problem.empty()) {
      std::fprintf(stderr, "kt58: %s\n", problem.c_str());
      return 1;
    }
    kt58::RemoveStaleFiles(kt58::ProgramFolder());
  }
  try {
    std::visit(
        [&](const auto& cmd) {
          using T = std::decay_t<decltype(cmd)>;
          if constexpr (std::is_same_v<T, HelpCommand>) {
            std::fputs(CommandUsageText(cmd.command).c_str(), stdout);
          } else if constexpr (std::is_same_v<T, VersionCommand>) {
            std::fputs(kt58::VersionLine("kt58").c_str(), stdout);
          } else if constexpr (std::is_same_v<T, InfoCommand>) {
            RunInfo(cmd, ui, stdout);
          } else if constexpr (std::is_same_v<T, NewCommand>) {
            RunNew(cmd, ui);
          } else if constexpr (std::is_same_v<T, ExportGifCommand>) {
            RunExportGif(cmd, ui);
          } else if constexpr (std::is_same_v<T, ExportBmpCommand>) {
            RunExportBmp(cmd, ui);
          } else if constexpr (std::is_same_v<T, ExportSequenceCommand>) {
            RunExportSequence(cmd, ui);
          } else if constexpr (std::is_same_v<T, ExportFrameCommand>) {
            RunExportFrame(cmd, ui);
          } else if constexpr (std::is_same_v<T, ExportAviCommand>) {
            RunExportAvi(cmd, ui);
          } else if constexpr (std::is_same_v<T, ExportVideoCommand>) {
            RunExportVideo(cmd, ui);
          }
        },
        command);
  } catch (const std::exception& e) {
    // Work stopped by Ctrl+C may surface as any error of the core.
    if (CliUi::Interrupted()) {
      std::fprintf(stderr, "kt58: interrupted\n");
      return 1;
    }
    if (dynamic_cast<const std::bad_alloc*>(&e)) {
      std::fprintf(stderr, "kt58: out of memory\n");
      return 1;
    }
    std::fprintf(stderr, "kt58: %s\n", CliUi::OneLine(e.what()).c_str());
    return 1;
  }
  // A command that writes commits its output last, and no commit happens
  // once interrupted: its normal return means the output is whole and in
  // place, whenever the signal came. A command that only reads may have had
  // its reading cut short without an error (the core swallows some).
  if (CliUi::Interrupted() && std::holds_alternative<InfoCommand>(command)) {
    std::fprintf(stderr, "kt58: interrupted\n");
    return 1;
  }
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "kt58: cannot write the output\n");
    return 1;
  }
  ui.FlushWarnings(stderr);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  Command command;
  try {
    command = ParseCommandLine(args);
  } catch (const UsageError& e) {
    // The one line that matters, and where the rest is.
    const std::string help = e.command.empty() ? "kt58 --help" : "kt58 " + e.command + " --help";
    std::fprintf(stderr, "kt58: %s\nTry '%s'.\n", e.what(), help.c_str());
    return 2;
  }
  return Run(command);
}
