// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "app_test.h"
#include "gui/widgets/choice_combo_box.h"
#include "gui/widgets/integer_edit.h"

namespace {

// One typing step: a string of characters, or a single key without text.
struct step {
  const char* chars = nullptr;
  Qt::Key key = Qt::Key_unknown;
};

struct FilterCase {
  const char* name;
  const char* initial;
  int caret;       // -1: select the whole text
  step steps[3];
  const char* expected;
};

const FilterCase kCases[] = {
    {"letters, plus and point are dropped", "", 0, {{"a+.e "}}, ""},
    {"digits and a leading minus pass", "", 0, {{"-120"}}, "-120"},
    {"minus after a digit is dropped", "5", 1, {{"-"}}, "5"},
    {"minus at the start of a negative number passes", "-5", 0, {{"-"}}, "--5"},
    {"refused characters between digits", "12", 2, {{"3x4,5"}}, "12345"},
    {"backspace passes", "123", 3, {{nullptr, Qt::Key_Backspace}}, "12"},
    {"keys without text move the caret", "5", 1, {{nullptr, Qt::Key_Home}, {"-"}}, "-5"},
    {"minus replaces a selection from position 0", "123", -1, {{"-"}}, "-"},
};

void Prepare(QLineEdit* edit, const FilterCase& c) {
  edit->setText(QString::fromLatin1(c.initial));
  if (c.caret < 0)
    edit->selectAll();
  else
    edit->setCursorPosition(c.caret);
}

void Type(QWidget* target, const FilterCase& c) {
  for (const step& step : c.steps) {
    if (step.chars)
      QTest::keyClicks(target, QString::fromLatin1(step.chars));
    else if (step.key != Qt::Key_unknown)
      QTest::keyClick(target, step.key);
  }
}

}  // namespace

class NumericInputTest : public QObject {
  Q_OBJECT

 private slots:
  void integerEditFiltersTypedCharacters() {
    for (const FilterCase& c : kCases) {
      IntegerEdit edit;
      edit.show();
      Prepare(&edit, c);
      Type(&edit, c);
      QVERIFY2(edit.text() == QString::fromLatin1(c.expected), c.name);
    }
  }

  // Keys reach an editable combo both through its line edit (focus) and
  // through the combo itself; both ways are filtered.
  void numericComboFiltersTypedCharacters() {
    for (const bool via_combo : {false, true}) {
      for (const FilterCase& c : kCases) {
        NumberComboBox combo;
        combo.addItems({QStringLiteral("0"), QStringLiteral("90"), QStringLiteral("180")});
        combo.show();
        QVERIFY(combo.isEditable());
        Prepare(combo.lineEdit(), c);
        Type(via_combo ? static_cast<QWidget*>(&combo) : combo.lineEdit(), c);
        const QString where = QStringLiteral("%1 (via %2)").arg(QString::fromLatin1(c.name),
                                                                via_combo ? QStringLiteral("combo") : QStringLiteral("edit"));
        QVERIFY2(combo.currentText() == QString::fromLatin1(c.expected), qPrintable(where));
        QCOMPARE(combo.count(), 3);
      }
    }
  }

  void textSetByProgramOrPastedIsNotChecked() {
    IntegerEdit edit;
    edit.setText(QStringLiteral("1a"));
    QCOMPARE(edit.text(), QStringLiteral("1a"));
    edit.clear();
    edit.insert(QStringLiteral("x-1"));  // what a paste does
    QCOMPARE(edit.text(), QStringLiteral("x-1"));
  }

  void refusedCharactersFireNoChange() {
    IntegerEdit edit;
    edit.show();
    QSignalSpy edits(&edit, &QLineEdit::textEdited);
    QTest::keyClicks(&edit, QStringLiteral("ab"));
    QCOMPARE(edits.count(), 0);
    QTest::keyClicks(&edit, QStringLiteral("7"));
    QCOMPARE(edits.count(), 1);
  }
};

KT58_APP_TEST(NumericInputTest);

#include "numeric_input_test.moc"
