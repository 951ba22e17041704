// SPDX-License-Identifier: GPL-3.0-or-later
// Projects whose frame store does not fit a record of 32-bit offsets: written
// as version 101, read back whole, refused cleanly when damaged. The store is
// a sparse file past 4 GiB, and the project stream keeps only the blocks
// that are not zero, so neither costs gigabytes of disk or memory.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <map>
#include <streambuf>
#include <vector>

#include "engine/bmp_codec.h"
#include "model/project.h"
#include "support/gif_builder.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// A seekable in-memory stream of any length whose all-zero blocks take no
// memory.
class SparseBuf final : public std::streambuf {
 public:
  uint64_t size() const { return size_; }
  // Reads or overwrites bytes in place, for a test that damages the stream.
  void Copy(uint64_t at, char* to, size_t n) const {
    for (size_t i = 0; i < n; ++i) to[i] = ByteAt(at + i);
  }
  void Patch(uint64_t at, const char* from, size_t n) {
    for (size_t i = 0; i < n; ++i) Block(at + i)[(at + i) % kBlock] = from[i];
  }
  // The bytes as a file whose zero blocks are holes; false when the file
  // system cannot hold it.
  bool WriteSparseFile(const std::filesystem::path& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const auto& [block, bytes] : blocks_) {
      out.seekp(static_cast<std::streamoff>(block * kBlock));
      out.write(bytes.data(), static_cast<std::streamsize>(std::min<uint64_t>(kBlock, size_ - block * kBlock)));
    }
    out.close();
    std::error_code ec;
    std::filesystem::resize_file(path, size_, ec);
    return out && !ec;
  }

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    for (std::streamsize done = 0; done < n;) {
      const size_t in_block = static_cast<size_t>(put_ % kBlock);
      const auto step = static_cast<std::streamsize>(std::min<uint64_t>(kBlock - in_block, n - done));
      if (std::any_of(s + done, s + done + step, [](char c) { return c != 0; }))
        std::memcpy(Block(put_).data() + in_block, s + done, static_cast<size_t>(step));
      put_ += static_cast<uint64_t>(step);
      done += step;
    }
    size_ = std::max(size_, put_);
    return n;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    xsputn(&ch, 1);
    return c;
  }
  std::streamsize xsgetn(char* s, std::streamsize n) override {
    const auto got = static_cast<std::streamsize>(std::min<uint64_t>(static_cast<uint64_t>(n), size_ - get_));
    for (std::streamsize done = 0; done < got;) {
      const size_t in_block = static_cast<size_t>(get_ % kBlock);
      const auto step = static_cast<std::streamsize>(std::min<uint64_t>(kBlock - in_block, got - done));
      const auto it = blocks_.find(get_ / kBlock);
      if (it == blocks_.end())
        std::memset(s + done, 0, static_cast<size_t>(step));
      else
        std::memcpy(s + done, it->second.data() + in_block, static_cast<size_t>(step));
      get_ += static_cast<uint64_t>(step);
      done += step;
    }
    return got;
  }
  int_type underflow() override {
    if (get_ >= size_) return traits_type::eof();
    one_ = ByteAt(get_);
    setg(&one_, &one_, &one_ + 1);
    return traits_type::to_int_type(one_);
  }
  int_type uflow() override {
    const int_type c = underflow();
    if (!traits_type::eq_int_type(c, traits_type::eof())) ++get_;
    setg(nullptr, nullptr, nullptr);
    return c;
  }
  pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode which) override {
    const uint64_t base = dir == std::ios::beg ? 0 : dir == std::ios::end ? size_ : (which & std::ios::in ? get_ : put_);
    return seekpos(pos_type(static_cast<off_type>(base) + off), which);
  }
  pos_type seekpos(pos_type pos, std::ios::openmode which) override {
    if (pos < 0) return pos_type(off_type(-1));
    setg(nullptr, nullptr, nullptr);
    if (which & std::ios::in) get_ = static_cast<uint64_t>(pos);
    if (which & std::ios::out) put_ = static_cast<uint64_t>(pos);
    return pos;
  }

 private:
  static constexpr uint64_t kBlock = 65536;
  std::vector<char>& Block(uint64_t at) {
    std::vector<char>& b = blocks_[at / kBlock];
    if (b.empty()) b.resize(kBlock);
    return b;
  }
  char ByteAt(uint64_t at) const {
    const auto it = blocks_.find(at / kBlock);
    return it == blocks_.end() ? 0 : it->second[at % kBlock];
  }

  std::map<uint64_t, std::vector<char>> blocks_;
  uint64_t size_ = 0, get_ = 0, put_ = 0;
  char one_ = 0;
};

int32_t VersionOf(const SparseBuf& buf) {
  char b[4];
  buf.Copy(0, b, 4);
  int32_t v;
  std::memcpy(&v, b, 4);
  return v;
}

// Peak resident memory of this process so far, in bytes.
uint64_t PeakResidentBytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;
}

class LargeStoreProject : public ::testing::Test {
 protected:
  // A project of one animated GIF layer whose store holds its three frames,
  // then a hole up to past 4 GiB, then a copy of its last frame there.
  void SetUp() override {
    project_.AddLayerFromFile(test::WriteSmallAnimatedGif(dir_.path(), "spin.gif"));
    store_ = project_.References->Item(0)->Store();
    ASSERT_TRUE(store_);
    ASSERT_EQ(store_->FrameCount, 3);
    last_ = store_->ReadFrame(2);
    ASSERT_TRUE(last_);
    store_->CloseFile();
    std::error_code ec;
    // Reading the project back checks that its folder could hold the whole
    // store before making the (sparse) file.
    const fs::space_info space = fs::space(dir_.path(), ec);
    if (ec || space.available < (uint64_t{5} << 30))
      GTEST_SKIP() << "the test folder's file system has less than 5 GiB free for a 4 GiB store";
    fs::resize_file(store_->FileName, static_cast<uintmax_t>(kFar), ec);
    if (ec) GTEST_SKIP() << "cannot make a sparse 4 GiB file here: " << ec.message();
    ASSERT_TRUE(store_->OpenForRead());
    store_->AccessMode = am_Write;
    ASSERT_TRUE(store_->AppendFrame(*last_));
    store_->WriteHeader();
    store_->AccessMode = am_Read;
    ASSERT_EQ(store_->FrameOffsets.back(), kFar);
  }

  static constexpr int64_t kFar = (int64_t{1} << 32) + 4096;
  TempDir dir_;
  Project project_;
  FrameStore* store_ = nullptr;
  WorkPicture last_;
};

TEST_F(LargeStoreProject, SavesAsVersion101AndReadsBackEveryFrame) {
  SparseBuf buf;
  std::iostream stream(&buf);
  ASSERT_TRUE(project_.SaveToStream(stream).empty());
  EXPECT_EQ(VersionOf(buf), kFileVersionOffsets64);
  EXPECT_GT(buf.size(), static_cast<uint64_t>(kFar));

  stream.seekg(0);
  Project back;
  const ProjectReadResult r = back.ReadFromStream(stream);
  ASSERT_TRUE(r.Complete()) << r.message << " " << r.cause
                            << (r.warnings.empty() ? std::string() : " " + r.warnings[0].cause);
  FrameStore* store = back.References->Item(0)->Store();
  ASSERT_TRUE(store);
  EXPECT_EQ(store->FrameOffsets, store_->FrameOffsets);
  EXPECT_EQ(fs::file_size(store->FileName), fs::file_size(store_->FileName));
  for (int i : {3, 0, 2}) {
    Picture want, got;
    ASSERT_TRUE(store_->ReadFrameAt(i, want) && store->ReadFrameAt(i, got)) << i;
    EXPECT_TRUE(test::PicturesEqual(got, want)) << i;
  }
  Picture last;
  ASSERT_TRUE(store->ReadFrameAt(3, last));
  EXPECT_TRUE(test::PicturesEqual(last, *last_));
  // Gigabytes went through in chunks, not through memory at once.
  EXPECT_LT(PeakResidentBytes(), uint64_t{1} << 30);

  // Without the large store the same project is version 100 again.
  SparseBuf small;
  std::ostream small_stream(&small);
  store->CloseFile();
  fs::resize_file(store->FileName, static_cast<uintmax_t>(store->FrameOffsets[2] + BmpImageSize(*last_)));
  store->FrameOffsets.pop_back();
  ASSERT_TRUE(back.SaveToStream(small_stream).empty());
  EXPECT_EQ(VersionOf(small), kFileVersionOffsets32);
}

// Opened from a file, the same project reads its frame past 4 GiB where it
// lies in the project file, copying none of the gigabytes before it.
TEST_F(LargeStoreProject, AProjectFilePastFourGiBIsReadInPlace) {
  SparseBuf buf;
  std::iostream stream(&buf);
  ASSERT_TRUE(project_.SaveToStream(stream).empty());
  const fs::path file = dir_ / "large.apf";
  if (!buf.WriteSparseFile(file)) GTEST_SKIP() << "cannot make a sparse project file past 4 GiB here";

  const TempDir home;
  Project back;
  const ProjectReadResult r = back.ReadFromFile(file);
  ASSERT_TRUE(r.Complete()) << r.message << " " << r.cause;
  FrameStore* store = back.References->Item(0)->Store();
  ASSERT_TRUE(store && store->InPlace());
  EXPECT_EQ(store->FrameOffsets, store_->FrameOffsets);
  Picture last;
  ASSERT_TRUE(store->ReadFrameAt(3, last));
  EXPECT_TRUE(test::PicturesEqual(last, *last_));
  WorkPicture by_index = store->ReadFrame(3);
  ASSERT_TRUE(by_index);
  EXPECT_TRUE(test::PicturesEqual(*by_index, *last_));
  EXPECT_EQ(std::distance(fs::directory_iterator(home.path()), fs::directory_iterator()), 0);
}

// A version 101 project whose store names a frame past the end of the file:
// refused before any of the store's gigabytes are copied, and no file stays.
TEST_F(LargeStoreProject, OffsetsPastTheFileEndAreRefused) {
  SparseBuf buf;
  std::iostream stream(&buf);
  ASSERT_TRUE(project_.SaveToStream(stream).empty());
  // The last offset, little-endian, within the record's first kilobyte.
  char head[1024];
  buf.Copy(0, head, sizeof head);
  char far[8];
  for (int i = 0; i < 8; ++i) far[i] = static_cast<char>((static_cast<uint64_t>(kFar) >> (8 * i)) & 0xFF);
  const char* at = std::search(head, head + sizeof head, far, far + 8);
  ASSERT_NE(at, head + sizeof head);
  const int64_t past_end = static_cast<int64_t>(buf.size()) + (int64_t{1} << 33);
  char bad[8];
  for (int i = 0; i < 8; ++i) bad[i] = static_cast<char>((static_cast<uint64_t>(past_end) >> (8 * i)) & 0xFF);
  buf.Patch(static_cast<uint64_t>(at - head), bad, 8);

  const TempDir home;  // the program folder the read would restore into
  stream.seekg(0);
  Project back;
  const ProjectReadResult r = back.ReadFromStream(stream);
  // The layers after the record cannot be found any more: the read fails
  // as a whole, naming the store's fault first.
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].cause.find("Frame store offset lies outside its image"), std::string::npos)
      << r.warnings[0].cause;
  EXPECT_EQ(back.References->Count(), 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(home.path()), fs::directory_iterator()), 0);
}

}  // namespace
}  // namespace kt58
