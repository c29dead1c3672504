#include "reading/reading_session.h"

#include <QAction>
#include <QMainWindow>

#include "program/program.h"
#include "platform/edit_control.h"
#include "platform/sound_output.h"
#include "platform/timer.h"
#include "platform/ui.h"
#include "reading/text_to_pinyin.h"

namespace {
const QString kSpace = QStringLiteral(" ");

// One conversion as the session uses it: the character read as in the word
// it stands in (`inWord`, empty for none), separator a space, result trimmed
// of spaces (only spaces: a line break converts to itself and stays).
QString convert(Program& p, const QString& c, const QString& inWord, int mode) {
  QString s = TextToPinyinInWord(p, c, inWord, mode, kSpace);
  qsizetype b = 0, e = s.size();
  while (b < e && s[b] == QLatin1Char(' ')) ++b;
  while (e > b && s[e - 1] == QLatin1Char(' ')) --e;
  return s.mid(b, e - b);
}
}  // namespace

qint16 ToneOf(const QString& reading) {
  if (reading.isEmpty()) return 5;
  const QChar last = reading.back();
  if (last >= QLatin1Char('0') && last <= QLatin1Char('9')) return static_cast<qint16>(last.unicode() - '0');
  return 5;
}

ReadingUnit FormReadingUnit(Program& p) {
  const EditControl& t = *p.txtFile;
  ReadingUnit u;
  const QString c = t.SelText().left(1);
  const int pos = t.SelStart();
  const QString inWord = c.isEmpty() ? QString() : WordReadingAt(p, pos);
  u.initial = convert(p, c, inWord, 2);
  const QString s1 = convert(p, c, inWord, 1);
  const qsizetype restLength = s1.size() - u.initial.size();
  u.rest = restLength > 0 ? s1.right(restLength) : QString();
  u.tone = ToneOf(convert(p, c, inWord, 0));
  // The character after the one being read (nothing at the end of the text).
  const QString next = t.CharAt(pos + 1);
  u.nextTone = next.isEmpty() ? 5 : ToneOf(convert(p, next, WordReadingAt(p, pos + 1), 0));
  u.ch = c;
  return u;
}

void ReadingSession::notice(const QString& text) {
  p_.ui->message(p_.frmMain, text, QStringLiteral("提示"), MsgIcon::Information, MsgButtons::Ok);
}

void ReadingSession::Start() {
  if (p_.SearchDialogOpen) {
    notice(QStringLiteral("请先关闭查找和替换窗口!"));
    return;
  }
  p_.PinyinImeMissing = false;
  TextToPinyin(p_, QStringLiteral("虎"), 2, kSpace);
  if (p_.PinyinImeMissing) {
    notice(QStringLiteral("请先安装微软拼音输入法!"));
    return;
  }
  BuildSoundPaths(p_);
  if (p_.sound->mciExecute(QStringLiteral("open ") + p_.SegmentFilePath + QStringLiteral(" alias QzcSounds")) == 0) {
    notice(QStringLiteral("无法打开声音文件!"));
    return;
  }
  p_.SoundFileOpen = true;
  p_.ReadingActive = true;
  p_.menu.numStart->setEnabled(false);
  p_.menu.numStop->setEnabled(true);
  // The character at the caret becomes the selection (a longer selection
  // shrinks to its first character; at the end nothing is selected).
  p_.txtFile->setSelLength(1);
  p_.Timer2->setEnabled(true);
  speech_.SpeakUnit(FormReadingUnit(p_));
}

void ReadingSession::Step() {
  EditControl& t = *p_.txtFile;
  const int length = t.TextLength();
  const int old = t.SelStart();
  if (old >= length) {
    Stop();
    return;
  }
  // The control refuses a caret inside a line break: go on until it moves.
  int next = old + 1;
  while (next < length && t.IsInsideBreak(next)) ++next;
  t.select(next, 1);
  speech_.SpeakUnit(FormReadingUnit(p_));
}

void ReadingSession::Stop() {
  p_.ReadingActive = false;
  p_.menu.numStop->setEnabled(false);
  p_.menu.numStart->setEnabled(true);
  p_.Timer2->setEnabled(false);
  p_.Timer3->setEnabled(false);
  // A sound still playing is cut, and a unit waiting for its wav ends.
  speech_.Stop();
  p_.sound->mciExecute(QStringLiteral("close QzcSounds"));
  p_.SoundFileOpen = false;
}
