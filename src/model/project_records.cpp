// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/project_records.h"

#include <cctype>
#include <cmath>
#include <istream>
#include <ostream>
#include <system_error>
#include <vector>

#include "engine/bmp_codec.h"
#include "model/project.h"
#include "platform/program_folder.h"

namespace kt58 {

namespace fs = std::filesystem;

namespace {

void SaveHeader(std::ostream& out, const ImageResource& ref) {
  PutInt32(out, ref.SourceType);
  PutString(out, ref.DataFileName.string());
  PutString(out, ref.SourceFileName.string());
  PutInt32(out, ref.Id);
  PutInt32(out, ref.NameCounter);
  PutInt32(out, ref.Width);
  PutInt32(out, ref.Height);
}

void LoadHeader(BoundedReader& in, ImageResource& ref, std::string& stored_data, std::string& stored_source) {
  stored_data = in.GetString();
  stored_source = in.GetString();
  ref.Id = in.GetInt32();
  ref.NameCounter = in.GetInt32();
  ref.Width = in.GetInt32();
  ref.Height = in.GetInt32();
  if (!WithinPictureLimits(ref.Width, ref.Height))
    throw EProjectFormat("A resource of the project file has an impossible size " + std::to_string(ref.Width) +
                         " x " + std::to_string(ref.Height));
}

// A BMP file image from the project stream: its file header gives its total
// length, which must lie within the bytes that remain.
void LoadPicture(BoundedReader& in, Picture& picture) {
  in.NeedItems(1, kBmpHeadersSize, "picture bytes");
  std::vector<uint8_t> bytes(kBmpFileHeaderSize);
  in.Stream().read(reinterpret_cast<char*>(bytes.data()), kBmpFileHeaderSize);
  const uint32_t total = uint32_t{bytes[2]} | (uint32_t{bytes[3]} << 8) | (uint32_t{bytes[4]} << 16) |
                         (uint32_t{bytes[5]} << 24);
  if (total < kBmpHeadersSize || total - kBmpFileHeaderSize > in.Remaining() - kBmpFileHeaderSize)
    throw EProjectFormat("A picture of the project file is cut short");
  bytes.resize(total);
  if (!in.Stream().read(reinterpret_cast<char*>(bytes.data() + kBmpFileHeaderSize), total - kBmpFileHeaderSize))
    throw EProjectFormat("A picture of the project file is cut short");
  in.Resync();
  DecodeBmp(bytes.data(), bytes.size(), picture, "project picture");
}

std::string SafeStem(const std::string& stored) {
  // Either separator ends a folder; a drive letter goes with its colon.
  std::string name = stored;
  if (const size_t sep = name.find_last_of("/\\:"); sep != std::string::npos) name = name.substr(sep + 1);
  if (const size_t dot = name.find_last_of('.'); dot != std::string::npos && dot > 0) name.resize(dot);
  std::string safe;
  for (unsigned char c : name) safe += (std::isalnum(c) || c == '_' || c == '-') && c < 0x80 ? static_cast<char>(c) : '_';
  if (safe.size() > 64) safe.resize(64);
  return safe.empty() ? std::string("Stream") : safe;
}

}  // namespace

int64_t SavedHeaderBytes(const ImageResource& ref) {
  return CountWrittenBytes([&](std::ostream& out) { SaveHeader(out, ref); });
}

StoreRecordWidth StoreRecordWidthOfVersion(int32_t version) {
  return version >= kFileVersionOffsets64 ? StoreRecordWidth::Offsets64 : StoreRecordWidth::Offsets32;
}

StoreRecordWidth StoreRecordWidthNeeded(const ImageResources& resources) {
  for (int k = 0; k < resources.Count(); ++k)
    if (const FrameStore* store = resources.Item(k)->Store();
        store && store->NeededRecordWidth() == StoreRecordWidth::Offsets64)
      return StoreRecordWidth::Offsets64;
  return StoreRecordWidth::Offsets32;
}

fs::path RestoredDataFileName(const std::string& stored_source, const std::string& stored_data, int id) {
  const std::string stem = SafeStem(stored_source.empty() ? stored_data : stored_source) + std::to_string(id);
  const fs::path folder = ProgramFolder();
  fs::path candidate = folder / (stem + ".Dat");
  std::error_code ec;
  for (int n = 2; fs::exists(candidate, ec); ++n) candidate = folder / (stem + "_" + std::to_string(n) + ".Dat");
  return candidate;
}

void SaveResourceRecord(std::ostream& out, const ImageResource& ref, StoreRecordWidth width,
                        std::vector<StoreProblem>& problems) {
  SaveHeader(out, ref);
  if (const Picture* picture = ref.StillPicture()) {
    WriteBmpImage(*picture, out);
  } else if (IsMultiFrameSourceType(ref.SourceType)) {
    if (FrameStore* store = ref.Store()) {
      for (StoreProblem& problem : store->SaveToStream(out, width)) problems.push_back(std::move(problem));
    } else {
      // Import failed: an empty store (no frames, a 4-byte image holding 0).
      PutInt32(out, 0);
      PutInt32(out, 4);
      if (width == StoreRecordWidth::Offsets64) PutInt32(out, 0);  // the image size's high half
      PutInt32(out, 0);
    }
  } else {
    throw Kt58Error("The picture of " + ref.SourceFileName.string() + " is missing");
  }
  if (!out) throw Kt58Error("Cannot write the project file");
}

std::unique_ptr<ImageResource> LoadResourceRecord(BoundedReader& in, int source_type, StoreRecordWidth width,
                                                   const StoreHost* host, std::vector<StoreProblem>& problems) {
  std::string stored_data, stored_source;
  if (IsStillSourceType(source_type)) {
    auto ref = std::make_unique<PictureResource>(fs::path(), 0);
    ref->SourceType = source_type;
    LoadHeader(in, *ref, stored_data, stored_source);
    ref->SourceFileName = stored_source;
    ref->DataFileName = stored_source;
    ref->RefCount = 0;
    ref->Image = CreateWorkPicture24();
    LoadPicture(in, *ref->Image);
    return ref;
  }
  if (!IsMultiFrameSourceType(source_type))
    throw EProjectFormat("Unknown resource type " + std::to_string(source_type));
  auto ref = std::make_unique<FrameStoreResource>(fs::path(), 0);
  ref->SourceType = source_type;
  LoadHeader(in, *ref, stored_data, stored_source);
  ref->SourceFileName = stored_source;
  ref->RefCount = 0;
  ref->DataFileName = RestoredDataFileName(stored_source, stored_data, ref->Id);
  auto store = std::make_unique<FrameStore>();
  store->SetFrameWidth(ref->Width);
  store->SetFrameHeight(ref->Height);
  store->SetFileName(ref->DataFileName);
  problems = store->LoadFromStream(in.Stream(), width, host);
  in.Resync();
  ref->DataFileName = store->FileName;
  ref->Image = std::move(store);
  return ref;
}

void SaveLayerRecord(std::ostream& out, const Layer& layer) {
  if (!layer.ImageRef) throw Kt58Error("Layer " + layer.LayerName + " has no picture");
  PutString(out, layer.LayerName);
  PutInt32(out, layer.ImageRef->Id);
  PutUInt32(out, layer.TransparentColor);
  PutInt32(out, layer.OffsetX);
  PutInt32(out, layer.OffsetY);
  // The master block.
  PutInt32(out, layer.BlendType);
  PutInt32(out, layer.Transparency);
  PutInt32(out, layer.AltTransparency);
  PutBool(out, layer.TintEnabled);
  PutUInt32(out, layer.TintColor);
  PutInt32(out, layer.FadeMode);
  PutInt32(out, layer.FadeStart);
  PutInt32(out, layer.FadeFinal);
  PutBool(out, layer.ButtonizeEnabled);
  PutUInt32(out, layer.ButtonizeHighlight);
  PutUInt32(out, layer.ButtonizeShadow);
  PutInt32(out, layer.ButtonizeAmount);
  PutDouble(out, layer.Angle);
  PutDouble(out, layer.StartAngle);
  PutDouble(out, layer.DegreesToRotate);
  PutBool(out, layer.Clockwise);
  PutBool(out, layer.AntiAlias);
  PutBool(out, layer.PixelRotate);
  PutInt32(out, layer.PixelRotateDirection);
  PutInt32(out, layer.PixelRotateShift);
  PutBool(out, layer.Mirror);
  PutBool(out, layer.Flip);
}

std::unique_ptr<Layer> LoadLayerRecord(BoundedReader& in, ImageResources& resources) {
  auto layer = std::make_unique<Layer>(resources);
  layer->LayerName = in.GetString();
  const int32_t id = in.GetInt32();
  layer->TransparentColor = in.GetUInt32();
  layer->OffsetX = in.GetInt32();
  layer->OffsetY = in.GetInt32();
  layer->BlendType = in.GetInt32();
  layer->Transparency = in.GetInt32();
  layer->AltTransparency = in.GetInt32();
  layer->TintEnabled = in.GetBool();
  layer->TintColor = in.GetUInt32();
  layer->FadeMode = in.GetInt32();
  layer->FadeStart = in.GetInt32();
  layer->FadeFinal = in.GetInt32();
  layer->ButtonizeEnabled = in.GetBool();
  layer->ButtonizeHighlight = in.GetUInt32();
  layer->ButtonizeShadow = in.GetUInt32();
  layer->ButtonizeAmount = in.GetInt32();
  layer->Angle = in.GetDouble();
  layer->StartAngle = in.GetDouble();
  layer->DegreesToRotate = in.GetDouble();
  layer->Clockwise = in.GetBool();
  layer->AntiAlias = in.GetBool();
  layer->PixelRotate = in.GetBool();
  layer->PixelRotateDirection = in.GetInt32();
  layer->PixelRotateShift = in.GetInt32();
  layer->Mirror = in.GetBool();
  layer->Flip = in.GetBool();
  for (double v : {layer->Angle, layer->StartAngle, layer->DegreesToRotate})
    if (!std::isfinite(v)) throw EProjectFormat("A layer of the project file has an impossible angle");
  ImageResource* ref = resources.FindById(id);
  // A layer naming no resource has nothing to show and could not be saved
  // again: it is dropped.
  if (!ref) return nullptr;
  layer->ImageRef = ref;
  ++ref->RefCount;
  return layer;
}

}  // namespace kt58
