// SPDX-License-Identifier: GPL-3.0-or-later
// export-gif --lossy as ffmpeg plays the file: every pixel of every frame
// within the level's bound of the exact export's, and --lossy 0 the exact
// export itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "export/export_fixture.h"
#include "export/gif/gif_image.h"
#include "export/video_decode.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunKt58;
using test::TempDir;

TEST(CliLossy, FramesStayWithinTheBoundAndZeroIsExact) {
  TempDir dir;
  // Smooth colour waves sliding left: detailed, and every frame changes.
  const fs::path picture = test::WriteBmpFile(dir, "waves.bmp", test::MakeSmoothPicture(96, 64));
  const fs::path project = dir / "p.apf";
  ASSERT_EQ(RunKt58(dir, {"new", project.string(), "--frames", "4", "--layer", picture.string(), "--pixel-rotate",
                          "left"})
                .exit_code,
            0);
  const auto export_gif = [&](const std::string& name, std::vector<std::string> extra) {
    const fs::path out = dir / name;
    std::vector<std::string> args = {"export-gif", project.string(), out.string(), "--quiet"};
    args.insert(args.end(), extra.begin(), extra.end());
    const CliResult r = RunKt58(dir, args);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return out;
  };
  const fs::path exact = export_gif("exact.gif", {});
  EXPECT_EQ(test::ReadFileBytes(export_gif("zero.gif", {"--lossy", "0"})), test::ReadFileBytes(exact));
  const test::DecodedVideo want = test::DecodeVideo(exact, dir.path());
  ASSERT_EQ(want.error, "");
  ASSERT_EQ(want.Count(), 4u);
  for (const int lossy : {50, 100}) {
    SCOPED_TRACE(lossy);
    const fs::path out = export_gif("l" + std::to_string(lossy) + ".gif", {"--lossy=" + std::to_string(lossy)});
    EXPECT_LT(fs::file_size(out), fs::file_size(exact));
    const test::DecodedVideo got = test::DecodeVideo(out, dir.path());
    ASSERT_EQ(got.error, "");
    ASSERT_EQ(got.Count(), want.Count());
    ASSERT_EQ(got.rgb.size(), want.rgb.size());
    size_t beyond = 0, changed = 0;
    for (size_t k = 0; k < got.rgb.size(); k += 3) {
      uint32_t error = 0;
      for (size_t c = 0; c < 3; ++c) {
        const int d = got.rgb[k + c] - want.rgb[k + c];
        error += static_cast<uint32_t>(d * d);
      }
      if (error > LossyErrorBound(lossy)) ++beyond;
      if (error > 0) ++changed;
    }
    EXPECT_EQ(beyond, 0u);
    EXPECT_GT(changed, 0u);
  }
}

}  // namespace
}  // namespace kt58
