// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/edit_control.h"

#include <QDropEvent>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

namespace {
constexpr char16_t kPara = QChar::ParagraphSeparator;

// How a block's line ended, kept as the block's user state. A block split
// in two keeps its state in the first half, and two blocks joined take the
// state of the second: the state goes with the line break, so it describes
// the break at the block's end.
enum Kind : int {
  kCrLf = 0,  // CR LF: two positions of Text
  kLf = 1,    // a lone LF
  kPs = 2,    // a U+2029 of the text itself
  kSoft = 3,  // no break of the text at all (zero positions)
  kEnd = 4,   // the last block: the text ends there
};

// The data of a selection handed to the clipboard's selection or to a
// drag. Selecting a whole large document hands one out each time (the X
// selection follows every selection), so its text is made only when a
// program asks for it, or before the control's content changes.
class SelectionData : public QMimeData {
 public:
  explicit SelectionData(std::function<QString()> make) : make_(std::move(make)) {}
  QStringList formats() const override { return {QStringLiteral("text/plain")}; }
  bool hasFormat(const QString& type) const override { return type == u"text/plain"; }
  void keep() const {
    if (!make_) return;
    text_ = make_();
    make_ = nullptr;
  }

 protected:
  QVariant retrieveData(const QString& type, QMetaType) const override {
    if (type != u"text/plain") return {};
    keep();
    return text_;
  }

 private:
  mutable std::function<QString()> make_;
  mutable QString text_;
};

int widthOf(int kind) {
  switch (kind) {
    case kCrLf: return 2;
    case kLf:
    case kPs: return 1;
    default: return 0;
  }
}
}  // namespace

namespace {
// The whole text of a load and its document text, made on another thread.
struct Prepared {
  QString text;
  QString doc;
  QByteArray kinds;
  bool exact = true;
};
}  // namespace

struct EditControl::Load {
  QFutureWatcher<Prepared> watcher;
  LoadDone done;
  // The preview as the document holds it.
  QString previewDoc;
  QByteArray previewKinds;
  bool ready = false;  // `whole` is in hand
  Prepared whole;
  qsizetype at = 0;      // the next unit of whole.doc to append
  qsizetype kindAt = 0;  // the kind of its next line break
  bool edited = false;
  // Units per slice, adjusted so that a slice takes about kSliceMs.
  qsizetype slice = 1 << 16;
  QTimer timer;
};

qint32 toColorValue(const QColor& c) {
  return static_cast<qint32>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

QColor fromColorValue(qint32 v, const QPalette& palette) {
  if (v < 0) {
    // System colours: 5 is the window background, 8 the window text.
    switch (v & 0xFF) {
      case 8: return palette.color(QPalette::Text);
      case 15: return palette.color(QPalette::Button);
      default: return palette.color(QPalette::Base);
    }
  }
  return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

int virtualKeyCode(int k) {
  if ((k >= Qt::Key_0 && k <= Qt::Key_9) || (k >= Qt::Key_A && k <= Qt::Key_Z)) return k;
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return 112 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Meta: return 91;
    default: return 0;
  }
}

static int shiftState(Qt::KeyboardModifiers m) {
  int s = 0;
  if (m & Qt::ShiftModifier) s |= kShiftMask;
  if (m & Qt::ControlModifier) s |= kCtrlMask;
  if (m & Qt::AltModifier) s |= kAltMask;
  return s;
}

// Keys the widget may change the text for: printable text, the editing
// keys and the standard delete, cut and paste sequences.
static bool mayEdit(const QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Insert: return true;
    default: break;
  }
  const QString t = e->text();
  if (!t.isEmpty() && t[0].isPrint()) return true;
  for (const auto k : {QKeySequence::Cut, QKeySequence::Paste, QKeySequence::DeleteEndOfWord,
                       QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfLine,
                       QKeySequence::DeleteCompleteLine})
    if (e->matches(k)) return true;
  return false;
}

static int ownModifier(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Shift: return kShiftMask;
    case Qt::Key_Control: return kCtrlMask;
    case Qt::Key_Alt: return kAltMask;
    default: return 0;
  }
}

EditControl::EditControl(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("txtFile"));
  setUndoRedoEnabled(false);
  setContextMenuPolicy(Qt::PreventContextMenu);
  // Undo is the program's own. Ctrl+X, Ctrl+C and Ctrl+V run the menu's
  // Cut, Copy and Paste, so that a paste by key inserts once and is recorded
  // once, exactly as the menu's; the other clipboard keys (Shift+Insert...)
  // stay the widget's.
  setMenuKeys({QKeySequence(QKeySequence::Undo), QKeySequence(QKeySequence::Redo),
               QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y),
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_X),
               QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_V)});
  QFont f(QStringLiteral("宋体"));
  f.setPointSizeF(9);
  applyFont(f);
  setBackColor(kSystemWindowColor);
  markChanges();
  connect(document(), &QTextDocument::contentsChange, this, &EditControl::onContentsChange);
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    ++changeCount_;
    // A slice of a load is no edit: no change event, nothing to record.
    if (appending_) return;
    if (load_) load_->edited = true;
    Q_EMIT changed();
  });
  // One event per change of the selection, however many signals the widget
  // raises for it; compared in document positions, which cost nothing.
  auto sel = [this] {
    const QTextCursor c = textCursor();
    if (c.anchor() == lastAnchor_ && c.position() == lastPosition_ && epoch_ == lastSelEpoch_)
      return;
    lastAnchor_ = c.anchor();
    lastPosition_ = c.position();
    lastSelEpoch_ = epoch_;
    Q_EMIT selChange();
  };
  connect(this, &QPlainTextEdit::selectionChanged, this, sel);
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, sel);
}

// Program text into document text: every line break becomes a paragraph
// mark (a block boundary) and its kind waits for the block it makes. A lone
// CR is taken as a line break too and comes back as CR LF. A line longer
// than kLongLine units is held as blocks of kChunk units joined by soft
// boundaries, which are no part of the text: the widget lays out each block
// on its own, and one line of millions of characters (an encrypted
// document) would otherwise be laid out whole at every key press.
QString EditControl::documentOf(const QString& text, QByteArray* kinds, bool* exact) {
  constexpr qsizetype kLongLine = kLongLineUnits, kChunk = kLongLineUnits / 2;
  const qsizetype n = text.size();
  const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
  QString out(n + n / kChunk + 1, Qt::Uninitialized);
  char16_t* o = reinterpret_cast<char16_t*>(out.data());
  char16_t* const begin = o;
  kinds->clear();
  *exact = true;
  auto isBreak = [](char16_t c) { return c == u'\r' || c == u'\n' || c == kPara; };
  for (qsizetype i = 0; i < n;) {
    // One line: [i, end), then its break.
    qsizetype end = i;
    while (end < n && !isBreak(in[end])) {
      // The document makes frame marks block boundaries of its own.
      if (in[end] == 0xFDD0 || in[end] == 0xFDD1) *exact = false;
      ++end;
    }
    if (end - i <= kLongLine) {
      std::copy(in + i, in + end, o);
      o += end - i;
    } else {
      for (qsizetype k = i; k < end;) {
        qsizetype stop = std::min(end, k + kChunk);
        if (stop < end && QChar::isLowSurrogate(in[stop]) && QChar::isHighSurrogate(in[stop - 1]))
          ++stop;
        std::copy(in + k, in + stop, o);
        o += stop - k;
        k = stop;
        if (k < end) {
          *o++ = kPara;
          kinds->append(char(kSoft));
        }
      }
    }
    i = end;
    if (i >= n) break;
    const char16_t c = in[i++];
    *o++ = kPara;
    if (c == u'\r') {
      if (i < n && in[i] == u'\n') ++i;
      else *exact = false;  // a lone CR comes back as CR LF
      kinds->append(char(kCrLf));
    } else {
      kinds->append(char(c == u'\n' ? kLf : kPs));
    }
  }
  out.truncate(o - begin);
  return out;
}

QString EditControl::toDocument(const QString& text) {
  pendingAt_ = 0;
  return documentOf(text, &pending_, &givenTextExact_);
}

QString EditControl::fromDocument(const QString& doc, QTextBlock block, int length) const {
  const qsizetype n = doc.size();
  const char16_t* in = reinterpret_cast<const char16_t*>(doc.constData());
  QString out(length >= 0 ? length : n + std::count(in, in + n, kPara), Qt::Uninitialized);
  char16_t* o = reinterpret_cast<char16_t*>(out.data());
  char16_t* const begin = o;
  char16_t* const limit = o + out.size();
  for (qsizetype i = 0; i < n && o < limit; ++i) {
    const char16_t c = in[i];
    if (c != kPara) {
      *o++ = c;
      continue;
    }
    switch (kindOf(block)) {
      case kCrLf:
        *o++ = u'\r';
        if (o < limit) *o++ = u'\n';
        break;
      case kLf: *o++ = u'\n'; break;
      case kPs: *o++ = kPara; break;
      default: break;  // a soft boundary is no part of the text
    }
    block = block.next();
  }
  out.truncate(o - begin);
  return out;
}

int EditControl::nextKind() {
  if (pendingAt_ < pending_.size()) return pending_[pendingAt_++];
  return lineEnd_ == LineEnd::Lf ? kLf : kCrLf;
}

int EditControl::kindOf(const QTextBlock& b) const {
  if (!b.next().isValid()) return kEnd;
  const int s = b.userState();
  if (s >= kCrLf && s < kEnd) return s;
  return lineEnd_ == LineEnd::Lf ? kLf : kCrLf;
}

// New blocks (user state -1) come from line breaks just inserted. A run of
// them follows the block that was split: the break at that block's end and
// at every new block's end but the last are the inserted ones, while the
// last new block ends with the break the split block had.
void EditControl::onContentsChange(int from, int removed, int added) {
  ++epoch_;
  givenText_ = QString();
  QTextDocument* d = document();
  {
    const int after = d->characterCount();
    const int before = after - added + removed;
    headDoc_ = std::min(headDoc_, std::max(0, from));
    tailDoc_ = std::min(tailDoc_, std::max(0, before - (from + removed)));
  }
  QTextBlock first = d->findBlock(std::max(0, from));
  if (!first.isValid()) first = d->lastBlock();
  const int rangeEnd = from + added;
  bool fresh = false;
  int carried = -2;  // -2: not in a run of new blocks
  QTextBlock prev;
  for (QTextBlock b = first; b.isValid(); b = b.next()) {
    if (b.userState() < 0) {
      fresh = true;
      if (carried == -2) {
        if (prev.isValid()) {
          carried = prev.userState();
          prev.setUserState(nextKind());
        } else {
          carried = kEnd;  // the document was emptied: its one block was the last
        }
      } else {
        prev.setUserState(nextKind());
      }
      b.setUserState(carried);
    } else {
      if (b.position() > rangeEnd) break;
      carried = -2;
    }
    prev = b;
  }
  const int blocks = d->blockCount();
  if (fresh || blocks != blockCount_) sumsValid_ = std::min(sumsValid_, first.blockNumber() + 1);
  blockCount_ = blocks;
}

void EditControl::ensureSums() const {
  const QTextDocument* d = document();
  const int n = d->blockCount();
  if (sumsValid_ >= n && static_cast<int>(sums_.size()) == n) return;
  sums_.resize(n);
  sums_[0] = {};
  const int k = std::clamp(sumsValid_, 1, n);
  Sums s = sums_[k - 1];
  QTextBlock b = d->findBlockByNumber(k - 1);
  for (int i = k; i < n; ++i, b = b.next()) {
    const int kind = kindOf(b);
    s.extra += widthOf(kind) - 1;
    if (kind == kCrLf) ++s.crLf;
    else if (kind == kLf) ++s.lf;
    else if (kind == kSoft) ++s.soft;
    sums_[i] = s;
  }
  sumsValid_ = n;
}

QString EditControl::Text() const {
  if (!givenText_.isNull()) return givenText_;
  return fromDocument(document()->toRawText(), document()->begin(), TextLength());
}

void EditControl::setText(const QString& text) {
  cancelLoad();
  keepSelectionData();
  exact_ = {};
  const QString doc = toDocument(text);
  const bool exact = givenTextExact_;
  setPlainText(doc);
  pending_.clear();
  // Kept only when `Text` would give back exactly this text.
  if (exact && !text.isNull()) givenText_ = text;
}

// ---- loading a large text in slices ----

namespace {
constexpr int kSliceMs = 20;

// Where a text may be cut after at most `limit` units: after the last line
// break there, a CR LF kept whole; 0 when there is none.
qsizetype cutAfterLines(const QString& text, qsizetype limit) {
  if (text.size() <= limit) return text.size();
  for (qsizetype i = limit; i > 0; --i) {
    const QChar c = text[i - 1];
    if (c == u'\n' || c == QChar(kPara)) return i;
    if (c == u'\r' && text[i] != u'\n') return i;
  }
  return 0;
}
}  // namespace

EditControl::~EditControl() = default;

bool EditControl::editedWhileLoading() const { return load_ && load_->edited; }

void EditControl::cancelLoad() {
  // The thread making the whole text runs to its end; its result is dropped.
  load_.reset();
}

void EditControl::loadText(const QString& preview, std::function<QString()> whole, LoadDone done) {
  setText(preview);
  auto load = std::make_unique<Load>();
  load->done = std::move(done);
  bool exact = true;
  load->previewDoc = documentOf(preview, &load->previewKinds, &exact);
  load->timer.setSingleShot(true);
  connect(&load->timer, &QTimer::timeout, this, [this] {
    if (!load_) return;
    QElapsedTimer clock;
    clock.start();
    const bool more = appendSlice(load_->slice, false);
    if (!more) {
      completeLoad();
      return;
    }
    // The next slice sized to the time this one took.
    const qint64 ms = std::max<qint64>(1, clock.elapsed());
    // A slice at most doubles: one that went fast by chance makes no long
    // pause after it.
    load_->slice = std::clamp<qsizetype>(load_->slice * kSliceMs / ms, 1 << 12,
                                         std::min<qsizetype>(2 * load_->slice, 1 << 21));
    scheduleSlice();
  });
  connect(&load->watcher, &QFutureWatcher<Prepared>::finished, this, [this] { wholeReady(); });
  load->watcher.setFuture(QtConcurrent::run([whole = std::move(whole)] {
    Prepared p;
    p.text = whole();
    p.doc = documentOf(p.text, &p.kinds, &p.exact);
    return p;
  }));
  load_ = std::move(load);
  Q_EMIT loadProgress(-1, false);
}

void EditControl::setTextGradually(const QString& text, LoadDone done) {
  const qsizetype cut = text.size() < kGradualUnits ? 0 : cutAfterLines(text, kPreviewUnits);
  if (cut == 0) {
    setText(text);
    if (done) done(text, false);
    return;
  }
  loadText(
      text.left(cut), [text] { return text; }, std::move(done));
}

void EditControl::wholeReady() {
  if (!load_ || load_->ready) return;
  Load& l = *load_;
  l.whole = l.watcher.result();
  l.ready = true;
  if (l.whole.doc.startsWith(l.previewDoc) && l.whole.kinds.startsWith(l.previewKinds)) {
    l.at = l.previewDoc.size();
    l.kindAt = l.previewKinds.size();
  } else {
    // Not the start of the whole text after all: the whole text replaces
    // what is shown, which was never more than a preview of it.
    qWarning("the preview is not the start of the text loaded; the text is shown again");
    appending_ = true;
    setPlainText(QString());
    appending_ = false;
    l.at = 0;
    l.kindAt = 0;
    l.edited = false;
  }
  scheduleSlice();
}

void EditControl::scheduleSlice() {
  if (load_ && load_->ready) load_->timer.start(0);
}

bool EditControl::appendSlice(qsizetype units, bool waiting) {
  Load& l = *load_;
  const QString& doc = l.whole.doc;
  const qsizetype n = doc.size();
  if (l.at >= n) return false;
  // Cut after a block boundary: blocks are short (long lines are held in
  // pieces), so one is never far.
  qsizetype end = l.at + units >= n ? n : doc.indexOf(QChar(kPara), l.at + units);
  end = end < 0 ? n : std::min(n, end + 1);
  const QStringView part = QStringView(doc).sliced(l.at, end - l.at);
  const qsizetype breaks = std::count(part.begin(), part.end(), QChar(kPara));
  keepSelectionData();
  pending_ = l.whole.kinds.mid(l.kindAt, breaks);
  pendingAt_ = 0;
  appending_ = true;
  QTextCursor c(document());
  c.movePosition(QTextCursor::End);
  c.insertText(part.toString());
  appending_ = false;
  pending_.clear();
  l.at = end;
  l.kindAt += breaks;
  Q_EMIT loadProgress(int(l.at * 100 / std::max<qsizetype>(1, n)), waiting);
  return l.at < n;
}

void EditControl::finishLoading() {
  if (!load_) return;
  if (!load_->ready) {
    Q_EMIT loadProgress(-1, true);
    load_->watcher.waitForFinished();
    wholeReady();
  }
  load_->timer.stop();
  while (load_ && appendSlice(qsizetype(1) << 21, true)) {}
  if (load_) completeLoad();
}

void EditControl::completeLoad() {
  std::unique_ptr<Load> l = std::move(load_);
  if (!l->edited && l->whole.exact && !l->whole.text.isNull()) givenText_ = l->whole.text;
  if (l->done) l->done(l->whole.text, l->edited);
}

void EditControl::keepSelectionData() {
  if (selectionData_) static_cast<SelectionData*>(selectionData_.data())->keep();
}

int EditControl::TextLength() const {
  ensureSums();
  const QTextDocument* d = document();
  return d->characterCount() - 1 + sums_[d->blockCount() - 1].extra;
}

QString EditControl::withLineEnds(const QString& text) const {
  const QString br = lineEnd_ == LineEnd::Lf ? QStringLiteral("\n") : QStringLiteral("\r\n");
  QString out;
  out.reserve(text.size() + text.size() / 16);
  const qsizetype n = text.size();
  qsizetype run = 0;  // start of the characters not yet copied
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    out.append(QStringView(text).mid(run, i - run));
    out.append(br);
    if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ++i;
    run = i + 1;
  }
  out.append(QStringView(text).mid(run));
  return out;
}

void EditControl::lineBreakCounts(int* crLf, int* lf) const {
  ensureSums();
  const Sums& s = sums_[document()->blockCount() - 1];
  *crLf = s.crLf;
  *lf = s.lf;
}

void EditControl::caretLineColumn(int* line, int* column) const {
  ensureSums();
  const int pos = textCursor().position();
  QTextBlock b = document()->findBlock(pos);
  if (!b.isValid()) b = document()->lastBlock();
  const int number = b.blockNumber();
  *line = number - sums_[number].soft + 1;
  // The column counts from the line's start: blocks joined by soft
  // boundaries before this one are part of the same line.
  auto chars = [](const QString& s) {
    int n = static_cast<int>(s.size());
    for (qsizetype i = 1; i < s.size(); ++i)
      if (s[i].isLowSurrogate() && s[i - 1].isHighSurrogate()) --n;
    return n;
  };
  int col = chars(b.text().left(pos - b.position()));
  // Earlier blocks of a long line count by their length, without a scan.
  for (QTextBlock p = b.previous(); p.isValid() && kindOf(p) == kSoft; p = p.previous())
    col += p.length() - 1;
  *column = col + 1;
}

// The mapping keeps the last block it found, valid until the content
// changes: the reading step and the selection move within a block or to its
// neighbour, so most look-ups need no search.
bool EditControl::cachedBlock(int near, bool byText) const {
  if (cache_.epoch != epoch_ || !cache_.block.isValid()) return false;
  auto contains = [&] {
    if (!byText) return near >= cache_.start && near <= cache_.start + cache_.length;
    const bool last = !cache_.block.next().isValid();
    return near >= cache_.textStart &&
           (last ? near <= cache_.textStart + cache_.length
                 : near < cache_.textStart + cache_.length + cache_.width);
  };
  for (int hop = 0; hop < 4; ++hop) {
    if (contains()) return true;
    const bool back = byText ? near < cache_.textStart : near < cache_.start;
    const QTextBlock b = back ? cache_.block.previous() : cache_.block.next();
    if (!b.isValid()) return false;
    if (back) {
      const int w = widthOf(kindOf(b));
      cache_.start -= b.length();
      cache_.textStart -= b.length() - 1 + w;
      cache_.width = w;
      --cache_.number;
    } else {
      cache_.start += cache_.length + 1;
      cache_.textStart += cache_.length + cache_.width;
      cache_.width = widthOf(kindOf(b));
      ++cache_.number;
    }
    cache_.block = b;
    cache_.length = b.length() - 1;
  }
  return contains();
}

void EditControl::remember(const QTextBlock& b) const {
  ensureSums();
  const int number = b.blockNumber();
  cache_ = {epoch_,
            b,
            number,
            b.position(),
            b.length() - 1,
            b.position() + sums_[number].extra,
            widthOf(kindOf(b))};
}

void EditControl::rememberNumber(int number) const {
  remember(document()->findBlockByNumber(number));
}

int EditControl::docToText(int docPos) const {
  if (!cachedBlock(docPos, false)) {
    const QTextBlock b = document()->findBlock(docPos);
    if (!b.isValid()) return TextLength();
    remember(b);
  }
  return cache_.textStart + (docPos - cache_.start);
}

int EditControl::textToDoc(int pos, bool* insideBreak) const {
  if (insideBreak) *insideBreak = false;
  const QTextDocument* d = document();
  if (pos <= 0) return 0;
  if (pos >= TextLength()) return d->characterCount() - 1;
  if (!cachedBlock(pos, true)) {
    // The block that holds the position: the last whose start, counted in
    // Text units, is at or before it.
    ensureSums();
    int lo = 0, hi = d->blockCount() - 1;
    while (lo < hi) {
      const int mid = (lo + hi + 1) / 2;
      if (d->findBlockByNumber(mid).position() + sums_[mid].extra <= pos) lo = mid;
      else hi = mid - 1;
    }
    rememberNumber(lo);
  }
  const int off = pos - cache_.textStart;
  if (off <= cache_.length) return cache_.start + off;
  if (insideBreak) *insideBreak = true;  // between CR and LF
  return cache_.start + cache_.length;
}

QString EditControl::CharAt(int pos) const {
  if (pos < 0 || pos >= TextLength()) return {};
  bool inside = false;
  const int doc = textToDoc(pos, &inside);
  if (inside) return QStringLiteral("\n");
  const QChar c = document()->characterAt(doc);
  if (c != QChar(kPara)) return QString(c);
  switch (kindOf(document()->findBlock(doc))) {
    case kCrLf: return QStringLiteral("\r");
    case kLf: return QStringLiteral("\n");
    default: return QString(c);
  }
}

QString EditControl::TextMid(int pos, int len) const {
  const int total = TextLength();
  pos = std::clamp(pos, 0, total);
  len = std::clamp(len, 0, total - pos);
  if (len == 0) return {};
  bool in0 = false, in1 = false;
  const int d0 = textToDoc(pos, &in0);  // inside a break: the break's start
  int d1 = textToDoc(pos + len, &in1);
  if (in1) ++d1;
  QTextCursor c(document());
  c.setPosition(d0);
  c.setPosition(d1, QTextCursor::KeepAnchor);
  return fromDocument(c.selectedText(), document()->findBlock(d0)).mid(in0 ? 1 : 0, len);
}

void EditControl::replaceText(int start, int length, const QString& text) {
  bool in0 = false, in1 = false;
  const int d0 = textToDoc(start, &in0);
  int d1 = textToDoc(start + std::max(0, length), &in1);
  if (in1) ++d1;  // an end inside a break takes the whole break
  QTextCursor c(document());
  c.setPosition(d0);
  c.setPosition(std::max(d0, d1), QTextCursor::KeepAnchor);
  keepSelectionData();
  exact_ = {};
  c.insertText(toDocument(text));
  pending_.clear();
}

quint64 EditControl::markChanges() {
  headDoc_ = INT_MAX;
  tailDoc_ = INT_MAX;
  return ++mark_;
}

bool EditControl::changedSpan(quint64 mark, int* head, int* tail) const {
  if (mark != mark_) return false;
  const int count = document()->characterCount();  // with the closing paragraph mark
  const int len = TextLength();
  const int h = std::clamp(docToText(std::clamp(headDoc_, 0, count - 1)), 0, len);
  const int td = std::clamp(tailDoc_, 0, count);
  const int t = td == 0 ? 0 : len - docToText(count - td);
  *head = h;
  *tail = std::clamp(t, 0, len - h);
  return true;
}

int EditControl::SelStart() const { return docToText(textCursor().selectionStart()); }

int EditControl::SelLength() const {
  const QTextCursor c = textCursor();
  if (c.anchor() == exact_.anchor && c.position() == exact_.position) return exact_.length;
  return docToText(c.selectionEnd()) - docToText(c.selectionStart());
}

void EditControl::setSelStart(int pos) {
  bool inside = false;
  const int doc = textToDoc(pos, &inside);
  if (inside) return;  // the control refuses a caret inside CR LF
  QTextCursor c = textCursor();
  c.setPosition(doc);
  exact_ = {};
  setTextCursor(c);
}

void EditControl::setSelLength(int len) { select(SelStart(), len); }

bool EditControl::select(int start, int len) {
  bool inside = false;
  const int docStart = textToDoc(start, &inside);
  if (inside) return false;  // the control refuses a caret inside CR LF
  start = docToText(docStart);
  const int end = std::clamp(start + std::max(0, len), start, TextLength());
  int docEnd = textToDoc(end, &inside);
  if (inside) ++docEnd;  // the CR alone: the widget selects the whole break
  QTextCursor c = textCursor();
  c.setPosition(docStart);
  if (docEnd != docStart) c.setPosition(docEnd, QTextCursor::KeepAnchor);
  exact_ = inside ? Exact{docStart, docEnd, end - start} : Exact{};
  setTextCursor(c);
  return true;
}

bool EditControl::IsInsideBreak(int pos) const {
  bool inside = false;
  textToDoc(pos, &inside);
  return inside;
}

QString EditControl::SelText() const {
  const QTextCursor c = textCursor();
  const QString s = fromDocument(c.selectedText(), document()->findBlock(c.selectionStart()));
  return s.left(SelLength());
}

void EditControl::setSelText(const QString& text) { insertAtCursor(text); }

void EditControl::insertAtCursor(const QString& text) {
  keepSelectionData();
  QTextCursor c = textCursor();
  exact_ = {};
  c.insertText(toDocument(text));
  pending_.clear();
  setTextCursor(c);
}

void EditControl::applyFont(const QFont& f) {
  setFont(f);
  document()->setDefaultFont(f);
}

QString EditControl::FontName() const { return font().family(); }
void EditControl::setFontName(const QString& name) {
  QFont f = font();
  f.setFamily(name);
  applyFont(f);
}
double EditControl::FontSize() const { return font().pointSizeF(); }
void EditControl::setFontSize(double points) {
  if (!(points > 0)) return;
  QFont f = font();
  f.setPointSizeF(points);
  applyFont(f);
}
bool EditControl::FontBold() const { return font().bold(); }
void EditControl::setFontBold(bool on) {
  QFont f = font();
  f.setBold(on);
  applyFont(f);
}
bool EditControl::FontItalic() const { return font().italic(); }
void EditControl::setFontItalic(bool on) {
  QFont f = font();
  f.setItalic(on);
  applyFont(f);
}

void EditControl::setBackColor(qint32 value) {
  backColor_ = value;
  // Only the roles set here are the control's own; the others follow the
  // application's palette (its colour scheme).
  QPalette p;
  p.setResolveMask(0);
  const QColor back = fromColorValue(value, QPalette());
  p.setColor(QPalette::Base, back);
  // A chosen background the scheme's text cannot be read on gets black or
  // white text, whichever stands out.
  const QColor text = QPalette().color(QPalette::Text);
  if (value >= 0 && std::abs(back.lightnessF() - text.lightnessF()) < 0.35)
    p.setColor(QPalette::Text, back.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(Qt::black));
  setPalette(p);
}

bool EditControl::isMenuKey(const QKeyEvent* e) const {
  const QKeySequence seq(e->keyCombination());
  for (const auto& k : menuKeys_)
    if (k == seq) return true;
  return false;
}

bool EditControl::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride && isMenuKey(static_cast<QKeyEvent*>(e))) {
    e->ignore();  // let the menu's shortcut have it
    return true;
  }
  return QPlainTextEdit::event(e);
}

void EditControl::keyPressEvent(QKeyEvent* e) {
  if (isMenuKey(e)) {
    // The menu's key: neither the widget nor the key handlers see it.
    e->accept();
    return;
  }
  Q_EMIT keyDown(virtualKeyCode(e->key()), shiftState(e->modifiers()) | ownModifier(e->key()));
  if (mayEdit(e)) keepSelectionData();
  if (deleteAcrossSoftBoundary(e)) return;
  stepOverSoftBoundary(e);
  // The end of the document is the end of the whole text, not of the part
  // of a load that is in.
  if (load_ &&
      (e->matches(QKeySequence::MoveToEndOfDocument) ||
       e->matches(QKeySequence::SelectEndOfDocument) || e->matches(QKeySequence::SelectAll)))
    finishLoading();
  const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
  if (enter && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
      !isReadOnly()) {
    // Enter and Shift+Enter alike insert the document's own line break; the
    // widget's line separator never enters the text.
    insertAtCursor(lineEnd_ == LineEnd::Lf ? QStringLiteral("\n") : QStringLiteral("\r\n"));
    ensureCursorVisible();
    e->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(e);
}

void EditControl::keyReleaseEvent(QKeyEvent* e) {
  QPlainTextEdit::keyReleaseEvent(e);
  // The key-up of a modifier key itself arrives with that modifier released.
  Q_EMIT keyUp(virtualKeyCode(e->key()), shiftState(e->modifiers()) & ~ownModifier(e->key()),
               e->isAutoRepeat());
}

void EditControl::mouseReleaseEvent(QMouseEvent* e) {
  const quint64 before = changeCount_;
  QPlainTextEdit::mouseReleaseEvent(e);  // the middle button pastes here
  if (changeCount_ != before) Q_EMIT textEntered();
  int button = 0;
  switch (e->button()) {
    case Qt::LeftButton: button = 1; break;
    case Qt::RightButton: button = 2; break;
    case Qt::MiddleButton: button = 4; break;
    default: break;
  }
  const QPoint p = e->position().toPoint();
  Q_EMIT mouseUp(button, shiftState(e->modifiers()), p.x(), p.y());
}

void EditControl::mouseMoveEvent(QMouseEvent* e) {
  // A drag starts here and runs to its end inside: a move within the
  // control (drop and removal) or out of it is told once, when it is over.
  const quint64 before = changeCount_;
  const bool outer = !inMouseMove_;
  inMouseMove_ = true;
  QPlainTextEdit::mouseMoveEvent(e);
  if (!outer) return;
  inMouseMove_ = false;
  if (changeCount_ != before) Q_EMIT textEntered();
}

void EditControl::dropEvent(QDropEvent* e) {
  keepSelectionData();
  const quint64 before = changeCount_;
  QPlainTextEdit::dropEvent(e);
  if (!inMouseMove_ && changeCount_ != before) Q_EMIT textEntered();
}

// Backspace at the start of a block that continues a long line, or Delete
// at the end of one that goes on, takes the character beyond the soft
// boundary, as in any line; the boundary itself is no character.
bool EditControl::deleteAcrossSoftBoundary(QKeyEvent* e) {
  if (isReadOnly() || (e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))) return false;
  const bool back = e->key() == Qt::Key_Backspace, del = e->key() == Qt::Key_Delete;
  if (!back && !del) return false;
  QTextCursor c = textCursor();
  if (c.hasSelection()) return false;
  const QTextBlock b = c.block();
  if (back) {
    const QTextBlock prev = b.previous();
    if (c.positionInBlock() != 0 || !prev.isValid() || kindOf(prev) != kSoft || prev.length() < 2)
      return false;
    c.setPosition(b.position() - 1);
    c.deletePreviousChar();
  } else {
    if (c.positionInBlock() != b.length() - 1 || kindOf(b) != kSoft || b.next().length() < 2)
      return false;
    c.setPosition(b.position() + b.length());
    c.deleteChar();
  }
  exact_ = {};
  setTextCursor(c);
  e->accept();
  return true;
}

// The end of a piece and the start of the next are one position of the
// text: an arrow key about to cross the join is first put on its far side,
// so that the press moves one character (or selects one more) as in any
// line. The widget then makes the move itself.
void EditControl::stepOverSoftBoundary(QKeyEvent* e) {
  const bool right = e->key() == Qt::Key_Right, left = e->key() == Qt::Key_Left;
  if (!right && !left) return;
  const bool shift = e->modifiers() & Qt::ShiftModifier;
  QTextCursor c = textCursor();
  // Without Shift a selection collapses to its edge, which the widget does.
  if (c.hasSelection() && !shift) return;
  const QTextBlock b = c.block();
  int to = -1;
  if (right && c.positionInBlock() == b.length() - 1 && kindOf(b) == kSoft && b.next().isValid())
    to = b.next().position();
  else if (left && c.positionInBlock() == 0 && b.previous().isValid() &&
           kindOf(b.previous()) == kSoft)
    to = b.position() - 1;
  if (to < 0) return;
  c.setPosition(to, shift ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
  exact_ = {};
  setTextCursor(c);
}

// Text dragged or selected out of the control, for other programs: LF line
// ends, as Linux programs expect.
QMimeData* EditControl::createMimeDataFromSelection() const {
  const int start = SelStart(), length = SelLength();
  const quint64 epoch = epoch_;
  const QPointer<const EditControl> self(this);
  auto* m = new SelectionData([self, start, length, epoch]() -> QString {
    // Kept before every change the control makes; a change by another way
    // gives no text rather than another text than the selection's.
    if (!self || self->epoch_ != epoch) return QString();
    return self->TextMid(start, length).replace(QLatin1String("\r\n"), QLatin1String("\n"));
  });
  selectionData_ = m;
  return m;
}

// A drop or a middle-button paste: its line breaks become the document's.
void EditControl::insertFromMimeData(const QMimeData* source) {
  if (!source || !source->hasText()) return;
  insertAtCursor(withLineEnds(source->text()));
  ensureCursorVisible();
}

void EditControl::inputMethodEvent(QInputMethodEvent* e) {
  keepSelectionData();
  const quint64 before = changeCount_;
  QPlainTextEdit::inputMethodEvent(e);
  if (changeCount_ != before) Q_EMIT textEntered();
}

// ---- lines, marks, wrapping and the number margin ----

namespace {
class LineNumberMargin : public QWidget {
 public:
  explicit LineNumberMargin(EditControl* editor) : QWidget(editor), editor_(editor) {
    setObjectName(QStringLiteral("lineNumbers"));
  }

 protected:
  void paintEvent(QPaintEvent* e) override { editor_->paintLineNumbers(this, e->rect()); }

 private:
  EditControl* editor_;
};
}  // namespace

int EditControl::lineCount() const {
  ensureSums();
  const int last = document()->blockCount() - 1;
  // The last block ends no line, so its own kind does not count.
  return last + 1 - sums_[last].soft;
}

int EditControl::lineNumberOfBlock(const QTextBlock& b) const {
  if (!b.isValid()) return 0;
  const QTextBlock prev = b.previous();
  if (prev.isValid() && kindOf(prev) == kSoft) return 0;
  ensureSums();
  const int n = b.blockNumber();
  return n - sums_[n].soft + 1;
}

int EditControl::lineStart(int line) const {
  if (line < 1 || line > lineCount()) return -1;
  // The first block whose line index reaches line - 1; the index of block b
  // is b less the soft boundaries before it, which never decreases.
  int lo = 0, hi = document()->blockCount() - 1;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (mid - sums_[mid].soft >= line - 1) hi = mid;
    else lo = mid + 1;
  }
  return docToText(document()->findBlockByNumber(lo).position());
}

void EditControl::visibleRange(int* start, int* end) const {
  QTextBlock b = firstVisibleBlock();
  if (!b.isValid()) b = document()->begin();
  *start = docToText(b.position());
  const qreal bottom = viewport()->height();
  qreal top = blockBoundingGeometry(b).translated(contentOffset()).top();
  QTextBlock last = b;
  for (; b.isValid() && top <= bottom; b = b.next()) {
    last = b;
    top += blockBoundingRect(b).height();
  }
  *end = docToText(last.position() + last.length() - 1);
}

void EditControl::setMarks(const QList<QPair<int, int>>& ranges, const QColor& back,
                           const QColor& fore) {
  QList<QTextEdit::ExtraSelection> marks;
  marks.reserve(ranges.size());
  for (const auto& [start, length] : ranges) {
    QTextEdit::ExtraSelection m;
    m.cursor = QTextCursor(document());
    m.cursor.setPosition(textToDoc(start));
    m.cursor.setPosition(textToDoc(start + length), QTextCursor::KeepAnchor);
    m.format.setBackground(back);
    m.format.setForeground(fore);
    marks.push_back(m);
  }
  setExtraSelections(marks);
}

void EditControl::setWordWrap(bool on) {
  setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

int EditControl::lineNumberWidth() const {
  if (!lineNumbers_) return 0;
  int digits = 1;
  for (int n = std::max(1, lineCount()); n >= 10; n /= 10) ++digits;
  return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(2, digits);
}

void EditControl::placeLineNumbers() {
  const int w = lineNumberWidth();
  setViewportMargins(w, 0, 0, 0);
  if (!lineNumbers_) return;
  const QRect r = contentsRect();
  lineNumbers_->setGeometry(QRect(r.left(), r.top(), w, r.height()));
}

void EditControl::setLineNumbersShown(bool on) {
  if (on == lineNumbersShown()) return;
  if (on) {
    lineNumbers_ = new LineNumberMargin(this);
    // Scrolling and edits redraw the margin; only the lines in view are
    // numbered, each from the counts the control keeps.
    connect(this, &QPlainTextEdit::updateRequest, lineNumbers_, [this](const QRect& r, int dy) {
      if (!lineNumbers_) return;
      if (dy) lineNumbers_->scroll(0, dy);
      else lineNumbers_->update(0, r.y(), lineNumbers_->width(), r.height());
    });
    connect(this, &QPlainTextEdit::blockCountChanged, lineNumbers_, [this] { placeLineNumbers(); });
    lineNumbers_->show();
  } else {
    delete lineNumbers_;
    lineNumbers_ = nullptr;
  }
  placeLineNumbers();
}

void EditControl::paintLineNumbers(QWidget* margin, const QRect& rect) {
  QPainter painter(margin);
  const QPalette pal = palette();
  painter.fillRect(rect, pal.color(QPalette::Window));
  painter.setPen(pal.color(QPalette::PlaceholderText));
  painter.setFont(font());
  QTextBlock b = firstVisibleBlock();
  qreal top = blockBoundingGeometry(b).translated(contentOffset()).top();
  const int w = margin->width() - 4;
  const int rowHeight = fontMetrics().height();
  for (; b.isValid() && top <= rect.bottom(); b = b.next()) {
    const qreal height = blockBoundingRect(b).height();
    if (b.isVisible() && top + height >= rect.top()) {
      const int number = lineNumberOfBlock(b);
      if (number > 0)
        painter.drawText(0, int(top), w, rowHeight, Qt::AlignRight, QString::number(number));
    }
    top += height;
  }
}

void EditControl::resizeEvent(QResizeEvent* e) {
  QPlainTextEdit::resizeEvent(e);
  if (lineNumbers_) placeLineNumbers();
}
