// SPDX-License-Identifier: GPL-3.0-or-later
// A shown main window over a private program folder, with the status texts
// recorded, BMP files to add as layers, and its panels and controls found by
// their described names.
#pragma once

#include <QAction>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gui/actions/project_actions.h"
#include "gui/main_window.h"
#include "gui/settings.h"
#include "gui/panels/animation_properties.h"
#include "gui/panels/canvas_view.h"
#include "gui/document/document.h"
#include "gui/panels/layer_list.h"
#include "gui/panels/layer_properties.h"
#include "gui/widgets/paint_box.h"
#include "gui/panels/playback_bar.h"
#include "model/project.h"
#include "render/compose.h"
#include "shown_messages.h"
#include "support/test_support.h"
#include "widget_helpers.h"

namespace kt58::apptest {

class MainFormFixture {
 public:
  // The settings file the window starts with; by default the start-up
  // dialog is switched off, so that nothing waits for an answer.
  explicit MainFormFixture(MainWindowOptions options = {false, 0, {}},
                           const std::string& settings = "[STARTUP]\nStartDialogOn=0\n") {
    if (!settings.empty()) {
      std::filesystem::create_directories(app::SettingsFilePath().parent_path());
      test::WriteFileBytes(app::SettingsFilePath(), {settings.begin(), settings.end()});
    }
    form = std::make_unique<MainWindow>(std::move(options));
    QObject::connect(&form->document(), &Document::statusMessage, form.get(),
                     [this](const QString& text) { statuses.push_back(text.toStdString()); });
    form->show();
  }
  // Waits until start-up has finished (the window is on screen and the
  // frame centred).
  bool Ready() {
    return QTest::qWaitForWindowExposed(form.get()) && QTest::qWaitFor([this] { return form->startupComplete(); });
  }

  // A control, panel or action by its described name; a missing one ends
  // the test run with the name.
  template <class T = QWidget>
  T* Find(const char* name) const {
    T* found = form->findChild<T*>(QString::fromLatin1(name));
    if (!found) qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return found;
  }
  QAction* Action(const char* name) const { return Find<QAction>(name); }
  // The project commands, for what they return.
  ProjectActions& Projects() const {
    auto* found = form->findChild<ProjectActions*>();
    if (!found) qFatal("no ProjectActions");
    return *found;
  }

  Document& Doc() { return form->document(); }
  Project& Anim() { return Doc().project(); }
  CanvasView& canvasView() const { return *Find<CanvasView>("ConstrPanel"); }
  LayerList& List() const { return *Find<LayerList>("LayersSheet"); }
  LayerProperties& Pages() const { return *Find<LayerProperties>("LayerSheet"); }
  AnimationProperties& animationProperties() const { return *Find<AnimationProperties>("AnimationSheet"); }
  QTreeWidget* Rows() const { return Find<QTreeWidget>("lvLayers"); }
  PaintBox* Box() const { return Find<PaintBox>("pbConstr"); }
  bool Modified() { return Doc().IsModified(); }

  Layer* Add(const std::filesystem::path& path) { return Doc().AddLayerFromFile(path); }
  std::filesystem::path WriteBmp(const std::string& name, int width, int height, uint32_t seed) {
    return test::WriteBmpFile(dir, name, test::MakeRandomPicture(width, height, seed));
  }

  int Count(const std::string& status) const {
    int n = 0;
    for (const auto& s : statuses) n += s == status;
    return n;
  }

  QString RowText(int row, int column) const {
    const QTreeWidgetItem* item = Rows()->topLevelItem(row);
    return item ? item->text(column) : QString();
  }

  QStringList RowNames() const {
    QStringList names;
    for (int i = 0; i < Rows()->topLevelItemCount(); ++i) names << RowText(i, 0);
    return names;
  }

  // Names of the constructor frame's layers, front first.
  QStringList LayerNames() {
    QStringList names;
    if (Anim().ConstructorFrame)
      for (const auto& l : Anim().ConstructorFrame->Layers) names << QString::fromStdString(l->LayerName);
    return names;
  }

  // The first pixel where a grab of the view differs from the constructor
  // frame composed afresh and placed at the drawing origin; empty when the
  // view shows exactly that frame.
  QString FrameDifference(const QImage& shown) {
    WorkPicture frame =
        ComposeFrame(Anim(), Anim().ConstructorFrame.get(), FrameClock::Stepping(Doc().playback().currentFrame()));
    if (!frame) return QStringLiteral("no frame to compare");
    QString difference;
    const QPoint o = canvasView().drawOrigin_;
    for (int y = 0; y < frame->Height() && difference.isEmpty(); ++y)
      for (int x = 0; x < frame->Width() && difference.isEmpty(); ++x)
        if (shown.pixel(o.x() + x, o.y() + y) != Rgb(test::PixelColor(*frame, x, y)))
          difference = QStringLiteral("pixel (%1, %2) of the frame differs").arg(x).arg(y);
    FreeWorkPicture(frame);
    return difference;
  }

  // Clicks a row as the user does; selection follows the button release.
  void ClickRow(int row) {
    QTreeWidgetItem* item = Rows()->topLevelItem(row);
    QVERIFY(item);
    const QPoint at = Rows()->visualItemRect(item).center();
    QTest::mouseClick(Rows()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }

  // Waits for the update timer's repaint of the constructor frame.
  bool Repainted() {
    canvasView().requestRepaint();
    return QTest::qWaitFor([this] { return !canvasView().constructionDirty_; });
  }

  ShownMessages ui;
  test::TempDir dir;
  std::unique_ptr<MainWindow> form;
  std::vector<std::string> statuses;
};

}  // namespace kt58::apptest
