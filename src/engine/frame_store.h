// SPDX-License-Identifier: GPL-3.0-or-later
// The frame store: every frame of an imported video or animated GIF as a
// 24-bit BMP file image, back to back in a file on disk after a 4-byte frame
// count (a store written into the project file it will be saved in leaves
// room between the two for the project's records). Frame offsets live in memory (and in the project file); they are
// 64-bit, so a store is bounded by the free space of its file system alone.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/picture.h"

namespace kt58 {

// What embedding or restoring a store could not do; the work goes on with
// what it could do, and the front end shows the message.
struct StoreProblem {
  // The program's message, when it has one ("Internal Streaming Error").
  std::string message;
  // What went wrong, naming the file or the frame.
  std::string cause;
};

// How wide the offsets and the image size of an embedded store record are.
// Offsets32 is the layout of every project of file version 100 and holds a
// store file of at most 2^31 - 1 bytes; Offsets64 holds any store.
enum class StoreRecordWidth { Offsets32, Offsets64 };

// A project file open for reading, whose embedded stores can be read where
// they lie instead of being copied out. The descriptor stays the caller's;
// a store that reads from it holds a duplicate of its own, so the file stays
// readable while it lives even when a save replaces the file by name.
struct StoreHost {
  int fd = -1;
  std::filesystem::path path;
};

// Where a new store is written when its frames are to stay where they are
// once the project is saved: `file` is the empty file the project will be
// saved into (a save into another file copies them as usual). The first
// frame goes far enough in for `bytes_before` (what the project writes
// ahead of the store's record) and the record's own offsets to fit before
// it. `copy_name` is the name the store's own file takes should it need one
// later; `shown_name` the name messages give for the file (the project's
// own name rather than its temporary one).
struct StorePlacement {
  std::filesystem::path file;
  int64_t bytes_before = 0;
  std::filesystem::path copy_name;
  std::filesystem::path shown_name;
};

enum BlitAccessMode : uint16_t { am_Read = 0, am_Write = 1, am_ReadWrite = 2, am_Create = 0xFFFF };

class FrameStore {
 public:
  FrameStore();
  // Closes the open file, if any, and deletes it when this store made it.
  ~FrameStore();
  FrameStore(const FrameStore&) = delete;
  FrameStore& operator=(const FrameStore&) = delete;

  void SetFileName(const std::filesystem::path& name) { FileName = name; }
  void SetFrameWidth(int w) { FrameWidth = w; }
  void SetFrameHeight(int h) { FrameHeight = h; }

  // Makes the file with an exclusive create (false when the name is taken
  // or the folder refuses it); only a file this store made itself is
  // truncated and made again.
  bool CreateStoreFile(const std::filesystem::path& path);
  // As CreateStoreFile, under the first free name of `wanted`, stem_2.ext,
  // stem_3.ext, ... in its folder; FileName tells the name taken. Raises
  // PlatformError (FileCreate, naming the folder and the reason) when no
  // file can be made.
  void CreateFreeStoreFile(const std::filesystem::path& wanted);
  // Makes the store in the placement's file, which the store writes but
  // never deletes. Raises PlatformError (FileCreate) when it cannot be
  // opened.
  void CreateInFile(const StorePlacement& placement);
  bool OpenForRead();
  void CloseFile();
  // Closes the file, deletes it when this store made it and forgets the
  // frames: what is left of work that did not finish.
  void Discard();
  bool IsOpen() const;
  void Rewind();
  int ReadHeader();
  void WriteHeader();
  // Appends the picture as the next frame. False when the store is not open
  // for writing or memory ran out; a file that refuses the bytes (a full
  // disk, the file-size limit) raises EngineError (StoreWrite) with the
  // system's reason, the frame not counted.
  bool AppendFrame(Picture& picture);
  // Raises ENotEnoughSpace (naming this store's file, the bytes needed and
  // the bytes free) unless the file system holding the store has room for
  // `frames` more frames of the picture's size. Called before an import
  // writes its first frame; `why` ends the message (what makes the frames
  // that large). A placed store keeps room for that many offsets ahead of
  // its first frame.
  void CheckRoomFor(int64_t frames, const Picture& frame, std::string_view why = {});
  WorkPicture ReadNextFrame();
  WorkPicture ReadFrame(int index);
  // Frame `index` read into `out`, whose buffer is reused, through a
  // descriptor of the store's own with pread: neither ReadCursor nor the
  // stream's position moves, and any number of threads may call it at once
  // (each with its own picture) while nothing changes the store. False
  // where ReadFrame gives none; out's pixels are then not the frame's.
  bool ReadFrameAt(int index, Picture& out) const;
  // The narrowest record that holds the store's file as it is now.
  StoreRecordWidth NeededRecordWidth() const;
  // Writes the embedded layout: count, offsets, image size, image, the
  // offsets and the size as wide as `width` says. The image is the count
  // and the frames from the first one on: room left ahead of the first
  // frame is not copied. A file that shrank under us is padded with zeros
  // to the recorded size, so the target stays readable past the record;
  // that, and a target that refuses the bytes, come back as a problem. A
  // store too large for `width` raises.
  //
  // A target that writes into the store's own file (a FileWriteBuf over
  // it) gets the record around the frames where they lie: only the count,
  // the offsets and the size are written, before the first frame, and the
  // target moves past the last one. The store then reads its frames in
  // place there. Raises Kt58Error unless the record ends exactly where the
  // first frame begins (room between them would be no store for readers
  // that take the frames one after another); the target has then received
  // nothing.
  [[nodiscard]] std::vector<StoreProblem> SaveToStream(std::ostream& target,
                                                       StoreRecordWidth width = StoreRecordWidth::Offsets32);
  // Reads the embedded layout. With a host (the file `source` reads, from
  // its start), the frames are read where they lie in it and nothing is
  // copied: FileName stays the name a copy would take. Otherwise they are
  // copied into a fresh file under the first free name
  // from FileName (CreateFreeStoreFile). The record is checked against the
  // bytes that remain before anything is allocated or written; a bad record
  // raises EngineError (StoreFormat) and leaves no file behind; an image
  // larger than the free space of the store's folder raises ENotEnoughSpace
  // before the file is made. A file that takes fewer bytes than it was given
  // (a full disk), frames whose headers are damaged and a header that
  // disagrees come back as problems.
  [[nodiscard]] std::vector<StoreProblem> LoadFromStream(std::istream& source,
                                                         StoreRecordWidth width = StoreRecordWidth::Offsets32,
                                                         const StoreHost* host = nullptr);
  // Whether the frames are read from inside a project file.
  bool InPlace() const { return window_base_ >= 0; }
  // A store read in place gets a file of its own (the first free name from
  // FileName), before something changes its frames. Nothing for a store
  // with its own file. Raises ENotEnoughSpace, PlatformError (FileCreate) or
  // EngineError (StoreWrite), the store then reading in place as before.
  void EnsureOwnFile();
  // Where the first frame lies in the store's file (4 for a store without
  // frames, whose image is its count): where sequential reading starts,
  // also while re-processing has put its marks in FrameOffsets.
  int64_t FirstFrameAt() const { return first_frame_at_; }
  // Byte position in the open file where the next read starts; -1 when
  // closed.
  int64_t Position();

  // Replaces the store's contents by another file and offsets (re-processing).
  // A store read in place takes the new file under a free name from FileName.
  void ReplaceContents(const std::filesystem::path& new_file, std::vector<int64_t> offsets);

  uint16_t AccessMode = am_Read;
  int32_t FrameWidth = 0;
  int32_t FrameHeight = 0;
  std::filesystem::path FileName;
  int32_t FrameCount = 0;
  int32_t ReadCursor = 0;
  std::vector<int64_t> FrameOffsets;

 private:
  // Seeks both pointers of the open file; false on failure.
  bool SeekTo(int64_t position);
  void ResetContents();
  // Open, holding frames and readable in its mode.
  bool CanRead() const;
  // The frame stored at the file position; none (the stream's error state
  // cleared) when it cannot be read.
  WorkPicture ReadPictureHere();

  // The frames whose BMP headers cannot be read as a stored frame.
  std::vector<int> DamagedFrames();
  // Opens the file this store made (or was given) at FileName, truncating.
  bool OpenCreated();

  // Opens read_fd_ on FileName beside the stream; closes both and gives
  // false when that fails.
  bool OpenReadDescriptor();
  // Reads bytes [base, base + size) of the file open as fd (taken over) as
  // the store's file.
  void ReadInPlace(int fd, int64_t base, int64_t size);
  // Copies `bytes` from source into the own file at its position, runs of
  // zeros as holes. False when the file took fewer bytes.
  bool CopyIntoFile(std::istream& source, int64_t bytes);
  // Starts writing a placed store's file out to disk up to `written_to`,
  // a step at a time, without waiting for it.
  void StartWriteback(int64_t written_to);
  // SaveToStream into the store's own file: the record around the frames.
  void SaveAroundFrames(std::ostream& target, StoreRecordWidth width);

  // FrameOffsets, and where the first of them lies.
  void SetOffsets(std::vector<int64_t> offsets);

  int64_t first_frame_at_ = 4;
  // Whether the file is this store's to delete (not a placement's).
  bool owns_file_ = true;
  // A placed store's first frame leaves this much room before it, plus
  // room for the record of expected_frames_ frames.
  int64_t lead_bytes_ = 0;
  int64_t expected_frames_ = 0;
  // Where the last StartWriteback reached.
  int64_t written_back_ = 0;
  std::filesystem::path copy_name_;
  // The name messages give for the file; FileName when empty.
  std::filesystem::path shown_name_;
  const std::filesystem::path& ShownName() const { return shown_name_.empty() ? FileName : shown_name_; }

  // A std::fstream on the store's own file, or a stream over window_buf_.
  std::unique_ptr<std::iostream> stream_;
  std::unique_ptr<std::streambuf> window_buf_;
  // Where the store lies in the file read_fd_ reads, while read in place;
  // -1 otherwise.
  int64_t window_base_ = -1;
  int64_t window_size_ = 0;
  // Read-only on the same file as stream_, used only with pread, which
  // leaves the descriptor's offset alone; -1 while closed.
  int read_fd_ = -1;
  // The file buffer of stream_; set before opening so that frame headers
  // come from one read and frame pixels are read straight into the picture.
  std::unique_ptr<char[]> io_buffer_;
};

}  // namespace kt58
