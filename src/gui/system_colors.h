// SPDX-License-Identifier: GPL-3.0-or-later
// Fills the core's system colour table from a Qt palette, so that colours
// such as clBtnFace look like the desktop the program runs on.
#pragma once

class QPalette;

// Indices without a palette counterpart (desktop, caption and border
// colours) keep their classic values.
void RefillSystemColors(const QPalette& palette);
