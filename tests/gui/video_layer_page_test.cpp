// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <fstream>
#include <vector>

#include "app_test.h"
#include "gui/panels/video_layer_page.h"
#include "main_window_fixture.h"
#include "model/image_resource.h"
#include "support/gif_builder.h"

using namespace kt58::apptest;

namespace {

// The colour of frame i of the test GIFs: every frame is one colour.
kt58::GifRgb FrameRgb(int i) {
  return {static_cast<uint8_t>(30 * i), static_cast<uint8_t>(250 - 30 * i), static_cast<uint8_t>(20 + 25 * i)};
}
kt58::Color FrameColor(int i) {
  const kt58::GifRgb c = FrameRgb(i);
  return static_cast<kt58::Color>(c.r | (c.g << 8) | (c.b << 16));
}

// A main window showing the "Video Layer" page, with an animated GIF of
// frames one colour each made into a layer.
struct VideoPage {
  VideoPage() {
    ready = f.Ready();
    page = f.Find<VideoLayerPage>("VideoSheet");
  }

  kt58::Layer* AddGif(const std::string& name, int frames) {
    std::vector<kt58::GifRgb> palette;
    std::vector<kt58::test::GifImageSpec> images;
    for (int i = 0; i < frames; ++i) {
      palette.push_back(FrameRgb(i));
      images.push_back(kt58::test::SolidGifImage(0, 0, 6, 4, static_cast<uint8_t>(i)));
    }
    const auto path = f.dir / name;
    kt58::test::WriteFileBytes(path, kt58::test::BuildGif(6, 4, palette, 0, images));
    kt58::Layer* layer = f.Add(path);
    f.Find<QTabWidget>("pc1")->setCurrentWidget(page);
    return layer;
  }
  kt58::FrameStore& Store() { return *f.Doc().SelectedLayer()->ImageRef->Store(); }
  // The colours of the store's frames, as indices of the GIF's frames.
  std::vector<int> StoredFrames() {
    std::vector<int> frames;
    kt58::FrameStore& store = Store();
    for (int i = 0; i < store.FrameCount; ++i) {
      kt58::WorkPicture picture = store.ReadFrame(i);
      int found = -1;
      for (int k = 0; picture && k < 8; ++k)
        if (kt58::test::PixelColor(*picture, 0, 0) == FrameColor(k)) found = k;
      frames.push_back(found);
    }
    return frames;
  }
  QStringList Captions() const {
    QStringList captions;
    for (int i = 0; i < page->frameList_->topLevelItemCount(); ++i) captions << page->frameList_->topLevelItem(i)->text(0);
    return captions;
  }
  std::vector<bool> Ticked() const {
    std::vector<bool> ticked;
    for (int i = 0; i < page->frameList_->topLevelItemCount(); ++i)
      ticked.push_back(page->frameList_->topLevelItem(i)->checkState(0) == Qt::Checked);
    return ticked;
  }
  // The colour the preview picture shows, as a GIF frame index.
  int ShownFrame() const {
    const QImage shown = page->framePreview_->pixmap().toImage();
    for (int k = 0; !shown.isNull() && k < 8; ++k)
      if (shown.pixel(0, 0) == Rgb(FrameColor(k))) return k;
    return -1;
  }
  void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
  void ClickRow(int row) {
    QTreeWidgetItem* item = page->frameList_->topLevelItem(row);
    QTest::mouseClick(page->frameList_->viewport(), Qt::LeftButton, Qt::NoModifier,
                      page->frameList_->visualItemRect(item).center());
  }
  // Ticks a row's box as the user does: the row chosen, then Space.
  void TickRow(int row) {
    ClickRow(row);
    QTest::keyClick(page->frameList_, Qt::Key_Space);
  }
  // Clicks a row's box.
  void ClickBox(int row) {
    QTreeWidget* list = page->frameList_;
    QStyleOptionViewItem option;
    option.initFrom(list->viewport());
    option.rect = list->visualItemRect(list->topLevelItem(row));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = list->topLevelItem(row)->text(0);
    const QRect box = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
  }
  int selectedRow() const {
    const auto rows = page->frameList_->selectedItems();
    return rows.isEmpty() ? -1 : page->frameList_->indexOfTopLevelItem(rows.first());
  }

  MainFormFixture f;
  bool ready = false;
  VideoLayerPage* page = nullptr;
};

}  // namespace

class VideoLayerPageTest : public QObject {
  Q_OBJECT

 private slots:
  void interlacedThenCropKeepsEveryOtherFrameAsOneUndoStep() {
    int reads = 0;
    VideoPage v;
    QVERIFY(v.ready);
    v.AddGif("seven.gif", 7);
    QCOMPARE(v.page->fileLabel_->text(), QStringLiteral("File : seven.gif"));
    QCOMPARE(v.page->frameCountLabel_->text(), QStringLiteral("Total Frames : 7"));
    QCOMPARE(v.Captions(), QStringList({"0001", "0002", "0003", "0004", "0005", "0006", "0007"}));
    QVERIFY(v.page->frameManagerGroup_->isEnabled());
    // Choosing a row shows its frame; the frame on display is not read again.
    connect(v.page, &VideoLayerPage::frameShown, this, [&reads] { ++reads; });
    v.ClickRow(4);
    QCOMPARE(v.ShownFrame(), 4);
    QCOMPARE(v.page->currentFrameLabel_->text(), QStringLiteral("Current Frame : 5"));
    v.page->showVideoFrame(4, false);
    QCOMPARE(reads, 1);

    v.Click(v.page->interlaceSelectionButton_);
    QCOMPARE(v.Ticked(), (std::vector<bool>{false, true, false, true, false, true, false}));
    QCOMPARE(v.page->marks(), v.Ticked());
    v.Click(v.page->cropButton_);
    QCOMPARE(v.StoredFrames(), (std::vector<int>{0, 2, 4, 6}));
    QCOMPARE(v.Captions(), QStringList({"0001", "0002", "0003", "0004"}));
    QCOMPARE(v.Ticked(), std::vector<bool>(4, false));
    QCOMPARE(v.page->frameCountLabel_->text(), QStringLiteral("Total Frames : 4"));
    QCOMPARE(v.page->currentFrameLabel_->text(), QStringLiteral("Current Frame : 1"));
    QCOMPARE(v.selectedRow(), 0);
    QCOMPARE(v.ShownFrame(), 0);
    QVERIFY(v.f.Modified());
    QVERIFY(v.f.ui.messages.empty());

    // One undo step brings every frame back, and redo takes them again.
    QCOMPARE(v.f.Doc().UndoStack().undoText(), QStringLiteral("Crop Video Frames"));
    v.f.Action("Undo1")->trigger();
    QCOMPARE(v.StoredFrames(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    QCOMPARE(v.Captions().size(), 7);
    QCOMPARE(v.page->frameCountLabel_->text(), QStringLiteral("Total Frames : 7"));
    v.f.Action("Redo1")->trigger();
    QCOMPARE(v.StoredFrames(), (std::vector<int>{0, 2, 4, 6}));
    QCOMPARE(v.Captions().size(), 4);
    v.f.Action("Undo1")->trigger();
    v.f.Action("Undo1")->trigger();  // the layer goes too
    QCOMPARE(v.f.Anim().LayerCount(), 0);
    QVERIFY(!v.page->frameManagerGroup_->isEnabled());
    v.f.Action("Redo1")->trigger();
    v.f.Action("Redo1")->trigger();
    QCOMPARE(v.StoredFrames(), (std::vector<int>{0, 2, 4, 6}));
    // The old files live only as long as the steps that can bring them back.
    const std::filesystem::path store_file = v.Store().FileName;
    v.f.Doc().UndoStack().clear();
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(v.f.dir.path()))
      files += entry.path().extension() == ".Tmp";
    QCOMPARE(files, 0);
    QVERIFY(std::filesystem::exists(store_file));
  }

  void aCropThatCannotKeepTheOldFramesClearsTheHistory() {
    VideoPage v;
    QVERIFY(v.ready);
    v.AddGif("four.gif", 4);
    QVERIFY(v.f.Doc().UndoStack().canUndo());
    // Every name the old frames could keep is taken.
    for (int n = 1; n <= 10000; ++n)
      std::ofstream(v.f.dir / ("CropUndo" + (n == 1 ? std::string() : "_" + std::to_string(n)) + ".Tmp"));
    v.TickRow(0);
    v.Click(v.page->cropButton_);
    QCOMPARE(v.StoredFrames(), (std::vector<int>{1, 2, 3}));
    QVERIFY(!v.f.Doc().UndoStack().canUndo());
    QVERIFY(v.f.Modified());
    QCOMPARE(v.f.Find<QLabel>("StatusPanel0")->text(), QStringLiteral("Crop cannot be undone: undo history cleared"));
    QVERIFY(v.f.ui.messages.empty());
  }

  void theBoxesTickedByHandAreWhatCropRemoves() {
    int shown = 0;
    VideoPage v;
    QVERIFY(v.ready);
    v.AddGif("five.gif", 5);
    v.ClickBox(1);
    v.TickRow(4);
    QCOMPARE(v.Ticked(), (std::vector<bool>{false, true, false, false, true}));
    QVERIFY(!v.f.Doc().playback().isPlaying());
    v.Click(v.page->cropButton_);
    QCOMPARE(v.StoredFrames(), (std::vector<int>{0, 2, 3}));
    QCOMPARE(v.Captions(), QStringList({"0001", "0002", "0003"}));

    // Nothing ticked: Crop changes nothing and makes no undo step.
    const int steps = v.f.Doc().UndoStack().count();
    v.Click(v.page->cropButton_);
    QCOMPARE(v.StoredFrames(), (std::vector<int>{0, 2, 3}));
    QCOMPARE(v.f.Doc().UndoStack().count(), steps);

    // Down to one frame, which Preview does not play.
    v.TickRow(0);
    v.TickRow(2);
    v.Click(v.page->cropButton_);
    QCOMPARE(v.StoredFrames(), (std::vector<int>{2}));
    QCOMPARE(v.Captions(), QStringList({"0001"}));
    connect(v.page, &VideoLayerPage::frameShown, this, [&shown] { ++shown; });
    v.Click(v.page->previewButton_);
    v.page->onPreviewClicked();
    QVERIFY(!v.page->previewRunning_);
    QCOMPARE(v.page->previewButton_->text(), QStringLiteral("Preview"));
    QTest::qWait(50);
    QCOMPARE(shown, 0);
  }

  void previewPacesByTheDelayAndSkipsMarkedFrames() {
    QElapsedTimer clock;
    clock.start();
    std::vector<int> shown;
    std::vector<qint64> at;
    VideoPage v;
    QVERIFY(v.ready);
    v.AddGif("six.gif", 6);
    v.f.Anim().FrameDelay = 60;
    connect(v.page, &VideoLayerPage::frameShown, this, [&](int index) {
      shown.push_back(index);
      at.push_back(clock.elapsed());
    });
    // From the chosen row (its frame on display already) to the last, row 4
    // (counted from 1) marked.
    v.TickRow(3);
    v.ClickRow(2);
    QCOMPARE(shown.back(), 2);
    shown.clear();
    at.clear();
    clock.start();
    v.Click(v.page->previewButton_);
    QVERIFY(v.page->previewRunning_);
    QCOMPARE(v.page->previewButton_->text(), QStringLiteral("Stop"));
    QVERIFY(QTest::qWaitFor([&] { return !v.page->previewRunning_; }, 5000));
    const qint64 ended = clock.elapsed();
    QCOMPARE(shown, (std::vector<int>{4, 5}));
    // The marked frame is not shown but keeps its time: rows 3 and 4 take a
    // delay each before row 5, and the last frame keeps its delay too.
    QVERIFY2(at[0] >= 2 * 60 - 1, qPrintable(QString::number(at[0])));
    QVERIFY2(at[1] - at[0] >= 60 - 1, qPrintable(QString::number(at[1] - at[0])));
    QVERIFY2(ended - at[1] >= 60 - 1, qPrintable(QString::number(ended - at[1])));
    QCOMPARE(v.page->previewButton_->text(), QStringLiteral("Preview"));
    QCOMPARE(v.selectedRow(), 5);

    // From the last row the preview starts at the first; Stop ends it at
    // the next turn of the event loop, whatever the delay.
    v.f.Anim().FrameDelay = 10000;
    shown.clear();
    v.Click(v.page->previewButton_);
    QCOMPARE(shown, std::vector<int>{0});
    QVERIFY(!v.page->cropButton_->isEnabled());
    clock.restart();
    v.Click(v.page->previewButton_);
    QVERIFY(QTest::qWaitFor([&] { return !v.page->previewRunning_; }, 1000));
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(shown, std::vector<int>{0});
    QVERIFY(v.page->cropButton_->isEnabled());
  }

  void followsTheSelectedLayer() {
    VideoPage v;
    QVERIFY(v.ready);
    QTabWidget* tabs = v.f.Find<QTabWidget>("pc1");
    QVERIFY(!tabs->isTabVisible(tabs->indexOf(v.page)));
    kt58::Layer* still = v.f.Add(v.f.WriteBmp("still.bmp", 8, 6, 3));
    QVERIFY(tabs->isTabVisible(tabs->indexOf(v.page)));
    kt58::Layer* video = v.AddGif("three.gif", 3);
    QCOMPARE(v.Captions().size(), 3);
    QVERIFY(v.page->previewButton_->isEnabled());

    v.f.Doc().SelectLayer(still);
    QCOMPARE(v.page->fileLabel_->text(), QStringLiteral("File : "));
    QCOMPARE(v.page->frameCountLabel_->text(), QStringLiteral("Total Frames : "));
    QCOMPARE(v.page->currentFrameLabel_->text(), QStringLiteral("Current Frames : "));
    QCOMPARE(v.page->frameList_->topLevelItemCount(), 0);
    QVERIFY(v.page->framePreview_->pixmap().isNull());
    QVERIFY(!v.page->frameManagerGroup_->isEnabled());

    v.f.Doc().SelectLayer(video);
    QCOMPARE(v.Captions().size(), 3);
    QVERIFY(v.page->frameManagerGroup_->isEnabled());
    // Moving layers keeps the marks; removing the video layer empties the
    // page, and undo brings it back.
    v.TickRow(1);
    v.f.Action("DemoteLayer1")->trigger();
    QCOMPARE(v.Ticked(), (std::vector<bool>{false, true, false}));
    v.f.Action("RemoveLayer1")->trigger();
    QCOMPARE(v.page->frameList_->topLevelItemCount(), 0);
    v.f.Action("Undo1")->trigger();
    QCOMPARE(v.f.Doc().SelectedLayer(), video);
    QCOMPARE(v.Captions().size(), 3);
    // A new project leaves nothing to show.
    v.f.Doc().ReplaceAnimation(std::make_unique<kt58::Project>());
    QCOMPARE(v.page->frameList_->topLevelItemCount(), 0);
    QVERIFY(!tabs->isTabVisible(tabs->indexOf(v.page)));
  }
};

KT58_APP_TEST(VideoLayerPageTest);

#include "video_layer_page_test.moc"
