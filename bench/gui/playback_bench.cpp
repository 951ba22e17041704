// SPDX-License-Identifier: GPL-3.0-or-later
// How fast the desktop app plays a project: the main window opens it, plays
// it with no delay between frames (each frame composed ahead on the render
// worker's thread and painted as it is ready, as "Non rendered playback"
// does), and the frames shown per second of wall time are printed, over a
// number of frames after the first pass, with the longest the GUI thread
// went without serving a 1 ms timer meanwhile (its longest stall).
//
//   QT_QPA_PLATFORM=offscreen playback_bench <project.apf> [frames]
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "gui/document/document.h"
#include "gui/document/playback.h"
#include "gui/main_window.h"
#include "model/project.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc < 2) {
    std::fprintf(stderr, "usage: playback_bench <project.apf> [frames]\n");
    return 2;
  }
  const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 300;
  QTemporaryDir home;
  if (!home.isValid()) return 1;
  qputenv("KT58_HOME", home.path().toUtf8());
  QApplication app(argc, argv);
  MainWindowOptions options;
  options.ShowSplash = false;
  options.SplashPauseMs = 0;
  options.ProjectToOpen = std::filesystem::absolute(argv[1]);
  MainWindow window(options);
  window.show();
  Document& document = window.document();
  Playback& playback = document.playback();

  int shown = 0, warm = 0;
  QElapsedTimer clock;
  // A timer due every millisecond: the gaps between its wakes are how long
  // the event loop was kept from it.
  QTimer pulse;
  pulse.setTimerType(Qt::PreciseTimer);
  pulse.setInterval(1);
  qint64 lastPulse = 0, longestGap = 0;
  QObject::connect(&pulse, &QTimer::timeout, &app, [&] {
    const qint64 now = clock.nsecsElapsed();
    longestGap = std::max(longestGap, now - lastPulse);
    lastPulse = now;
  });
  QObject::connect(&playback, &Playback::frameShown, &app, [&](int) {
    // The first pass reads every stored frame once; timing starts after it.
    if (warm < document.sequence().Count()) {
      if (++warm == document.sequence().Count()) {
        clock.start();
        pulse.start();
      }
      return;
    }
    if (++shown == frames) {
      const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
      std::printf("%-40s %d x %d, %d frames: %.1f fps (%.2f ms a frame)\n", "playback, no delay",
                  document.project().GetFrameSize().Width, document.project().GetFrameSize().Height, frames,
                  frames * 1000.0 / ms, ms / frames);
      std::printf("%-40s %.1f ms; %lld frames skipped\n", "playback, longest GUI-thread stall",
                  static_cast<double>(longestGap) / 1e6, static_cast<long long>(playback.skippedFrames()));
      playback.stop();
      app.quit();
    }
  });
  // Start-up opens the project in steps of its own; playing starts after.
  QTimer start;
  QObject::connect(&start, &QTimer::timeout, &app, [&] {
    if (!window.startupComplete()) return;
    start.stop();
    if (document.sequence().Empty()) {
      std::fprintf(stderr, "playback_bench: the project did not open\n");
      app.exit(1);
      return;
    }
    document.project().FrameDelay = 0;
    document.project().NonRenderedPlayback = true;
    playback.play();
  });
  start.start(10);
  return app.exec();
}
