// SPDX-License-Identifier: GPL-3.0-or-later
// How the desktop app tells the user things outside its windows' own
// controls: message boxes, the busy cursor, and whether the app is quitting.
#pragma once

#include <QString>
#include <string>

// Message text from the core: UTF-8, line breaks as carriage returns.
QString MessageText(const std::string& text);

// A plain message box with one OK button, owned by the modal or active
// window; carriage returns in the text are line breaks.
void showMessage(const std::string& text);

// The wait cursor for the life of a scope; scopes nest.
class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// From the call on (once the application exists), appTerminating() hears of
// the application's aboutToQuit.
void watchForQuit();
// True once the application has been asked to quit, so that long jobs stop
// running events and re-entered handlers stay away.
bool appTerminating();

// Lets pending events run, unless the app is quitting.
void processPendingEvents();
