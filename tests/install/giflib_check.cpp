// SPDX-License-Identifier: GPL-3.0-or-later
// Decodes a whole GIF with giflib and prints "WIDTHxHEIGHT FRAMES": the
// install test's independent reader of what the installed tool wrote.
#include <gif_lib.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: giflib_check FILE.gif\n");
    return 2;
  }
  int error = 0;
  GifFileType* gif = DGifOpenFileName(argv[1], &error);
  if (!gif) {
    std::fprintf(stderr, "giflib_check: %s\n", GifErrorString(error));
    return 1;
  }
  const bool ok = DGifSlurp(gif) == GIF_OK;
  if (!ok) std::fprintf(stderr, "giflib_check: %s\n", GifErrorString(gif->Error));
  else std::printf("%dx%d %d\n", gif->SWidth, gif->SHeight, gif->ImageCount);
  DGifCloseFile(gif, &error);
  return ok ? 0 : 1;
}
