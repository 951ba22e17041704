// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/frame_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>
#include <limits>
#include <ostream>
#include <streambuf>
#include <system_error>
#include <utility>

#include "engine/bmp_codec.h"
#include "engine/errors.h"
#include "engine/free_space.h"
#include "platform/file_write_buf.h"
#include "platform/owned_files.h"

namespace kt58 {

namespace {

// The largest store file a record of 32-bit offsets and image size holds:
// both are signed, so no byte may lie at or beyond 2^31.
constexpr int64_t kMaxOffsets32StoreBytes = std::numeric_limits<int32_t>::max();
// Embedding and restoring copy through this much memory at a time.
constexpr size_t kCopyChunk = size_t{4} << 20;
constexpr size_t kFileBufferBytes = size_t{64} << 10;

void PutInt32(std::ostream& out, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  const char b[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF), static_cast<char>((u >> 16) & 0xFF),
                     static_cast<char>((u >> 24) & 0xFF)};
  out.write(b, 4);
}

int32_t Int32From(const uint8_t* b) {
  return static_cast<int32_t>(uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24));
}

bool GetInt32(std::istream& in, int32_t& v) {
  uint8_t b[4];
  if (!in.read(reinterpret_cast<char*>(b), 4)) return false;
  v = Int32From(b);
  return true;
}

void PutInt64(std::ostream& out, int64_t v) {
  const auto u = static_cast<uint64_t>(v);
  char b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
  out.write(b, 8);
}

int64_t Int64From(const uint8_t* b) {
  uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | b[i];
  return static_cast<int64_t>(u);
}

// Bytes of one offset, or of the image size, in a record of this width.
size_t RecordFieldBytes(StoreRecordWidth width) { return width == StoreRecordWidth::Offsets64 ? 8 : 4; }

void PutRecordField(std::ostream& out, int64_t v, StoreRecordWidth width) {
  if (width == StoreRecordWidth::Offsets64)
    PutInt64(out, v);
  else
    PutInt32(out, static_cast<int32_t>(v));
}

int64_t RecordFieldFrom(const uint8_t* b, StoreRecordWidth width) {
  return width == StoreRecordWidth::Offsets64 ? Int64From(b) : Int32From(b);
}

uint32_t UInt32From(const uint8_t* b) { return static_cast<uint32_t>(Int32From(b)); }
uint16_t UInt16From(const uint8_t* b) { return static_cast<uint16_t>(b[0] | (b[1] << 8)); }

// Whether the 54 bytes start a 24-bit uncompressed frame, as stores hold
// them, whose pixels fit in the `room` bytes up to the next frame.
bool IsStoredFrameHeader(const uint8_t* h, int64_t room) {
  if (h[0] != 'B' || h[1] != 'M') return false;
  const int64_t pixels_at = UInt32From(h + 10);
  const int64_t width = Int32From(h + 18);
  int64_t height = Int32From(h + 22);
  if (height < 0) height = -height;
  if (UInt32From(h + 14) < kBmpInfoHeaderSize || UInt16From(h + 26) != 1 || UInt16From(h + 28) != 24 ||
      UInt32From(h + 30) != 0)
    return false;
  if (width < 1 || width > kMaxPictureSide || height < 1 || height > kMaxPictureSide) return false;
  if (pixels_at < static_cast<int64_t>(kBmpHeadersSize)) return false;
  return pixels_at + ((width * 3 + 3) & ~int64_t{3}) * height <= room;
}

std::string FrameList(const std::vector<int>& frames) {
  std::string text;
  for (size_t i = 0; i < frames.size() && i < 10; ++i) text += (i ? ", " : "") + std::to_string(frames[i]);
  if (frames.size() > 10) text += " and " + std::to_string(frames.size() - 10) + " more";
  return text;
}

// A read-only stream buffer over a descriptor that reads with pread from a
// position of its own, so that any number of them can read one descriptor
// at once. Positions count from `base` in the file; with a size, the buffer
// ends there (a store lying inside a project file), else at the file's end.
// Seekable, as the BMP reader wants to know what remains; writing fails.
class PositionalReadBuf final : public std::streambuf {
 public:
  PositionalReadBuf(int fd, int64_t at, int64_t base = 0, int64_t size = -1)
      : fd_(fd), base_(base), size_(size), next_(at) {}

 protected:
  int_type underflow() override {
    const std::streamsize got = ReadAt(buffer_, sizeof buffer_);
    if (got <= 0) return traits_type::eof();
    setg(buffer_, buffer_, buffer_ + got);
    return traits_type::to_int_type(buffer_[0]);
  }
  // Large reads (a frame's pixels) go straight from the file to the caller.
  std::streamsize xsgetn(char* to, std::streamsize n) override {
    const auto held = static_cast<int>(std::min<std::streamsize>(egptr() - gptr(), n));
    if (held > 0) {  // nothing buffered yet: gptr() is null
      std::memcpy(to, gptr(), static_cast<size_t>(held));
      gbump(held);
    }
    return held + ReadAt(to + held, n - held);
  }
  pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode which) override {
    int64_t from = next_ - (egptr() - gptr());
    if (dir == std::ios::beg) {
      from = 0;
    } else if (dir == std::ios::end) {
      from = End();
      if (from < 0) return pos_type(off_type(-1));
    }
    return seekpos(pos_type(from + off), which);
  }
  // The put position is the get position: a stream over this buffer seeks
  // both at once, and any write fails.
  pos_type seekpos(pos_type pos, std::ios::openmode) override {
    if (pos < 0) return pos_type(off_type(-1));
    setg(buffer_, buffer_, buffer_);
    next_ = static_cast<int64_t>(pos);
    return pos;
  }

 private:
  int64_t End() const {
    if (size_ >= 0) return size_;
    struct stat st {};
    return ::fstat(fd_, &st) == 0 ? static_cast<int64_t>(st.st_size) - base_ : -1;
  }
  // Up to n bytes from next_ on, going on after a signal or a short read;
  // fewer only at the end or on an error.
  std::streamsize ReadAt(char* to, std::streamsize n) {
    if (size_ >= 0) n = std::max<std::streamsize>(0, std::min<std::streamsize>(n, size_ - next_));
    std::streamsize done = 0;
    while (done < n) {
      const ssize_t got =
          ::pread(fd_, to + done, static_cast<size_t>(n - done), static_cast<off_t>(base_ + next_));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += got;
      next_ += got;
    }
    return done;
  }

  int fd_;
  int64_t base_, size_;
  int64_t next_;
  char buffer_[4096];
};

bool SameFile(int a, int b) {
  struct stat sa {}, sb {};
  return a >= 0 && b >= 0 && ::fstat(a, &sa) == 0 && ::fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// Where a placed store's first frame goes: right after what the project
// writes ahead of the record, the record's count, offsets and image size,
// and the image's own count, as a save writes them when the import gives
// the frames it expects (each of frame_bytes). The project file is then
// the one a save would write anyway, without room between record and
// frames.
int64_t FirstFramePlace(int64_t lead_bytes, int64_t frames, int64_t frame_bytes) {
  frames = std::max<int64_t>(frames, 1);
  const int64_t image = 4 + frames * frame_bytes;
  const int64_t field = image > kMaxOffsets32StoreBytes ? 8 : 4;
  return lead_bytes + 4 + field * frames + field + 4;
}

// Bytes left in a seekable source; the maximum when the stream cannot tell
// (reads are then bounded by what actually arrives).
uint64_t RemainingBytes(std::istream& in) {
  const std::streampos here = in.tellg();
  if (here == std::streampos(-1)) return std::numeric_limits<uint64_t>::max();
  in.seekg(0, std::ios::end);
  const std::streampos end = in.tellg();
  in.clear();
  in.seekg(here);
  if (end == std::streampos(-1) || end < here) return std::numeric_limits<uint64_t>::max();
  return static_cast<uint64_t>(end - here);
}

}  // namespace

FrameStore::FrameStore() = default;

FrameStore::~FrameStore() {
  if (IsOpen()) Discard();
}

void FrameStore::Discard() {
  // Read in place, FileName is only the name a copy would take, and may be
  // another store's file by now.
  const bool own_file = !InPlace() && owns_file_;
  CloseFile();
  // Another process's file, or the user's, under this name stays.
  if (own_file) RemoveOwnedFile(FileName);
  ResetContents();
}

bool FrameStore::IsOpen() const { return stream_ != nullptr; }

bool FrameStore::SeekTo(int64_t position) {
  if (!IsOpen()) return false;
  stream_->clear();
  stream_->seekg(position);
  stream_->seekp(position);
  return !stream_->fail();
}

bool FrameStore::OpenCreated() {
  auto s = std::make_unique<std::fstream>();
  if (!io_buffer_) io_buffer_ = std::make_unique<char[]>(kFileBufferBytes);
  s->rdbuf()->pubsetbuf(io_buffer_.get(), kFileBufferBytes);
  s->open(FileName, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
  if (!s->is_open()) return false;
  stream_ = std::move(s);
  if (!OpenReadDescriptor()) return false;
  PutInt32(*stream_, FrameCount);
  stream_->flush();
  FrameOffsets.clear();
  first_frame_at_ = 4;
  return !stream_->fail();
}

bool FrameStore::CreateStoreFile(const std::filesystem::path& path) {
  try {
    CloseFile();
    AccessMode = am_Create;
    owns_file_ = true;
    lead_bytes_ = 0;
    shown_name_.clear();
    // Only a file this process made may be emptied: any other name must be
    // free, so that a store never writes into another process's store or a
    // file the user keeps in the folder.
    if (!(path == FileName && IsOwnedFile(path))) {
      const int fd = CreateOwnedFile(path);
      if (fd < 0) return false;
      ::close(fd);
      FileName = path;
    }
    return OpenCreated();
  } catch (const std::exception&) {
    // The store's contract is a false result; std::bad_alloc is all that
    // can arrive here.
    return false;
  }
}

void FrameStore::CreateFreeStoreFile(const std::filesystem::path& wanted) {
  CloseFile();
  AccessMode = am_Create;
  owns_file_ = true;
  lead_bytes_ = 0;
  shown_name_.clear();
  FileName = CreateFreeOwnedFile(wanted.parent_path(), wanted.stem().string(), wanted.extension().string());
  if (!OpenCreated()) {
    RemoveOwnedFile(FileName);
    throw PlatformError(PlatformErrorCode::FileCreate, "Cannot open the frame store file " + FileName.string());
  }
}

void FrameStore::CreateInFile(const StorePlacement& placement) {
  CloseFile();
  AccessMode = am_Create;
  owns_file_ = false;
  FileName = placement.file;
  lead_bytes_ = std::max<int64_t>(placement.bytes_before, 0);
  expected_frames_ = 0;
  written_back_ = 0;
  copy_name_ = placement.copy_name;
  shown_name_ = placement.shown_name;
  if (!OpenCreated()) {
    CloseFile();
    throw PlatformError(PlatformErrorCode::FileCreate, "Cannot open the frame store file " + ShownName().string());
  }
}

void FrameStore::SetOffsets(std::vector<int64_t> offsets) {
  FrameOffsets = std::move(offsets);
  first_frame_at_ = FrameOffsets.empty() ? 4 : FrameOffsets.front();
}

bool FrameStore::OpenForRead() {
  if (InPlace()) {
    // The project file cannot be opened again by name (a save may have
    // replaced it): the open window is the store.
    AccessMode = am_Read;
    return SeekTo(0);
  }
  try {
    CloseFile();
    AccessMode = am_Read;
    auto s = std::make_unique<std::fstream>();
    if (!io_buffer_) io_buffer_ = std::make_unique<char[]>(kFileBufferBytes);
    s->rdbuf()->pubsetbuf(io_buffer_.get(), kFileBufferBytes);
    s->open(FileName, std::ios::in | std::ios::out | std::ios::binary);
    if (!s->is_open()) return false;
    stream_ = std::move(s);
    return OpenReadDescriptor();
  } catch (const std::exception&) {
    // A false result is the contract; only std::bad_alloc gets here.
    return false;
  }
}

int64_t FrameStore::Position() {
  if (!IsOpen()) return -1;
  stream_->clear();
  return static_cast<int64_t>(stream_->tellg());
}

bool FrameStore::OpenReadDescriptor() {
  read_fd_ = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (read_fd_ < 0) CloseFile();
  return read_fd_ >= 0;
}

void FrameStore::CloseFile() {
  if (read_fd_ >= 0) {
    ::close(read_fd_);
    read_fd_ = -1;
  }
  window_buf_.reset();
  window_base_ = -1;
  window_size_ = 0;
  if (!stream_) return;
  // fstream::close reports by its state, and the store is closed whatever
  // the state says: nothing to catch.
  if (auto* file = dynamic_cast<std::fstream*>(stream_.get())) file->close();
  stream_.reset();
}

void FrameStore::ReadInPlace(int fd, int64_t base, int64_t size) {
  read_fd_ = fd;
  window_base_ = base;
  window_size_ = size;
  window_buf_ = std::make_unique<PositionalReadBuf>(fd, 0, base, size);
  stream_ = std::make_unique<std::iostream>(window_buf_.get());
  AccessMode = am_Read;
}

void FrameStore::Rewind() {
  SeekTo(0);
  ReadCursor = -1;
}

int FrameStore::ReadHeader() {
  if (!IsOpen()) return -1;
  int32_t count = -1;
  if (!SeekTo(0) || !GetInt32(*stream_, count)) count = -1;
  SeekTo(FirstFrameAt());
  ReadCursor = 0;
  return count;
}

void FrameStore::WriteHeader() {
  if (!IsOpen()) return;
  // A store read in place never writes into the project file; its count
  // was checked against the record when it was read.
  if (!InPlace() && SeekTo(0)) {
    PutInt32(*stream_, FrameCount);
    stream_->flush();
  }
  SeekTo(FirstFrameAt());
  ReadCursor = -1;
}

bool FrameStore::AppendFrame(Picture& picture) {
  if (!IsOpen() || (AccessMode != am_Create && AccessMode != am_Write)) return false;
  stream_->clear();
  if (FrameOffsets.empty() && lead_bytes_ > 0)
    stream_->seekp(FirstFramePlace(lead_bytes_, expected_frames_, static_cast<int64_t>(BmpImageSize(picture))));
  else
    stream_->seekp(0, std::ios::end);
  const std::streamoff at = stream_->tellp();
  if (at < 0) return false;
  try {
    FrameOffsets.push_back(static_cast<int64_t>(at));
    if (FrameOffsets.size() == 1) first_frame_at_ = static_cast<int64_t>(at);
  } catch (const std::bad_alloc&) {
    return false;
  }
  errno = 0;
  bool written = false;
  try {
    WriteBmpImage(picture, *stream_);
    // Flushed here so that a full disk shows as this frame's failure.
    written = static_cast<bool>(stream_->flush());
  } catch (const std::exception&) {
    // The encoder reports a stream that refused its bytes by raising.
  }
  if (!written) {
    // Taken before anything else can change it: the reason of the failed
    // write(2) underneath the stream.
    const int reason = errno;
    // The offset of the frame that is not there must go.
    FrameOffsets.pop_back();
    stream_->clear();
    throw EngineError(EngineErrorCode::StoreWrite,
                      "Cannot write the frame store file " + ShownName().string() + ": " +
                          (reason ? std::strerror(reason) : "the file system took fewer bytes than the frame holds"));
  }
  ++FrameCount;
  if (!owns_file_) StartWriteback(static_cast<int64_t>(at));
  return true;
}

void FrameStore::StartWriteback(int64_t written_to) {
  // A placed store becomes a project file, which the save makes durable:
  // the disk takes the frames while later ones are decoded, instead of all
  // of them at the save's flush.
  constexpr int64_t kWritebackStep = int64_t{32} << 20;
  if (written_to - written_back_ < kWritebackStep) return;
  (void)::sync_file_range(read_fd_, written_back_, written_to - written_back_, SYNC_FILE_RANGE_WRITE);
  written_back_ = written_to;
}

void FrameStore::CheckRoomFor(int64_t frames, const Picture& frame, std::string_view why) {
  frames = std::max<int64_t>(frames, 0);
  if (FrameOffsets.empty()) expected_frames_ = frames;
  // At most 2^31 frames of at most 2^30 bytes each: the product fits.
  CheckFreeSpace(FileName.parent_path(), static_cast<uint64_t>(frames) * BmpImageSize(frame), ShownName(), why);
}

bool FrameStore::CanRead() const {
  return IsOpen() && FrameCount >= 1 && (AccessMode == am_Read || AccessMode == am_ReadWrite);
}

WorkPicture FrameStore::ReadPictureHere() {
  WorkPicture picture;
  try {
    picture = CreateWorkPicture24();
    ReadBmpImage(*stream_, *picture, FileName.string());
  } catch (const std::exception&) {
    // A frame that cannot be read is none; callers draw nothing for it.
    FreeWorkPicture(picture);
    stream_->clear();
    return nullptr;
  }
  return picture;
}

WorkPicture FrameStore::ReadNextFrame() {
  if (!CanRead()) return nullptr;
  const int64_t at = Position();
  WorkPicture picture = ReadPictureHere();
  if (!picture && !FrameOffsets.empty() && at > FrameOffsets.back()) {
    // Past the last frame (a read by index left the cursor one behind the
    // file): sequential reading goes on from the first frame, as it does
    // when the cursor runs out, rather than failing from here on.
    ReadHeader();
    picture = ReadPictureHere();
  }
  if (!picture) return nullptr;
  if (ReadCursor < FrameCount - 1)
    ++ReadCursor;
  else
    ReadHeader();
  return picture;
}

WorkPicture FrameStore::ReadFrame(int index) {
  if (!CanRead() || index < 0 || static_cast<size_t>(index) >= FrameOffsets.size()) return nullptr;
  stream_->clear();
  stream_->seekg(FrameOffsets[static_cast<size_t>(index)]);
  WorkPicture picture = ReadPictureHere();
  if (!picture) return nullptr;
  if (ReadCursor < FrameCount - 1)
    ReadCursor = index;
  else
    ReadHeader();
  return picture;
}

bool FrameStore::ReadFrameAt(int index, Picture& out) const {
  if (!CanRead() || read_fd_ < 0 || index < 0 || static_cast<size_t>(index) >= FrameOffsets.size()) return false;
  // The same reader as sequential reading, over a stream of this call's own.
  PositionalReadBuf buffer(read_fd_, FrameOffsets[static_cast<size_t>(index)], std::max<int64_t>(window_base_, 0),
                          InPlace() ? window_size_ : -1);
  std::istream in(&buffer);
  try {
    ReadBmpImage(in, out, FileName.string());
  } catch (const std::exception&) {
    // As with ReadFrame: a frame that cannot be read is none.
    return false;
  }
  return true;
}

StoreRecordWidth FrameStore::NeededRecordWidth() const {
  std::error_code ec;
  uintmax_t bytes = InPlace() ? static_cast<uintmax_t>(window_size_) : std::filesystem::file_size(FileName, ec);
  // What a save writes as the image: room before the first frame stays behind.
  if (!InPlace()) bytes -= std::min<uintmax_t>(bytes, static_cast<uintmax_t>(FirstFrameAt() - 4));
  // A file that cannot be asked fails the save itself, with its own message.
  if (ec || bytes <= static_cast<uintmax_t>(kMaxOffsets32StoreBytes)) return StoreRecordWidth::Offsets32;
  return StoreRecordWidth::Offsets64;
}

std::vector<StoreProblem> FrameStore::SaveToStream(std::ostream& target, StoreRecordWidth width) {
  if (!InPlace()) CloseFile();
  if (!OpenForRead()) throw Kt58Error("Cannot open the frame store file " + FileName.string());
  // Every recorded offset is a frame really in the file; a count that
  // disagrees (CreateStoreFile keeps an older FrameCount) would make a record
  // that cannot be read back.
  FrameCount = static_cast<int32_t>(FrameOffsets.size());
  WriteHeader();
  Rewind();

  // Copying the file into itself would overwrite frames before they are
  // read: the record goes around them instead.
  if (const auto* file = dynamic_cast<const FileWriteBuf*>(target.rdbuf());
      file && !InPlace() && SameFile(file->Descriptor(), read_fd_)) {
    SaveAroundFrames(target, width);
    return {};
  }

  stream_->clear();
  stream_->seekg(0, std::ios::end);
  const std::streamoff end = stream_->tellg();
  if (end < 0) throw Kt58Error("Cannot read the frame store file " + FileName.string());
  // The image is the count and the frames: room a placed store left ahead
  // of its first frame stays behind.
  const int64_t first = std::min<int64_t>(FirstFrameAt(), static_cast<int64_t>(end));
  const int64_t skipped = first - 4;
  const auto size = static_cast<int64_t>(end) - skipped;
  // Checked before the first byte goes out: a record cut off inside would
  // leave the target unreadable past it.
  if (width == StoreRecordWidth::Offsets32 && size > kMaxOffsets32StoreBytes)
    throw Kt58Error("The frame store file " + FileName.string() + " holds " + std::to_string(size) +
                    " bytes, more than a record of 32-bit offsets can hold");
  PutInt32(target, FrameCount);
  for (int64_t offset : FrameOffsets) PutRecordField(target, offset - skipped, width);
  PutRecordField(target, size, width);
  PutInt32(target, FrameCount);
  SeekTo(first);

  std::vector<char> buffer(std::min<size_t>(kCopyChunk, static_cast<size_t>(std::max<int64_t>(size - 4, 1))));
  int64_t left = size - 4;
  std::vector<StoreProblem> problems;
  while (left > 0) {
    const auto want = static_cast<std::streamsize>(std::min<int64_t>(left, static_cast<int64_t>(buffer.size())));
    stream_->read(buffer.data(), want);
    const std::streamsize got = stream_->gcount();
    if (got < want) {
      // The file shrank under us: keep the record's length so that the
      // project stream stays readable past it.
      std::fill(buffer.begin() + got, buffer.begin() + want, 0);
      if (problems.empty())
        problems.push_back({"Internal Streaming Error",
                            "The frame store file " + FileName.string() + " is shorter than its recorded frames"});
    }
    target.write(buffer.data(), want);
    if (!target) break;
    left -= want;
  }
  if (!target) {
    // One message for the record, as the user has always seen it.
    problems.clear();
    problems.push_back({"Internal Streaming Error",
                        "Cannot embed the frame store file " + FileName.string() + ": the target refused the bytes"});
  }
  Rewind();
  return problems;
}

void FrameStore::SaveAroundFrames(std::ostream& target, StoreRecordWidth width) {
  struct stat st {};
  if (FrameOffsets.empty() || ::fstat(read_fd_, &st) != 0)
    throw Kt58Error("The frame store file " + FileName.string() + " cannot hold its project record");
  const std::streamoff at = target.tellp();
  const auto field = static_cast<int64_t>(RecordFieldBytes(width));
  // The image starts right after the record: its count, then room up to
  // the first frame.
  const int64_t base = static_cast<int64_t>(at) + 4 + field * FrameCount + field;
  const int64_t end = static_cast<int64_t>(st.st_size);
  // Room left between record and frames would be no store earlier readers
  // take: they read the frames one after another from the image's count.
  if (at < 0 || base + 4 != FirstFrameAt())
    throw Kt58Error("The project record does not end where the frames of " + FileName.string() + " begin");
  if (width == StoreRecordWidth::Offsets32 && end - base > kMaxOffsets32StoreBytes)
    throw Kt58Error("The frame store file " + FileName.string() + " holds " + std::to_string(end - base) +
                    " bytes, more than a record of 32-bit offsets can hold");
  PutInt32(target, FrameCount);
  for (int64_t offset : FrameOffsets) PutRecordField(target, offset - base, width);
  PutRecordField(target, end - base, width);
  PutInt32(target, FrameCount);
  target.seekp(static_cast<std::streamoff>(end));
  if (!target) throw Kt58Error("Cannot write the project record of " + FileName.string());

  // From here the frames are read where they lie in the project file.
  const int fd = ::fcntl(read_fd_, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) throw Kt58Error("Cannot read the frame store in " + FileName.string() + ": " + std::strerror(errno));
  std::vector<int64_t> offsets = std::move(FrameOffsets);
  for (int64_t& offset : offsets) offset -= base;
  const int32_t count = FrameCount;
  CloseFile();
  SetOffsets(std::move(offsets));
  FrameCount = count;
  ReadInPlace(fd, base, end - base);
  if (!copy_name_.empty()) FileName = copy_name_;
  owns_file_ = true;
  lead_bytes_ = 0;
  shown_name_.clear();
  Rewind();
}

void FrameStore::ResetContents() {
  FrameCount = 0;
  FrameOffsets.clear();
  first_frame_at_ = 4;
  ReadCursor = 0;
}

std::vector<int> FrameStore::DamagedFrames() {
  std::vector<int> damaged;
  stream_->clear();
  stream_->seekg(0, std::ios::end);
  const int64_t size = static_cast<int64_t>(stream_->tellg());
  for (size_t i = 0; i < FrameOffsets.size(); ++i) {
    const int64_t at = FrameOffsets[i];
    const int64_t end = i + 1 < FrameOffsets.size() ? FrameOffsets[i + 1] : size;
    uint8_t h[kBmpHeadersSize];
    if (!SeekTo(at) || !stream_->read(reinterpret_cast<char*>(h), sizeof h) || !IsStoredFrameHeader(h, end - at))
      damaged.push_back(static_cast<int>(i));
  }
  stream_->clear();
  return damaged;
}

std::vector<StoreProblem> FrameStore::LoadFromStream(std::istream& source, StoreRecordWidth width,
                                                   const StoreHost* host) {
  CloseFile();
  ResetContents();

  // The record comes from a file the user opened: every number in it is
  // checked against the bytes that remain and against the others before
  // anything is allocated or the store file is touched.
  uint64_t remaining = RemainingBytes(source);
  int32_t count = 0;
  if (!GetInt32(source, count)) throw EngineError(EngineErrorCode::StoreFormat, "Frame store record is cut short");
  remaining -= std::min<uint64_t>(remaining, 4);
  if (count < 0) throw EngineError(EngineErrorCode::StoreFormat, "Frame store record has a negative frame count");
  const size_t field = RecordFieldBytes(width);
  // Each frame needs its offset and at least its BMP headers; the image
  // size and the image's own count follow.
  if (static_cast<uint64_t>(count) * (field + kBmpHeadersSize) + field + 4 > remaining)
    throw EngineError(EngineErrorCode::StoreFormat, "Frame store record holds more frames than its data");

  std::vector<int64_t> offsets;
  {
    // Read in slices so that a non-seekable source that lies about its
    // length never makes us allocate more than has arrived.
    constexpr size_t kSlice = 16384;
    uint8_t raw[8 * 256];
    size_t left = static_cast<size_t>(count);
    while (left > 0) {
      const size_t n = std::min<size_t>(left, 256);
      if (!source.read(reinterpret_cast<char*>(raw), static_cast<std::streamsize>(field * n)))
        throw EngineError(EngineErrorCode::StoreFormat, "Frame store record is cut short");
      if (offsets.capacity() == offsets.size()) offsets.reserve(offsets.size() + kSlice);
      for (size_t i = 0; i < n; ++i) offsets.push_back(RecordFieldFrom(raw + field * i, width));
      left -= n;
    }
  }
  remaining -= std::min<uint64_t>(remaining, field * static_cast<uint64_t>(count));

  uint8_t size_bytes[8];
  if (!source.read(reinterpret_cast<char*>(size_bytes), static_cast<std::streamsize>(field)))
    throw EngineError(EngineErrorCode::StoreFormat, "Frame store record is cut short");
  const int64_t image_size = RecordFieldFrom(size_bytes, width);
  remaining -= std::min<uint64_t>(remaining, field);
  if (image_size < 4) throw EngineError(EngineErrorCode::StoreFormat, "Frame store image is too small");
  if (static_cast<uint64_t>(image_size) > remaining)
    throw EngineError(EngineErrorCode::StoreFormat, "Frame store image is cut short");

  // Frames lie after the header, in order, each with room for its headers.
  // Compared without adding to the offset, which may be anything up to
  // 2^63 - 1 in a hostile record.
  int64_t next_free = 4;
  for (int64_t offset : offsets) {
    if (offset < next_free) throw EngineError(EngineErrorCode::StoreFormat, "Frame store offsets are out of order");
    if (offset > image_size - static_cast<int64_t>(kBmpHeadersSize))
      throw EngineError(EngineErrorCode::StoreFormat, "Frame store offset lies outside its image");
    next_free = offset + static_cast<int64_t>(kBmpHeadersSize);
  }

  uint8_t header[4];
  if (!source.read(reinterpret_cast<char*>(header), 4))
    throw EngineError(EngineErrorCode::StoreFormat, "Frame store image is cut short");
  if (Int32From(header) != count)
    throw EngineError(EngineErrorCode::StoreFormat, "Frame store image does not match its frame count");

  std::vector<StoreProblem> problems;
  const std::streampos image_at = host ? source.tellg() : std::streampos(-1);
  if (image_at != std::streampos(-1)) {
    // The image is read where it lies: the source moves past it to the
    // project's next record, and nothing is written.
    const int fd = ::fcntl(host->fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) throw Kt58Error("Cannot read the frame store in " + host->path.string() + ": " + std::strerror(errno));
    source.seekg(static_cast<std::streamoff>(image_size - 4), std::ios::cur);
    if (!source) {
      ::close(fd);
      throw EngineError(EngineErrorCode::StoreFormat, "Frame store image is cut short");
    }
    FrameCount = count;
    ReadInPlace(fd, static_cast<int64_t>(image_at) - 4, image_size);
  } else {
    // Refused before the file is made rather than failing when the disk
    // fills halfway through a copy of gigabytes.
    CheckFreeSpace(FileName.parent_path(), static_cast<uint64_t>(image_size), FileName);

    FrameCount = count;
    try {
      CreateFreeStoreFile(FileName);
    } catch (const PlatformError& e) {
      ResetContents();
      throw Kt58Error(e.what());
    }
    Rewind();
    FrameOffsets.clear();

    bool complete = false;
    try {
      stream_->write(reinterpret_cast<const char*>(header), 4);
      complete = CopyIntoFile(source, image_size - 4) && *stream_;
    } catch (...) {
      // Whatever stopped the copy (a cut-short record, no memory) passes on;
      // the half-written file goes first.
      CloseFile();
      RemoveOwnedFile(FileName);
      ResetContents();
      throw;
    }
    if (!complete)
      problems.push_back({"Internal Streaming Error", "Cannot write the frame store file " + FileName.string() +
                                                          ": the disk took fewer bytes than the project holds"});
  }

  SetOffsets(std::move(offsets));
  if (!OpenForRead()) {
    if (!InPlace()) RemoveOwnedFile(FileName);
    throw Kt58Error("Cannot open the frame store file " + FileName.string());
  }
  if (const std::vector<int> damaged = DamagedFrames(); !damaged.empty())
    problems.push_back({"", "Frame" + std::string(damaged.size() > 1 ? "s " : " ") + FrameList(damaged) + " of " +
                                std::to_string(FrameCount) + " stored in the project " +
                                (damaged.size() > 1 ? "are" : "is") + " damaged"});
  WriteHeader();
  if (ReadHeader() != FrameCount)
    problems.push_back({"Inconsistant buffer data detected.",
                        "The frame store file " + FileName.string() + " does not hold the frame count it was given"});
  return problems;
}

bool FrameStore::CopyIntoFile(std::istream& source, int64_t bytes) {
  bool complete = true;
  std::vector<char> buffer(static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(kCopyChunk), bytes)));
  int64_t left = bytes;
  bool hole_at_end = false;
  while (left > 0) {
    const auto want = static_cast<std::streamsize>(std::min<int64_t>(left, static_cast<int64_t>(buffer.size())));
    if (!source.read(buffer.data(), want))
      throw EngineError(EngineErrorCode::StoreFormat, "Frame store image is cut short");
    // A run of zeros (the gap a store may hold between frames) is left as
    // a hole: it costs the disk nothing and reads back as zeros.
    hole_at_end = std::all_of(buffer.data(), buffer.data() + want, [](char c) { return c == 0; });
    if (hole_at_end)
      stream_->seekp(want, std::ios::cur);
    else
      stream_->write(buffer.data(), want);
    if (!*stream_) {
      complete = false;
      // The source must still be consumed so that the project stream's
      // next record starts in the right place.
      stream_->clear();
    }
    left -= want;
  }
  // A hole at the end gives the file no length: its last byte is written.
  if (hole_at_end) {
    stream_->seekp(-1, std::ios::cur);
    stream_->put('\0');
  }
  // The last bytes reach the disk only here: a full disk shows now.
  if (!stream_->flush()) complete = false;
  return complete;
}

void FrameStore::EnsureOwnFile() {
  if (!InPlace()) return;
  const int64_t base = window_base_, bytes = window_size_;
  CheckFreeSpace(FileName.parent_path(), static_cast<uint64_t>(bytes), FileName);
  // The project file stays open through its descriptor while the copy is
  // made, and the store goes back to it when the copy fails.
  const int from_fd = std::exchange(read_fd_, -1);
  std::vector<int64_t> offsets = FrameOffsets;
  const int32_t count = FrameCount;
  auto back_in_place = [&] {
    SetOffsets(offsets);
    FrameCount = count;
    ReadInPlace(from_fd, base, bytes);
  };
  try {
    CreateFreeStoreFile(FileName);
    PositionalReadBuf window(from_fd, 0, base, bytes);
    std::istream from(&window);
    SeekTo(0);
    if (!CopyIntoFile(from, bytes))
      throw EngineError(EngineErrorCode::StoreWrite, "Cannot write the frame store file " + FileName.string() +
                                                         ": the disk took fewer bytes than the project holds");
  } catch (...) {
    const bool made = IsOpen();
    CloseFile();
    if (made) RemoveOwnedFile(FileName);
    back_in_place();
    throw;
  }
  ::close(from_fd);
  SetOffsets(std::move(offsets));
  FrameCount = count;
  if (!OpenForRead()) throw Kt58Error("Cannot open the frame store file " + FileName.string());
  ReadHeader();
}

void FrameStore::ReplaceContents(const std::filesystem::path& new_file, std::vector<int64_t> offsets) {
  // A store read in place takes a name of its own; the project file it read
  // stays as it is, and stays the store until the new file is in place.
  std::filesystem::path target = FileName;
  if (InPlace()) {
    try {
      target = CreateFreeOwnedFile(FileName.parent_path(), FileName.stem().string(), FileName.extension().string());
    } catch (const PlatformError& e) {
      throw Kt58Error(e.what());
    }
  } else {
    CloseFile();
  }
  // rename() replaces the old file in one step: either the old store or the
  // new one is on disk under its name, never neither.
  std::error_code ec;
  std::filesystem::rename(new_file, target, ec);
  if (ec) {
    if (InPlace())
      RemoveOwnedFile(target);
    else
      OpenForRead();
    throw Kt58Error("Cannot replace the frame store file " + target.string() + ": " + ec.message());
  }
  CloseFile();
  FileName = target;
  MoveOwnedFile(new_file, FileName);
  FrameCount = static_cast<int32_t>(offsets.size());
  SetOffsets(std::move(offsets));
  if (!OpenForRead()) throw Kt58Error("Cannot open the frame store file " + FileName.string());
  WriteHeader();
}

}  // namespace kt58
