// SPDX-License-Identifier: GPL-3.0-or-later
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "app_test.h"
#include "gui/window_placement.h"
#include "main_window_fixture.h"

using namespace kt58::apptest;

class WindowPlacementTest : public QObject {
  Q_OBJECT

 private slots:
  void placementsComeOntoTheArea() {
    const QRect area(0, 0, 1280, 800);
    const QSize minimum(500, 400);
    const struct {
      QRect wanted, placed;
    } cases[] = {
        {{10, 20, 600, 500}, {10, 20, 600, 500}},            // fits: as it was
        {{0, 0, 16384, 16384}, {0, 0, 1280, 800}},           // the largest the settings accept
        {{-5000, 99999, 700, 500}, {0, 300, 700, 500}},       // off every edge
        {{1000, 700, 600, 500}, {680, 300, 600, 500}},        // hanging over the far corner
        {{100, 100, 100, 100}, {100, 100, 500, 400}},         // below the window's minimum
    };
    for (const auto& c : cases) QCOMPARE(kt58::app::FitToArea(c.wanted, area, minimum), c.placed);
    // A screen smaller than the minimum: the minimum wins, at the corner.
    QCOMPARE(kt58::app::FitToArea({50, 50, 800, 800}, QRect(0, 0, 400, 300), minimum), QRect(0, 0, 500, 400));
  }

  // The first time, the window takes most of the screen, centred; a screen
  // smaller than the window's minimum gets the minimum at its corner.
  void theFirstWindowTakesMostOfTheScreen() {
    const QSize minimum(700, 560);
    QCOMPARE(kt58::app::FirstPlacement(QRect(0, 0, 1400, 1000), minimum), QRect(140, 75, 1120, 850));
    QCOMPARE(kt58::app::FirstPlacement(QRect(0, 30, 1024, 738), minimum), QRect(102, 85, 819, 627));
    QCOMPARE(kt58::app::FirstPlacement(QRect(0, 0, 640, 480), minimum), QRect(0, 0, 700, 560));
    MainFormFixture f({false, 0, {}}, "[STARTUP]\nStartDialogOn=0\n");
    QVERIFY(f.Ready());
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect expected = kt58::app::FirstPlacement(available, f.form->minimumSize());
    QCOMPARE(f.form->size(), expected.size().expandedTo(f.form->minimumSize()));
  }

  // The largest window the settings file accepts starts within the screen,
  // instead of a backing store of a gigabyte.
  void theMainWindowStartsOnTheScreen() {
    MainFormFixture f({false, 0, {}},
                      "[STARTUP]\nStartDialogOn=0\n[WINDOW]\nLeft=-3000\nTop=20000\nWidth=16384\nHeight=16384\n");
    QVERIFY(f.Ready());
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    // Each side as large as the screen allows, or the window's minimum.
    QVERIFY(available.contains(f.form->geometry().topLeft()));
    QVERIFY(f.form->width() <= std::max(available.width(), f.form->minimumWidth()));
    QVERIFY(f.form->height() <= std::max(available.height(), f.form->minimumHeight()));
  }
};

KT58_APP_TEST(WindowPlacementTest);

#include "window_placement_test.moc"
