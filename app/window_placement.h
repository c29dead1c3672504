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

// Restores the stored placement to a window not yet shown, and stores it at
// its close.
void restoreWindowPlacement(QMainWindow& window, const SettingsStore& store);
void storeWindowPlacement(const QMainWindow& window, SettingsStore& store);
