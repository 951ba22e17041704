// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "gui/widgets/user_feedback.h"
#include "app_test.h"
#include "gui/widgets/folder_tree.h"
#include "gui/document/document.h"
#include "gui/panels/explorer_page.h"
#include "model/project.h"
#include "platform/program_folder.h"
#include "support/avi_test_support.h"
#include "shown_messages.h"
#include "support/test_support.h"
#include "main_window_fixture.h"

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// An explorer page over a private program folder.
struct Explorer {
  Explorer() : old_data_home(qgetenv("XDG_DATA_HOME")), had_data_home(qEnvironmentVariableIsSet("XDG_DATA_HOME")) {
    // The desktop's trash lives under the data folder.
    std::filesystem::create_directories(dir / "data");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir / "data").string()));
    page.resize(320, 500);
    page.show();
  }
  ~Explorer() {
    if (had_data_home)
      qputenv("XDG_DATA_HOME", old_data_home);
    else
      qunsetenv("XDG_DATA_HOME");
  }
  QStringList Rows() const {
    QStringList names;
    for (int i = 0; i < page.fileList_->topLevelItemCount(); ++i) names << page.fileList_->topLevelItem(i)->text(0);
    return names;
  }
  void Select(const QString& name) {
    const auto found = page.fileList_->findItems(name, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    page.fileList_->setCurrentItem(found.first());
  }

  const QByteArray old_data_home;
  const bool had_data_home;
  kt58::apptest::ShownMessages ui;
  kt58::test::TempDir dir;
  Document doc;
  ExplorerPage page{doc};
};

}  // namespace

class ExplorerPageTest : public QObject {
  Q_OBJECT

 private slots:
  void listsPicturesAndVideosOnly() {
    Explorer e;
    const auto folder = e.dir / "pics";
    std::filesystem::create_directories(folder / "sub.bmp");
    kt58::test::WriteBmpFile(e.dir, "pics/a.bmp", kt58::test::MakeRandomPicture(8, 6, 1));
    std::ofstream(folder / "b.JPG") << "not really";
    std::ofstream(folder / "c.txt") << "text";
    e.page.openFolder(Q(folder));
    QCOMPARE(e.page.LastThumbDir, Q(folder) + QLatin1Char('/'));
    QCOMPARE(e.Rows(), QStringList({"a.bmp", "b.JPG"}));
    QVERIFY(!e.page.pathLabel_->text().isEmpty());
    // A folder outside the tree's roots chooses none, and nothing new is
    // listed.
    e.page.folderTree_->setSelectedPath(QString());
    e.page.onFolderChanged(true);
    QCOMPARE(e.Rows(), QStringList({"a.bmp", "b.JPG"}));
    e.page.openFolder(Q(folder));
    // A double click makes a layer of the file.
    e.Select(QStringLiteral("a.bmp"));
    e.page.onFileDoubleClicked();
    QCOMPARE(e.doc.project().LayerCount(), 1);
    // A new file shows after "Refresh File List".
    std::ofstream(folder / "d.gif") << "x";
    QCOMPARE(e.Rows().size(), 2);
    e.page.refreshFileListAction_->trigger();
    QCOMPARE(e.Rows(), QStringList({"a.bmp", "b.JPG", "d.gif"}));
  }

  void aTypedPathIsListedAndAnEmptyFolderShowsNothing() {
    Explorer e;
    const auto pics = e.dir / "pics", empty = e.dir / "empty";
    std::filesystem::create_directories(empty);
    std::filesystem::create_directories(pics);
    kt58::test::WriteBmpFile(e.dir, "pics/a.bmp", kt58::test::MakeRandomPicture(8, 6, 1));
    e.page.openFolder(Q(e.dir.path()));
    // Typing a folder and Enter lists it, and the tree follows.
    QLineEdit* path = e.page.pathLabel_;
    path->setFocus();
    path->selectAll();
    QTest::keyClicks(path, Q(pics));
    QTest::keyClick(path, Qt::Key_Return);
    QCOMPARE(e.page.LastThumbDir, Q(pics) + QLatin1Char('/'));
    QCOMPARE(e.page.folderTree_->selectedPath(), Q(pics) + QLatin1Char('/'));
    QCOMPARE(e.Rows(), QStringList({"a.bmp"}));
    e.Select(QStringLiteral("a.bmp"));
    QVERIFY(!e.page.previewFile_.isEmpty());
    // An empty folder shows an empty list and no preview.
    path->selectAll();
    QTest::keyClicks(path, Q(empty));
    QTest::keyClick(path, Qt::Key_Return);
    QCOMPARE(e.page.LastThumbDir, Q(empty) + QLatin1Char('/'));
    QVERIFY(e.Rows().isEmpty());
    QVERIFY(e.page.previewFile_.isEmpty());
    QCOMPARE(e.page.previewImage_->pixmap().toImage().pixel(0, 0), qRgb(0, 0, 0));
    // A folder that is not there is said, and the box shows the folder
    // listed again.
    QSignalSpy status(&e.doc, &Document::statusMessage);
    path->selectAll();
    QTest::keyClicks(path, Q(e.dir / "nowhere"));
    QTest::keyClick(path, Qt::Key_Return);
    QCOMPARE(status.count(), 1);
    QVERIFY(status.first().first().toString().startsWith(QStringLiteral("No folder at ")));
    QCOMPARE(e.page.LastThumbDir, Q(empty) + QLatin1Char('/'));
    QCOMPARE(path->text(), Q(empty) + QLatin1Char('/'));
  }

  void aFolderChosenDuringAListingIsListedOnce() {
    Explorer e;
    const auto big = e.dir / "big", mid = e.dir / "mid", small = e.dir / "small";
    for (const auto& folder : {big, mid, small}) std::filesystem::create_directories(folder);
    for (int i = 0; i < 200; ++i) std::ofstream(big / ("f" + std::to_string(i) + ".bmp")) << "x";
    for (int i = 0; i < 50; ++i) std::ofstream(mid / ("m" + std::to_string(i) + ".jpg")) << "x";
    std::ofstream(small / "only.avi") << "x";
    e.page.folderTree_->loadDrives();
    QSignalSpy filled(&e.page, &ExplorerPage::fileListFilled);
    // Two clicks in the tree while the listings run: the first while the big
    // folder is listed, the second while the folder it chose is.
    int clicks = 0;
    QTimer::singleShot(0, &e.page, [&] {
      ++clicks;
      QVERIFY(e.page.listingActive_);
      e.page.folderTree_->openPath(Q(mid));
      QTimer::singleShot(0, &e.page, [&] {
        ++clicks;
        QVERIFY(e.page.listingActive_);
        e.page.folderTree_->openPath(Q(small));
      });
    });
    e.page.folderTree_->openPath(Q(big));
    QCOMPARE(clicks, 2);
    QCOMPARE(filled.count(), 1);
    QCOMPARE(e.Rows(), QStringList({"only.avi"}));
    QVERIFY(!e.page.listingActive_);
  }

  void aLongListingLetsTheEventLoopRun() {
    Explorer e;
    const auto folder = e.dir / "many";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 3000; ++i) std::ofstream(folder / ("f" + std::to_string(i) + ".bmp")) << "x";
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
    timer.start(0);
    e.page.openFolder(Q(folder));
    QCOMPARE(e.Rows().size(), 3000);
    QVERIFY(ticks > 0);
  }

  void draggingThePreviewAddsItsFileAsALayer() {
    kt58::apptest::MainFormFixture f;
    QVERIFY(f.Ready());
    f.WriteBmp("pic.bmp", 12, 10, 4);
    auto* explorer = f.Find<ExplorerPage>("ExplorerSheet");
    explorer->openFolder(Q(f.dir.path()));
    const auto rows = explorer->fileList_->findItems(QStringLiteral("pic.bmp"), Qt::MatchExactly);
    QVERIFY(!rows.isEmpty());
    explorer->fileList_->setCurrentItem(rows.first());
    QCOMPARE(explorer->previewFile_, Q(f.dir / "pic.bmp"));

    // The left button pressed on the picture and moved starts the drag.
    QLabel* image = explorer->previewImage_;
    const QPoint from = image->rect().center();
    const QPoint to = from + QPoint(QApplication::startDragDistance() + 1, 0);
    QMouseEvent press(QEvent::MouseButtonPress, from, image->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(image, &press);
    QMouseEvent move(QEvent::MouseMove, to, image->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(image, &move);
    // The drag object stays until the event loop's next turn.
    auto* drag = image->findChild<QDrag*>();
    QVERIFY(drag);
    QCOMPARE(drag->mimeData()->urls(), QList<QUrl>({QUrl::fromLocalFile(Q(f.dir / "pic.bmp"))}));

    // Dropped on the construction view, the file is a layer where it fell.
    const QPoint at = f.canvasView().drawOrigin_ + QPoint(3, 4);
    const kt58::apptest::DropResult dropped = kt58::apptest::Drop(f.Box(), *drag->mimeData(), at);
    QVERIFY(dropped.dropped);
    QCOMPARE(f.LayerNames(), QStringList({"pic_1"}));
    QCOMPARE(QPoint(f.Doc().SelectedLayer()->OffsetX, f.Doc().SelectedLayer()->OffsetY), QPoint(3, 4));
  }

  void previewShowsEachFileOnceAndVideosThroughATemporaryStore() {
    Explorer e;
    kt58::test::WriteBmpFile(e.dir, "a.bmp", kt58::test::MakeRandomPicture(8, 6, 1));
    std::ofstream(e.dir / "broken.bmp") << "no picture";
    e.page.openFolder(Q(e.dir.path()));
    e.Select(QStringLiteral("a.bmp"));
    QCOMPARE(e.page.previewFile_, Q(e.dir / "a.bmp"));
    QCOMPARE(e.page.previewImage_->pixmap().size(), QSize(8, 6));
    // The same file again is not loaded again.
    e.page.previewImage_->setPixmap(QPixmap());
    e.page.fileList_->clearSelection();
    e.Select(QStringLiteral("a.bmp"));
    QVERIFY(e.page.previewImage_->pixmap().isNull());
    e.Select(QStringLiteral("broken.bmp"));
    QCOMPARE(e.ui.messages, std::vector<std::string>{"Cannot load file for preview\rbroken.bmp"});
    QVERIFY(e.page.previewFile_.isEmpty());

    // A video's first frame comes through a temporary store in the
    // program folder, which is gone afterwards.
    const auto clip = e.dir / "clip.avi";
    QVERIFY(kt58::test::MakeAvi(kt58::test::FindAviCase("bgr24_bottomup"), clip));
    const auto store = kt58::ProgramFolder() / "PrvStream.Tmp";
    e.page.refreshFileListAction_->trigger();
    e.Select(QStringLiteral("clip.avi"));
    QCOMPARE(e.page.previewFile_, Q(clip));
    QCOMPARE(e.page.previewImage_->pixmap().size(), QSize(64, 48));
    QVERIFY(!std::filesystem::exists(store));
  }

  void deleteMovesTheFileToTheTrash() {
    Explorer e;
    kt58::test::WriteBmpFile(e.dir, "a.bmp", kt58::test::MakeRandomPicture(8, 6, 1));
    kt58::test::WriteBmpFile(e.dir, "b.bmp", kt58::test::MakeRandomPicture(8, 6, 2));
    e.page.openFolder(Q(e.dir.path()));
    e.Select(QStringLiteral("a.bmp"));
    e.page.deleteSelectedFileAction_->trigger();
    QVERIFY(!std::filesystem::exists(e.dir / "a.bmp"));
    QVERIFY(std::filesystem::exists(e.dir / "data" / "Trash" / "files" / "a.bmp"));
    QCOMPARE(e.Rows(), QStringList({"b.bmp"}));
    QVERIFY(e.ui.messages.empty());
  }
};

KT58_APP_TEST(ExplorerPageTest);

#include "explorer_page_test.moc"
