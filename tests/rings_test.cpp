// The core (engine, platform, model, export) never includes a Qt header.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace fs = std::filesystem;

TEST(Rings, CoreIncludesNoQtHeader) {
  const std::regex qt_include(R"(^\s*#\s*include\s*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/[^>"]*)[>"])");
  int files = 0;
  for (const char* ring : {"src/engine", "src/platform", "src/model", "src/export"}) {
    const fs::path dir = fs::path(KT58_SOURCE_DIR) / ring;
    if (!fs::exists(dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      if (!entry.is_regular_file()) continue;
      ++files;
      std::ifstream in(entry.path());
      std::string line;
      for (int n = 1; std::getline(in, line); ++n)
        EXPECT_FALSE(std::regex_search(line, qt_include)) << entry.path() << ":" << n << ": " << line;
    }
  }
  EXPECT_GT(files, 0) << "no core sources found under " << KT58_SOURCE_DIR;
}
