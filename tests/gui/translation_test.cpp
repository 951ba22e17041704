// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTranslator>
#include <QTreeWidget>

#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/gif_export_dialog.h"
#include "gui/dialogs/picture_sequence_dialog.h"
#include "gui/widgets/progress_dialog.h"
#include "gui/dialogs/splash_screen.h"
#include "gui/dialogs/startup_dialog.h"
#include "gui/dialogs/video_export_dialog.h"
#include "gui/widgets/color_combo_box.h"
#include "app_test.h"
#include "export_fixture.h"

using namespace kt58::apptest;

namespace {

// Answers every text with its context in brackets before it, so that a
// text shown without the brackets never went through tr(), and one in the
// context of a Qt base class was translated by a class that forgot its
// Q_OBJECT.
class MarkingTranslator final : public QTranslator {
 public:
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    return QStringLiteral("[%1]%2").arg(QString::fromLatin1(context), QString::fromUtf8(source));
  }
};

// The translator is in force while this lives; windows made meanwhile take
// its texts.
struct Marking {
  MarkingTranslator translator;
  Marking() { QCoreApplication::installTranslator(&translator); }
  ~Marking() { QCoreApplication::removeTranslator(&translator); }
};

// The texts a person reads on the window: its title, labels, buttons, group
// titles, tabs, list headers, choice lists, menus, their entries and the tool
// tips. What the user typed or chose (file names, numbers, colours) is data,
// not text, and is left out.
QStringList ShownTexts(QWidget* window) {
  QStringList texts{window->windowTitle()};
  QList<QWidget*> widgets = window->findChildren<QWidget*>();
  widgets.prepend(window);
  for (QWidget* w : widgets) {
    texts << w->toolTip();
    if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
    if (auto* group = qobject_cast<QGroupBox*>(w)) texts << group->title();
    if (auto* menu = qobject_cast<QMenu*>(w)) texts << menu->title();
    if (auto* tabs = qobject_cast<QTabWidget*>(w))
      for (int i = 0; i < tabs->count(); ++i) texts << tabs->tabText(i);
    if (auto* tree = qobject_cast<QTreeWidget*>(w); tree && !tree->isHeaderHidden())
      for (int i = 0; i < tree->columnCount(); ++i) texts << tree->headerItem()->text(i);
    if (auto* combo = qobject_cast<QComboBox*>(w); combo && !qobject_cast<ColorComboBox*>(combo))
      for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
  }
  for (QAction* action : window->findChildren<QAction*>()) texts << action->text() << action->toolTip();
  return texts;
}

// The texts that did not go through tr() in a class of the program's own.
QStringList Untranslated(const QStringList& texts) {
  static const QRegularExpression letters(QStringLiteral("[A-Za-z]"));
  static const QRegularExpression base_context(QStringLiteral("^\\[(QObject|QWidget|QDialog|QMainWindow)\\]"));
  // A folder's path and the program's web address are shown as they are.
  static const QRegularExpression data(QStringLiteral("^(/|<a href=)"));
  QStringList wrong;
  for (const QString& text : texts) {
    if (!text.contains(letters) || text.contains(data)) continue;
    if (!text.startsWith(QLatin1Char('[')) || text.contains(base_context)) wrong << text;
  }
  wrong.removeDuplicates();
  return wrong;
}

}  // namespace

class TranslatedTextsTest : public QObject {
  Q_OBJECT

 private slots:
  void mainWindowAndItsPages() {
    Marking marking;
    MainFormFixture f;
    QVERIFY(f.Ready());
    // A layer shows the layer pages and fills the status line.
    f.Add(f.WriteBmp("a.bmp", 12, 10, 1));
    QTest::mouseClick(f.Find<QWidget>("lvLayers"), Qt::LeftButton);
    const QStringList wrong = Untranslated(ShownTexts(f.form.get()));
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral(" | "))));
    // The messages of free functions have a context of their own.
    f.form->showHelp();
    QCOMPARE(f.ui.messages, std::vector<std::string>{"[UserGuide]Help file missing."});
  }

  void windowsOfTheirOwn() {
    Marking marking;
    ExportFixture f(2, 12, 10);
    QVERIFY(f.Ready());
    AboutDialog about;
    SplashScreen splash;
    StartupDialog startup(kt58::app::RecentList{});
    GifExportDialog gif(f.Doc());
    PictureSequenceDialog sequence(f.Doc());
    VideoExportDialog video(f.Doc());
    ProgressDialog progress;
    for (QWidget* window : std::initializer_list<QWidget*>{&about, &splash, &startup, &gif, &sequence, &video, &progress}) {
      const QStringList wrong = Untranslated(ShownTexts(window));
      QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("%1: %2").arg(QString::fromLatin1(window->metaObject()->className()),
                                                                      wrong.join(QStringLiteral(" | ")))));
    }
  }
};

KT58_APP_TEST(TranslatedTextsTest);

#include "translation_test.moc"
