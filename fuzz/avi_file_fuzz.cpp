// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as an AVI file: the reader either refuses them or decodes
// frames; a crash, a hang or a sanitizer report is a fault.
#include <cstddef>
#include <cstdint>

#include "platform/avi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Few frames per input keep the replay over the whole corpus fast while
  // still running the decoder past its start-up and into delayed frames.
  constexpr int32_t kMaxFrames = 12;
  auto file = kt58::AviFile::OpenMemory(data, size);
  if (!file) return 0;
  auto decoder = file->OpenFrameDecoder();
  if (!decoder) return 0;
  const kt58::AviStreamRange range = file->Range();
  int32_t end = range.length;
  if (end - range.start > kMaxFrames) end = range.start + kMaxFrames;
  for (int32_t p = range.start; p < end; ++p) {
    const kt58::AviFrame* frame = decoder->GetFrame(p);
    if (!frame) break;
    volatile uint8_t sink = frame->pixels.empty() ? 0 : frame->pixels[frame->pixels.size() - 1];
    (void)sink;
  }
  return 0;
}
