// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_placement.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <algorithm>

#include <QCoreApplication>
#include "platform/process_alive.h"
#include "platform/settings_store.h"

namespace {

const QString kWindow = QStringLiteral("Window");

bool readInt(const SettingsStore& store, const char* key, int* value) {
  bool ok = false;
  *value = store.read(kWindow, QLatin1String(key)).trimmed().toInt(&ok);
  return ok;
}

// The part of the window the user needs to reach it: its top strip, where
// the title bar is.
constexpr int kGrip = 40;

}  // namespace

bool readWindowPlacement(const SettingsStore& store, WindowPlacement* placement) {
  int x = 0, y = 0, w = 0, h = 0;
  if (!readInt(store, "X", &x) || !readInt(store, "Y", &y) || !readInt(store, "Width", &w) ||
      !readInt(store, "Height", &h))
    return false;
  if (w < 100 || h < 60 || w > 100000 || h > 100000) return false;
  placement->normal = QRect(x, y, w, h);
  placement->maximized = store.read(kWindow, QStringLiteral("Maximized")) == QLatin1String("True");
  return true;
}

void writeWindowPlacement(SettingsStore& store, const WindowPlacement& placement) {
  store.write(kWindow, QStringLiteral("X"), QString::number(placement.normal.x()));
  store.write(kWindow, QStringLiteral("Y"), QString::number(placement.normal.y()));
  store.write(kWindow, QStringLiteral("Width"), QString::number(placement.normal.width()));
  store.write(kWindow, QStringLiteral("Height"), QString::number(placement.normal.height()));
  store.write(kWindow, QStringLiteral("Maximized"),
              placement.maximized ? QStringLiteral("True") : QStringLiteral("False"));
}

QRect placeOnScreens(const QRect& window, const QList<QRect>& screens) {
  if (screens.isEmpty()) return window;
  const QRect grip(window.x(), window.y(), window.width(), std::min(kGrip, window.height()));
  for (const QRect& s : screens) {
    const QRect seen = s.intersected(grip);
    if (seen.width() >= std::min(kGrip * 2, window.width()) &&
        seen.height() >= std::min(kGrip / 2, grip.height()))
      return window;  // reachable where it is
  }
  // The screen it overlaps most, else the nearest.
  QRect target = screens.first();
  qint64 best = 0;
  for (const QRect& s : screens) {
    const QRect common = s.intersected(window);
    const qint64 area = qint64(common.width()) * common.height();
    if (area > best) {
      best = area;
      target = s;
    }
  }
  if (best == 0) {
    const QPoint c = window.center();
    auto distance = [&c](const QRect& s) {
      const QPoint d = s.center() - c;
      return qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
    };
    for (const QRect& s : screens)
      if (distance(s) < distance(target)) target = s;
  }
  QRect r = window;
  r.setWidth(std::min(r.width(), target.width()));
  r.setHeight(std::min(r.height(), target.height()));
  r.moveLeft(std::clamp(r.x(), target.left(), target.left() + target.width() - r.width()));
  r.moveTop(std::clamp(r.y(), target.top(), target.top() + target.height() - r.height()));
  return r;
}

bool restoreWindowPlacement(QMainWindow& window, const SettingsStore& store) {
  WindowPlacement placement;
  if (!readWindowPlacement(store, &placement)) return false;
  QList<QRect> screens;
  for (const QScreen* s : QGuiApplication::screens()) screens << s->availableGeometry();
  window.setGeometry(placeOnScreens(placement.normal, screens));
  if (placement.maximized) window.setWindowState(window.windowState() | Qt::WindowMaximized);
  return true;
}

void storeWindowPlacement(const QMainWindow& window, SettingsStore& store) {
  WindowPlacement placement;
  placement.maximized = window.isMaximized();
  placement.normal = placement.maximized ? window.normalGeometry() : window.geometry();
  if (!placement.normal.isValid()) placement.normal = window.geometry();
  writeWindowPlacement(store, placement);
}

QRect firstStartGeometry(const QRect& screen) {
  const int w = screen.width() * 2 / 3, h = screen.height() * 2 / 3;
  return QRect(screen.x() + (screen.width() - w) / 2, screen.y() + (screen.height() - h) / 2, w, h);
}

QRect cascadeFrom(const QRect& last, const QRect& screen) {
  QRect r = last.translated(kCascadeStep, kCascadeStep);
  if (r.right() > screen.right() || r.bottom() > screen.bottom()) r.moveTopLeft(screen.topLeft());
  r.setWidth(std::min(r.width(), screen.width()));
  r.setHeight(std::min(r.height(), screen.height()));
  return r;
}

namespace {
const QString kShown = QStringLiteral("Shown");

// "x,y,width,height,pid" of the window a running copy shows.
bool readShown(const SettingsStore& store, QRect* rect, qint64* pid) {
  const QStringList parts = store.read(kWindow, kShown).split(QLatin1Char(','));
  if (parts.size() != 5) return false;
  int v[4];
  bool ok = true;
  for (int i = 0; i < 4 && ok; ++i) v[i] = parts[i].trimmed().toInt(&ok);
  if (ok) *pid = parts[4].trimmed().toLongLong(&ok);
  if (!ok || v[2] < 100 || v[3] < 60) return false;
  *rect = QRect(v[0], v[1], v[2], v[3]);
  return true;
}
}  // namespace

void placeNewWindow(QMainWindow& window, SettingsStore& store) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
  if (!restoreWindowPlacement(window, store)) window.setGeometry(firstStartGeometry(available));
  QRect other;
  qint64 pid = 0;
  const qint64 own = QCoreApplication::applicationPid();
  if (readShown(store, &other, &pid) && pid != own && processAlive(pid) && !window.isMaximized())
    window.setGeometry(cascadeFrom(other, available));
  const QRect g = window.geometry();
  store.write(kWindow, kShown,
              QStringLiteral("%1,%2,%3,%4,%5")
                  .arg(g.x())
                  .arg(g.y())
                  .arg(g.width())
                  .arg(g.height())
                  .arg(own));
  store.sync();
}

void forgetShownWindow(SettingsStore& store) {
  QRect r;
  qint64 pid = 0;
  if (readShown(store, &r, &pid) && pid == QCoreApplication::applicationPid())
    store.remove(kWindow, kShown);
}
