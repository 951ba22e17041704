// A shown main window over a private program folder, with the core's
// messages and status texts recorded, and BMP files to add as layers.
#pragma once

#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "editor/paint_box.h"
#include "support/recording_ui.h"
#include "support/test_support.h"
#include "widget_helpers.h"

namespace kt58::apptest {

class MainFormFixture {
 public:
  MainFormFixture() {
    form = std::make_unique<TMainForm>(TMainFormOptions{false, 0});
    form->Animation->OnStatus = [this](const std::string& text) {
      statuses.push_back(text);
      form->ShowStatusMessage(text);
    };
    form->show();
  }
  // Waits until start-up has finished (the window is on screen and the
  // frame centred).
  bool Ready() {
    return QTest::qWaitForWindowExposed(form.get()) && QTest::qWaitFor([this] { return form->StartupComplete; });
  }

  std::filesystem::path WriteBmp(const std::string& name, int width, int height, uint32_t seed) {
    return test::WriteBmpFile(dir, name, test::MakeRandomPicture(width, height, seed));
  }

  int Count(const std::string& status) const {
    int n = 0;
    for (const auto& s : statuses) n += s == status;
    return n;
  }

  QString RowText(int row, int column) const {
    const QTreeWidgetItem* item = form->lvLayers->topLevelItem(row);
    return item ? item->text(column) : QString();
  }

  QStringList RowNames() const {
    QStringList names;
    for (int i = 0; i < form->lvLayers->topLevelItemCount(); ++i) names << RowText(i, 0);
    return names;
  }

  // Names of the constructor frame's layers, front first.
  QStringList LayerNames() const {
    QStringList names;
    if (form->Animation->ConstructorFrame)
      for (const auto& l : form->Animation->ConstructorFrame->Layers) names << QString::fromStdString(l->LayerName);
    return names;
  }

  // The first pixel where a grab of the view differs from the constructor
  // frame composed afresh and placed at the drawing origin; empty when the
  // view shows exactly that frame.
  QString FrameDifference(const QImage& shown) const {
    WorkPicture frame = form->Animation->RenderFrame(form->Animation->ConstructorFrame.get());
    if (!frame) return QStringLiteral("no frame to compare");
    QString difference;
    const QPoint o = form->DrawOrigin;
    for (int y = 0; y < frame->Height() && difference.isEmpty(); ++y)
      for (int x = 0; x < frame->Width() && difference.isEmpty(); ++x)
        if (shown.pixel(o.x() + x, o.y() + y) != Rgb(test::PixelColor(*frame, x, y)))
          difference = QStringLiteral("pixel (%1, %2) of the frame differs").arg(x).arg(y);
    FreeWorkPicture(frame);
    return difference;
  }

  // Clicks a row as the user does; selection follows the button release.
  void ClickRow(int row) {
    QTreeWidgetItem* item = form->lvLayers->topLevelItem(row);
    QVERIFY(item);
    const QPoint at = form->lvLayers->visualItemRect(item).center();
    QTest::mouseClick(form->lvLayers->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }

  test::RecordingUi ui;
  test::TempDir dir;
  std::unique_ptr<TMainForm> form;
  std::vector<std::string> statuses;
};

}  // namespace kt58::apptest
