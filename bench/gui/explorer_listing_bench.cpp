// SPDX-License-Identifier: GPL-3.0-or-later
// How the Explorer page lists a folder of 10,000 files: the time the whole
// listing takes, and how long the window goes without an event-loop turn
// meanwhile (the longest gap between two ticks of a 1 ms timer, counting
// the start and the end of the listing).
//
//   QT_QPA_PLATFORM=offscreen explorer_listing_bench [file count]
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "gui/widgets/folder_tree.h"
#include "gui/document/document.h"
#include "gui/panels/explorer_page.h"

namespace {

// A one-image GIF (1 x 1, two colours): listing opens every GIF to count
// its images.
constexpr std::array<unsigned char, 35> kTinyGif = {
    'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
    ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, ';'};

// Files of every kind the page lists, and some it leaves out.
void FillFolder(const std::string& folder, int count) {
  static const char* const kExtensions[] = {".bmp", ".jpg", ".avi", ".gif", ".txt"};
  for (int i = 0; i < count; ++i) {
    const char* ext = kExtensions[i % 5];
    std::ofstream out(folder + "/file" + std::to_string(i) + ext, std::ios::binary);
    if (std::string(ext) == ".gif")
      out.write(reinterpret_cast<const char*>(kTinyGif.data()), kTinyGif.size());
    else
      out << "x";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
  QApplication app(argc, argv);
  QTemporaryDir home;
  QTemporaryDir folder;
  if (!home.isValid() || !folder.isValid()) {
    std::fprintf(stderr, "explorer_listing_bench: no temporary folder\n");
    return 1;
  }
  qputenv("KT58_HOME", home.path().toUtf8());
  Document document;
  ExplorerPage page(document);
  page.resize(320, 600);
  page.show();
  page.openFolder(folder.path());
  FillFolder(folder.path().toStdString(), count);

  QElapsedTimer clock;
  std::vector<qint64> ticks;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticker, &QTimer::timeout, [&] { ticks.push_back(clock.elapsed()); });
  ticker.start(1);
  clock.start();
  page.onFolderChanged(true);  // "Refresh File List"
  const qint64 total = clock.elapsed();
  ticker.stop();

  ticks.push_back(total);
  qint64 longest = 0, previous = 0, ended_at = 0;
  for (qint64 t : ticks) {
    if (t - previous > longest) {
      longest = t - previous;
      ended_at = t;
    }
    previous = t;
  }
  std::printf(
      "Explorer listing of %d files (%d listed): total %lld ms, %zu timer ticks, longest gap %lld ms (ending at %lld "
      "ms)\n",
      count, page.fileList_->topLevelItemCount(), static_cast<long long>(total), ticks.size() - 1,
      static_cast<long long>(longest), static_cast<long long>(ended_at));
  return page.fileList_->topLevelItemCount() == count / 5 * 4 + std::min(count % 5, 4) ? 0 : 1;
}
