#include "reading/reading_session.h"

#include <QAction>
#include <QMainWindow>

#include "platform/edit_control.h"
#include "platform/input_method.h"
#include "platform/sound_output.h"
#include "platform/timer.h"
#include "platform/ui.h"
#include "program/program.h"
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
  if (last >= QLatin1Char('0') && last <= QLatin1Char('9'))
    return static_cast<qint16>(last.unicode() - '0');
  return 5;
}

namespace {
// The character at a position of the control: a surrogate pair is one.
QString characterAt(const EditControl& t, int pos) {
  const QString c = t.CharAt(pos);
  if (c.size() == 1 && c.at(0).isHighSurrogate()) {
    const QString low = t.CharAt(pos + 1);
    if (low.size() == 1 && low.at(0).isLowSurrogate()) return c + low;
  }
  return c;
}
}  // namespace

ReadingUnit FormReadingUnit(Program& p, const QString& c, const QString& next,
                            const QString& inWord, const QString& nextInWord) {
  ReadingUnit u;
  u.initial = convert(p, c, inWord, 2);
  const QString s1 = convert(p, c, inWord, 1);
  const qsizetype restLength = s1.size() - u.initial.size();
  u.rest = restLength > 0 ? s1.right(restLength) : QString();
  u.tone = ToneOf(convert(p, c, inWord, 0));
  u.nextTone = next.isEmpty() ? 5 : ToneOf(convert(p, next, nextInWord, 0));
  u.ch = c;
  return u;
}

ReadingUnit FormReadingUnit(Program& p) {
  const EditControl& t = *p.txtFile;
  // The first character of the selection (a surrogate pair is one).
  const QString c = t.SelLength() > 0 ? characterAt(t, t.SelStart()) : QString();
  // The character after the one being read (nothing at the end of the text).
  const int pos = t.SelStart();
  const int nextPos = pos + int(qMax<qsizetype>(1, c.size()));
  const QString next = characterAt(t, nextPos);
  return FormReadingUnit(p, c, next, c.isEmpty() ? QString() : WordReadingAt(p, pos),
                         next.isEmpty() ? QString() : WordReadingAt(p, nextPos));
}

QString ReadingStatusText(const ReadingUnit& unit) {
  const QString& c = unit.ch;
  if (c.isEmpty() ||
      (c.size() == 1 && (c.at(0).isSpace() || c.at(0).category() == QChar::Other_Control)))
    return QString();
  const bool toned = unit.tone >= 1 && unit.tone <= 4;
  if (unit.initial.isEmpty() || (!toned && unit.rest.isEmpty())) return c;
  const QString syllable = (unit.initial + unit.rest).toLower();
  return c + QLatin1Char(' ') + PinyinWithToneMark(syllable, PlayedTone(unit));
}

void ReadingSession::notice(const QString& text) {
  p_.ui->message(p_.frmMain, text, QStringLiteral("提示"), MsgIcon::Information, MsgButtons::Ok);
}

ReadingSession::ReadingSession(Program& p, Speech& speech) : p_(p), speech_(speech) {
  // A step that fell due while a wav sound played comes at its end, and the
  // step timer counts the next interval from there.
  speech_.onStepDue = [this] {
    if (!p_.ReadingActive) return;
    if (p_.Timer2 && p_.Timer2->enabled()) p_.Timer2->setEnabled(true);
    Step();
  };
}

void ReadingSession::speak() {
  const ReadingUnit unit = FormReadingUnit(p_);
  p_.showStatus(ReadingStatusText(unit));
  speech_.SpeakUnit(unit);
}

void ReadingSession::Start() {
  if (p_.SearchDialogOpen) {
    notice(QStringLiteral("请先关闭查找和替换窗口!"));
    return;
  }
  p_.PinyinImeMissing = false;
  // A dictionary removed or replaced since the last session is noticed now.
  if (p_.ime) p_.ime->refresh();
  TextToPinyin(p_, QStringLiteral("虎"), 2, kSpace);
  if (p_.PinyinImeMissing) {
    notice(QStringLiteral("请先安装微软拼音输入法!"));
    return;
  }
  BuildSoundPaths(p_);
  if (p_.sound->mciExecute(QStringLiteral("open ") + p_.SegmentFilePath +
                           QStringLiteral(" alias QzcSounds")) == 0) {
    notice(QStringLiteral("无法打开声音文件!"));
    return;
  }
  if (!deviceNoticeShown_ && !p_.sound->hasDevice()) {
    // Told once: reading then goes on with the highlight, in silence.
    deviceNoticeShown_ = true;
    notice(QStringLiteral("未找到声音设备，朗读将没有声音。"));
  }
  p_.SoundFileOpen = true;
  p_.ReadingActive = true;
  p_.menu.numStart->setEnabled(false);
  p_.menu.numStop->setEnabled(true);
  // The character at the caret becomes the selection (a longer selection
  // shrinks to its first character; at the end nothing is selected).
  EditControl& t = *p_.txtFile;
  t.setSelLength(characterAt(t, t.SelStart()).size() == 2 ? 2 : 1);
  p_.Timer2->setEnabled(true);
  speak();
}

void ReadingSession::Step() {
  // The wav sounds of the unit still play: the step comes at their end.
  if (speech_.busy()) {
    speech_.deferStep();
    return;
  }
  EditControl& t = *p_.txtFile;
  const int length = t.TextLength();
  const int old = t.SelStart();
  if (old >= length) {
    Stop();
    return;
  }
  // The control refuses a caret inside a line break: go on until it moves.
  // A surrogate pair is one character.
  int next = old + int(characterAt(t, old).size() == 2 ? 2 : 1);
  while (next < length && t.IsInsideBreak(next)) ++next;
  t.select(next, characterAt(t, next).size() == 2 ? 2 : 1);
  speak();
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
  p_.showStatus(QString());
}
