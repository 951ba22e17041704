// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a project file, read from a stream (stores copied out)
// and from a file (stores read in place, every frame of them read): a
// loaded project or a clean refusal, never a crash, a hang or a file left
// behind in the program folder.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/frame_store.h"
#include "model/image_resource.h"
#include "model/image_resources.h"
#include "model/project.h"

namespace {

const std::filesystem::path& ProgramHome() {
  static const std::filesystem::path home = [] {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kt58-project-fuzz-XXXXXX").string();
    const char* made = ::mkdtemp(tmpl.data());
    const std::filesystem::path p = made ? made : std::filesystem::temp_directory_path();
    ::setenv("KT58_HOME", p.c_str(), 1);
    return p;
  }();
  return home;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::filesystem::path& home = ProgramHome();
  {
    kt58::Project project;
    std::stringstream in(std::string(reinterpret_cast<const char*>(data), size));
    project.ReadFromStream(in);
  }
  {
    const std::filesystem::path file = home / "input.apf";
    {
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    kt58::Project project;
    project.ReadFromFile(file);
    std::filesystem::remove(file);
    for (int k = 0; project.References && k < project.References->Count(); ++k)
      if (kt58::FrameStore* store = project.References->Item(k)->Store()) {
        kt58::Picture frame;
        for (int i = 0; i < store->FrameCount; ++i) {
          store->ReadFrameAt(i, frame);
          kt58::WorkPicture next = store->ReadNextFrame();
        }
      }
  }
  // Every store file made while reading goes with the project; the list
  // of the files this process made (".kt58.<pid>.owned") stays until exit.
  std::error_code ec;
  for (std::filesystem::directory_iterator it(home, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() != ".owned") std::abort();
  return 0;
}
