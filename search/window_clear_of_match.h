// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a search window goes so that it does not cover the match it has
// just selected.
#include <QRect>

// The window's frame moved off the match: left where it is when it does not
// cover it; otherwise just above or just below the match (whichever moves
// it less and fits the screen), else beside it, else where it is. The
// window stays within the screen.
QRect placeClearOf(const QRect& window, const QRect& match, const QRect& screen);
