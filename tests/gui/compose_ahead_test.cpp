// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app_test.h"
#include "main_window_fixture.h"

using namespace kt58::apptest;

namespace {

// The first difference between two pictures; empty when they are equal.
QString Difference(const kt58::Picture& a, const kt58::Picture& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height())
    return QStringLiteral("%1 x %2, not %3 x %4").arg(a.Width()).arg(a.Height()).arg(b.Width()).arg(b.Height());
  for (int r = 0; r < a.Height(); ++r)
    if (std::memcmp(a.Row(r), b.Row(r), static_cast<size_t>(a.Width()) * 3) != 0)
      return QStringLiteral("row %1 differs").arg(r);
  return {};
}

// A window playing or stepping through a rotating layer (each generated
// frame differs), recording every picture the worker hands the view with
// the frame it is.
struct Recorder {
  explicit Recorder(int width = 40, int height = 30,
                    const std::string& settings = "[STARTUP]\nStartDialogOn=0\n")
      : f({false, 0, {}}, settings) {
    ready = f.Ready();
    kt58::Layer* layer = f.Add(f.WriteBmp("logo.bmp", width, height, 11));
    if (!layer) return;
    f.Doc().EditSelectedLayer(kNoMerge, QStringLiteral("Rotate"), [](kt58::Layer& l) { l.DegreesToRotate = 90; });
    f.Doc().Regenerate();
    Playback& playback = f.Doc().playback();
    QObject::connect(&playback, &Playback::frameComposed, f.form.get(), [this](const kt58::Picture* picture) {
      pictures.push_back(picture ? std::make_shared<kt58::Picture>(*picture) : nullptr);
    });
    QObject::connect(&playback, &Playback::frameShown, f.form.get(), [this](int index) { shown.push_back(index); });
  }
  Playback& playback() { return f.Doc().playback(); }
  kt58::RenderWorker& worker() { return playback().renderWorker(); }
  QString Status() { return f.Find<QLabel>("DataPanel")->text(); }
  // The difference of shown picture i from frame `index` composed afresh
  // with the clock.
  QString Check(size_t i, int index, kt58::FrameClock clock) {
    kt58::WorkPicture expected = kt58::ComposeFrame(f.Anim(), f.Doc().sequence().Frame(index), clock);
    if (!expected || !pictures[i]) return QStringLiteral("no picture");
    return Difference(*pictures[i], *expected);
  }

  MainFormFixture f;
  bool ready = false;
  std::vector<std::shared_ptr<kt58::Picture>> pictures;
  std::vector<int> shown;
};

}  // namespace

class ComposeAheadTest : public QObject {
  Q_OBJECT

 private slots:
  // Without a delay every frame is shown, in order, as the worker composes
  // it, and each is the picture ComposeFrame gives for its clock; the view
  // shows the last one.
  void playingWithoutDelayShowsEveryFrameInOrder() {
    Recorder r;
    QVERIFY(r.ready);
    r.f.Anim().FrameDelay = 0;
    r.f.Find<QToolButton>("PlaybackButton")->click();
    QTRY_VERIFY(r.shown.size() >= 25);
    r.f.Find<QToolButton>("StopButton")->click();
    QCOMPARE(r.playback().skippedFrames(), 0);
    for (size_t i = 0; i < 25; ++i) {
      const int64_t tick = static_cast<int64_t>(i) + 1;
      QCOMPARE(r.shown[i], static_cast<int>(tick % 10));
      QVERIFY2(r.Check(i, r.shown[i], kt58::FrameClock::Playing(0, tick)).isEmpty(),
               qPrintable(QStringLiteral("frame %1: ").arg(i) + r.Check(i, r.shown[i], kt58::FrameClock::Playing(0, tick))));
    }
    QVERIFY(!r.Status().contains(QStringLiteral("skipped")));
  }

  // Frame setup and background changed while playing: every frame shown
  // after the change is composed from the changed project (a larger frame on
  // a new background), never one composed before it.
  void anEditWhilePlayingShowsOnlyEditedFrames() {
    Recorder r;
    QVERIFY(r.ready);
    r.f.Anim().FrameDelay = 0;
    r.f.Find<QToolButton>("PlaybackButton")->click();
    QTRY_VERIFY(r.shown.size() >= 5);
    const struct {
      int width, height;
      kt58::Color background;
    } edits[] = {{60, 50, 0x0000FF}, {44, 36, 0x00FF00}, {70, 20, 0xFF00FF}};
    for (const auto& edit : edits) {
      r.f.Doc().EditAnimation(kNoMerge, QStringLiteral("Frame"), [&](kt58::Project& a) {
        a.FixedFrameSize = true;
        a.FixedWidth = edit.width;
        a.FixedHeight = edit.height;
        a.BackgroundColor = edit.background;
      });
      QVERIFY(r.playback().isPlaying());
      const size_t from = r.shown.size();
      QTRY_VERIFY(r.shown.size() >= from + 12);
      QCOMPARE(r.playback().skippedFrames(), 0);
      for (size_t i = from; i < from + 12; ++i) {
        const int64_t tick = static_cast<int64_t>(i) + 1;
        const QString difference = r.Check(i, r.shown[i], kt58::FrameClock::Playing(0, tick));
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("frame %1 after the edit: ").arg(i - from) + difference));
      }
    }
    r.f.Find<QToolButton>("StopButton")->click();
  }

  // Moves of the slider made while the worker cannot compose: only the
  // last one is composed and shown, and the view shows that frame.
  void scrubbingShowsTheFrameMovedToAndDropsTheOlderRequests() {
    Recorder r;
    QVERIFY(r.ready);
    auto* slider = r.f.Find<QSlider>("FrameSlider");
    const struct {
      std::vector<int> moves;
    } table[] = {{{5}}, {{5, 9, 2}}, {{7, 1, 8, 3, 6}}, {{0}}};
    for (const auto& row : table) {
      r.shown.clear();
      r.pictures.clear();
      r.worker().HoldForTest(true);
      for (int value : row.moves) {
        slider->setValue(value);
        QCOMPARE(r.playback().currentFrame(), value);
      }
      r.worker().HoldForTest(false);
      const int wanted = row.moves.back();
      QTRY_VERIFY(!r.shown.empty());
      // Every older request is dropped: nothing else arrives.
      r.playback().step(1);
      QTRY_COMPARE(r.shown.size(), size_t{2});
      QCOMPARE(r.shown.front(), wanted);
      QVERIFY2(r.Check(0, wanted, kt58::FrameClock::Stepping(wanted)).isEmpty(),
               qPrintable(r.Check(0, wanted, kt58::FrameClock::Stepping(wanted))));
      QCOMPARE(r.shown.back(), (wanted + 1) % 10);
      r.playback().step(-1);
      QTRY_COMPARE(r.shown.size(), size_t{3});
    }
    // The view holds the frame shown.
    const QImage canvas = r.f.Box()->Canvas().convertToFormat(QImage::Format_RGB32);
    const QPoint o = r.f.canvasView().drawOrigin_;
    const kt58::Picture& last = *r.pictures.back();
    for (int y = 0; y < last.Height(); ++y)
      for (int x = 0; x < last.Width(); ++x)
        QCOMPARE(canvas.pixel(o.x() + x, o.y() + y), Rgb(kt58::test::PixelColor(last, x, y)));
  }

  // The frames composed ahead keep within the bound the settings give
  // (16 MB: two frames of 1600 x 1200, not three).
  void framesComposedAheadStayWithinTheSettingsBound() {
    {
      MainFormFixture defaults;
      QVERIFY(defaults.Ready());
      QCOMPARE(defaults.Doc().playback().renderWorker().MaxBytes(), size_t{512} << 20);
    }
    Recorder r(1600, 1200, "[STARTUP]\nStartDialogOn=0\n[PLAYBACK]\nCacheMB=16\n");
    QVERIFY(r.ready);
    const size_t bound = size_t{16} << 20;
    const size_t frame = kt58::Picture::RowBytesFor(1600) * 1200;
    QCOMPARE(r.worker().MaxBytes(), bound);
    // No frame falls due for a long while: the worker composes ahead as far
    // as the bound lets it, and stops.
    r.f.Anim().FrameDelay = 1000000;
    r.f.Find<QToolButton>("PlaybackButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(r.worker().CachedBytes(), 2 * frame, 30000);
    // Stopped, the frames composed ahead go; the worker may already hold
    // the frame the stopped view shows.
    r.f.Find<QToolButton>("StopButton")->click();
    QVERIFY(r.worker().CachedBytes() <= frame);
    // Played as fast as frames are composed, it keeps within the bound too.
    size_t most = 0;
    QObject::connect(&r.playback(), &Playback::frameShown, r.f.form.get(),
                     [&] { most = std::max(most, r.worker().CachedBytes()); });
    r.f.Anim().FrameDelay = 0;
    r.f.Find<QToolButton>("PlaybackButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.shown.size() >= 6, 60000);
    r.f.Find<QToolButton>("StopButton")->click();
    QVERIFY2(most <= bound, qPrintable(QString::number(most)));
  }

  // The worker held while the pace goes on: the frames due meanwhile are
  // passed over, the next ones shown in order of their ticks, and the
  // status says how many were skipped.
  void framesNotComposedInTimeAreSkippedAndCounted() {
    Recorder r;
    QVERIFY(r.ready);
    r.f.Anim().FrameDelay = 10;
    QTimer* pacer = nullptr;
    for (QTimer* timer : r.playback().findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly)) pacer = timer;
    QVERIFY(pacer);
    QSignalSpy wakes(pacer, &QTimer::timeout);
    r.worker().HoldForTest(true);
    r.f.Find<QToolButton>("PlaybackButton")->click();
    QTRY_VERIFY(wakes.count() >= 6);
    QVERIFY(r.shown.empty());
    r.worker().HoldForTest(false);
    QTRY_VERIFY(r.playback().skippedFrames() > 0);
    const int64_t skipped = r.playback().skippedFrames();
    const QString words =
        skipped == 1 ? QStringLiteral("1 frame skipped") : QStringLiteral("%1 frames skipped").arg(skipped);
    QVERIFY2(r.Status().contains(words), qPrintable(r.Status()));
    QVERIFY(r.Status().contains(QStringLiteral("FPS : ")));
    r.f.Find<QToolButton>("StopButton")->click();
    QVERIFY(!r.Status().contains(QStringLiteral("skipped")));
    // The frames passed over are the ones counted: each shown frame is one
    // tick after the one before it (playing began at frame 0, tick 0) plus
    // the frames skipped between them.
    const int64_t counted = r.playback().skippedFrames();
    int64_t passed = 0;
    int previous = 0;
    for (int index : r.shown) {
      passed += (index - previous + 10 - 1) % 10;
      previous = index;
    }
    QVERIFY2(passed <= counted && passed % 10 == counted % 10,
             qPrintable(QStringLiteral("%1 passed, %2 counted").arg(passed).arg(counted)));
  }
};

KT58_APP_TEST(ComposeAheadTest);

#include "compose_ahead_test.moc"
