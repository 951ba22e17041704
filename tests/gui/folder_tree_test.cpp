// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app_test.h"
#include "gui/widgets/folder_tree.h"
#include "support/test_support.h"

namespace {

// A folder with a/b/c, an empty folder, a hidden one and a file, and a
// tree over the roots.
struct Folders {
  Folders() {
    std::filesystem::create_directories(dir / "top" / "a" / "b" / "c");
    std::filesystem::create_directories(dir / "top" / "empty");
    std::filesystem::create_directories(dir / "top" / ".hidden");
    std::ofstream(dir / "top" / "file.txt") << "x";
    top = QString::fromStdString((dir / "top").string());
    tree.resize(400, 300);
    tree.loadDrives();
    tree.show();
  }
  static int Named(const QTreeWidgetItem* parent, const QString& name) {
    int n = 0;
    for (int i = 0; i < parent->childCount(); ++i) n += parent->child(i)->text(0) == name;
    return n;
  }

  kt58::test::TempDir dir;
  QString top;
  FolderTree tree;
};

}  // namespace

class DirTreeTest : public QObject {
  Q_OBJECT

 private slots:
  void rootsAreTheFileSystemAndTheHomeFolder() {
    Folders f;
    QStringList roots;
    for (int i = 0; i < f.tree.topLevelItemCount(); ++i) roots << f.tree.nodePath(f.tree.topLevelItem(i));
    QVERIFY2(roots.contains(QStringLiteral("/")), qPrintable(roots.join(',')));
    QVERIFY2(roots.contains(QDir::homePath() + QLatin1Char('/')), qPrintable(roots.join(',')));
    QCOMPARE(f.tree.editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!(f.tree.topLevelItem(0)->flags() & Qt::ItemIsEditable));
  }

  void openPathListsEachFolderOnceAndSelectsIt() {
    Folders f;
    QSignalSpy changed(&f.tree, &FolderTree::selectedPathChanged);
    f.tree.openPath(f.top + QStringLiteral("/a/b"));
    QCOMPARE(f.tree.selectedPath(), f.top + QStringLiteral("/a/b/"));
    QCOMPARE(changed.count(), 1);
    QTreeWidgetItem* b = f.tree.currentItem();
    QVERIFY(b);
    QCOMPARE(b->text(0), QStringLiteral("b"));
    QCOMPARE(f.tree.nodePath(b), f.top + QStringLiteral("/a/b"));
    QTreeWidgetItem* top = b->parent()->parent();
    QCOMPARE(top->text(0), QStringLiteral("top"));
    // Folders only, hidden ones too, sorted; each listed once even when the
    // path is opened again.
    QStringList names;
    for (int i = 0; i < top->childCount(); ++i) names << top->child(i)->text(0);
    QCOMPARE(names, QStringList({".hidden", "a", "empty"}));
    f.tree.openPath(f.top + QStringLiteral("/a/b/"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(Folders::Named(top, QStringLiteral("a")), 1);
    QCOMPARE(Folders::Named(b, QStringLiteral("c")), 1);
    // A path that is no folder does nothing.
    f.tree.openPath(f.top + QStringLiteral("/file.txt"));
    f.tree.openPath(f.top + QStringLiteral("/missing"));
    f.tree.openPath(QString());
    QCOMPARE(f.tree.selectedPath(), f.top + QStringLiteral("/a/b/"));
  }

  void expandButtonsShowWhereSubfoldersAre() {
    Folders f;
    f.tree.openPath(f.top);
    QTreeWidgetItem* top = f.tree.currentItem();
    QVERIFY(top);
    QTreeWidgetItem* a = nullptr;
    QTreeWidgetItem* empty = nullptr;
    for (int i = 0; i < top->childCount(); ++i) {
      if (top->child(i)->text(0) == QLatin1String("a")) a = top->child(i);
      if (top->child(i)->text(0) == QLatin1String("empty")) empty = top->child(i);
    }
    QVERIFY(a && empty);
    QCOMPARE(a->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    QCOMPARE(a->childCount(), 0);  // read on first expansion only
    QCOMPARE(empty->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    empty->setExpanded(true);
    QCOMPARE(empty->childCount(), 0);
    // A folder gone since its node was made shows no children and no error.
    std::filesystem::remove_all(f.dir / "top" / "a");
    a->setExpanded(true);
    QCOMPARE(a->childCount(), 0);
    QCOMPARE(a->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
  }

  void clickingANameChoosesItsFolder() {
    Folders f;
    f.tree.openPath(f.top + QStringLiteral("/a"));
    QTreeWidgetItem* a = f.tree.currentItem();
    QVERIFY(a);
    QTreeWidgetItem* top = a->parent();
    f.tree.setSelectedPath(QString());
    QTest::mouseClick(f.tree.viewport(), Qt::LeftButton, Qt::NoModifier, f.tree.visualItemRect(top).center());
    QCOMPARE(f.tree.selectedPath(), f.top);
    QCOMPARE(f.tree.currentItem(), top);
    // A key moves the selection; its release chooses the folder there.
    QTest::keyClick(&f.tree, Qt::Key_Down);
    QCOMPARE(f.tree.selectedPath(), f.tree.nodePath(f.tree.currentItem()));
    QVERIFY(f.tree.selectedPath() != f.top);
    // Clicking a root chooses its path with a separator.
    QTreeWidgetItem* root = f.tree.topLevelItem(0);
    f.tree.scrollToItem(root);
    QTest::mouseClick(f.tree.viewport(), Qt::LeftButton, Qt::NoModifier, f.tree.visualItemRect(root).center());
    QVERIFY(f.tree.selectedPath().endsWith(QLatin1Char('/')));
    QCOMPARE(f.tree.selectedPath(), f.tree.nodePath(root));
  }
};

KT58_APP_TEST(DirTreeTest);

#include "folder_tree_test.moc"
