// SPDX-License-Identifier: GPL-3.0-or-later
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
QString convert(ReadingState& r, const QString& c, const QString& inWord, int mode) {
  QString s = TextToPinyinInWord(r, c, inWord, mode, kSpace);
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

ReadingUnit FormReadingUnit(ReadingState& r, const QString& c, const QString& next,
                            const QString& inWord, const QString& nextInWord) {
  ReadingUnit u;
  u.initial = convert(r, c, inWord, 2);
  const QString s1 = convert(r, c, inWord, 1);
  const qsizetype restLength = s1.size() - u.initial.size();
  u.rest = restLength > 0 ? s1.right(restLength) : QString();
  u.tone = ToneOf(convert(r, c, inWord, 0));
  u.nextTone = next.isEmpty() ? 5 : ToneOf(convert(r, next, nextInWord, 0));
  u.ch = c;
  return u;
}

// The edit control as the reading walks it: the reading position is the
// caret, the character being read the selection.
namespace {
constexpr int kLoadAhead = 256;

class ControlSource : public TextSource {
 public:
  explicit ControlSource(Program& p) : p_(p) {}
  int length() const override {
    EditControl& t = *p_.txtFile;
    // Reading does not end where a large file's load has got to: near
    // there, the rest is brought in first.
    if (t.isLoading() && t.SelStart() + kLoadAhead >= t.TextLength()) t.finishLoading();
    return t.TextLength();
  }
  QChar at(int pos) const override {
    const QString c = p_.txtFile->CharAt(pos);
    return c.isEmpty() ? QChar() : c.at(0);
  }
  bool refusesPosition(int pos) const override { return p_.txtFile->IsInsideBreak(pos); }
  int position() const override { return p_.txtFile->SelStart(); }
  void show(int pos, int width) override { p_.txtFile->select(pos, width); }
  QString wordReading(int pos) const override { return WordReadingAt(p_, pos); }

 private:
  Program& p_;
};
}  // namespace

ReadingUnit FormReadingUnit(Program& p) {
  const ControlSource t(p);
  const int pos = p.txtFile->SelStart();
  // The first character of the selection (nothing when none is selected).
  const QString c = p.txtFile->SelLength() > 0 ? characterAt(t, pos) : QString();
  // The character after the one being read (nothing at the end of the text).
  const int nextPos = pos + int(qMax<qsizetype>(1, c.size()));
  const QString next = characterAt(t, nextPos);
  return FormReadingUnit(p.reading, c, next, c.isEmpty() ? QString() : WordReadingAt(p, pos),
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

bool IsSentenceEnd(QChar c) {
  static const QString ends = QStringLiteral("。！？；….!?;\r\n\u2028\u2029");
  return ends.contains(c);
}

namespace {
bool isSentenceStart(const QString& text, int pos) {
  return pos == 0 ||
         (pos < text.size() && IsSentenceEnd(text.at(pos - 1)) && !IsSentenceEnd(text.at(pos)));
}
}  // namespace

int SentenceStartAfter(const QString& text, int pos) {
  const int length = int(text.size());
  for (int i = std::max(pos + 1, 1); i < length; ++i)
    if (isSentenceStart(text, i)) return i;
  return length;
}

int SentenceStartBefore(const QString& text, int pos) {
  pos = std::clamp(pos, 0, int(text.size()));
  int current = pos;
  while (current > 0 && !isSentenceStart(text, current)) --current;
  for (int i = current - 1; i > 0; --i)
    if (isSentenceStart(text, i)) return i;
  return 0;
}

int PositionAfterEdit(const QString& before, const QString& after, int pos) {
  const int a = int(before.size()), b = int(after.size());
  int head = 0;
  while (head < a && head < b && before.at(head) == after.at(head)) ++head;
  if (pos <= head) return std::min(pos, b);
  int tail = 0;
  while (tail < a - head && tail < b - head && before.at(a - 1 - tail) == after.at(b - 1 - tail))
    ++tail;
  // The text from `pos` on is still there, after the edit.
  if (a - pos <= tail) return b - (a - pos);
  return head;
}

void ReadingSession::notice(const QString& text) {
  p_.ui->message(p_.frmMain, text, QStringLiteral("提示"), MsgIcon::Information, MsgButtons::Ok);
}

ReadingSession::ReadingSession(Program& p, Speech& speech)
    : p_(p), speech_(speech), source_(std::make_unique<ControlSource>(p)), walk_(speech) {
  walk_.onUnit = [this](const ReadingUnit& unit, int) { p_.showStatus(ReadingStatusText(unit)); };
  walk_.onEnd = [this] { Stop(); };
}

ReadingSession::~ReadingSession() = default;

void ReadingSession::updateMenu() {
  MainMenu& m = p_.menu;
  // While paused, 开始朗读 starts a new session from the caret.
  if (m.numStart) m.numStart->setEnabled(!p_.ReadingActive || paused_);
  if (m.numStop) m.numStop->setEnabled(p_.ReadingActive);
  if (m.numPause) m.numPause->setEnabled(p_.ReadingActive);
  if (m.numPrevSentence) m.numPrevSentence->setEnabled(p_.ReadingActive);
  if (m.numNextSentence) m.numNextSentence->setEnabled(p_.ReadingActive);
}

void ReadingSession::Start() {
  if (p_.SearchDialogOpen) {
    notice(QStringLiteral("请先关闭查找和替换窗口!"));
    return;
  }
  // A paused session gives way to the new one.
  if (p_.ReadingActive && paused_) Stop();
  if (p_.ReadingActive) return;
  p_.reading.PinyinImeMissing = false;
  // A dictionary removed or replaced since the last session is noticed now.
  if (p_.reading.ime) p_.reading.ime->refresh();
  TextToPinyin(p_.reading, QStringLiteral("虎"), 2, kSpace);
  if (p_.reading.PinyinImeMissing) {
    notice(QStringLiteral("请先安装微软拼音输入法!"));
    return;
  }
  BuildSoundPaths(p_.reading, soundDir.isEmpty() ? executableDir() : soundDir);
  if (!p_.sound->openSegmentFile(p_.reading.SegmentFilePath)) {
    notice(QStringLiteral("无法打开声音文件!"));
    return;
  }
  if (!deviceNoticeShown_ && !p_.sound->hasDevice()) {
    // Told once: reading then goes on with the highlight, in silence.
    deviceNoticeShown_ = true;
    notice(QStringLiteral("未找到声音设备，朗读将没有声音。"));
  }
  p_.reading.SoundFileOpen = true;
  p_.ReadingActive = true;
  paused_ = false;
  updateMenu();
  // A selection of more than one character is read to its end (one
  // surrogate pair is one character); otherwise reading goes to the end of
  // the text. The character at the caret is read first.
  EditControl& t = *p_.txtFile;
  const int start = t.SelStart();
  const int length = t.SelLength();
  const bool selection =
      p_.reading.ReadSelectionOnly && length > characterWidth(*source_, start, start + length);
  walk_.begin(*source_, selection ? start + length : -1);
  p_.Timer2->setEnabled(true);
  walk_.readAt(start);
}

void ReadingSession::Step() {
  if (!p_.ReadingActive || paused_) return;
  walk_.step();
}

void ReadingSession::PauseOrResume() {
  if (!p_.ReadingActive) return;
  EditControl& t = *p_.txtFile;
  if (!paused_) {
    paused_ = true;
    p_.Timer2->setEnabled(false);
    p_.Timer3->setEnabled(false);
    speech_.Stop();
    // The character after the one being read (the end when it was the end).
    const int last = t.SelStart();
    const int end = walk_.end();
    resumeAt_ = last >= end ? end : nextReadingPosition(*source_, last, end);
    pausedEnd_ = end < t.TextLength() ? end : -1;
    pausedText_ = t.Text();
    walk_.finish();
    p_.showStatus(QStringLiteral("已暂停"));
    updateMenu();
    return;
  }
  // Edits made meanwhile move the place with the text around it.
  const QString text = t.Text();
  int at = PositionAfterEdit(pausedText_, text, resumeAt_);
  int end = pausedEnd_ < 0 ? -1 : PositionAfterEdit(pausedText_, text, pausedEnd_);
  pausedText_.clear();
  paused_ = false;
  updateMenu();
  walk_.begin(*source_, end);
  while (at < walk_.end() && source_->refusesPosition(at)) ++at;
  p_.Timer2->setEnabled(true);
  walk_.readAt(at);
}

void ReadingSession::SkipSentence(int direction) {
  if (!p_.ReadingActive) return;
  EditControl& t = *p_.txtFile;
  const QString text = t.Text();
  if (paused_) {
    const int to =
        direction < 0 ? SentenceStartBefore(text, resumeAt_) : SentenceStartAfter(text, resumeAt_);
    resumeAt_ = to;
    pausedText_ = text;
    t.select(to, characterWidth(*source_, to));
    return;
  }
  const int from = t.SelStart();
  int to = direction < 0 ? SentenceStartBefore(text, from) : SentenceStartAfter(text, from);
  // Within the part being read.
  to = std::min(to, walk_.end());
  speech_.Stop();
  p_.Timer3->setEnabled(false);
  p_.Timer2->setEnabled(true);
  walk_.readAt(to);
}

void ReadingSession::Stop() {
  p_.ReadingActive = false;
  paused_ = false;
  pausedText_.clear();
  walk_.finish();
  updateMenu();
  p_.Timer2->setEnabled(false);
  p_.Timer3->setEnabled(false);
  // A sound still playing is cut, and a unit waiting for its wav ends.
  speech_.Stop();
  p_.sound->closeSegmentFile();
  p_.reading.SoundFileOpen = false;
  p_.showStatus(QString());
}
