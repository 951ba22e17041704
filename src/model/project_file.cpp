// Saving and reading ".apf" projects: globals, resources, master layers.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>
#include <ostream>
#include <system_error>

#include "engine/ui_services.h"
#include "model/animation.h"
#include "model/binary_io.h"
#include "model/project_records.h"
#include "platform/text_helpers.h"

namespace kt58 {

namespace fs = std::filesystem;

namespace {

constexpr int kGlobalsBytes = 34;
// The smallest resource record: type, two empty strings, four integers and
// a store or picture of at least 12 bytes.
constexpr int kMinResourceRecordBytes = 4 + 4 + 4 + 16 + 12;
constexpr int kMinLayerRecordBytes = 4 + kLayerRecordFixedBytes;
// The editor's range for the number of frames; a file claiming more would
// make resequencing build millions of frames.

// The size in use is checked against the picture limits before anything is
// composed; the other one is only kept (a frame made from it later is
// refused by the picture itself).
void CheckFrameSize(int32_t width, int32_t height, bool in_use, const char* what) {
  if (width < 0 || height < 0)
    throw EProjectFormat(std::string("The project file has an impossible ") + what + " " + std::to_string(width) +
                         " x " + std::to_string(height));
  if (in_use && !WithinPictureLimits(width, height))
    throw EProjectFormat(std::string("The project file's ") + what + " " + PictureLimitText(width, height));
}

// fsync of a written file, so the rename never exposes unwritten data.
bool SyncFile(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

fs::path TemporaryBeside(const fs::path& target) {
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::error_code ec;
  for (int n = 0;; ++n) {
    fs::path candidate = folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                                   std::to_string(n) + ".tmp");
    if (!fs::exists(candidate, ec)) return candidate;
  }
}

}  // namespace

void TAnimation::SaveToStream(std::ostream& out) {
  PutInt32(out, kFileVersion);
  PutInt32(out, FrameCount);
  PutInt32(out, AutoWidth);
  PutInt32(out, AutoHeight);
  PutInt32(out, FixedWidth);
  PutInt32(out, FixedHeight);
  PutUInt32(out, BackgroundColor);
  PutBool(out, FixedFrameSize);
  PutInt32(out, FrameDelay);
  PutBool(out, NonRenderedPlayback);

  const int n = References ? References->Count() : 0;
  PutInt32(out, n);
  if (n > 0) {
    std::unique_ptr<ProgressScope> dialog;
    if (n > 1) {
      dialog = std::make_unique<ProgressScope>();
      (*dialog)->SetCaption("Saving Animation Resources");
      (*dialog)->SetText("");
      (*dialog)->SetRange(0, n);
      (*dialog)->SetPosition(0);
      (*dialog)->Show();
      (*dialog)->Repaint();
    }
    for (int k = 0; k < n; ++k) {
      if (dialog) {
        (*dialog)->SetText(Format("Saving Resource %d of %d", k + 1, n));
        (*dialog)->Repaint();
      }
      SaveResourceRecord(out, *References->Item(k));
      if (dialog) {
        (*dialog)->SetPosition(k + 1);
        (*dialog)->Repaint();
      }
    }
  }

  Resequence(false);
  PutInt32(out, static_cast<int32_t>(Frames.size()));

  // Only layers with a resource can be written (a record names its id).
  int written = 0;
  if (ConstructorFrame)
    for (const auto& layer : ConstructorFrame->Layers) written += layer->ImageRef ? 1 : 0;
  PutInt32(out, written);
  if (ConstructorFrame)
    for (const auto& layer : ConstructorFrame->Layers)
      if (layer->ImageRef) SaveLayerRecord(out, *layer);
  if (!out) throw Kt58Error("Cannot write the project file");
}

void TAnimation::SaveToFile(const fs::path& path) {
  const fs::path temp = TemporaryBeside(path);
  try {
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      if (!out) throw Kt58Error(std::strerror(errno));
      SaveToStream(out);
      out.flush();
      if (!out) throw Kt58Error("the disk refused the data");
      out.close();
      if (!out) throw Kt58Error("the file could not be closed");
    }
    if (!SyncFile(temp)) throw Kt58Error("the data could not be flushed to disk");
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) throw Kt58Error(ec.message());
  } catch (const std::exception& e) {
    std::error_code ec;
    fs::remove(temp, ec);
    throw Kt58Error("Cannot save " + path.string() + ": " + e.what());
  }
  FileName = path.string();
}

bool TAnimation::LoadFromStream(std::istream& in) {
  try {
    BoundedReader reader(in);
    DoStatus("Loading Project Globals");
    const int32_t version = reader.GetInt32();
    if (version > kFileVersion) {
      Ui().ShowMessage("Incompatible file version\rThis file may have been created with a later version of kt58.");
      return false;
    }
    reader.NeedItems(1, kGlobalsBytes - 4, "globals");
    const int32_t frame_count = reader.GetInt32();
    AutoWidth = reader.GetInt32();
    AutoHeight = reader.GetInt32();
    FixedWidth = reader.GetInt32();
    FixedHeight = reader.GetInt32();
    BackgroundColor = reader.GetUInt32();
    FixedFrameSize = reader.GetBool();
    FrameDelay = reader.GetInt32();
    NonRenderedPlayback = reader.GetBool();
    CheckFrameSize(AutoWidth, AutoHeight, !FixedFrameSize, "frame size");
    CheckFrameSize(FixedWidth, FixedHeight, FixedFrameSize, "fixed frame size");
    FrameCount = std::clamp(frame_count, kMinFrameCount, kMaxFrameCount);

    LoadResources(reader);

    DoStatus("Loading Project ConstructorFrame");
    reader.GetInt32();  // generated frame count: frames are made again
    const int32_t m = reader.GetInt32();
    reader.NeedItems(m, kMinLayerRecordBytes, "layers");
    ConstructorFrame = std::make_unique<TLayeredFrame>(this);
    CurrentFrame = ConstructorFrame.get();
    for (int32_t i = 0; i < m; ++i)
      if (auto layer = LoadLayerRecord(reader, *this)) ConstructorFrame->Layers.push_back(std::move(layer));
    DoStatus("Loaded");
    return true;
  } catch (const std::exception&) {
    // Nothing half-read stays: the layers give their resources back and the
    // resources delete the store files they made.
    SelectedLayer = nullptr;
    ConstructorFrame = std::make_unique<TLayeredFrame>(this);
    CurrentFrame = ConstructorFrame.get();
    if (References) References->Clear();
    Ui().ShowMessage("Animation.LoadFromStream Exception");
    DoStatus("Load failure");
    return false;
  }
}

void TAnimation::LoadResources(BoundedReader& reader) {
  if (!References) References = std::make_unique<TReferenceList>();
  References->Clear();
  const int32_t n = reader.GetInt32();
  std::unique_ptr<ProgressScope> dialog;
  try {
    reader.NeedItems(n, kMinResourceRecordBytes, "resources");
    if (n > 1) {
      dialog = std::make_unique<ProgressScope>();
      (*dialog)->SetCaption("Loading Animation Resources");
      (*dialog)->SetText("");
      (*dialog)->SetRange(0, n);
      (*dialog)->SetPosition(0);
      (*dialog)->Show();
      (*dialog)->Repaint();
    }
    for (int32_t k = 0; k < n; ++k) {
      if (dialog) {
        (*dialog)->SetText(Format("Loading Resource %d of %d", k + 1, n));
        (*dialog)->Repaint();
      }
      const int32_t type = reader.GetInt32();
      std::unique_ptr<TLayerImageRef> ref = LoadResourceRecord(reader, type);
      const int id = ref->Id;
      References->Append(std::move(ref));
      References->NoteId(id);
      if (dialog) {
        (*dialog)->SetPosition(k + 1);
        (*dialog)->Repaint();
      }
    }
  } catch (const std::exception&) {
    // The rest of the resources is skipped; reading goes on with the layers.
    Ui().ShowMessage("Unexpected resource load error.");
  }
}

bool TAnimation::LoadFromFile(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  bool ok = false;
  if (in)
    ok = LoadFromStream(in);
  else
    Ui().ShowMessage("Animation.LoadFromStream Exception");
  FileName = path.string();
  return ok;
}

}  // namespace kt58
