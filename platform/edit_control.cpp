#include "platform/edit_control.h"

#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <climits>

namespace {
constexpr QChar kPara(QChar::ParagraphSeparator);
constexpr QChar kLine(QChar::LineSeparator);
}  // namespace

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
    case Qt::Key_Tab: case Qt::Key_Backtab: return 9;
    case Qt::Key_Return: case Qt::Key_Enter: return 13;
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
  connect(document(), &QTextDocument::contentsChange, this, [this](int from, int removed, int added) {
    ++epoch_;
    const int after = document()->characterCount();
    const int before = after - added + removed;
    headDoc_ = std::min(headDoc_, std::max(0, from));
    tailDoc_ = std::min(tailDoc_, std::max(0, before - (from + removed)));
  });
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    ++changeCount_;
    Q_EMIT changed();
  });
  // One event per change of the selection, however many signals the widget
  // raises for it; compared in document positions, which cost nothing.
  auto sel = [this] {
    const QTextCursor c = textCursor();
    if (c.anchor() == lastAnchor_ && c.position() == lastPosition_ && epoch_ == lastSelEpoch_) return;
    lastAnchor_ = c.anchor();
    lastPosition_ = c.position();
    lastSelEpoch_ = epoch_;
    Q_EMIT selChange();
  };
  connect(this, &QPlainTextEdit::selectionChanged, this, sel);
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, sel);
}

// Both conversions run over whole documents of many megabytes: they write
// into a buffer of the right size instead of appending character by character.
QString EditControl::toDocumentText(const QString& text) {
  const qsizetype n = text.size();
  const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
  QString out(n, Qt::Uninitialized);  // never longer than the text
  char16_t* o = reinterpret_cast<char16_t*>(out.data());
  char16_t* const begin = o;
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = in[i];
    if (c == u'\r') {
      if (i + 1 < n && in[i + 1] == u'\n') ++i;
      *o++ = kPara.unicode();  // a lone CR is taken as a line break too
    } else if (c == u'\n') {
      *o++ = kLine.unicode();
    } else {
      *o++ = c;
    }
  }
  out.truncate(o - begin);
  return out;
}

QString EditControl::fromDocumentText(const QString& doc) {
  const qsizetype n = doc.size();
  const char16_t* in = reinterpret_cast<const char16_t*>(doc.constData());
  const qsizetype breaks = std::count(in, in + n, kPara.unicode());
  QString out(n + breaks, Qt::Uninitialized);
  char16_t* o = reinterpret_cast<char16_t*>(out.data());
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = in[i];
    if (c == kPara.unicode()) {
      *o++ = u'\r';
      *o++ = u'\n';
    } else if (c == kLine.unicode()) {
      *o++ = u'\n';
    } else {
      *o++ = c;
    }
  }
  return out;
}

QString EditControl::Text() const { return fromDocumentText(document()->toRawText()); }

void EditControl::setText(const QString& text) {
  exact_ = {};
  setPlainText(toDocumentText(text));
}

int EditControl::TextLength() const {
  // Counting the document walks its whole tree: kept until the next change.
  if (lengthEpoch_ != epoch_) {
    const QTextDocument* d = document();
    length_ = d->characterCount() - 1 + (d->blockCount() - 1);
    lengthEpoch_ = epoch_;
  }
  return length_;
}

// The mapping keeps the last block it found (its number, start and length),
// valid until the content changes: the reading step and the selection move
// within a block or to its neighbour, so most look-ups need no search.
bool EditControl::cachedBlock(int near, bool byText) const {
  if (cache_.epoch != epoch_ || !cache_.block.isValid()) return false;
  auto contains = [&] {
    const int start = cache_.start + (byText ? cache_.number : 0);
    return near >= start && near <= start + cache_.length + (byText ? 1 : 0);
  };
  for (int hop = 0; hop < 4; ++hop) {
    if (contains()) return true;
    const int start = cache_.start + (byText ? cache_.number : 0);
    const QTextBlock b = near < start ? cache_.block.previous() : cache_.block.next();
    if (!b.isValid()) return false;
    if (near < start) {
      cache_.start -= b.length();
      --cache_.number;
    } else {
      cache_.start += cache_.length + 1;
      ++cache_.number;
    }
    cache_.block = b;
    cache_.length = b.length() - 1;
  }
  return contains();
}

void EditControl::remember(const QTextBlock& b) const {
  cache_ = {epoch_, b, b.blockNumber(), b.position(), b.length() - 1};
}

int EditControl::docToText(int docPos) const {
  if (!cachedBlock(docPos, false)) {
    const QTextBlock b = document()->findBlock(docPos);
    if (!b.isValid()) return docPos + document()->blockCount() - 1;
    remember(b);
  }
  return docPos + cache_.number;
}

int EditControl::textToDoc(int pos, bool* insideBreak) const {
  if (insideBreak) *insideBreak = false;
  const QTextDocument* d = document();
  if (pos <= 0) return 0;
  if (pos >= TextLength()) return d->characterCount() - 1;
  if (!cachedBlock(pos, true)) {
    // The block that holds the position: the last whose start, counted in
    // Text units, is at or before it.
    int lo = 0, hi = d->blockCount() - 1;
    while (lo < hi) {
      const int mid = (lo + hi + 1) / 2;
      if (d->findBlockByNumber(mid).position() + mid <= pos) lo = mid;
      else hi = mid - 1;
    }
    remember(d->findBlockByNumber(lo));
  }
  const int start = cache_.start;
  const int off = pos - (start + cache_.number);
  const int len = cache_.length;
  if (off <= len) return start + off;
  if (insideBreak) *insideBreak = true;  // between CR and LF
  return start + len;
}

QString EditControl::CharAt(int pos) const {
  if (pos < 0 || pos >= TextLength()) return {};
  bool inside = false;
  const int doc = textToDoc(pos, &inside);
  if (inside) return QStringLiteral("\n");
  const QChar c = document()->characterAt(doc);
  if (c == kPara) return QStringLiteral("\r");
  if (c == kLine) return QStringLiteral("\n");
  return QString(c);
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
  return fromDocumentText(c.selectedText()).mid(in0 ? 1 : 0, len);
}

void EditControl::replaceText(int start, int length, const QString& text) {
  bool in0 = false, in1 = false;
  const int d0 = textToDoc(start, &in0);
  int d1 = textToDoc(start + std::max(0, length), &in1);
  if (in1) ++d1;  // an end inside a break takes the whole break
  QTextCursor c(document());
  c.setPosition(d0);
  c.setPosition(std::max(d0, d1), QTextCursor::KeepAnchor);
  exact_ = {};
  c.insertText(toDocumentText(text));
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
  const QString s = fromDocumentText(textCursor().selectedText());
  return s.left(SelLength());
}

void EditControl::setSelText(const QString& text) {
  QTextCursor c = textCursor();
  exact_ = {};
  c.insertText(toDocumentText(text));
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
  QPalette p = palette();
  p.setColor(QPalette::Base, fromColorValue(value, QPalette()));
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
  QPlainTextEdit::keyPressEvent(e);
}

void EditControl::keyReleaseEvent(QKeyEvent* e) {
  QPlainTextEdit::keyReleaseEvent(e);
  // The key-up of a modifier key itself arrives with that modifier released.
  Q_EMIT keyUp(virtualKeyCode(e->key()), shiftState(e->modifiers()) & ~ownModifier(e->key()), e->isAutoRepeat());
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
  const quint64 before = changeCount_;
  QPlainTextEdit::dropEvent(e);
  if (!inMouseMove_ && changeCount_ != before) Q_EMIT textEntered();
}

void EditControl::inputMethodEvent(QInputMethodEvent* e) {
  const quint64 before = changeCount_;
  QPlainTextEdit::inputMethodEvent(e);
  if (changeCount_ != before) Q_EMIT textEntered();
}
