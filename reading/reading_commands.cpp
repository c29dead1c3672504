// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/reading_commands.h"

#include <QFileInfo>
#include <QMainWindow>

#include "platform/edit_control.h"
#include "platform/paths.h"
#include "platform/timer.h"
#include "platform/ui.h"
#include "program/program.h"
#include "reading/reading_walk.h"
#include "reading/speed_options.h"
#include "reading/wav_render.h"

SpeechContext WindowSpeechContext(Program& p) {
  return SpeechContext{p.reading, p.sound, p.Timer2, p.Timer3, p.WavTimer};
}

void ReadingCommands::numStart() {
  session_.soundDir = soundDir;
  session_.Start();
}
void ReadingCommands::numStop() { session_.Stop(); }
void ReadingCommands::numPause() { session_.PauseOrResume(); }
void ReadingCommands::numPrevSentence() { session_.SkipSentence(-1); }
void ReadingCommands::numNextSentence() { session_.SkipSentence(1); }
void ReadingCommands::timer2Tick() { session_.Step(); }
void ReadingCommands::timer3Tick() { speech_.Timer3Tick(); }
void ReadingCommands::wavTimerTick() { speech_.WavTick(); }
void ReadingCommands::numSoundOpt(int index) { ::numSoundOpt(p_, index); }
void ReadingCommands::numWords() { ::numWords(p_); }
void ReadingCommands::numSoundSpeed(int index) { ::numSoundSpeed(p_, index); }

void ReadingCommands::numReadToFile() {
  auto notice = [this](const QString& text, const QString& title, MsgIcon icon) {
    p_.ui->message(p_.frmMain, text, title, icon, MsgButtons::Ok);
  };
  if (p_.ReadingActive) {
    notice(QStringLiteral("请先停止朗读!"), QStringLiteral("提示"), MsgIcon::Information);
    return;
  }
  FileDialogSetup setup;
  setup.caption = QStringLiteral("朗读到文件");
  setup.filter = QStringLiteral("波形声音(*.wav)|*.wav|所有文件|*.*");
  setup.defaultName = QStringLiteral("*.wav");
  std::optional<QString> name = p_.ui->saveFileName(p_.frmMain, setup);
  if (!name || name->isEmpty()) return;
  QString fileName = *name;
  if (QFileInfo(fileName).suffix().isEmpty()) fileName += QStringLiteral(".wav");

  // From the caret to the end, or the selection when it is longer than one
  // character, as the window reads it.
  const EditControl& t = *p_.txtFile;
  const QString text = t.Text();
  const int start = t.SelStart();
  const int length = t.SelLength();
  const bool selection = p_.reading.ReadSelectionOnly &&
                         length > characterWidth(StringSource(text), start, start + length);
  RenderJob job;
  job.text = selection ? text.mid(start, length) : text.mid(start);
  job.intervalMs = p_.Timer2 ? p_.Timer2->interval() : 500;
  job.soundDir = soundDir.isEmpty() ? executableDir() : soundDir;
  job.ime = p_.reading.ime;
  job.words = p_.reading.words;
  job.byWords = p_.reading.ReadByWords;
  job.neutralTone = p_.reading.ReadNeutralTone;
  job.toneSandhi = p_.reading.ReadToneSandhi;
  job.outFile = fileName;
  std::unique_ptr<ProgressWindow> progress = p_.ui->progress(
      p_.frmMain, QStringLiteral("朗读到文件"), QStringLiteral("正在朗读到文件..."));
  if (progress) job.progress = [&progress](int percent) { return progress->update(percent); };
  const RenderResult r = RenderReading(job);
  progress.reset();
  switch (r.status) {
    case RenderStatus::Ok: p_.showStatus(QStringLiteral("已朗读到文件 ") + fileName); break;
    case RenderStatus::Cancelled: break;
    case RenderStatus::NoPinyin:
      notice(QStringLiteral("请先安装微软拼音输入法!"), QStringLiteral("提示"),
             MsgIcon::Information);
      break;
    case RenderStatus::NoSoundSet:
      notice(QStringLiteral("无法打开声音文件!"), QStringLiteral("提示"), MsgIcon::Information);
      break;
    case RenderStatus::WriteFailed:
      notice(r.error, QStringLiteral("出错"), MsgIcon::Critical);
      break;
  }
}
