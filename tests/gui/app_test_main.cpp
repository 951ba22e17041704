// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the app's Qt Test classes on the offscreen platform: all of them, or
// the one named by the first argument (further arguments go to Qt Test).
#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstring>

#include "app_test.h"
#include "engine/colors.h"

namespace kt58::apptest {

std::vector<Registration>& Registry() {
  static std::vector<Registration> registry;
  return registry;
}

}  // namespace kt58::apptest

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("kt58 Animator"));

  const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
  QStringList qtest_args{QString::fromLocal8Bit(argv[0])};
  for (int i = only ? 2 : 1; i < argc; ++i) qtest_args << QString::fromLocal8Bit(argv[i]);

  int failures = 0;
  bool found = false;
  for (const auto& reg : kt58::apptest::Registry()) {
    if (only && std::strcmp(only, reg.name) != 0) continue;
    found = true;
    kt58::ResetSystemColors();
    const std::unique_ptr<QObject> test = reg.make();
    failures += QTest::qExec(test.get(), qtest_args);
  }
  if (!found) {
    std::fprintf(stderr, "no test class named %s\n", only ? only : "(any)");
    return 2;
  }
  return failures == 0 ? 0 : 1;
}
