// SPDX-License-Identifier: GPL-3.0-or-later
// Saving and reading ".apf" projects: globals, resources, master layers.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ext/stdio_filebuf.h>
#include <fstream>
#include <istream>
#include <optional>
#include <ostream>
#include <system_error>

#include "model/project.h"
#include "model/binary_io.h"
#include "model/project_records.h"
#include "platform/atomic_file.h"
#include "platform/file_write_buf.h"
#include "platform/text_helpers.h"

namespace kt58 {

namespace fs = std::filesystem;

namespace {

constexpr int kGlobalsBytes = 34;
// The smallest resource record: type, two empty strings, four integers and
// a store or picture of at least 12 bytes.
constexpr int kMinResourceRecordBytes = 4 + 4 + 4 + 16 + 12;
constexpr int kMinLayerRecordBytes = 4 + kLayerRecordFixedBytes;
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

}  // namespace

std::vector<StoreProblem> Project::SaveToStream(std::ostream& out, Progress& progress) const {
  std::vector<StoreProblem> problems;
  const StoreRecordWidth width =
      References ? StoreRecordWidthNeeded(*References) : StoreRecordWidth::Offsets32;
  PutInt32(out, width == StoreRecordWidth::Offsets64 ? kFileVersionOffsets64 : kFileVersionOffsets32);
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
  // A single resource saves too quickly to be worth a progress window.
  const bool report = n > 1;
  if (report) progress.Begin("Saving Animation Resources", false);
  for (int k = 0; k < n; ++k) {
    if (report) progress.Report(Format("Saving Resource %d of %d", k + 1, n), k, n);
    SaveResourceRecord(out, *References->Item(k), width, problems);
  }

  // The number of frames generated from these layers; a reader makes them
  // again and only skips it.
  PutInt32(out, LayerCount() > 0 ? FrameCount : 0);

  // Only layers with a resource can be written (a record names its id).
  int written = 0;
  if (ConstructorFrame)
    for (const auto& layer : ConstructorFrame->Layers) written += layer->ImageRef ? 1 : 0;
  PutInt32(out, written);
  if (ConstructorFrame)
    for (const auto& layer : ConstructorFrame->Layers)
      if (layer->ImageRef) SaveLayerRecord(out, *layer);
  if (!out) throw Kt58Error("Cannot write the project file");
  return problems;
}

int64_t Project::SavedBytesBeforeNextResource() const {
  int64_t bytes = kGlobalsBytes + 4;
  std::vector<StoreProblem> problems;
  if (References)
    for (int k = 0; k < References->Count(); ++k)
      bytes += CountWrittenBytes([&](std::ostream& out) {
        SaveResourceRecord(out, *References->Item(k), StoreRecordWidth::Offsets32, problems);
      });
  return bytes;
}

std::vector<StoreProblem> Project::SaveToFile(const fs::path& path, Progress& progress) const {
  try {
    AtomicFile file(path);
    return SaveInto(file, progress);
  } catch (const std::exception& e) {
    throw Kt58Error("Cannot save " + path.string() + ": " + e.what());
  }
}

std::vector<StoreProblem> Project::SaveToFile(AtomicFile& file, Progress& progress) const {
  try {
    return SaveInto(file, progress);
  } catch (const std::exception& e) {
    throw Kt58Error("Cannot save " + file.Target().string() + ": " + e.what());
  }
}

std::vector<StoreProblem> Project::SaveInto(AtomicFile& file, Progress& progress) const {
  std::vector<StoreProblem> problems;
  {
    const FrameStore* placed = nullptr;
    for (int k = 0; References && k < References->Count(); ++k)
      if (const FrameStore* store = References->Item(k)->Store();
          store && !store->InPlace() && store->FileName == file.TempPath())
        placed = store;
    if (placed && SaveAroundPlacedStore(file, *placed, progress, problems)) {
      file.Commit();
      return problems;
    }
    // The placed store's frames are still in the first file: the project
    // goes into a new one, copying them.
    std::optional<AtomicFile> fresh;
    if (placed) fresh.emplace(file.Target());
    WriteFileAtomically(fresh ? *fresh : file, [&](std::ostream& out) { problems = SaveToStream(out, progress); });
  }
  return problems;
}

bool Project::SaveAroundPlacedStore(AtomicFile& file, const FrameStore& store, Progress& progress,
                                    std::vector<StoreProblem>& problems) const {
  const int fd = ::open(file.TempPath().c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool saved = false;
  if (::fstat(fd, &st) == 0) {
    FileWriteBuf buffer(fd);
    // Nothing before the store's record may reach its frames.
    buffer.Guard(store.FirstFrameAt(), static_cast<int64_t>(st.st_size));
    std::ostream out(&buffer);
    try {
      problems = SaveToStream(out, progress);
      saved = static_cast<bool>(out.flush()) && store.InPlace();
    } catch (const std::exception&) {
      // The record did not fit, or a write failed: the caller copies.
    }
  }
  if (::close(fd) != 0) saved = false;
  return saved;
}

ProjectReadResult Project::ReadFromStream(std::istream& in, Progress& progress) { return Read(in, nullptr, progress); }

ProjectReadResult Project::Read(std::istream& in, const StoreHost* host, Progress& progress) {
  ProjectReadResult result;
  try {
    BoundedReader reader(in);
    // Versions count up from 100 a release at a time; a file too short for
    // one, or whose first four bytes read as anything else, is something
    // other than a project.
    result.not_a_project = true;
    const int32_t version = reader.GetInt32();
    result.not_a_project = version < 1 || version > kMaxPlausibleFileVersion;
    if (version > kFileVersion) {
      result.message = "Incompatible file version\rThis file may have been created with a later version of kt58.";
      result.cause = Format("The file has version %d; this program reads versions up to %d", version, kFileVersion);
      return result;
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

    LoadResources(reader, StoreRecordWidthOfVersion(version), host, result.warnings, progress);

    reader.GetInt32();  // generated frame count: frames are made again
    const int32_t m = reader.GetInt32();
    reader.NeedItems(m, kMinLayerRecordBytes, "layers");
    if (!LayerFramesFit(m, FrameCount)) throw EProjectFormat(LayerFramesError(m, FrameCount));
    ConstructorFrame = std::make_unique<SequencedFrame>();
    for (int32_t i = 0; i < m; ++i)
      if (auto layer = LoadLayerRecord(reader, *References)) ConstructorFrame->Layers.push_back(std::move(layer));
    result.ok = true;
    return result;
  } catch (const std::exception& e) {
    // Nothing half-read stays: the layers give their resources back and the
    // resources delete the store files they made.
    ConstructorFrame = std::make_unique<SequencedFrame>();
    if (References) References->Clear();
    result.ok = false;
    result.message = "Animation.LoadFromStream Exception";
    result.cause = dynamic_cast<const std::bad_alloc*>(&e) ? "Out of memory" : e.what();
    return result;
  }
}

namespace {

std::string ResourceName(int k, int n, int source_type, const std::string& stored_name) {
  std::string name = Format("Resource %d of %d", k + 1, n);
  if (source_type >= st_Bmp && source_type <= st_Gifa) {
    std::string type = SourceTypeText(source_type);
    while (!type.empty() && type.back() == ' ') type.pop_back();
    name += " (" + type + (stored_name.empty() ? std::string() : " " + stored_name) + ")";
  }
  return name;
}

}  // namespace

void Project::LoadResources(BoundedReader& reader, StoreRecordWidth width, const StoreHost* host,
                            std::vector<ProjectReadIssue>& warnings, Progress& progress) {
  if (!References) References = std::make_unique<ImageResources>();
  References->Clear();
  const int32_t n = reader.GetInt32();
  int32_t k = 0;
  int32_t type = st_Unknown;
  bool in_record = false;
  try {
    reader.NeedItems(n, kMinResourceRecordBytes, "resources");
    const bool report = n > 1;
    if (report) progress.Begin("Loading Animation Resources", false);
    for (; k < n; ++k) {
      if (report) progress.Report(Format("Loading Resource %d of %d", k + 1, n), k, n);
      in_record = true;
      type = st_Unknown;
      type = reader.GetInt32();
      std::vector<StoreProblem> problems;
      std::unique_ptr<ImageResource> ref = LoadResourceRecord(reader, type, width, host, problems);
      for (const StoreProblem& p : problems)
        warnings.push_back({p.message, ResourceName(k, n, type, ref->SourceFileName.string()) + ": " + p.cause});
      const int id = ref->Id;
      References->Append(std::move(ref));
      References->NoteId(id);
    }
  } catch (const std::exception& e) {
    // The rest of the resources is skipped; reading goes on with the layers.
    std::string cause = in_record ? ResourceName(k, n, type, "") + ": " + e.what() : std::string(e.what());
    if (in_record && k + 1 < n) cause += Format("; the %d resources after it were skipped", n - k - 1);
    warnings.push_back({"Unexpected resource load error.", cause});
  }
}

ProjectReadResult Project::ReadFromFile(const fs::path& path, Progress& progress) {
  ProjectReadResult result;
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    result.cause = "No project file at " + path.string();
    return result;
  }
  // One open file for the records and for the stores, which read their
  // frames from duplicates of its descriptor: the frames come from the file
  // the records were read from, even when the name is given to another.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result.message = "Animation.LoadFromStream Exception";
    result.cause = "Cannot open " + path.string() + ": " + std::strerror(errno);
    return result;
  }
  __gnu_cxx::stdio_filebuf<char> file(fd, std::ios::in | std::ios::binary);  // closes fd
  std::istream in(&file);
  const StoreHost host{fd, path};
  result = Read(in, &host, progress);
  return result;
}

}  // namespace kt58
