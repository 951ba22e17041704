// SPDX-License-Identifier: GPL-3.0-or-later
// The settings an earlier installed copy kept in its per-user data folder move
// to today's settings folder once, and only while there are none there yet.
#include <QTest>
#include <filesystem>
#include <string>

#include "app_test.h"
#include "gui/settings.h"
#include "platform/profile_file.h"
#include "platform/program_folder.h"
#include "support/test_support.h"

using namespace kt58;
using namespace kt58::app;
namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  test::WriteFileBytes(path, {text.begin(), text.end()});
}

std::string ReadText(const fs::path& path) {
  const auto bytes = test::ReadFileBytes(path);
  return {bytes.begin(), bytes.end()};
}

}  // namespace

class FormerSettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void settingsMoveWithTheFormerProposalsReplaced() {
    test::TempDir home;  // today's settings and proposals: a portable folder
    fs::create_directories(ProgramFolder() / "Projects");
    fs::create_directories(ProgramFolder() / "Output");
    const fs::path former = home / "former-data";
    const fs::path users = home / "mine";
    fs::create_directories(former / "Output");
    fs::create_directories(users);
    WriteText(former / "Projects" / "walk.apf", "apf");
    WriteText(users / "run.apf", "apf");
    WriteText(former / "User" / "Settings.Ini",
              "[WINDOW]\nWidth=900\n"
              "[FILE]\nLastGifDir=" + (former / "Output").string() + "\nLastBmpDir=" + users.string() +
                  "\nLastProjSaveDir=" + (former / "Projects-gone").string() + "\n"
              "[MRU]\nMruCount=3\nMru0001=" + (users / "run.apf").string() +
                  "\nMru0002=Projects\\walk.apf\nMru0003=" + (users / "gone.apf").string() + "\n"
              "[Mine]\nKeep=yes\n");

    QVERIFY(MoveFormerSettings(former));
    QVERIFY(!fs::exists(former / "User"));
    // What the user made there stays where it is.
    QVERIFY(fs::is_regular_file(former / "Projects" / "walk.apf"));
    QVERIFY(fs::is_directory(former / "Output"));

    const ProfileFile moved = ProfileFile::Load(SettingsFilePath());
    QCOMPARE(moved.ReadInteger("WINDOW", "Width", 0), 900);
    QCOMPARE(moved.ReadString("Mine", "Keep", ""), std::string("yes"));
    // A relative entry lay below the former folder; a missing project goes.
    QCOMPARE(moved.ReadInteger("MRU", "MruCount", 0), 2);
    QCOMPARE(moved.ReadString("MRU", "Mru0001", ""), (users / "run.apf").string());
    QCOMPARE(moved.ReadString("MRU", "Mru0002", ""), (former / "Projects" / "walk.apf").string());
    // The user's own choice stays; the program's former proposals, there or
    // gone, become today's.
    QCOMPARE(moved.ReadString("FILE", "LastBmpDir", ""), users.string());
    QCOMPARE(moved.ReadString("FILE", "LastGifDir", ""), (ProgramFolder() / "Output").string());
    QCOMPARE(moved.ReadString("FILE", "LastProjSaveDir", ""), (ProgramFolder() / "Projects").string());
  }

  void theyMoveOnlyWhileThereAreNoSettingsYet() {
    test::TempDir home;
    const fs::path former = home / "former-data";
    const fs::path former_file = former / "User" / "Settings.Ini";
    WriteText(former_file, "[STARTUP]\nStartDialogOn=0\n");
    QVERIFY(MoveFormerSettings(former));
    const std::string moved = ReadText(SettingsFilePath());
    QVERIFY(moved.find("StartDialogOn=0") != std::string::npos);

    // An older copy run again writes its file anew: it stays its own.
    WriteText(former_file, "[STARTUP]\nStartDialogOn=1\n");
    QVERIFY(!MoveFormerSettings(former));
    QCOMPARE(ReadText(SettingsFilePath()), moved);
    QCOMPARE(ReadText(former_file), std::string("[STARTUP]\nStartDialogOn=1\n"));
  }

  void nothingMovesWithoutAFormerFileOrAPlaceForIt() {
    test::TempDir home;
    const fs::path former = home / "former-data";
    QVERIFY(!MoveFormerSettings(former));
    QVERIFY(!MoveFormerSettings({}));
    QVERIFY(!fs::exists(SettingsFilePath()));

    // The settings folder cannot be made: the former file stays for the
    // next start.
    WriteText(former / "User" / "Settings.Ini", "[STARTUP]\nStartDialogOn=0\n");
    test::WriteFileBytes(SettingsFilePath().parent_path(), {'x'});
    QVERIFY(!MoveFormerSettings(former));
    QVERIFY(fs::is_regular_file(former / "User" / "Settings.Ini"));
  }
};

KT58_APP_TEST(FormerSettingsTest);

#include "former_settings_test.moc"
