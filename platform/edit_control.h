#pragma once
// The document control `txtFile`: a QPlainTextEdit that speaks in the terms
// the program uses. A line break is CR LF in `Text` and in every position and
// length; the control refuses a caret between the CR and the LF. A lone LF
// inside a line is kept (held as U+2028 in the document). Positions count
// UTF-16 units of `Text`. The widget's own undo and context menu are off;
// Ctrl+Z, Ctrl+X, Ctrl+C and Ctrl+V go to the menu, never to the widget.
#include <QColor>
#include <QKeySequence>
#include <QList>
#include <QPlainTextEdit>
#include <QTextBlock>

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

  QString Text() const;
  void setText(const QString& text);
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
  // Turns program text into document text and back.
  static QString toDocumentText(const QString& text);
  static QString fromDocumentText(const QString& docText);

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

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;

 private:
  bool isMenuKey(const QKeyEvent* e) const;
  void applyFont(const QFont& f);

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
  struct Exact { int anchor = -1, position = -1, length = 0; };
  Exact exact_;
  int lastAnchor_ = -1, lastPosition_ = -1;
  quint64 lastSelEpoch_ = 0;
  // Counts every change of the document's content, as it happens.
  quint64 epoch_ = 0;
  // The block last found by the position mapping.
  struct BlockCache {
    quint64 epoch = ~quint64(0);
    QTextBlock block;
    int number = 0, start = 0, length = 0;
  };
  mutable BlockCache cache_;
  mutable quint64 lengthEpoch_ = ~quint64(0);
  mutable int length_ = 0;
  bool cachedBlock(int near, bool byText) const;
  void remember(const QTextBlock& b) const;
};
