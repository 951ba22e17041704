// SPDX-License-Identifier: GPL-3.0-or-later
#include <QMainWindow>
#include <QAbstractButton>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include "app_test.h"
#include "gui/widgets/shell_open.h"
#include "modal_helper.h"

using namespace kt58::apptest;
using namespace kt58::controls;

class ShellOpenTest : public QObject {
  Q_OBJECT

 private slots:
  void errorTexts() {
    const struct {
      int result;
      const char* text;
    } cases[] = {
        {0, "Error: Out of Memory"},
        {2, "Error: File not found"},
        {3, "Error: Directory not found"},
        {11, "Error: Wrong EXE format"},
        {5, "Unknown API Error Nr: 5 in ShellExecute"},
        {32, "Unknown API Error Nr: 32 in ShellExecute"},
    };
    for (const auto& c : cases) QCOMPARE(ShellErrorText(c.result), QString::fromLatin1(c.text));
  }

  void missingTargetsAreReportedInAnErrorBoxOwnedByTheWindow() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QMainWindow owner;
    owner.show();
    const struct {
      QString target;
      const char* text;
    } cases[] = {
        {dir.filePath(QStringLiteral("missing.chm")), "Error: File not found"},
        {QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing.chm"))).toString(), "Error: File not found"},
        {dir.filePath(QStringLiteral("no-folder/missing.chm")), "Error: Directory not found"},
    };
    for (const auto& c : cases) {
      QCOMPARE(ShellOpenResult(c.target) <= 32, true);
      QString title, text;
      int buttons = 0;
      QWidget* parent = nullptr;
      auto seen = AnswerNextModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        buttons = static_cast<int>(box->buttons().size());
        parent = box->parentWidget();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
      });
      ShellOpen(&owner, c.target);
      QVERIFY(*seen);
      QCOMPARE(title, QStringLiteral("Error"));
      QCOMPARE(text, QString::fromLatin1(c.text));
      QCOMPARE(buttons, 1);
      QCOMPARE(parent, static_cast<QWidget*>(&owner));
    }
  }
};

KT58_APP_TEST(ShellOpenTest);

#include "shell_open_test.moc"
