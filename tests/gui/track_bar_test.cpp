// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include "app_test.h"
#include "gui/widgets/track_bar.h"

namespace {

QRect HandleRect(TrackBar& bar) {
  QStyleOptionSlider opt;
  opt.initFrom(&bar);
  opt.orientation = bar.orientation();
  opt.minimum = bar.minimum();
  opt.maximum = bar.maximum();
  opt.sliderPosition = bar.sliderPosition();
  opt.sliderValue = bar.value();
  opt.tickPosition = bar.tickPosition();
  opt.tickInterval = bar.tickInterval();
  opt.singleStep = bar.singleStep();
  opt.pageStep = bar.pageStep();
  opt.upsideDown = bar.invertedAppearance();
  opt.subControls = QStyle::SC_All;
  return bar.style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, &bar);
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

}  // namespace

class TrackBarTest : public QObject {
  Q_OBJECT

 private slots:
  void draggingFiresForEveryMoveAndNothingOnRelease() {
    TrackBar bar;
    bar.setRange(0, 20);
    bar.SetPosition(10);
    bar.resize(230, 40);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));

    std::vector<int> seen;
    connect(&bar, &TrackBar::OnChange, &bar, [&] { seen.push_back(bar.Position()); });
    const QPoint grab = HandleRect(bar).center();
    SendMouse(&bar, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(bar.isSliderDown());
    // Move the thumb by one value, then by one more, a pixel at a time.
    const int span = bar.width() - HandleRect(bar).width();
    const double per_value = span / 20.0;
    const int end = grab.x() + static_cast<int>(2 * per_value + 0.5);
    for (int x = grab.x() + 1; x <= end; ++x)
      SendMouse(&bar, QEvent::MouseMove, QPoint(x, grab.y()), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(bar.Position(), 12);
    QCOMPARE(seen, (std::vector<int>{11, 12}));
    SendMouse(&bar, QEvent::MouseButtonRelease, QPoint(end, grab.y()), Qt::LeftButton, Qt::NoButton);
    QVERIFY(!bar.isSliderDown());
    QCOMPARE(seen, (std::vector<int>{11, 12}));
  }

  void keysFireOncePerStep() {
    TrackBar bar;
    QCOMPARE(bar.minimum(), 0);
    QCOMPARE(bar.maximum(), 10);
    bar.SetPosition(5);
    bar.show();
    QSignalSpy changes(&bar, &TrackBar::OnChange);
    QTest::keyClick(&bar, Qt::Key_Right);
    QTest::keyClick(&bar, Qt::Key_Right);
    QTest::keyClick(&bar, Qt::Key_End);
    QTest::keyClick(&bar, Qt::Key_End);  // already at the end: no change
    QCOMPARE(changes.count(), 3);
    QCOMPARE(bar.Position(), 10);
  }
};

KT58_APP_TEST(TrackBarTest);

#include "track_bar_test.moc"
