// SPDX-License-Identifier: GPL-3.0-or-later
// The change handlers of a panel's property controls, detached while values
// are loaded into the controls: Disable and Enable nest, and only the
// outermost Enable attaches the handlers again.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

class ControlEvents {
 public:
  // Registers a handler: the function makes the connection and returns it;
  // it is connected now unless events are disabled.
  void Add(std::function<QMetaObject::Connection()> connect);
  // The same for a control's signal and a panel's handler.
  template <class Sender, class Signal, class Receiver, class Handler>
  void Add(Sender* sender, Signal signal, Receiver* receiver, Handler handler) {
    Add([=] { return QObject::connect(sender, signal, receiver, handler); });
  }
  void Disable();
  void Enable();
  int Depth() const { return disabled_; }

 private:
  void Detach();

  std::vector<std::function<QMetaObject::Connection()>> handlers_;
  std::vector<QMetaObject::Connection> connections_;
  int disabled_ = 0;
};

// Control events stay detached while one of these lives; scopes nest.
class ControlEventsPause {
 public:
  explicit ControlEventsPause(ControlEvents& events) : events_(events) { events_.Disable(); }
  ~ControlEventsPause() { events_.Enable(); }
  ControlEventsPause(const ControlEventsPause&) = delete;
  ControlEventsPause& operator=(const ControlEventsPause&) = delete;

 private:
  ControlEvents& events_;
};
