// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's size, position and maximised state, kept from one run
// to the next in a settings section of their own ("Window"); the keys of the
// preferences are not touched.
#include <QList>
#include <QRect>

class QMainWindow;
class SettingsStore;

struct WindowPlacement {
  QRect normal;  // the window's client area when not maximised
  bool maximized = false;
};

// Reads the stored placement; false when none (or an unusable one) is stored.
bool readWindowPlacement(const SettingsStore& store, WindowPlacement* placement);
void writeWindowPlacement(SettingsStore& store, const WindowPlacement& placement);

// Brings a window rectangle onto the screens: one that shows too little on
// every screen's available area (its title bar out of reach) is moved onto
// the screen it overlaps most, or the nearest one, and made to fit it.
QRect placeOnScreens(const QRect& window, const QList<QRect>& screens);

// The window's place on a first start, without a stored one: two thirds of
// the screen's available area, centred on it.
QRect firstStartGeometry(const QRect& screen);
// The place of a window opened while another one shows at `last`: down and
// to the right of it, back at the screen's top left corner once it would
// leave the screen.
QRect cascadeFrom(const QRect& last, const QRect& screen);
constexpr int kCascadeStep = 32;

// Restores the stored placement to a window not yet shown (false when none
// is stored), and stores it at its close.
bool restoreWindowPlacement(QMainWindow& window, const SettingsStore& store);
void storeWindowPlacement(const QMainWindow& window, SettingsStore& store);

// Windows of other running copies: the window about to be shown takes its
// place by the stored placement, the first-start one or, when another copy
// shows its window, cascaded from that one; then it tells the store that it
// shows. `forget` at its close takes that back.
void placeNewWindow(QMainWindow& window, SettingsStore& store);
void forgetShownWindow(SettingsStore& store);
