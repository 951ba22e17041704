// SPDX-License-Identifier: GPL-3.0-or-later
// Qt Test classes of the desktop app. Every file registers its class at
// namespace scope with KT58_APP_TEST(ClassName) on a line of its own; CMake
// reads those lines and makes one CTest test per class.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace kt58::apptest {

struct Registration {
  const char* name;
  std::function<std::unique_ptr<QObject>()> make;
};

std::vector<Registration>& Registry();

struct Registrar {
  Registrar(const char* name, std::function<std::unique_ptr<QObject>()> make) {
    Registry().push_back({name, std::move(make)});
  }
};

}  // namespace kt58::apptest

#define KT58_APP_TEST(Class) \
  static const ::kt58::apptest::Registrar kt58_registrar_##Class(#Class, [] { return std::make_unique<Class>(); })
