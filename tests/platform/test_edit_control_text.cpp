// SPDX-License-Identifier: GPL-3.0-or-later
// The edit control on large documents: the text it was given is handed out
// again without a copy while the content is unchanged, and the selection
// it offers to other programs is made only when asked for, yet always
// the text that was selected.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

#include <functional>
#include <iterator>
#include <memory>

#include "platform/edit_control.h"

namespace {

// Lets the test take the selection's data as the X selection or a drag does.
class Control : public EditControl {
 public:
  std::unique_ptr<QMimeData> selectionData() const {
    return std::unique_ptr<QMimeData>(createMimeDataFromSelection());
  }
};

QString longLine(qsizetype units, qsizetype emojiAt) {
  QString s(units, QLatin1Char('x'));
  s[emojiAt] = QChar(0xD83D);  // a surrogate pair across a piece boundary of the widget
  s[emojiAt + 1] = QChar(0xDE00);
  return s;
}

// The characters QTextDocument gives meanings of its own, NUL included.
QString richTextCharacters() {
  static const char16_t units[] = u"a\u0000b\uFFFCc\uFDD0d\uFDD1e\u000Cf\tg\uFEFFh";
  return QString(reinterpret_cast<const QChar*>(units), std::size(units) - 1);
}

// Text and the text built from the widget's document agree in every case,
// whether `Text` hands out the given text or builds it.
TEST(EditControlText, GivenTextAgreesWithTheDocument) {
  struct Case {
    const char* name;
    QString given, expected;
    bool exact = true;  // false: the document holds it otherwise, Text agrees with it
  };
  const QString line = longLine(25000, 9999);
  const Case cases[] = {
      {"empty", QString(), QString()},
      {"crlf lines", QStringLiteral("一\r\n二\r\n"), QStringLiteral("一\r\n二\r\n")},
      {"lf lines, no last break", QStringLiteral("a\nb"), QStringLiteral("a\nb")},
      {"mixed breaks", QStringLiteral("a\nb\r\nc\n"), QStringLiteral("a\nb\r\nc\n")},
      {"lone cr becomes crlf", QStringLiteral("a\rb\r\n"), QStringLiteral("a\r\nb\r\n")},
      {"lone cr at the end", QStringLiteral("a\r"), QStringLiteral("a\r\n")},
      {"the text's own separators", QStringLiteral("a\u2028b\u2029c"),
       QStringLiteral("a\u2028b\u2029c")},
      {"one long line", line + QStringLiteral("\r\n"), line + QStringLiteral("\r\n")},
      {"characters a rich text holds for itself", richTextCharacters(), richTextCharacters(),
       false},
  };
  Control t;
  for (const Case& c : cases) {
    t.setText(c.given);
    EXPECT_EQ(t.Text(), t.TextMid(0, t.TextLength())) << c.name;
    EXPECT_EQ(t.Text().size(), t.TextLength()) << c.name;
    if (c.exact) { EXPECT_EQ(t.Text(), c.expected) << c.name; }
  }
}

TEST(EditControlText, TheGivenTextIsSharedUntilTheContentChanges) {
  Control t;
  const QString text = QStringLiteral("第一行\r\n第二行\r\n").repeated(1000);
  t.setText(text);
  EXPECT_EQ(t.Text().constData(), text.constData()) << "a copy was made";

  struct Edit {
    const char* name;
    std::function<void(Control&)> apply;
    QString expected;
  };
  const Edit edits[] = {
      {"typed over the caret",
       [](Control& c) {
         c.setSelStart(3);
         c.setSelText(QStringLiteral("X"));
       },
       QStringLiteral("第一行X\r\n第二行\r\n")},
      {"part replaced", [](Control& c) { c.replaceText(0, 1, QStringLiteral("首")); },
       QStringLiteral("首一行\r\n第二行\r\n")},
      {"widget's own cursor",
       [](Control& c) { QTextCursor(c.document()).insertText(QStringLiteral("Z")); },
       QStringLiteral("Z第一行\r\n第二行\r\n")},
  };
  for (const Edit& e : edits) {
    t.setText(text);
    e.apply(t);
    EXPECT_EQ(t.Text().left(e.expected.size()), e.expected) << e.name;
    EXPECT_EQ(t.Text(), t.TextMid(0, t.TextLength())) << e.name;
  }
}

// The data handed out for a selection gives the selected text (LF line
// ends, as other programs expect) even when the selection or the content
// changed after it was handed out.
TEST(EditControlText, SelectionDataGivesTheSelectedText) {
  struct Case {
    const char* name;
    std::function<void(Control&)> after;
  };
  const Case cases[] = {
      {"nothing changed", [](Control&) {}},
      {"selection moved", [](Control& c) { c.select(0, 1); }},
      {"typed over the selection",
       [](Control& c) {
         QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"));
         QCoreApplication::sendEvent(&c, &press);
       }},
      {"backspace over the selection",
       [](Control& c) {
         QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
         QCoreApplication::sendEvent(&c, &press);
       }},
      {"whole text set", [](Control& c) { c.setText(QStringLiteral("new")); }},
      {"part replaced", [](Control& c) { c.replaceText(0, 4, QString()); }},
      {"selection replaced", [](Control& c) { c.setSelText(QStringLiteral("!")); }},
  };
  for (const Case& c : cases) {
    Control t;
    t.setText(QStringLiteral("ab\r\ncd\r\n"));
    t.select(1, 4);
    const std::unique_ptr<QMimeData> data = t.selectionData();
    ASSERT_TRUE(data->hasText()) << c.name;
    c.after(t);
    EXPECT_EQ(data->text(), QStringLiteral("b\nc")) << c.name;
  }
}

// A change by a way the control does not see first (the document edited
// directly) leaves the data without text rather than with another text.
TEST(EditControlText, SelectionDataNeverGivesAnotherText) {
  Control t;
  t.setText(QStringLiteral("abcdef"));
  t.select(2, 2);
  const std::unique_ptr<QMimeData> data = t.selectionData();
  QTextCursor(t.document()).insertText(QStringLiteral("ZZ"));
  EXPECT_EQ(data->text(), QString());
}

}  // namespace
