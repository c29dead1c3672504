// SPDX-License-Identifier: GPL-3.0-or-later
// The settings reader through the start-up sequence: any file as the
// settings store, then the window's load. What it loads is usable (one
// speed item checked, a reading interval above 0, a font size above 0), and
// once stored, storing it and starting again gives the same state.
#include <QAction>
#include <QApplication>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "app/settings.h"
#include "fuzz/fuzz_check.h"
#include "platform/edit_control.h"
#include "platform/pinyin_dictionary_ime.h"
#include "platform/settings_store.h"
#include "platform/sound_output.h"
#include "support/fake_timer.h"
#include "support/scripted_ui.h"
#include "support/window_deps.h"

namespace {

class Silence : public SoundOutput {
 public:
  bool openSegmentFile(const QString&) override { return true; }
  bool playSegmentRange(qint64, qint64) override { return true; }
  bool closeSegmentFile() override { return true; }
  void playWav(const QString&, bool) override {}
};

struct State {
  QString fontName, fontSize;
  bool bold = false, italic = false;
  qint32 backColor = 0;
  int speedItem = -1, interval = 0, customSpeed = 0;
  bool operator==(const State&) const = default;
};

State start(SettingsStore& store, bool save) {
  ScriptedUi ui;
  ui.fonts = {QStringLiteral("宋体"), QStringLiteral("DejaVu Sans"),
              QStringLiteral("WenQuanYi Micro Hei")};
  Silence sound;
  PinyinDictionaryIme ime({});
  FakeTimer timer1, timer2, timer3;
  MainWindow w(WindowDeps(ui, store).sound(sound).ime(ime).timers(timer1, timer2, timer3));
  w.formLoad();
  Program& p = w.program();
  State s;
  s.fontName = p.txtFile->FontName();
  s.fontSize = fontSizeText(p.txtFile->FontSize());
  s.bold = p.txtFile->FontBold();
  s.italic = p.txtFile->FontItalic();
  s.backColor = p.txtFile->BackColor();
  int checked = 0;
  for (int i = 0; i < 4; ++i) {
    if (p.menu.numSoundSpeed[i]->isChecked()) {
      ++checked;
      s.speedItem = i;
    }
  }
  FUZZ_CHECK(checked == 1);
  s.interval = p.Timer2->interval();
  s.customSpeed = p.reading.CustomSpeed;
  FUZZ_CHECK(s.interval > 0);
  FUZZ_CHECK(p.txtFile->FontSize() > 0);
  if (save) SaveSettings(p);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // A first start would write the file-type association: into a folder of
  // this run, never the user's.
  static QTemporaryDir home;
  qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
  qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
  static QApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = scratchFile(".conf", data, size);
  // The design-time state is not what its own values give when stored (the
  // second speed item is checked with the interval of the third), so the
  // state settles after one store: from then on, a store and a start give
  // the same state again.
  State states[3];
  for (int run = 0; run < 3; ++run) {
    SettingsStore store(path);
    // Without the file-type marker the start-up writes the association,
    // which is no part of reading the settings and slow: it is set.
    if (store.read(QStringLiteral("Type"), QStringLiteral("txt")).isEmpty())
      store.write(QStringLiteral("Type"), QStringLiteral("txt"), QStringLiteral("1"));
    states[run] = start(store, run < 2);
  }
  FUZZ_CHECK(states[1] == states[2]);
  QFile::remove(path);
  return 0;
}
