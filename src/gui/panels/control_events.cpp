// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panels/control_events.h"

void ControlEvents::Add(std::function<QMetaObject::Connection()> connect) {
  handlers_.push_back(std::move(connect));
  if (disabled_ < 1) connections_.push_back(handlers_.back()());
}

void ControlEvents::Detach() {
  for (const auto& c : connections_) QObject::disconnect(c);
  connections_.clear();
}

void ControlEvents::Disable() {
  ++disabled_;
  Detach();
}

void ControlEvents::Enable() {
  --disabled_;
  if (disabled_ >= 1) return;
  // The counter can reach below zero after an unmatched Enable; handlers are
  // never connected twice.
  Detach();
  for (const auto& make : handlers_) connections_.push_back(make());
}
