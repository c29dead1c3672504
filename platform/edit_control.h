// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The document control `txtFile`: a QPlainTextEdit that speaks in the terms
// the program uses. Every line break of `Text`, CR LF or a lone LF, is a
// block boundary of the widget's document, and the control remembers for
// each block how its line ended: CR LF counts two positions (the control
// refuses a caret between the CR and the LF), a lone LF one. Positions count
// UTF-16 units of `Text`. A very long line is held as several blocks joined
// by soft boundaries, which take no position of `Text`. The widget's own
// undo and context menu are off;
// Ctrl+Z, Ctrl+X, Ctrl+C and Ctrl+V go to the menu, never to the widget.
#include <QColor>
#include <QKeySequence>
#include <QList>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <functional>
#include <memory>
#include <vector>

// Colour values as the program stores them: red in the low byte, then green,
// then blue; values with the top bit set name system colours.
qint32 toColorValue(const QColor& c);
QColor fromColorValue(qint32 v, const QPalette& palette);

// Modifier state of key and mouse events: Shift 1, Ctrl 2, Alt 4.
enum ShiftState { kShiftMask = 1, kCtrlMask = 2, kAltMask = 4 };
// Key codes of key events (the Windows virtual-key numbers: 37 to 40 are the
// arrows, 86 is V, 16 to 18 Shift, Ctrl, Alt).
int virtualKeyCode(int qtKey);

class EditControl : public QPlainTextEdit {
  Q_OBJECT
 public:
  // The colour value of the window background system colour.
  static constexpr qint32 kSystemWindowColor = static_cast<qint32>(0x80000005u);

  explicit EditControl(QWidget* parent = nullptr);
  ~EditControl() override;

  // The document's own line break: what Enter (with or without Shift)
  // inserts and what pasted line breaks become.
  enum class LineEnd { CrLf, Lf };
  LineEnd lineEnd() const { return lineEnd_; }
  void setLineEnd(LineEnd kind) { lineEnd_ = kind; }
  // Text with every line break (CR LF, a lone CR or a lone LF) made the
  // document's own.
  QString withLineEnds(const QString& text) const;
  // How many line breaks of `Text` are CR LF and how many lone LF; no scan
  // of the text.
  void lineBreakCounts(int* crLf, int* lf) const;
  // The caret's line and column, both from 1; the column counts characters
  // (a surrogate pair is one).
  void caretLineColumn(int* line, int* column) const;

  QString Text() const;
  // Shows the text, replacing the content; a load under way is cancelled.
  void setText(const QString& text);

  // A large text shown as soon as its start is there. `preview`, the text's
  // first lines (ending with a line break, or the start of a first line
  // longer than `kLongLineUnits`), is shown at once; `whole`, run on
  // another thread, gives the whole text, which must begin with the preview;
  // the rest then arrives at the end of the document in slices between
  // events, each a few tens of milliseconds. Meanwhile what is shown can be
  // read, scrolled and edited, and `Text` is the part that is in. `done` runs
  // on this thread once all is in, with the whole text as `whole` gave it and
  // whether anything but the load changed the content meanwhile. `setText`
  // and another load cancel a load (`done` then never runs).
  using LoadDone = std::function<void(const QString& text, bool edited)>;
  void loadText(const QString& preview, std::function<QString()> whole, LoadDone done);
  // As `loadText` for a text at hand: its first lines at once, the rest in
  // slices. A text too small to be worth it is set at once, `done` called
  // before this returns.
  void setTextGradually(const QString& text, LoadDone done);
  bool isLoading() const { return load_ != nullptr; }
  // Whether anything but the load changed the content since it began.
  bool editedWhileLoading() const;
  // Brings the rest of a load in now (nothing without a load), raising
  // `loadProgress` as it goes; `done` has run when this returns.
  void finishLoading();
  // Texts shorter than this (in UTF-16 units) are set at once by
  // `setTextGradually`; the length of the preview it shows.
  static constexpr qsizetype kGradualUnits = 1 << 20;
  // Lines longer than this are held in pieces of half of it.
  static constexpr qsizetype kLongLineUnits = 20000;
  static constexpr qsizetype kPreviewUnits = 1 << 16;
  // Length of `Text` without building it.
  int TextLength() const;
  // The UTF-16 unit of `Text` at a position ("" outside the text).
  QString CharAt(int pos) const;

  int SelStart() const;
  void setSelStart(int pos);
  int SelLength() const;
  void setSelLength(int len);
  // Sets start and length in one go, as setting `SelStart` then `SelLength`
  // does; false (and nothing changes) when the start lies inside a line break.
  bool select(int start, int length);
  // True for the position between the CR and the LF of a line break.
  bool IsInsideBreak(int pos) const;
  QString SelText() const;
  void setSelText(const QString& text);

  QString FontName() const;
  void setFontName(const QString& name);
  double FontSize() const;
  void setFontSize(double points);
  bool FontBold() const;
  void setFontBold(bool on);
  bool FontItalic() const;
  void setFontItalic(bool on);

  qint32 BackColor() const { return backColor_; }
  void setBackColor(qint32 value);

  // Counts every change of the content; equal counts mean certainly unchanged.
  quint64 changeCount() const { return changeCount_; }

  // Part of `Text` without building the whole of it.
  QString TextMid(int pos, int len) const;
  // Replaces the part [start, start + length) of `Text`; neither end may
  // split a CR LF. The change event is raised as for any edit.
  void replaceText(int start, int length, const QString& text);

  // Where the text changed since a mark: every change is remembered as the
  // shortest head and tail of the text that no change has touched since
  // `markChanges()`. `changedSpan` gives their lengths in `Text` units, or
  // false when `mark` is no longer the current mark.
  quint64 markChanges();
  bool changedSpan(quint64 mark, int* head, int* tail) const;

  // Key sequences that belong to the menu: the widget never acts on them.
  void setMenuKeys(const QList<QKeySequence>& keys) { menuKeys_ = keys; }

  // Converts between Text positions and document positions.
  int textToDoc(int pos, bool* insideBreak = nullptr) const;
  int docToText(int docPos) const;

  // Lines of the document as the user counts them: a long line held in
  // several blocks is one line, and a wrapped line is one line.
  int lineCount() const;
  // The `Text` position where line `line` (from 1) starts; -1 outside
  // 1..lineCount().
  int lineStart(int line) const;
  // The `Text` positions of the lines in view, from the start of the first
  // shown block to the end of the last one.
  void visibleRange(int* start, int* end) const;
  // Marks the ranges (start, length in `Text` positions) in the given
  // colours, beside the selection; an empty list takes the marks away.
  void setMarks(const QList<QPair<int, int>>& ranges, const QColor& back, const QColor& fore);
  int markCount() const { return static_cast<int>(extraSelections().size()); }
  // Long lines wrap at the window's edge (on) or scroll sideways (off).
  void setWordWrap(bool on);
  bool wordWrap() const { return lineWrapMode() != QPlainTextEdit::NoWrap; }
  // A margin with the number of each line at its first row.
  void setLineNumbersShown(bool on);
  bool lineNumbersShown() const { return lineNumbers_ != nullptr; }
  // The margin's width in pixels (0 when hidden).
  int lineNumberWidth() const;
  // The number shown beside a block: its line's number at the line's first
  // block, 0 at the blocks that continue a long line.
  int lineNumberOfBlock(const QTextBlock& b) const;
  // Paints the number margin's rows from `rect` (the margin calls it).
  void paintLineNumbers(QWidget* margin, const QRect& rect);
  // Gives the background colour again after the palette changed.
  void refreshColors() { setBackColor(backColor_); }

 Q_SIGNALS:
  void changed();
  void keyDown(int keyCode, int shift);
  // `autoRepeat`: the release the platform makes between the repeats of a
  // held key, not the key's real release.
  void keyUp(int keyCode, int shift, bool autoRepeat);
  void mouseUp(int button, int shift, int x, int y);
  void selChange();
  // Text entered by other ways than a key: an input method's commit, a drop
  // (also a drag that moved text), a middle-button paste.
  void textEntered();
  // A load's progress: -1 while the whole text is being made, then the
  // percentage of it in the document. `waiting`: `finishLoading` runs, no
  // event is handled until it returns.
  void loadProgress(int percent, bool waiting);

 protected:
  bool event(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  QMimeData* createMimeDataFromSelection() const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  bool isMenuKey(const QKeyEvent* e) const;
  void applyFont(const QFont& f);
  void onContentsChange(int from, int removed, int added);
  // Program text into document text; the kinds of its line breaks, in
  // order, wait for the blocks the insertion makes.
  QString toDocument(const QString& text);
  // Document text into program text; `block` holds the range's first
  // character, and each paragraph mark takes the kind of its block.
  QString fromDocument(const QString& docText, QTextBlock block, int length = -1) const;
  int nextKind();
  // The document text of a program text, with the kinds of its line breaks
  // in order; `exact` false when a break is rewritten. Touches nothing of
  // the control, so that a load can run it on another thread.
  static QString documentOf(const QString& text, QByteArray* kinds, bool* exact);
  struct Load;
  std::unique_ptr<Load> load_;
  bool appending_ = false;
  void cancelLoad();
  void wholeReady();
  // Appends the next slice of a load of about `units` document units; false
  // once all is in.
  bool appendSlice(qsizetype units, bool waiting);
  void scheduleSlice();
  void completeLoad();
  int kindOf(const QTextBlock& b) const;
  bool deleteAcrossSoftBoundary(QKeyEvent* e);
  void stepOverSoftBoundary(QKeyEvent* e);
  // Inserts program text at the widget's cursor, over its selection.
  void insertAtCursor(const QString& text);

  LineEnd lineEnd_ = LineEnd::CrLf;
  // Kinds of the line breaks an insertion of the program's makes.
  QByteArray pending_;
  qsizetype pendingAt_ = 0;
  // For every block, totals over the blocks before it: `extra` is Text
  // positions less document positions; the others count line breaks.
  struct Sums {
    int extra = 0, crLf = 0, lf = 0, soft = 0;
  };
  mutable std::vector<Sums> sums_;
  // Entries [0, sumsValid_) are right for the document as it is.
  mutable int sumsValid_ = 1;
  int blockCount_ = 1;
  void ensureSums() const;

  qint32 backColor_ = kSystemWindowColor;
  quint64 changeCount_ = 0;
  // The untouched head and tail since the mark, in document positions (the
  // tail counts the document's closing paragraph mark too).
  quint64 mark_ = 0;
  int headDoc_ = 0, tailDoc_ = 0;
  bool inMouseMove_ = false;
  QList<QKeySequence> menuKeys_;
  // A selection whose end lies inside a line break (the CR alone selected):
  // the widget shows the whole break selected, `SelLength` tells the truth.
  struct Exact {
    int anchor = -1, position = -1, length = 0;
  };
  Exact exact_;
  int lastAnchor_ = -1, lastPosition_ = -1;
  quint64 lastSelEpoch_ = 0;
  // Counts every change of the document's content, as it happens.
  quint64 epoch_ = 0;
  // The block last found by the position mapping: its number, document
  // start, length without its paragraph mark, Text start and the width of
  // its line break in Text.
  struct BlockCache {
    quint64 epoch = ~quint64(0);
    QTextBlock block;
    int number = 0, start = 0, length = 0, textStart = 0, width = 0;
  };
  mutable BlockCache cache_;
  bool cachedBlock(int near, bool byText) const;
  void remember(const QTextBlock& b) const;
  void rememberNumber(int number) const;
  void placeLineNumbers();
  QWidget* lineNumbers_ = nullptr;
  // The text last given to `setText`, while the content is still exactly
  // that text: `Text` hands it out shared instead of building it again
  // (a large document opened and then saved, searched or recorded costs no
  // copy). Null once anything changed.
  QString givenText_;
  bool givenTextExact_ = false;  // set by toDocument: no break was rewritten
  // The data of the selection handed out (the X selection, a drag): its
  // text is made only when it is asked for, or before the content changes.
  mutable QPointer<QMimeData> selectionData_;
  void keepSelectionData();
};
