// SPDX-License-Identifier: GPL-3.0-or-later
// The rings stay apart: a table of the include prefixes each source folder
// must never use. The core never includes Qt; widgets, the document, the
// panels and the dialogs never include what stands above them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Ring {
  const char* folder;
  std::vector<std::string> forbidden;  // prefixes of the included path
};

// Stands for every Qt header: Q<Something> or Qt<Module>/...
const std::string kQt = "<Qt>";

std::vector<std::string> With(const std::string& first, std::vector<std::string> rest) {
  rest.insert(rest.begin(), first);
  return rest;
}

bool IsQtHeader(const std::string& path) {
  return std::regex_match(path, std::regex(R"(Q[A-Za-z]+|Qt[A-Za-z]*/.*)"));
}

}  // namespace

TEST(Rings, NoFolderIncludesWhatItsRingForbids) {
  // Each ring may include only the rings below it.
  const std::vector<std::string> above_platform = {"engine/", "model/", "render/", "export/", "gui/", "cli/"};
  const std::vector<Ring> rings = {
      {"src/platform", With(kQt, above_platform)},
      {"src/engine", With(kQt, {"model/", "render/", "export/", "gui/", "cli/"})},
      {"src/model", With(kQt, {"render/", "export/", "gui/", "cli/"})},
      {"src/render", With(kQt, {"export/", "gui/", "cli/"})},
      {"src/export", With(kQt, {"gui/", "cli/"})},
      {"src/cli", With(kQt, {"gui/"})},
      {"src/gui/widgets", {"gui/document/", "gui/panels/", "gui/dialogs/", "gui/actions/", "gui/main_window", "cli/"}},
      {"src/gui/document", {"gui/panels/", "gui/dialogs/", "gui/actions/", "gui/main_window", "cli/"}},
      {"src/gui/panels", {"gui/dialogs/", "gui/actions/", "gui/main_window", "cli/"}},
      {"src/gui/dialogs", {"gui/actions/", "gui/main_window", "cli/"}},
  };

  const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
  for (const Ring& ring : rings) {
    const fs::path dir = fs::path(KT58_SOURCE_DIR) / ring.folder;
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      if (!entry.is_regular_file()) continue;
      ++files;
      std::ifstream in(entry.path());
      std::string line;
      std::smatch m;
      for (int n = 1; std::getline(in, line); ++n) {
        if (!std::regex_search(line, m, include)) continue;
        const std::string path = m[1];
        for (const std::string& prefix : ring.forbidden) {
          const bool hit = prefix == kQt ? IsQtHeader(path) : path.rfind(prefix, 0) == 0;
          EXPECT_FALSE(hit) << entry.path() << ":" << n << ": " << ring.folder << " must not include " << path;
        }
      }
    }
    EXPECT_GT(files, 0) << "no sources under " << dir;
  }
}
