// SPDX-License-Identifier: GPL-3.0-or-later
// Replay driver for the fuzz targets when they are built without libFuzzer:
// feeds every file under the given folders (recursively) to the target once.
// A crash, a sanitizer report, a hang or finding no input at all fails the
// ctest entry that runs it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  constexpr std::uintmax_t kMaxInput = 16u << 20;
  size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    if (!fs::is_directory(argv[i], ec)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(argv[i], ec)) {
      if (!entry.is_regular_file() || entry.file_size() > kMaxInput) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++count;
    }
  }
  std::printf("replayed %zu inputs\n", count);
  // A replay that found nothing to feed (folders moved, corpus missing and no
  // seeds) would pass while testing nothing.
  if (count == 0) {
    std::fprintf(stderr, "no input found in the folders given\n");
    return 1;
  }
  return 0;
}
