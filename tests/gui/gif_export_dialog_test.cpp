// SPDX-License-Identifier: GPL-3.0-or-later
#include <gif_lib.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMovie>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstring>
#include <optional>
#include <utility>

#include "gui/dialogs/gif_export_dialog.h"
#include "export/single_frame.h"
#include "app_test.h"
#include "export_fixture.h"
#include "platform/program_folder.h"
#include "support/avi_test_support.h"
#include "support/gif_builder.h"

using namespace kt58::apptest;
namespace fs = std::filesystem;

namespace {

// A GIF as giflib reads it: each frame composed over the ones before
// (the window's GIFs carry no transparency), and each frame's delay.
struct GiflibFrames {
  QString error;
  std::vector<QImage> frames;
  std::vector<int> delays;  // hundredths of a second
};

GiflibFrames DecodeWithGiflib(const QByteArray& bytes) {
  GiflibFrames out;
  struct Source {
    const QByteArray* bytes;
    qsizetype at = 0;
  } source{&bytes};
  auto read = [](GifFileType* gif, GifByteType* into, int n) {
    auto* s = static_cast<Source*>(gif->UserData);
    const int take = static_cast<int>(std::min<qsizetype>(n, s->bytes->size() - s->at));
    std::memcpy(into, s->bytes->constData() + s->at, static_cast<size_t>(take));
    s->at += take;
    return take;
  };
  int error = 0;
  GifFileType* gif = DGifOpen(&source, read, &error);
  if (!gif) {
    out.error = QStringLiteral("giflib cannot open: %1").arg(error);
    return out;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    out.error = QStringLiteral("giflib cannot read: %1").arg(gif->Error);
    DGifCloseFile(gif, &error);
    return out;
  }
  QImage canvas(gif->SWidth, gif->SHeight, QImage::Format_RGB32);
  canvas.fill(Qt::black);
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    const GifImageDesc& d = image.ImageDesc;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    for (int y = 0; y < d.Height; ++y)
      for (int x = 0; x < d.Width; ++x) {
        const GifColorType c = map->Colors[image.RasterBits[y * d.Width + x]];
        canvas.setPixel(d.Left + x, d.Top + y, qRgb(c.Red, c.Green, c.Blue));
      }
    GraphicsControlBlock gcb{};
    DGifSavedExtensionToGCB(gif, i, &gcb);
    out.delays.push_back(gcb.DelayTime);
    out.frames.push_back(canvas.copy());
  }
  DGifCloseFile(gif, &error);
  return out;
}

// The built GIF, as the preview plays it and Save copies it; empty before a
// build.
QByteArray BuiltBytes(const GifExportDialog& form) {
  if (!form.Built()) return {};
  QFile file(QString::fromStdString(form.Built()->Path().string()));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList OutputFiles() {
  QStringList names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(kt58::ProgramFolder() / "Output", ec))
    names << QString::fromStdString(e.path().filename().string());
  return names;
}

}  // namespace

class BmpsToGifFormTest : public QObject {
  Q_OBJECT

 private slots:
  void paletteAndDitherCodes() {
    ExportFixture f(3, 24, 16);
    GifExportDialog form(f.Doc());
    QCOMPARE(form.windowTitle(), QStringLiteral("Convert to GIF..."));
    auto item = [&](const char* name) { return form.findChild<QAction*>(QString::fromLatin1(name)); };
    item("MenuPaletteOptimized256")->trigger();
    item("MenuDitheringNearest")->trigger();
    struct step {
      const char* item;
      int palette, bits, dither;
    };
    const step steps[] = {
        {"MenuPaletteOptimized256", 7, 8, 0},
        {"MenuPaletteNetscape216", 6, 8, 0},
        {"MenuPaletteMonochrome", 4, 8, 0},
        {"MenuPaletteGrayScale256", 5, 8, 0},
        {"MenuPaletteWindowsGray4", 3, 8, 0},
        {"MenuPaletteWindows20", 1, 8, 0},
        {"MenuPaletteOptimizedWindows256", 8, 8, 0},
        {"MenuPaletteOptimized16", 7, 4, 0},
        {"MenuPaletteNetscape216", 6, 4, 0},
        // Choosing the optimised palette again brings its 16 colours back.
        {"MenuPaletteOptimized", 7, 4, 0},
        {"MenuDitheringFloydSteinberg", 7, 4, 1},
        {"MenuDitheringStucki", 7, 4, 2},
        {"MenuDitheringSierra", 7, 4, 3},
        {"MenuDitheringBurkes", 7, 4, 6},
        {"MenuDitheringNearest", 7, 4, 0},
        {"MenuPaletteOptimized8", 7, 3, 0},
    };
    for (const step& s : steps) {
      QAction* a = item(s.item);
      QVERIFY2(a, s.item);
      a->trigger();
      const kt58::GifExportOptions o = form.readOptions();
      QVERIFY2(o.ColorReduction == s.palette && o.ReductionBits == s.bits && o.DitherMode == s.dither, s.item);
    }
    // Opening the colour counts chooses the optimised palette.
    item("MenuPaletteNetscape216")->trigger();
    emit form.optimizedColorsMenu_->aboutToShow();
    QCOMPARE(form.readOptions().ColorReduction, 7);
    QCOMPARE(form.paletteMenu_->title(), QStringLiteral("&Palette"));
    QCOMPARE(form.optimizedColorsMenu_->title(), QStringLiteral("&Optimized..."));
    item("MenuPaletteOptimized256")->trigger();
  }

  // Each palette and ditherer the window offers is the one the command line
  // gives under its name, so the same choices make the same GIF in either.
  void namedChoicesAreTheCommandLinesCodes() {
    using Palette = GifExportDialog::PaletteChoice;
    using Dither = GifExportDialog::DitherChoice;
    const std::pair<Palette, const char*> palettes[] = {
        {Palette::Netscape216, "web"},
        {Palette::Monochrome, "mono"},
        {Palette::GrayScale256, "gray"},
        {Palette::WindowsGray4, "windows-gray"},
        {Palette::Windows20, "windows"},
        {Palette::Optimized, "optimized"},
        {Palette::OptimizedWindows256, "optimized-windows"},
    };
    for (const auto& [choice, name] : palettes) {
      const std::optional<int> code = kt58::GifPaletteCodeFromName(name);
      QVERIFY2(code && GifExportDialog::colorReductionCode(choice) == *code, name);
    }
    const std::pair<Dither, const char*> dithers[] = {
        {Dither::Nearest, "nearest"}, {Dither::FloydSteinberg, "floyd-steinberg"}, {Dither::Stucki, "stucki"},
        {Dither::Sierra, "sierra"},   {Dither::Burkes, "burkes"},
    };
    for (const auto& [choice, name] : dithers) {
      const std::optional<int> code = kt58::GifDitherCodeFromName(name);
      QVERIFY2(code && GifExportDialog::ditherCode(choice) == *code, name);
    }
  }

  void delayInHundredthsAndTheShortDelayWarning() {
    ExportFixture f(2, 24, 16);
    GifExportDialog form(f.Doc());
    // Every frame written whole, each with its delay.
    for (QCheckBox* box : form.findChildren<QCheckBox*>()) box->setChecked(false);
    form.show();
    for (const auto& [ms, hundredths] : {std::pair{10, 1}, std::pair{1000, 100}, std::pair{19, 1}, std::pair{105, 10}}) {
      form.frameDelaySpin_->setValue(ms);
      QCOMPARE(form.delayWarningLabel_->isVisible(), ms < 20);
      form.generate();
      const GiflibFrames gif = DecodeWithGiflib(BuiltBytes(form));
      QVERIFY2(gif.error.isEmpty(), qPrintable(gif.error));
      QCOMPARE(gif.delays, std::vector<int>(2, hundredths));
    }
  }

  void buildMeasuresPlaysAndSavesTheSameBytes() {
    ExportFixture f(4, 24, 16);
    GifExportDialog form(f.Doc());
    for (QCheckBox* box : form.findChildren<QCheckBox*>()) box->setChecked(false);
    form.show();
    QVERIFY(!form.fileSizeLabel_->isVisible());
    form.generate();
    const QByteArray built = BuiltBytes(form);
    QVERIFY(!built.isEmpty());
    QVERIFY(form.fileSizeLabel_->isVisible());
    QCOMPARE(form.fileSizeLabel_->text(), QStringLiteral("File Size : %1 Bytes").arg(built.size()));
    QCOMPARE(form.optimizingLabel_->text(), QStringLiteral("Playing..."));
    // The build is the one file in the Output folder, its size the one shown.
    QCOMPARE(OutputFiles(), QStringList{QString::fromStdString(form.Built()->Path().filename().string())});

    const fs::path saved = f.dir / "anim.gif";
    auto seen = ChooseInFileDialog(saved);
    form.saveGif();
    QVERIFY(*seen);
    QVERIFY2(f.ui.messages.empty(), f.ui.messages.empty() ? "" : f.ui.messages[0].c_str());
    QFile file(QString::fromStdString(saved.string()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), built);
    QCOMPARE(form.saveFolder(), f.dir.path());

    // What the preview plays is what giflib reads from the saved file.
    const GiflibFrames gif = DecodeWithGiflib(built);
    QVERIFY2(gif.error.isEmpty(), qPrintable(gif.error));
    QCOMPARE(gif.frames.size(), size_t{4});
    QMovie* preview = form.previewImage_->movie();
    QVERIFY(preview);
    QCOMPARE(preview->frameCount(), 4);
    preview->stop();  // its own timer would race the jumps below
    for (int i = 0; i < 4; ++i) {
      QVERIFY(preview->jumpToFrame(i));
      const QImage shown = preview->currentImage().convertToFormat(QImage::Format_RGB32);
      QCOMPARE(shown.size(), gif.frames[i].size());
      for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
          if ((shown.pixel(x, y) & 0xFFFFFF) != (gif.frames[i].pixel(x, y) & 0xFFFFFF))
            QFAIL(qPrintable(QStringLiteral("frame %1 differs at (%2, %3)").arg(i).arg(x).arg(y)));
    }

    // Building again replaces the build; closing the window removes it.
    form.generate();
    QCOMPARE(OutputFiles().size(), 1);
    form.close();  // as the window's close button: reject()
    QCOMPARE(OutputFiles(), QStringList());
  }

  // The window and `kt58 export-gif` with the same choices write the same
  // file for a project with a video layer and an animated-GIF layer, after
  // the user stepped through the frames: which stored frame a layer shows
  // depends on the frame alone, not on what was shown before.
  void buildIsTheCommandLinesGifOfAProjectWithVideoLayers() {
    MainFormFixture f;
    const fs::path clip = f.dir / "clip.avi";
    QVERIFY(kt58::test::MakeAvi(kt58::test::FindAviCase("bgr24_topdown"), clip));
    QVERIFY(f.Add(clip));
    QVERIFY(f.Add(kt58::test::WriteSmallAnimatedGif(f.dir.path(), "small.gif")));
    f.Find<QSpinBox>("spFrameCount")->setValue(12);
    // To the clip's last frame (it has 10): a read cursor left there would
    // start the next sequential reading over.
    for (int i = 0; i < 9; ++i) f.Find<QToolButton>("StepForwardButton")->click();
    QCOMPARE(f.Doc().playback().currentFrame(), 9);
    const fs::path project = f.dir / "video.apf";
    f.Anim().SaveToFile(project);

    struct Choice {
      const char* palette;
      const char* dither;
      std::vector<const char*> checks;
      QStringList options;
    };
    const Choice choices[] = {
        {"MenuPaletteOptimized256", "MenuDitheringNearest", {"cbMerge", "cbCrop", "cbRemovePassive"},
         {"--palette", "optimized", "--colors", "256", "--dither", "nearest", "--optimize", "merge,crop,remove-passive"}},
        {"MenuPaletteNetscape216", "MenuDitheringFloydSteinberg", {},
         {"--palette", "web", "--dither", "floyd-steinberg", "--optimize", "none"}},
        {"MenuPaletteOptimized16", "MenuDitheringNearest", {"cbOptimizeColorMap", "cbSortColors"},
         {"--palette", "optimized", "--colors", "16", "--optimize", "single-map,sort"}},
    };
    for (const Choice& c : choices) {
      QByteArray built;
      // Through the main command, as the user opens the window.
      auto window = AnswerNextModal([&](QWidget* modal) {
        auto* form = qobject_cast<GifExportDialog*>(modal);
        if (!form) return;
        form->findChild<QAction*>(QString::fromLatin1(c.palette))->trigger();
        form->findChild<QAction*>(QString::fromLatin1(c.dither))->trigger();
        for (QCheckBox* box : form->findChildren<QCheckBox*>()) {
          const QByteArray name = box->objectName().toLatin1();
          box->setChecked(std::any_of(c.checks.begin(), c.checks.end(), [&](const char* n) { return name == n; }));
        }
        form->frameDelaySpin_->setValue(60);
        form->generate();
        built = BuiltBytes(*form);
        form->close();
      });
      f.Action("CreateGif1")->trigger();
      QVERIFY(*window);
      QVERIFY2(!built.isEmpty(), c.palette);

      const fs::path out = f.dir / "cli.gif";
      QProcess cli;
      cli.start(QStringLiteral(KT58_CLI_PATH),
                QStringList{"export-gif", QString::fromStdString(project.string()), QString::fromStdString(out.string()),
                            "--delay", "60"} +
                    c.options);
      QVERIFY(cli.waitForFinished(-1));
      QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
      QFile file(QString::fromStdString(out.string()));
      QVERIFY(file.open(QIODevice::ReadOnly));
      QVERIFY2(file.readAll() == built, c.palette);
    }
  }

  // A lossy level writes what the command line writes with the same level;
  // off, the same exact file.
  void lossyLevelsBuildWhatTheCommandLineBuilds() {
    ExportFixture f(6, 40, 30);
    QVERIFY(f.Add(kt58::test::WriteSmallAnimatedGif(f.dir.path(), "small.gif")));
    const fs::path project = f.dir / "lossy.apf";
    f.Anim().SaveToFile(project);
    QByteArray exact;
    for (const int level : {0, 60, 100}) {
      GifExportDialog form(f.Doc());
      // The window starts with the choices of the one before.
      form.findChild<QAction*>(QStringLiteral("MenuPaletteOptimized256"))->trigger();
      form.findChild<QAction*>(QStringLiteral("MenuDitheringNearest"))->trigger();
      for (QCheckBox* box : form.findChildren<QCheckBox*>()) box->setChecked(false);
      form.lossySpin_->setValue(level);
      QCOMPARE(form.lossySpin_->text(), level ? QString::number(level) : QStringLiteral("Off"));
      form.generate();
      const QByteArray built = BuiltBytes(form);
      QVERIFY(!built.isEmpty());
      if (!level) exact = built;
      const fs::path out = f.dir / "cli.gif";
      QProcess cli;
      cli.start(QStringLiteral(KT58_CLI_PATH),
                QStringList{"export-gif", QString::fromStdString(project.string()), QString::fromStdString(out.string()),
                            "--palette", "optimized", "--optimize", "none", "--lossy", QString::number(level)});
      QVERIFY(cli.waitForFinished(-1));
      QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
      QFile file(QString::fromStdString(out.string()));
      QVERIFY(file.open(QIODevice::ReadOnly));
      QVERIFY2(file.readAll() == built, qPrintable(QString::number(level)));
      if (level == 100) QVERIFY(built != exact);
    }
  }

  // A single frame saved as GIF is dithered as the window's last build was,
  // and only a build changes that.
  void singleFrameGifsTakeTheDitherOfTheLastBuild() {
    ExportFixture f(3, 48, 24);
    auto save_frame = [&](const fs::path& target) {
      auto seen = ChooseInFileDialog(target);
      f.Action("SaveSingleFrame1")->trigger();
      QVERIFY(*seen);
      QVERIFY(fs::exists(target));
    };
    auto gif_window = [&](const char* dither, bool build) {
      auto window = AnswerNextModal([&](QWidget* modal) {
        auto* form = qobject_cast<GifExportDialog*>(modal);
        if (!form) return;
        form->findChild<QAction*>(QString::fromLatin1(dither))->trigger();
        if (build) form->generate();
        form->close();
      });
      f.Action("CreateGif1")->trigger();
      QVERIFY(*window);
    };
    auto bytes = [](const fs::path& file) { return kt58::test::ReadFileBytes(file); };
    save_frame(f.dir / "before.gif");
    gif_window("MenuDitheringFloydSteinberg", false);
    save_frame(f.dir / "unbuilt.gif");
    QVERIFY(bytes(f.dir / "unbuilt.gif") == bytes(f.dir / "before.gif"));
    gif_window("MenuDitheringFloydSteinberg", true);
    save_frame(f.dir / "built.gif");
    QVERIFY(bytes(f.dir / "built.gif") != bytes(f.dir / "before.gif"));

    const kt58::Project& a = f.Anim();
    kt58::SaveFrameToFile(a, f.Doc().playback().shownFrame(), f.Doc().playback().clock(), f.dir / "want.gif",
                          kt58::dmFloydSteinberg);
    QVERIFY(bytes(f.dir / "built.gif") == bytes(f.dir / "want.gif"));
  }

  void saveBeforeBuildWritesNothingButRemembersTheFolder() {
    ExportFixture f(3, 24, 16);
    fs::create_directory(f.dir / "gifs");
    const fs::path target = f.dir / "gifs" / "none.gif";
    FileDialogSeen shown;
    std::shared_ptr<bool> seen;
    // Through the main command: the folder chosen comes back to the window.
    auto window = AnswerNextModal([&](QWidget* modal) {
      auto* form = qobject_cast<GifExportDialog*>(modal);
      if (!form) return;
      seen = ChooseInFileDialog(target, &shown);
      form->saveGif();
    });
    f.Action("CreateGif1")->trigger();
    QVERIFY(*window);
    QVERIFY(seen && *seen);
    // An untitled project proposes just the extension.
    QCOMPARE(shown.proposed, QStringLiteral(".gif"));
    QVERIFY(!fs::exists(target));
    QCOMPARE(f.form->settings().LastGifDir, f.dir / "gifs");
    QVERIFY(f.canvasView().updateTimer_->isActive());
  }

  // Opened from the menu, the window builds at once what `kt58 export-gif`
  // builds with its defaults, shows the frame whole, and builds again when
  // a choice changes.
  void opensBuildingTheCommandLinesDefaultGif() {
    MainFormFixture f;
    QVERIFY(f.Add(kt58::test::WriteSmallAnimatedGif(f.dir.path(), "small.gif")));
    const fs::path bg = kt58::test::WriteBmpFile(f.dir, "bg.bmp", kt58::test::MakeRandomPicture(900, 700, 5));
    QVERIFY(f.Add(bg));
    f.Find<QSpinBox>("spFrameCount")->setValue(6);
    const fs::path project = f.dir / "defaults.apf";
    f.Anim().SaveToFile(project);
    auto cli_gif = [&](const QStringList& options) {
      const fs::path out = f.dir / "cli.gif";
      QProcess cli;
      cli.start(QStringLiteral(KT58_CLI_PATH),
                QStringList{"export-gif", QString::fromStdString(project.string()), QString::fromStdString(out.string())} +
                    options);
      cli.waitForFinished(-1);
      QFile file(QString::fromStdString(out.string()));
      return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QByteArray first, changed;
    QSize shown, area;
    // As in a new run: no choices of earlier windows.
    GifExportDialog::ForgetChoices();
    // Answered once the first build is done, from the window's own event
    // loop rather than from inside the build.
    bool seen = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
      auto* form = qobject_cast<GifExportDialog*>(QApplication::activeModalWidget());
      if (!form || !form->Built() || form->Building()) return;
      poll.stop();
      seen = true;
      // Closed on every way out, a failed check included.
      const struct Close {
        GifExportDialog* form;
        ~Close() { form->close(); }
      } close{form};
      first = BuiltBytes(*form);
      QVERIFY(form->findChild<QAction*>(QStringLiteral("MenuPaletteGlobal"))->isChecked());
      QVERIFY(form->previewImage_->movie());
      QMovie* movie = form->previewImage_->movie();
      movie->stop();
      movie->jumpToFrame(0);
      shown = movie->currentImage().size();
      movie->start();
      area = form->previewImage_->contentsRect().size();
      form->sortColorsCheck_->click();
      QTRY_VERIFY_WITH_TIMEOUT(form->Built() && !form->Building() && BuiltBytes(*form) != first, 120000);
      changed = BuiltBytes(*form);
      form->sortColorsCheck_->click();
      QTRY_VERIFY_WITH_TIMEOUT(form->Built() && !form->Building() && BuiltBytes(*form) == first, 120000);
    });
    poll.start(10);
    f.Action("CreateGif1")->trigger();
    QVERIFY(seen);
    QVERIFY(!first.isEmpty());
    QVERIFY(first == cli_gif({}));
    QVERIFY(changed == cli_gif({"--optimize", "merge,crop,remove-passive,sort"}));
    // The 900 x 700 frame is shown whole, scaled to the preview.
    QVERIFY(shown.width() <= area.width() && shown.height() <= area.height());
    QVERIFY(qAbs(shown.width() * 700 - shown.height() * 900) <= 900);
  }

  void cancelStopsTheBuild() {
    ExportFixture f(5, 24, 16);
    GifExportDialog form(f.Doc());
    form.show();
    // The click lands while the first frame is shown.
    QTimer::singleShot(0, form.cancelButton_, [&form] { form.cancelButton_->click(); });
    form.generate();
    QVERIFY(BuiltBytes(form).isEmpty());
    QVERIFY(!form.fileSizeLabel_->isVisible());
    QVERIFY(!form.cancelButton_->isVisible());
    QVERIFY(form.generateButton_->isEnabled());
    QVERIFY(!f.Doc().playback().isPlaying());
    QCOMPARE(OutputFiles(), QStringList());
    // The next build runs to its end.
    form.generate();
    QVERIFY(!BuiltBytes(form).isEmpty());
  }
};

KT58_APP_TEST(BmpsToGifFormTest);

#include "gif_export_dialog_test.moc"
