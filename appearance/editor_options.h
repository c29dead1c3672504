// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editor's view options of the 格式 menu: word wrap, the line-number
// margin and the colour scheme, kept in the settings section "Editor" (keys
// "WordWrap", "LineNumbers", "ColorScheme"); a store without them gives
// wrapping on, no numbers and the system's colours.
#include <QPalette>
#include <QString>

class SettingsStore;
struct Program;

enum class ColorScheme { System = 0, Light = 1, Dark = 2 };

struct EditorOptions {
  bool wordWrap = true;
  bool lineNumbers = false;
  ColorScheme scheme = ColorScheme::System;
};

// Values that are missing or not understood keep their defaults.
EditorOptions readEditorOptions(const SettingsStore& store);
void writeEditorOptions(SettingsStore& store, const EditorOptions& options);

// The palette of a scheme; `system` is the desktop's own, which 跟随系统 keeps.
QPalette schemePalette(ColorScheme scheme, const QPalette& system);
// Gives the whole application the scheme's palette; the desktop's own is
// kept from the first call.
void applyColorScheme(ColorScheme scheme);

// The options as the menu shows them.
EditorOptions editorOptionsOf(const Program& p);
// Checks the menu items and gives the editor the options.
void applyEditorOptions(Program& p, const EditorOptions& options);
