// SPDX-License-Identifier: GPL-3.0-or-later
// The export tests' set-up: a shown main window whose project has one layer
// and generated frames, and ffprobe.
#pragma once

#include <QProcess>
#include <QSpinBox>
#include <filesystem>
#include <memory>

#include "main_window_fixture.h"
#include "modal_helper.h"

namespace kt58::apptest {

struct ExportFixture : MainFormFixture {
  ExportFixture(int frames, int width, int height) {
    Add(WriteBmp("a.bmp", width, height, 7));
    Find<QSpinBox>("spFrameCount")->setValue(frames);
  }
};

// ffprobe's answer for the first video stream, "value,value".
inline QString Ffprobe(const std::filesystem::path& file, const char* entries) {
  QProcess probe;
  probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                                          entries, "-of", "csv=p=0", QString::fromStdString(file.string())});
  if (!probe.waitForFinished(60000)) return QStringLiteral("ffprobe did not finish");
  return QString::fromUtf8(probe.readAll()).trimmed();
}

}  // namespace kt58::apptest
