// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as an embedded frame store record: a store that reads back
// (by index on its own descriptor as through its stream) and embeds to
// exactly the bytes it consumed, or EngineError (StoreFormat); never a file left behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <istream>
#include <sstream>
#include <streambuf>
#include <string>

#include "engine/frame_store.h"
#include "engine/errors.h"

namespace {

namespace fs = std::filesystem;

// One private folder for the whole run, removed at exit.
struct Folder {
  Folder() {
    std::string tmpl = (fs::temp_directory_path() / "kt58-blit-fuzz-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    path = tmpl;
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  fs::path path;
};

// A seekable read-only stream over the input, without copying it.
struct MemoryBuf : std::streambuf {
  MemoryBuf(const uint8_t* data, size_t size) {
    char* p = const_cast<char*>(reinterpret_cast<const char*>(data));
    setg(p, p, p + size);
  }
  pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode) override {
    const off_type base = dir == std::ios::beg ? 0 : dir == std::ios::cur ? gptr() - eback() : egptr() - eback();
    return seekpos(pos_type(base + off), std::ios::in);
  }
  pos_type seekpos(pos_type pos, std::ios::openmode) override {
    if (pos < 0 || pos > egptr() - eback()) return pos_type(off_type(-1));
    setg(eback(), eback() + static_cast<off_type>(pos), egptr());
    return pos;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Folder folder;
  const fs::path file = folder.path / "store.Dat";
  {
    kt58::FrameStore store;
    store.SetFileName(file);
    MemoryBuf buf(data, size);
    std::istream in(&buf);
    bool loaded = false;
    try {
      (void)store.LoadFromStream(in);
      loaded = true;
    } catch (const kt58::EngineError& e) {
      if (e.Code() != kt58::EngineErrorCode::StoreFormat) throw;
    }
    if (loaded) {
      const std::streamoff consumed = in.tellg();
      for (int i = 0; i < store.FrameCount; ++i) store.ReadNextFrame();
      // A read by index on the store's own descriptor sees what the stream sees.
      // One picture for every read by index, its buffer reused as composition does.
      kt58::Picture by_index;
      for (int i = 0; i < store.FrameCount; ++i) {
        const kt58::WorkPicture by_stream = store.ReadFrame(i);
        if (!by_stream != !store.ReadFrameAt(i, by_index)) std::abort();
        if (by_stream && (by_stream->Width() != by_index.Width() || by_stream->Height() != by_index.Height() ||
                          std::memcmp(by_stream->Bits(), by_index.Bits(), by_stream->ImageBytes()) != 0))
          std::abort();
      }
      std::ostringstream out;
      if (!store.SaveToStream(out).empty()) std::abort();
      const std::string again = out.str();
      if (consumed < 0 || again.size() != static_cast<size_t>(consumed) ||
          again.compare(0, again.size(), reinterpret_cast<const char*>(data), again.size()) != 0)
        std::abort();
    } else if (fs::exists(file)) {
      std::abort();
    }
  }
  // The store deletes its open file on destruction.
  if (fs::exists(file)) std::abort();
  return 0;
}
