// SPDX-License-Identifier: GPL-3.0-or-later
#include "appearance/editor_options.h"

#include <QAction>
#include <QApplication>
#include <optional>

#include "platform/edit_control.h"
#include "platform/settings_store.h"
#include "program/program.h"

namespace {

const QString kEditor = QStringLiteral("Editor");

std::optional<bool> parseBool(const QString& text) {
  const QString t = text.trimmed();
  if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1"))
    return true;
  if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0"))
    return false;
  return std::nullopt;
}

QString boolText(bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); }

const char* const kSchemeNames[] = {"System", "Light", "Dark"};

void setGroup(QPalette& p, QPalette::ColorGroup g, const QColor& window, const QColor& text,
              const QColor& base, const QColor& button, const QColor& highlight,
              const QColor& highlighted, const QColor& placeholder) {
  p.setColor(g, QPalette::Window, window);
  p.setColor(g, QPalette::WindowText, text);
  p.setColor(g, QPalette::Base, base);
  p.setColor(g, QPalette::AlternateBase, window);
  p.setColor(g, QPalette::Text, text);
  p.setColor(g, QPalette::Button, button);
  p.setColor(g, QPalette::ButtonText, text);
  p.setColor(g, QPalette::BrightText, Qt::red);
  p.setColor(g, QPalette::Highlight, highlight);
  p.setColor(g, QPalette::HighlightedText, highlighted);
  p.setColor(g, QPalette::PlaceholderText, placeholder);
  p.setColor(g, QPalette::ToolTipBase, base);
  p.setColor(g, QPalette::ToolTipText, text);
  p.setColor(g, QPalette::Light, button.lighter(150));
  p.setColor(g, QPalette::Midlight, button.lighter(125));
  p.setColor(g, QPalette::Mid, button.darker(130));
  p.setColor(g, QPalette::Dark, button.darker(160));
  p.setColor(g, QPalette::Shadow, Qt::black);
}

}  // namespace

EditorOptions readEditorOptions(const SettingsStore& store) {
  EditorOptions o;
  if (const auto b = parseBool(store.read(kEditor, QStringLiteral("WordWrap")))) o.wordWrap = *b;
  if (const auto b = parseBool(store.read(kEditor, QStringLiteral("LineNumbers"))))
    o.lineNumbers = *b;
  const QString scheme = store.read(kEditor, QStringLiteral("ColorScheme")).trimmed();
  for (int i = 0; i < 3; ++i)
    if (scheme.compare(QLatin1String(kSchemeNames[i]), Qt::CaseInsensitive) == 0)
      o.scheme = static_cast<ColorScheme>(i);
  return o;
}

void writeEditorOptions(SettingsStore& store, const EditorOptions& o) {
  store.write(kEditor, QStringLiteral("WordWrap"), boolText(o.wordWrap));
  store.write(kEditor, QStringLiteral("LineNumbers"), boolText(o.lineNumbers));
  store.write(kEditor, QStringLiteral("ColorScheme"),
              QLatin1String(kSchemeNames[static_cast<int>(o.scheme)]));
}

QPalette schemePalette(ColorScheme scheme, const QPalette& system) {
  if (scheme == ColorScheme::System) return system;
  QPalette p;
  if (scheme == ColorScheme::Dark) {
    const QColor window(0x2B, 0x2B, 0x2B), text(0xE6, 0xE6, 0xE6), base(0x1E, 0x1E, 0x1E),
        button(0x3A, 0x3A, 0x3A), highlight(0x2F, 0x6F, 0xD0), placeholder(0x9A, 0x9A, 0x9A);
    for (auto g : {QPalette::Active, QPalette::Inactive})
      setGroup(p, g, window, text, base, button, highlight, Qt::white, placeholder);
    setGroup(p, QPalette::Disabled, window, QColor(0x80, 0x80, 0x80), base, button,
             QColor(0x40, 0x50, 0x68), QColor(0xC0, 0xC0, 0xC0), QColor(0x70, 0x70, 0x70));
  } else {
    const QColor window(0xF0, 0xF0, 0xF0), base(Qt::white), button(0xE8, 0xE8, 0xE8),
        highlight(0x30, 0x70, 0xD0), placeholder(0x70, 0x70, 0x70);
    for (auto g : {QPalette::Active, QPalette::Inactive})
      setGroup(p, g, window, Qt::black, base, button, highlight, Qt::white, placeholder);
    setGroup(p, QPalette::Disabled, window, QColor(0x90, 0x90, 0x90), base, button,
             QColor(0xA0, 0xB8, 0xE0), Qt::white, QColor(0xA0, 0xA0, 0xA0));
  }
  return p;
}

void applyColorScheme(ColorScheme scheme) {
  static const QPalette system = QApplication::palette();
  QApplication::setPalette(schemePalette(scheme, system));
}

EditorOptions editorOptionsOf(const Program& p) {
  EditorOptions o;
  const MainMenu& m = p.menu;
  if (m.numWrap) o.wordWrap = m.numWrap->isChecked();
  if (m.numLineNumbers) o.lineNumbers = m.numLineNumbers->isChecked();
  for (int i = 0; i < 3; ++i)
    if (m.numSchemeItem[i] && m.numSchemeItem[i]->isChecked())
      o.scheme = static_cast<ColorScheme>(i);
  return o;
}

void applyEditorOptions(Program& p, const EditorOptions& o) {
  MainMenu& m = p.menu;
  if (m.numWrap) m.numWrap->setChecked(o.wordWrap);
  if (m.numLineNumbers) m.numLineNumbers->setChecked(o.lineNumbers);
  for (int i = 0; i < 3; ++i)
    if (m.numSchemeItem[i]) m.numSchemeItem[i]->setChecked(i == static_cast<int>(o.scheme));
  // The desktop's colours are the application's already: only a scheme of
  // our own is laid over them.
  static bool schemeApplied = false;
  if (o.scheme != ColorScheme::System || schemeApplied) {
    applyColorScheme(o.scheme);
    schemeApplied = true;
  }
  if (EditControl* t = p.txtFile) {
    t->setWordWrap(o.wordWrap);
    t->setLineNumbersShown(o.lineNumbers);
    t->refreshColors();
  }
}
