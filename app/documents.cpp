// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/documents.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QFontDatabase>
#include <QMainWindow>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QScrollBar>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>

#include "app/file_places.h"
#include "app/text_file.h"
#include "platform/edit_control.h"
#include "platform/ui.h"
#include "program/program.h"

namespace {

const FileDialogSetup& fileDialogSetup() {
  // One preset for the open and the save dialog alike.
  static const FileDialogSetup setup{QStringLiteral("打开"),
                                     QStringLiteral("文本文档(*.txt)|*.txt|日志文件(*.log)|*.log|"
                                                    "妙音文档(*.qzc)|*.qzc|所有文件|*.*"),
                                     QStringLiteral("*.txt")};
  return setup;
}

// Spaces only, as the commands trim names and selections.
QString trimSpaces(const QString& s) {
  qsizetype a = 0, b = s.size();
  while (a < b && s[a] == QLatin1Char(' ')) ++a;
  while (b > a && s[b - 1] == QLatin1Char(' ')) --b;
  return s.mid(a, b - a);
}

void setEnabled(QAction* a, bool on) {
  if (a) a->setEnabled(on);
}

QFont printFont() {
  QFont f;
  f.setPointSizeF(10.5);
  const QStringList cjk = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  static const char* const preferred[] = {"宋体",
                                          "SimSun",
                                          "Noto Serif CJK SC",
                                          "Noto Sans CJK SC",
                                          "Source Han Serif SC",
                                          "WenQuanYi Micro Hei",
                                          "WenQuanYi Zen Hei",
                                          "AR PL UMing CN"};
  for (const char* name : preferred) {
    const QString family = QString::fromUtf8(name);
    if (cjk.contains(family, Qt::CaseInsensitive)) {
      f.setFamily(family);
      return f;
    }
  }
  if (!cjk.isEmpty()) f.setFamily(cjk.first());
  return f;
}

}  // namespace

QString unreadableNameMessage(const QString& shownName) {
  return QStringLiteral(
             "文件名“%1”不是本系统编码(UTF-8)的文字,无法按原名打开或保存。\r\n请先把文件改名。")
      .arg(shownName);
}

bool PrintText(QPrinter& printer, const QString& text) {
  QString plain = text;
  plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));

  QPainter painter;
  if (!painter.begin(&printer)) return false;
  QTextDocument doc;
  doc.documentLayout()->setPaintDevice(&printer);
  doc.setDefaultFont(printFont());
  doc.setPlainText(plain);
  const QSizeF page = printer.pageRect(QPrinter::DevicePixel).size();
  doc.setPageSize(page);
  const int pages = std::max(1, doc.pageCount());

  // A printer that makes its copies itself gets the document once.
  const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
  const bool collate = printer.collateCopies();
  bool first = true;
  auto printPage = [&](int index) {
    if (!first) printer.newPage();
    first = false;
    painter.save();
    painter.translate(0, -index * page.height());
    QAbstractTextDocumentLayout::PaintContext ctx;
    ctx.clip = QRectF(0, index * page.height(), page.width(), page.height());
    ctx.palette.setColor(QPalette::Text, Qt::black);
    doc.documentLayout()->draw(&painter, ctx);
    painter.restore();
  };
  if (collate) {
    for (int c = 0; c < copies; ++c)
      for (int i = 0; i < pages; ++i) printPage(i);
  } else {
    for (int i = 0; i < pages; ++i)
      for (int c = 0; c < copies; ++c) printPage(i);
  }
  return painter.end();
}

MsgResult Documents::askToSave(MsgButtons buttons, bool* saved) {
  if (saved) *saved = false;
  // What was typed while a large file loads is asked about as any change:
  // the load is finished first, so that the history holds it.
  if (p_.txtFile->editedWhileLoading()) p_.txtFile->finishLoading();
  p_.RecordUndo();  // a change not yet recorded (a modifier still held) counts too
  if (p_.undo.UndoPos() <= 0) return MsgResult::No;  // nothing to ask
  const MsgResult r = p_.ui->message(
      p_.frmMain, p_.CurrentFileName + QStringLiteral(" 文件的文字已经改变。\r\n想保存文件吗?"),
      kAppTitle, MsgIcon::Warning, buttons);
  if (r == MsgResult::Yes) {
    const bool ok = numSave();
    if (saved) *saved = ok;
  }
  return r;
}

void Documents::showError(const QString& platformText) {
  p_.ui->message(p_.frmMain, platformText, QStringLiteral("出错"), MsgIcon::Critical,
                 MsgButtons::Ok);
}

QString Documents::askSaveName() {
  const std::optional<QString> name = p_.ui->saveFileName(p_.frmMain, fileDialogSetup());
  if (!name || trimSpaces(*name).isEmpty()) return {};
  return *name;
}

Documents::Written Documents::writeDocument(const QString& fileName, QString* text) {
  // The whole text is written, never the part of a load that is in.
  p_.txtFile->finishLoading();
  *text = p_.txtFile->Text();
  qsizetype bad = -1;
  // Written in the encoding the document was opened in.
  const QByteArray bytes = textfile::encodeDocument(*text, &bad, format_.encoding);
  if (bad >= 0) {
    // Nothing is replaced without the user's word.
    const QString c = textfile::characterAt(*text, bad);
    // The whole character: a surrogate pair is named by its code point, an
    // unpaired surrogate by its own unit.
    const uint point = c.size() == 1 ? c[0].unicode() : QChar::surrogateToUcs4(c[0], c[1]);
    const QString code = QString::number(point, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    // A kept byte of the file that an edit put next to bytes it would form
    // a character with cannot be written as itself.
    const bool keptByte = c.size() == 1 && c[0].unicode() >= 0xDC00 && c[0].unicode() <= 0xDCFF;
    const QString question =
        keptByte
            ? QStringLiteral(
                  "文件中保留的无效字节 0x%1 现在紧挨着别的文字,按%2编码保存后会与之合成另一个字,"
                  "所以会写成“?”。\r\n仍要保存吗?")
                  .arg(QString::number(c[0].unicode() & 0xFF, 16).toUpper(),
                       textenc::name(format_.encoding))
            : QStringLiteral(
                  "文字中的“%1”(U+%2)等字符无法按%3编码保存,保存后会变成“?”。\r\n仍要保存吗?")
                  .arg(c, code, textenc::name(format_.encoding));
    if (p_.ui->message(p_.frmMain, question, kAppTitle, MsgIcon::Warning, MsgButtons::YesNo) !=
        MsgResult::Yes)
      return Written::Declined;
  }
  QString error;
  if (!textfile::write(fileName, bytes, &error)) {
    showError(error);
    return Written::Failed;
  }
  return Written::Yes;
}

void Documents::numNew() {
  if (!proceedAfterSaveQuestion()) return;
  rememberPlace();
  setFormat({});  // a new document is written as code page 936 with CR LF
  p_.txtFile->setText(QString());
  p_.CurrentFileName = kUntitled;
  p_.setTitle(kUntitled);
  p_.HasFileName = false;
  watch_->clear();
  p_.resetHistory(QString());
  setEnabled(p_.menu.numUndo, false);
  setEnabled(p_.menu.numCopy, false);
  setEnabled(p_.menu.numCut, false);
  setEnabled(p_.menu.numDelete, false);
}

void Documents::numOpen() {
  if (!proceedAfterSaveQuestion()) return;
  const std::optional<QString> name = p_.ui->openFileName(p_.frmMain, fileDialogSetup());
  if (!name || trimSpaces(*name).isEmpty()) return;
  openChosen(*name);
}

void Documents::openFile(const QString& fileName) {
  if (!proceedAfterSaveQuestion()) return;
  openChosen(fileName);
}

void Documents::openChosen(const QString& name) {
  if (fileaccess::isLossyName(name)) {
    // Bound to it, a later Save would make a file of another name.
    p_.ui->message(p_.frmMain, unreadableNameMessage(name), QStringLiteral("提示"),
                   MsgIcon::Information, MsgButtons::Ok);
    return;
  }
  // A refused file (not a regular file, too large) changes nothing.
  const QString closing = p_.HasFileName ? p_.CurrentFileName : QString();
  const FilePlace place{p_.txtFile->SelStart(), p_.txtFile->verticalScrollBar()->value()};
  const LoadResult loaded = loadTextFile(name);
  if (loaded == LoadResult::Refused) return;
  if (loaded != LoadResult::Failed && onFileUsed) onFileUsed(name);
  if (loaded == LoadResult::Loaded && p_.places && !closing.isEmpty()) {
    p_.places->remember(closing, place);
    p_.places->save();
  }
  p_.CurrentFileName = name;
  // Bound to the chosen name even when it could not be read.
  p_.HasFileName = true;
  watch_->watch(name);
  p_.resetHistory(p_.txtFile->Text());
  setEnabled(p_.menu.numUndo, false);
  setEnabled(p_.menu.numCopy, false);
  setEnabled(p_.menu.numCut, false);
  setEnabled(p_.menu.numDelete, true);
  // A file still loading goes to its place once it is all in.
  if (loaded == LoadResult::Loaded && !p_.txtFile->isLoading()) restorePlace();
}

void Documents::rememberPlace() {
  if (!p_.places || !p_.HasFileName) return;
  p_.places->remember(p_.CurrentFileName,
                      {p_.txtFile->SelStart(), p_.txtFile->verticalScrollBar()->value()});
  p_.places->save();
}

void Documents::restorePlace() {
  if (!p_.places || !p_.HasFileName) return;
  const std::optional<FilePlace> place = p_.places->find(p_.CurrentFileName);
  if (!place) return;
  EditControl& t = *p_.txtFile;
  t.setSelStart(std::min(place->caret, t.TextLength()));
  // The scroll waits for the layout of the text.
  const int scroll = place->scroll;
  QPointer<EditControl> control(&t);
  t.verticalScrollBar()->setValue(scroll);
  QTimer::singleShot(0, &t, [control, scroll] {
    if (control) control->verticalScrollBar()->setValue(scroll);
  });
}

bool Documents::numSave() {
  if (!p_.HasFileName) return numSaveAs();
  // Nothing another program wrote is overwritten unshown.
  if (!noticeDiskChange()) return false;
  QString text;
  writing_ = true;
  const Written w = writeDocument(p_.CurrentFileName, &text);
  writing_ = false;
  if (w != Written::Yes) return false;
  p_.resetHistory(text);
  written(p_.CurrentFileName);
  setEnabled(p_.menu.numUndo, false);
  return true;
}

bool Documents::numSaveAs() {
  const QString name = askSaveName();
  if (name.isEmpty()) return false;
  QString text;
  writing_ = true;
  const Written w = writeDocument(name, &text);
  writing_ = false;
  if (w != Written::Yes) return false;
  p_.CurrentFileName = name;
  p_.setTitle(name);
  p_.HasFileName = true;
  p_.resetHistory(text);
  written(name);
  setEnabled(p_.menu.numUndo, false);
  if (onFileUsed) onFileUsed(name);
  return true;
}

void Documents::numPrint() {
  QPrinter printer(QPrinter::HighResolution);
  const EditControl& t = *p_.txtFile;
  const QString selected = t.SelText();
  // The dialog says what will be printed: the selection when there is one,
  // and the user may choose the whole text instead.
  const bool hasSelection = !trimSpaces(selected).isEmpty();
  printer.setPrintRange(hasSelection ? QPrinter::Selection : QPrinter::AllPages);
  if (!p_.ui->printDialog(p_.frmMain, printer)) return;
  const bool selectionOnly = hasSelection && printer.printRange() == QPrinter::Selection;
  PrintText(printer, selectionOnly ? selected : t.Text());
}

bool Documents::proceedAfterSaveQuestion() {
  bool saved = false;
  // A save the user asked for that failed or was cancelled keeps the text:
  // the command does not go on.
  return askToSave(MsgButtons::YesNo, &saved) != MsgResult::Yes || saved;
}

void Documents::LoadTextFile(const QString& fileName) { loadTextFile(fileName); }

Documents::LoadResult Documents::loadTextFile(const QString& fileName) {
  // The file already shown is not read again.
  if (p_.title() == fileName + QStringLiteral(" - ") + kAppTitle) return LoadResult::AlreadyShown;
  // The start of the file first: a large one is shown from it at once,
  // the rest read and decoded on another thread.
  const qint64 maxBytes = fileaccess::maxDocumentBytes();
  QByteArray bytes;
  QString error;
  qint64 size = 0;
  fileaccess::ReadStatus status = fileaccess::readRegularFileHead(
      fileName, maxBytes, textfile::kPreviewBytes, &bytes, &size, &error);
  textfile::Format format;
  const QString preview = status == fileaccess::ReadStatus::Ok && size >= textfile::kGradualBytes
                              ? textfile::leadingLines(bytes, textfile::kPreviewBytes, &format)
                              : QString();
  if (preview.isEmpty() && status == fileaccess::ReadStatus::Ok)
    status = fileaccess::readRegularFile(fileName, maxBytes, &bytes, &error);
  if (status != fileaccess::ReadStatus::Ok) {
    if (status == fileaccess::ReadStatus::Failed) return LoadResult::Failed;  // as a missing file
    p_.ui->message(p_.frmMain, error, QStringLiteral("提示"), MsgIcon::Information, MsgButtons::Ok);
    return LoadResult::Refused;
  }
  p_.setTitle(fileName);
  if (!preview.isEmpty()) {
    setFormat(format);
    auto whole = std::make_shared<WholeFile>();
    whole->format = format;
    p_.txtFile->loadText(
        preview,
        [fileName, maxBytes, whole] {
          QByteArray all;
          whole->status = fileaccess::readRegularFile(fileName, maxBytes, &all, &whole->error);
          if (whole->status != fileaccess::ReadStatus::Ok) return QString();
          return textfile::decodeDocument(all, &whole->format);
        },
        [this, whole](const QString& text, bool edited) { loaded(*whole, text, edited); });
    return LoadResult::Loaded;
  }
  const QString text = textfile::decodeDocument(bytes, &format);
  bytes = QByteArray();
  setFormat(format);
  p_.txtFile->setText(text);
  return LoadResult::Loaded;
}

void Documents::loaded(const WholeFile& whole, const QString& text, bool edited) {
  EditControl& t = *p_.txtFile;
  p_.showStatus(QString());
  if (whole.status != fileaccess::ReadStatus::Ok) {
    // The file could not be read after all (gone, grown too large, a read
    // error): no part of it stays bound to its name, where a save would
    // cut the file short.
    t.setText(QString());
    p_.CurrentFileName = kUntitled;
    p_.setTitle(kUntitled);
    p_.HasFileName = false;
    watch_->clear();
    p_.resetHistory(QString());
    showError(whole.error);
    if (onLoaded) onLoaded();
    return;
  }
  const textfile::Format& format = whole.format;
  // The encoding and line ends of the whole file: what Enter inserts and
  // what a save writes from now on.
  setFormat(format);
  // The base of the history is the file's text; what was typed meanwhile
  // is its first step.
  p_.resetHistory(text);
  if (edited) p_.RecordUndo();
  else if (t.SelStart() == 0 && t.SelLength() == 0) restorePlace();
  if (onLoaded) onLoaded();
}

void Documents::setFormat(const textfile::Format& f) {
  format_ = f;
  p_.txtFile->setLineEnd(f.lfLines ? EditControl::LineEnd::Lf : EditControl::LineEnd::CrLf);
}

void Documents::written(const QString& fileName) {
  watch_->watch(fileName);
  if (afterWrite) afterWrite();
}

bool Documents::noticeDiskChange() {
  if (!p_.HasFileName || noticing_ || writing_) return true;
  if (watch_->fileName() != p_.CurrentFileName) watch_->watch(p_.CurrentFileName);
  const DiskWatch::Change change = watch_->check();
  if (change == DiskWatch::Change::None) return true;
  noticing_ = true;
  bool goOn = true;
  if (change == DiskWatch::Change::Deleted) {
    // Shown once; the next Save makes the file again.
    watch_->acknowledge();
    p_.ui->message(
        p_.frmMain,
        QStringLiteral("“%1”已从磁盘上删除。\r\n编辑器中的文字还在,保存时会重新创建这个文件。")
            .arg(p_.CurrentFileName),
        QStringLiteral("提示"), MsgIcon::Information, MsgButtons::Ok);
  } else {
    // Taken now: a later change is a change of its own.
    watch_->acknowledge();
    const int r = p_.ui->choose(
        p_.frmMain,
        QStringLiteral("“%1”已被其他程序修改。\r\n重新载入磁盘上的文字(可以撤消),还是保留我的文字?")
            .arg(p_.CurrentFileName),
        kAppTitle, MsgIcon::Warning, {QStringLiteral("重新载入"), QStringLiteral("保留我的")});
    if (r == 0) {
      reloadFromDisk();
      goOn = false;
    }
  }
  noticing_ = false;
  return goOn;
}

bool Documents::reloadFromDisk() {
  QString text, error;
  fileaccess::ReadStatus status = fileaccess::ReadStatus::Failed;
  textfile::Format format;
  // The user's text, a step of the history, is the whole of it.
  p_.txtFile->finishLoading();
  watch_->watch(p_.CurrentFileName);  // the state of what is read
  if (!textfile::read(p_.CurrentFileName, &text, &error, &status, &format)) {
    showError(error);
    return false;
  }
  // The user's text is a step of its own, the reload the next one: one
  // undo brings the user's text back.
  p_.RecordUndo();
  p_.editing.TextDirty = false;
  setFormat(format);
  EditControl& t = *p_.txtFile;
  const int caret = t.SelStart();
  t.setText(text);
  t.setSelStart(std::min(caret, t.TextLength()));
  p_.RecordUndo();
  p_.editing.TextDirty = false;
  return true;
}

void Documents::restoreText(const QString& fileName, bool hasFileName,
                            const textfile::Format& format, const QString& text) {
  QString base;
  if (hasFileName && !textfile::read(fileName, &base)) base.clear();
  p_.CurrentFileName = fileName;
  p_.HasFileName = hasFileName;
  p_.setTitle(fileName);
  // Written again as the document was.
  setFormat(format);
  if (hasFileName) watch_->watch(fileName);
  else watch_->clear();
  p_.txtFile->setText(base);
  p_.resetHistory(p_.txtFile->Text());
  p_.txtFile->setText(text);
  p_.RecordUndo();
  p_.editing.TextDirty = false;
  setEnabled(p_.menu.numCopy, false);
  setEnabled(p_.menu.numCut, false);
  setEnabled(p_.menu.numDelete, !text.isEmpty());
}
