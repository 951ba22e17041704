// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/window_system.h"

#include <QMessageLogContext>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>

namespace kt58::app {

namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

struct HeldMessage {
  QtMsgType type;
  std::string category, text;
};

std::mutex held_mutex;
std::vector<HeldMessage> held;

void HoldOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  std::lock_guard lock(held_mutex);
  if (type != QtFatalMsg) {
    held.push_back({type, context.category ? context.category : "", text.toStdString()});
    return;
  }
  // What the platform plugin said first names the cause ("could not connect
  // to display :1"); what follows, and the fatal text, only talk of plugins.
  std::string cause = held.empty() ? text.toStdString() : held.front().text;
  if (const size_t end = cause.find('\n'); end != std::string::npos) cause.resize(end);
  std::fprintf(stderr, "kt58-animator: needs a display to show its window, and none could be opened (%s)\n",
               cause.c_str());
  std::fflush(nullptr);
  // Qt aborts once this handler returns.
  std::_Exit(1);
}

}  // namespace

std::string MissingDisplayLine(int argc, const char* const* argv) {
  if (Set("QT_QPA_PLATFORM") || Set("DISPLAY") || Set("WAYLAND_DISPLAY")) return {};
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-platform" || arg == "--platform") return {};
  }
  return "kt58-animator: needs a display to show its window (DISPLAY and WAYLAND_DISPLAY are not set); "
         "kt58 does the same work without one\n";
}

WindowSystemStart::WindowSystemStart() : previous_(qInstallMessageHandler(HoldOrEnd)), active_(true) {}

WindowSystemStart::~WindowSystemStart() { Started(); }

void WindowSystemStart::Started() {
  if (!active_) return;
  active_ = false;
  qInstallMessageHandler(previous_);
  std::vector<HeldMessage> messages;
  {
    std::lock_guard lock(held_mutex);
    messages.swap(held);
  }
  for (const HeldMessage& m : messages) {
    const QMessageLogContext context(nullptr, 0, nullptr, m.category.c_str());
    if (previous_)
      previous_(m.type, context, QString::fromStdString(m.text));
    else
      qt_message_output(m.type, context, QString::fromStdString(m.text));
  }
}

}  // namespace kt58::app
