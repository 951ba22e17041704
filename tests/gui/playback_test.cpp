// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QSlider>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>
#include <vector>

#include "app_test.h"
#include "main_window_fixture.h"

using namespace kt58::apptest;

namespace {

// A window with one 40 x 30 layer over the default ten generated frames,
// recording every frame playback or stepping draws and when.
struct Player {
  Player() {
    ready = f.Ready();
    f.Add(f.WriteBmp("logo.bmp", 40, 30, 7));
    QObject::connect(&f.Doc().playback(), &Playback::frameShown, f.form.get(), [this](int index) {
      shown.push_back(index);
      at.push_back(clock.elapsed());
    });
    clock.start();
  }
  QToolButton* Button(const char* name) { return f.Find<QToolButton>(name); }
  void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
  bool ButtonsIdle() {
    return Button("PlaybackButton")->isEnabled() && Button("StepBackButton")->isEnabled() &&
           Button("StepForwardButton")->isEnabled() && !Button("StopButton")->isEnabled();
  }

  MainFormFixture f;
  bool ready = false;
  QElapsedTimer clock;
  std::vector<int> shown;
  std::vector<qint64> at;
};

}  // namespace

class PlaybackTest : public QObject {
  Q_OBJECT

 private slots:
  void playShowsTheNextFramesAndStopBringsBackTheConstructorFrame() {
    Player p;
    QVERIFY(p.ready);
    kt58::Project& a = p.f.Anim();
    QCOMPARE(p.f.Doc().sequence().Count(), 10);
    QCOMPARE(p.f.Doc().playback().currentFrame(), 0);
    QVERIFY(p.ButtonsIdle());
    p.Click("PlaybackButton");
    QVERIFY(p.f.Doc().playback().isPlaying());
    QVERIFY(p.Button("StopButton")->isEnabled());
    QVERIFY(!p.Button("PlaybackButton")->isEnabled());
    QVERIFY(!p.Button("StepForwardButton")->isEnabled());
    QVERIFY(!p.f.Find<QSlider>("FrameSlider")->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return p.shown.size() >= 11; }));
    QCOMPARE(std::vector<int>(p.shown.begin(), p.shown.begin() + 11),
             (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}));
    QVERIFY(p.f.Find<QLabel>("DataPanel")->text().contains(QStringLiteral("FPS : ")));

    p.Click("StopButton");
    QVERIFY(!p.f.Doc().playback().isPlaying());
    QVERIFY(p.ButtonsIdle());
    QCOMPARE(p.f.Doc().playback().currentFrame(), 0);
    QVERIFY(!p.f.Find<QLabel>("DataPanel")->text().contains(QStringLiteral("FPS : ")));
    // One tick of the 50 ms update timer later the view shows the
    // constructor frame again.
    const qint64 stopped = p.clock.elapsed();
    QVERIFY(QTest::qWaitFor([&] { return !p.f.canvasView().constructionDirty_; }, 1000));
    QVERIFY2(p.clock.elapsed() - stopped <= 50 + 100, qPrintable(QString::number(p.clock.elapsed() - stopped)));
    QCOMPARE(p.f.Doc().playback().shownFrame(), a.ConstructorFrame.get());
    QCOMPARE(p.f.FrameDifference(p.f.Box()->Canvas().convertToFormat(QImage::Format_RGB32)), QString());
    QVERIFY(p.f.canvasView().focusRectShown_);
    const size_t drawn = p.shown.size();
    QTest::qWait(100);
    QCOMPARE(p.shown.size(), drawn);
  }

  void spaceStartsAndStopsAndNothingPlaysWithoutLayers() {
    MainFormFixture empty;
    QVERIFY(empty.Ready());
    empty.Find<PlaybackBar>("Panel6")->play();
    QVERIFY(!empty.Doc().playback().isPlaying());

    Player p;
    QVERIFY(p.ready);
    p.f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(p.f.form.get()));
    p.f.Box()->setFocus();
    QTest::keyClick(p.f.Box(), Qt::Key_Space);
    QVERIFY(p.f.Doc().playback().isPlaying());
    QVERIFY(QTest::qWaitFor([&] { return !p.shown.empty(); }));
    QTest::keyClick(p.f.Box(), Qt::Key_Space);
    QVERIFY(!p.f.Doc().playback().isPlaying());
    QVERIFY(p.ButtonsIdle());
  }

  void maxRateRestartsAtZeroWithEveryPlay() {
    Player p;
    QVERIFY(p.ready);
    p.Click("PlaybackButton");
    // The rate is measured over windows of at least a second.
    QTest::qWait(300);
    QCOMPARE(p.f.Doc().playback().maxFps(), 0.0);
    QVERIFY(QTest::qWaitFor([&] { return p.f.Doc().playback().maxFps() > 0.0; }, 3000));
    QVERIFY(p.f.Find<QLabel>("DataPanel")->text().contains(QStringLiteral("  Max : ")));
    p.Click("StopButton");
    const double best = p.f.Doc().playback().maxFps();
    QVERIFY(best > 0.0);
    p.Click("PlaybackButton");
    QCOMPARE(p.f.Doc().playback().maxFps(), 0.0);
    QVERIFY(p.f.Find<QLabel>("DataPanel")->text().endsWith(QStringLiteral("  Max : 0.00")));
    p.Click("StopButton");
  }

  // Frames come no sooner than the delay apart, and the waits between them
  // leave the processor alone: the playback sleeps on its timer until a frame is
  // due, so it wakes about once per frame. A busy wait (polling the clock,
  // or a zero timeout re-armed until the delay has passed) wakes it
  // hundreds of times per frame at this delay, on any machine.
  void playbackWakesAboutOncePerFrame() {
    Player p;
    QVERIFY(p.ready);
    p.f.Anim().FrameDelay = 200;
    std::vector<std::unique_ptr<QSignalSpy>> wakes;
    for (QTimer* timer : p.f.Doc().playback().findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly))
      wakes.push_back(std::make_unique<QSignalSpy>(timer, &QTimer::timeout));
    QVERIFY(!wakes.empty());
    p.Click("PlaybackButton");
    QVERIFY(QTest::qWaitFor([&] { return p.shown.size() >= 6; }, 5000));
    p.Click("StopButton");
    int woken = 0;
    for (const auto& spy : wakes) woken += static_cast<int>(spy->count());
    const int frames = static_cast<int>(p.shown.size());
    QVERIFY2(woken <= 2 * frames + 1, qPrintable(QStringLiteral("%1 wakes for %2 frames").arg(woken).arg(frames)));
    for (size_t i = 1; i < p.at.size(); ++i)
      QVERIFY2(p.at[i] - p.at[i - 1] >= 199, qPrintable(QString::number(p.at[i] - p.at[i - 1])));
  }

  void speedBarSetsTheDelayAndShowsAStoredOne() {
    Player p;
    QVERIFY(p.ready);
    auto* bar = p.f.Find<QSlider>("tbPlaySpeed");
    const struct {
      int position, delay;
    } table[] = {{100, 0}, {75, 50}, {0, 200}, {99, 2}};
    for (const auto& row : table) {
      bar->setValue(row.position);
      QCOMPARE(p.f.Anim().FrameDelay, row.delay);
    }
    // A stored delay shows where the bar sets it (an odd one a step
    // slower, a long one at the slow end); loading changes no delay.
    const struct {
      int delay, position;
    } stored[] = {{50, 75}, {102, 49}, {101, 49}, {0, 100}, {500, 0}};
    for (const auto& row : stored) {
      p.f.Anim().FrameDelay = row.delay;
      p.f.form->loadAnimationControls();
      QCOMPARE(bar->value(), row.position);
      QCOMPARE(p.f.Anim().FrameDelay, row.delay);
    }
    bar->setValue(51);
    QCOMPARE(p.f.Anim().FrameDelay, 98);
  }

  void steppingWrapsAndTheSliderFollows() {
    Player p;
    QVERIFY(p.ready);
    auto* slider = p.f.Find<QSlider>("FrameSlider");
    QVERIFY(slider->isEnabled());
    QCOMPARE(slider->maximum(), 9);
    p.Click("StepBackButton");
    QCOMPARE(p.f.Doc().playback().currentFrame(), 9);
    // Shown once the worker has composed it.
    QTRY_COMPARE(p.shown, std::vector<int>{9});
    QCOMPARE(slider->value(), 9);
    QVERIFY(p.f.Find<QLabel>("DataPanel")->text().startsWith(QStringLiteral("Frame : 009 of 010")));
    p.Click("StepForwardButton");
    QCOMPARE(p.f.Doc().playback().currentFrame(), 0);
    QCOMPARE(slider->value(), 0);
    // Left and Right step while the view has the keyboard.
    p.f.Box()->setFocus();
    QTest::keyClick(p.f.Box(), Qt::Key_Left);
    QCOMPARE(p.f.Doc().playback().currentFrame(), 9);
    QTest::keyClick(p.f.Box(), Qt::Key_Right);
    QTest::keyClick(p.f.Box(), Qt::Key_Right);
    QCOMPARE(p.f.Doc().playback().currentFrame(), 1);
    // The frame the slider is moved to is drawn and counted.
    p.shown.clear();
    const struct {
      int value, index;
    } table[] = {{5, 5}, {9, 9}, {0, 0}, {0, 0}, {3, 3}};
    for (const auto& row : table) {
      slider->setValue(row.value);
      QCOMPARE(p.f.Doc().playback().currentFrame(), row.index);
      QTRY_VERIFY(!p.shown.empty() && p.shown.back() == row.index);
      QVERIFY(p.f.Find<QLabel>("DataPanel")->text().startsWith(QStringLiteral("Frame : 00%1 of 010").arg(row.index)));
    }
    QCOMPARE(p.shown, (std::vector<int>{5, 9, 0, 3}));
    QTest::keyClick(slider, Qt::Key_End);
    QCOMPARE(p.f.Doc().playback().currentFrame(), 9);
    // A new frame count gives the slider its range; one frame leaves
    // nothing to step through.
    p.f.Doc().EditAnimation(kNoMerge, QStringLiteral("Frames"), [](kt58::Project& an) { an.FrameCount = 4; });
    QCOMPARE(p.f.Doc().sequence().Count(), 4);
    QCOMPARE(slider->maximum(), 3);
    QVERIFY(slider->value() <= 3);
  }

  // Frames made anew: their making shows on the status bar, frame 0 is
  // current and the cache of rendered frames goes; without layers there is
  // no current frame and the constructor frame is what the view draws.
  void regeneratingMakesFrameZeroCurrentAndDropsTheCache() {
    Player p;
    QVERIFY(p.ready);
    Document& doc = p.f.Doc();
    Playback& playback = doc.playback();
    const kt58::SequencedFrame* constructor = p.f.Anim().ConstructorFrame.get();
    playback.step(3);
    QCOMPARE(playback.currentFrame(), 3);
    QCOMPARE(playback.shownFrame(), doc.sequence().Frame(3));
    playback.showConstruction();
    QCOMPARE(playback.shownFrame(), constructor);
    p.f.Find<QCheckBox>("cbrtPlayback")->click();  // rendered playback
    p.Click("PlaybackButton");
    QCOMPARE(playback.renderedFrames().Count(), 10);
    p.Click("StopButton");

    p.f.statuses.clear();
    doc.Regenerate();
    QCOMPARE(playback.currentFrame(), 0);
    QCOMPARE(playback.shownFrame(), doc.sequence().Frame(0));
    QCOMPARE(playback.renderedFrames().Count(), 0);
    QVERIFY(!p.f.statuses.empty());
    QCOMPARE(p.f.statuses.front(), std::string("Creating Frame : 0"));
    QCOMPARE(p.f.Count("Creating Frame : 9"), 1);
    QCOMPARE(std::vector<std::string>(p.f.statuses.end() - 2, p.f.statuses.end()),
             (std::vector<std::string>{"Resequence Complete", ""}));

    // Stepping back from the first frame wraps to the last.
    playback.step(-1);
    QCOMPARE(playback.currentFrame(), 9);
    p.f.Action("RemoveLayer1")->trigger();
    QVERIFY(doc.sequence().Empty());
    QCOMPARE(playback.currentFrame(), -1);
    QCOMPARE(playback.shownFrame(), constructor);
    playback.step(1);
    QCOMPARE(playback.currentFrame(), -1);
  }

  void renderedPlaybackChosenWhilePlayingComposesTheFramesAndPlaysOn() {
    Player p;
    QVERIFY(p.ready);
    kt58::Project& a = p.f.Anim();
    p.Click("PlaybackButton");
    QVERIFY(QTest::qWaitFor([&] { return !p.shown.empty(); }));
    auto* box = p.f.Find<QCheckBox>("cbrtPlayback");
    p.f.form->loadAnimationControls();
    QVERIFY(box->isChecked());
    box->click();
    QVERIFY(!a.NonRenderedPlayback);
    QCOMPARE(p.f.Doc().playback().renderedFrames().Count(), 10);
    QVERIFY(p.f.Doc().playback().isPlaying());
    const size_t before = p.shown.size();
    QVERIFY(QTest::qWaitFor([&] { return p.shown.size() > before + 3; }));
    p.Click("StopButton");
    QVERIFY(p.ButtonsIdle());
  }

  void aResizeWhilePlayingRecentresAtTheNextFrame() {
    Player p;
    QVERIFY(p.ready);
    p.f.Anim().FrameDelay = 100;
    p.Click("PlaybackButton");
    QVERIFY(QTest::qWaitFor([&] { return !p.shown.empty(); }));
    const QPoint centred = p.f.canvasView().drawOrigin_;
    p.f.form->resize(p.f.form->width() + 60, p.f.form->height() + 40);
    QVERIFY(QTest::qWaitFor([&] { return p.f.canvasView().resizePending_; }, 1000));
    QCOMPARE(p.f.canvasView().drawOrigin_, centred);
    QVERIFY(QTest::qWaitFor([&] { return !p.f.canvasView().resizePending_; }, 1000));
    QVERIFY(p.f.canvasView().drawOrigin_ != centred);
    p.Click("StopButton");
  }
};

KT58_APP_TEST(PlaybackTest);

#include "playback_test.moc"
