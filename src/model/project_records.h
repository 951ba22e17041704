// SPDX-License-Identifier: GPL-3.0-or-later
// The records of the project file: one per image resource, one per master
// layer. The file layout is fixed by the program's earlier versions.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "model/binary_io.h"
#include "model/layer.h"
#include "model/image_resource.h"

namespace kt58 {

class ImageResources;

// The store record width a project file of this version uses.
StoreRecordWidth StoreRecordWidthOfVersion(int32_t version);
// The record width every store of the resources fits: a project holding
// them is written with the version of that width.
StoreRecordWidth StoreRecordWidthNeeded(const ImageResources& resources);

// The bytes of the header every resource record starts with.
int64_t SavedHeaderBytes(const ImageResource& ref);

// Writes the resource record: the common header, then the picture as a BMP
// file image or the frame store's embedded layout with offsets `width` wide.
// A multi-frame resource without a store is written with an empty store so
// the file stays readable. Raises on any failure (a store that cannot be read
// or is too large for `width` included); what a store could write only in
// part is added to `problems`.
void SaveResourceRecord(std::ostream& out, const ImageResource& ref, StoreRecordWidth width,
                        std::vector<StoreProblem>& problems);

// Reads one resource record whose type code was read already, its store
// record `width` wide. Multi-frame resources read their frames in place
// from the host, or else get a fresh store file in the program folder; the
// stored data file name is only a name. Raises on a bad
// record, leaving no file behind. What a store could restore only in part is
// added to `problems`.
std::unique_ptr<ImageResource> LoadResourceRecord(BoundedReader& in, int source_type, StoreRecordWidth width,
                                                   const StoreHost* host, std::vector<StoreProblem>& problems);

// The store file wanted for a multi-frame resource read from a project: the
// program folder, the stem of the stored source (or data) file name reduced
// to safe characters, the id and ".Dat", the first name not yet taken. The
// store is created under it, or the next free name when another process
// took it meanwhile.
std::filesystem::path RestoredDataFileName(const std::string& stored_source, const std::string& stored_data, int id);

// Size of a layer record after its name.
inline constexpr int kLayerRecordFixedBytes = 95;

void SaveLayerRecord(std::ostream& out, const Layer& layer);
// Reads a layer record into a new layer; its resource is found by id in
// `resources` and counted. Returns none (record consumed) when no resource
// has the stored id.
std::unique_ptr<Layer> LoadLayerRecord(BoundedReader& in, ImageResources& resources);

}  // namespace kt58
