// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTest>
#include <filesystem>
#include <string>

#include "gui/settings.h"
#include "main_window_fixture.h"
#include "platform/memory_budget.h"
#include "platform/atomic_file.h"
#include "app_test.h"
#include "platform/profile_file.h"
#include "platform/program_folder.h"
#include "support/test_support.h"

using namespace kt58;
using namespace kt58::app;
namespace fs = std::filesystem;

namespace {

// A private program folder with the settings file and project files in it.
struct Home {
  test::TempDir dir;

  fs::path Folder() const { return ProgramFolder(); }
  void WriteSettings(const std::string& text) const {
    fs::create_directories(SettingsFilePath().parent_path());
    test::WriteFileBytes(SettingsFilePath(), {text.begin(), text.end()});
  }
  std::string SettingsText() const {
    const auto bytes = test::ReadFileBytes(SettingsFilePath());
    return {bytes.begin(), bytes.end()};
  }
  ProfileFile Saved() const { return ProfileFile::Load(SettingsFilePath()); }
  fs::path ProjectPath(const std::string& relative) const {
    const fs::path path = Folder() / relative;
    fs::create_directories(path.parent_path());
    test::WriteFileBytes(path, {'a', 'p', 'f'});
    return path;
  }
};

Settings Loaded() {
  Settings s;
  LoadSettings(s);
  return s;
}

QString Str(const fs::path& p) { return QString::fromStdString(p.string()); }

}  // namespace

class SettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void withoutAFileEverySettingHasItsDefault() {
    Home home;
    fs::create_directories(home.Folder() / "Projects");
    fs::create_directories(home.Folder() / "Output");
    const Settings s = Loaded();
    QCOMPARE(s.Window.Left, 0);
    QCOMPARE(s.Window.Top, 0);
    QCOMPARE(s.Window.Width, 626);
    QCOMPARE(s.Window.Height, 560);
    QCOMPARE(s.Window.Maximized, false);
    QCOMPARE(s.Preview, 161);
    QCOMPARE(s.ExpRightPanel, 158);
    QCOMPARE(s.lvFiles, 93);
    QCOMPARE(s.lvLayersType, 50);
    QCOMPARE(s.lvLayersSize, 50);
    QCOMPARE(Str(s.LastThumbDir), Str(home.Folder()));
    QCOMPARE(Str(s.LastProjectDir), Str(home.Folder()));
    QCOMPARE(Str(s.LastProjSaveDir), Str(home.Folder() / "Projects"));
    QCOMPARE(Str(s.LastGifDir), Str(home.Folder() / "Output"));
    QCOMPARE(Str(s.LastBmpDir), Str(home.Folder() / "Output"));
    // Empty is not a folder, so the single-frame folder starts at home too.
    QCOMPARE(Str(s.LastSingleDir), Str(home.Folder()));
    QCOMPARE(s.StartDialogOn, true);
    QVERIFY(s.MruList.empty());
    QCOMPARE(s.RealTimePlayback, true);
    QCOMPARE(s.PlaybackCacheMB, 512);
  }

  void everySettingSurvivesASaveAndALoad() {
    Home home;
    const fs::path pictures = home.Folder() / "Pictures";
    fs::create_directories(pictures);
    Settings s;
    s.Window = {40, -20, 900, 700, false, false};
    s.Preview = 200;
    s.ExpRightPanel = 0;
    s.lvFiles = 120;
    s.lvLayersType = 61;
    s.lvLayersSize = 72;
    s.LastThumbDir = s.LastProjectDir = s.LastProjSaveDir = s.LastGifDir = s.LastBmpDir = s.LastSingleDir = pictures;
    s.StartDialogOn = false;
    s.MruList = {home.ProjectPath("b.apf"), home.ProjectPath("a.apf")};
    s.RealTimePlayback = false;
    s.PlaybackCacheMB = 64;
    QVERIFY(SaveSettings(s));

    Settings back = Loaded();
    QCOMPARE(back.Window.Left, 40);
    QCOMPARE(back.Window.Top, -20);
    QCOMPARE(back.Window.Width, 900);
    QCOMPARE(back.Window.Height, 700);
    QCOMPARE(back.Preview, 200);
    QCOMPARE(back.ExpRightPanel, 0);
    QCOMPARE(back.lvFiles, 120);
    QCOMPARE(back.lvLayersType, 61);
    QCOMPARE(back.lvLayersSize, 72);
    for (const fs::path* folder : {&back.LastThumbDir, &back.LastProjectDir, &back.LastProjSaveDir, &back.LastGifDir,
                                   &back.LastBmpDir, &back.LastSingleDir})
      QCOMPARE(Str(*folder), Str(pictures));
    QCOMPARE(back.StartDialogOn, false);
    QVERIFY(back.MruList == s.MruList);
    QCOMPARE(back.RealTimePlayback, false);
    QCOMPARE(back.PlaybackCacheMB, 64);
    QCOMPARE(home.Saved().ReadString("STARTUP", "StartDialogOn", ""), std::string("0"));
    // The default bound is not written: a later default applies.
    back.PlaybackCacheMB = Settings::kDefaultPlaybackCacheMB;
    QVERIFY(SaveSettings(back));
    QCOMPARE(home.Saved().ReadString("PLAYBACK", "CacheMB", "none"), std::string("none"));
  }

  void aMissingRecentFileIsDroppedAndTheRestIsRenumbered() {
    Home home;
    const fs::path first = home.ProjectPath("Projects/one.apf");
    const fs::path third = home.ProjectPath("Projects/three.apf");
    home.WriteSettings("[MRU]\nMruCount=3\nMru0001=" + first.string() + "\nMru0002=" + (home.Folder() / "gone.apf").string() +
                       "\nMru0003=" + third.string() + "\n");
    Settings s = Loaded();
    QVERIFY(s.MruList == (RecentList{first, third}));
    QVERIFY(SaveSettings(s));
    const ProfileFile saved = home.Saved();
    QCOMPARE(saved.ReadInteger("MRU", "MruCount", -1), 2);
    QCOMPARE(saved.ReadString("MRU", "Mru0001", ""), first.string());
    QCOMPARE(saved.ReadString("MRU", "Mru0002", ""), third.string());
    QCOMPARE(saved.ReadString("MRU", "Mru0003", "absent"), std::string("absent"));
  }

  void relativeEntriesLieBelowTheProgramFolder() {
    Home home;
    const fs::path demo = home.ProjectPath("Projects/demo.apf");
    const fs::path top = home.ProjectPath("x.apf");
    home.WriteSettings("[MRU]\nMruCount=4\nMru0001=Projects\\demo.apf\nMru0002=x.apf\nMru0003=C:\\Work\\old.apf\n"
                       "Mru0004=/nowhere/demo.apf\n");
    const Settings s = Loaded();
    QVERIFY(s.MruList == (RecentList{demo, top}));
    // Only the program folder makes a relative entry whole, never the
    // working folder of the run.
    QCOMPARE(Str(ResolveRecentEntry("Projects\\demo.apf", "/elsewhere/")), QStringLiteral("/elsewhere/Projects/demo.apf"));
    QCOMPARE(Str(ResolveRecentEntry("/abs/a.apf", "/elsewhere/")), QStringLiteral("/abs/a.apf"));
  }

  void theRecentListKeepsTenWithoutRegardToCase() {
    RecentList list;
    for (int i = 1; i <= 10; ++i) AddRecentProject(list, "/p/" + std::to_string(i) + ".apf");
    QCOMPARE(list.size(), size_t{10});
    QCOMPARE(Str(list.front()), QStringLiteral("/p/10.apf"));

    AddRecentProject(list, "/p/11.apf");  // the eleventh drops the oldest
    QCOMPARE(list.size(), size_t{10});
    QCOMPARE(Str(list.front()), QStringLiteral("/p/11.apf"));
    QCOMPARE(Str(list.back()), QStringLiteral("/p/2.apf"));

    AddRecentProject(list, list[2]);  // reopening the third moves it up
    QCOMPARE(list.size(), size_t{10});
    QCOMPARE(Str(list[0]), QStringLiteral("/p/9.apf"));
    QCOMPARE(Str(list[1]), QStringLiteral("/p/11.apf"));
    QCOMPARE(Str(list[2]), QStringLiteral("/p/10.apf"));

    QCOMPARE(FindRecentProject(list, "/P/10.APF"), 2);
    QCOMPARE(FindRecentProject({"/films/Été.apf"}, "/FILMS/ÉTÉ.APF"), 0);
    QCOMPARE(FindRecentProject(list, "/p/12.apf"), -1);
    AddRecentProject(list, "/P/10.APF");  // the same entry, in its first spelling
    QCOMPARE(list.size(), size_t{10});
    QCOMPARE(Str(list[0]), QStringLiteral("/p/10.apf"));

    AddRecentProject(list, "/p/two\nlines.apf");  // the settings file could not hold it
    QCOMPARE(FindRecentProject(list, "/p/two\nlines.apf"), -1);
  }

  void loadingKeepsTheListWithinItsLimit() {
    Home home;
    std::string text = "[MRU]\nMruCount=13\n";
    RecentList expected;
    for (int i = 1; i <= 12; ++i) {
      const fs::path p = home.ProjectPath("p" + std::to_string(i) + ".apf");
      text += "Mru" + std::string(i < 10 ? "000" : "00") + std::to_string(i) + "=" + p.string() + "\n";
      if (expected.size() < kMaxRecentProjects) expected.push_back(p);
    }
    text += "Mru0013=" + expected[0].string() + "\n";
    home.WriteSettings(text);
    QVERIFY(Loaded().MruList == expected);
  }

  void anEmptyListOffersTheSampleProject() {
    Home home;
    home.WriteSettings("[MRU]\nMruCount=1\nMru0001=/nowhere/gone.apf\n");
    QVERIFY(Loaded().MruList.empty());
    const fs::path sample = home.ProjectPath("Projects/Dovrenkal.apf");
    QVERIFY(Loaded().MruList == (RecentList{sample}));
  }

  void positionAndSizeAreWrittenOnlyForANormalWindow() {
    const struct {
      bool maximized, minimized;
      const char* maximized_value;
      bool geometry;
    } cases[] = {{false, false, "0", true}, {true, false, "1", false}, {false, true, "0", false}, {true, true, "1", false}};
    for (const auto& c : cases) {
      Home home;
      Settings s;
      s.Window = {10, 20, 800, 600, c.maximized, c.minimized};
      QVERIFY(SaveSettings(s));
      const ProfileFile saved = home.Saved();
      QCOMPARE(saved.ReadString("WINDOW", "Maximized", ""), std::string(c.maximized_value));
      for (const char* key : {"Left", "Top", "Width", "Height"})
        QVERIFY2(saved.ReadString("WINDOW", key, "").empty() != c.geometry, key);
      QCOMPARE(saved.ReadInteger("WINDOW", "Preview", -1), 161);

      // The next run keeps the window's own size and position.
      Settings next;
      next.Window.Width = 700;
      LoadSettings(next);
      QCOMPARE(next.Window.Width, c.geometry ? 800 : 700);
      QCOMPARE(next.Window.Maximized, c.maximized);
    }
  }

  void absurdOrGarbledValuesKeepTheirDefaults() {
    Home home;
    home.WriteSettings(
        "[window]\nLeft=-99999\nTop=abc\nWidth=100000\nHeight=0\nMaximized=yes\nPreview=-1\nlvFiles=16385\n"
        "ExpRightPanel=2147483648\nlvLayersType=12\n"
        "[FILE]\nLastThumbDir=relative/folder\nLastGifDir=/no/such/folder\nLastProjectDir=\n"
        "[STARTUP]\nStartDialogOn=maybe\n"
        "[MRU]\nMruCount=-3\nMru0001=" + home.ProjectPath("a.apf").string() + "\n"
        "[PLAYBACK]\nRealTimePlayback=0x0\nCacheMB=8\n[MEMORY]\nLimitMB=12\n");
    const Settings s = Loaded();
    const Settings defaults;
    QCOMPARE(s.Window.Left, defaults.Window.Left);
    QCOMPARE(s.Window.Top, defaults.Window.Top);
    QCOMPARE(s.Window.Width, defaults.Window.Width);
    QCOMPARE(s.Window.Height, defaults.Window.Height);
    QCOMPARE(s.Window.Maximized, false);
    QCOMPARE(s.Preview, defaults.Preview);
    QCOMPARE(s.lvFiles, defaults.lvFiles);
    QCOMPARE(s.ExpRightPanel, defaults.ExpRightPanel);
    QCOMPARE(s.lvLayersType, 12);  // the one sane value is taken
    QCOMPARE(Str(s.LastThumbDir), Str(home.Folder()));
    QCOMPARE(Str(s.LastGifDir), Str(home.Folder()));
    QCOMPARE(Str(s.LastProjectDir), Str(home.Folder()));
    QCOMPARE(s.StartDialogOn, true);
    QVERIFY(s.MruList.empty());
    QCOMPARE(s.RealTimePlayback, true);
    QCOMPARE(s.PlaybackCacheMB, defaults.PlaybackCacheMB);
    QCOMPARE(s.MemoryLimitMB, 0);
  }

  // The memory limit of the settings file is the process's budget, and is
  // written back as it was read.
  void theMemoryLimitIsReadAppliedAndKept() {
    {
      kt58::apptest::MainFormFixture f({false, 0, {}}, "[STARTUP]\nStartDialogOn=0\n[MEMORY]\nLimitMB=1536\n");
      QVERIFY(f.Ready());
      QCOMPARE(kt58::MemoryBudget(), uint64_t{1536} << 20);
    }
    kt58::SetMemoryBudget(0);
    Home home;
    home.WriteSettings("[MEMORY]\nLimitMB=1536\n");
    Settings s = Loaded();
    QCOMPARE(s.MemoryLimitMB, 1536);
    QVERIFY(kt58::app::SaveSettings(s));
    QCOMPARE(Loaded().MemoryLimitMB, 1536);
  }

  void aHugeRecentCountReadsOnlyTheEntriesThere() {
    Home home;
    const fs::path a = home.ProjectPath("a.apf");
    home.WriteSettings("[MRU]\nMruCount=2147483647\nMru0001=" + a.string() + "\n");
    QVERIFY(Loaded().MruList == (RecentList{a}));
  }

  void aFileThatIsNotTextGivesTheDefaults() {
    Home home;
    std::string garbage(64 * 1024, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 2654435761u) >> 11);
    home.WriteSettings(garbage);
    const Settings s = Loaded();
    QCOMPARE(s.Window.Width, 626);
    QCOMPARE(s.StartDialogOn, true);
    QVERIFY(s.MruList.empty());

    // Saving over it leaves a file that reads back.
    Settings changed = s;
    changed.Preview = 300;
    QVERIFY(SaveSettings(changed));
    QCOMPARE(Loaded().Preview, 300);
  }

  void otherSectionsOfTheFileAreKept() {
    Home home;
    home.WriteSettings("[Mine]\nKeep=yes\n[MRU]\nMruCount=1\nMru0001=/nowhere.apf\n");
    Settings s;
    QVERIFY(SaveSettings(s));
    const ProfileFile saved = home.Saved();
    QCOMPARE(saved.ReadString("Mine", "Keep", ""), std::string("yes"));
    QCOMPARE(saved.ReadInteger("MRU", "MruCount", -1), 0);
    QCOMPARE(saved.KeyCount("MRU"), size_t{1});
    QVERIFY(home.SettingsText().starts_with("[Mine]\nKeep=yes\n"));
  }

  void foldersThatAreNotThereBecomeTheProgramFolder() {
    Home home;
    Settings s;
    s.LastGifDir = home.Folder() / "deleted";
    s.LastSingleDir.clear();
    s.LastThumbDir = home.ProjectPath("a.apf");  // a file is not a folder
    ValidateFolders(s);
    QCOMPARE(Str(s.LastGifDir), Str(home.Folder()));
    QCOMPARE(Str(s.LastSingleDir), Str(home.Folder()));
    QCOMPARE(Str(s.LastThumbDir), Str(home.Folder()));
    QCOMPARE(Str(s.LastProjectDir), Str(home.Folder()));
  }

  void savingWithoutAUserFolderWritesNothing() {
    Home home;
    test::WriteFileBytes(home.Folder() / "User", {'x'});  // a file where the folder belongs
    Settings s;
    QVERIFY(!SaveSettings(s));
    QVERIFY(fs::is_regular_file(home.Folder() / "User"));
  }

  void aFailedWriteIsReportedWithTheFileName() {
    Home home;
    home.WriteSettings("[STARTUP]\nStartDialogOn=1\n");
    Settings s;
    s.StartDialogOn = false;
    // The file's name is taken by a folder: the rename into place fails.
    fs::remove(SettingsFilePath());
    fs::create_directory(SettingsFilePath());
    bool raised = false;
    try {
      SaveSettings(s);
    } catch (const PlatformError& e) {
      raised = std::string(e.what()).find("Settings.Ini") != std::string::npos;
    }
    QVERIFY(raised);
    QVERIFY(fs::is_directory(SettingsFilePath()));
  }
};

KT58_APP_TEST(SettingsTest);

#include "settings_test.moc"
