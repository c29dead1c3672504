// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <QTextStream>

#include "app/main_window.h"
#include "app/settings.h"
#include "app/text_file.h"
#include "platform/file_access.h"
#include "platform/settings_store.h"
#include "platform/text_encoding.h"
#include "reading/wav_render.h"
#include "reading/word_readings.h"

CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine cl;
  const QStringList a = arguments.mid(1);
  auto error = [&cl](const QString& text) {
    cl.mode = CommandLine::Mode::Error;
    cl.error = text;
    return cl;
  };
  if (a.size() == 1 && a[0] == QLatin1String("--help")) {
    cl.mode = CommandLine::Mode::Help;
    return cl;
  }
  if (a.size() == 1 && a[0] == QLatin1String("--version")) {
    cl.mode = CommandLine::Mode::Version;
    return cl;
  }
  if (!a.isEmpty() && a[0] == QLatin1String("--read-to-wav")) {
    cl.mode = CommandLine::Mode::ReadToWav;
    QStringList operands;
    for (qsizetype i = 1; i < a.size(); ++i) {
      const QString& w = a[i];
      if (w == QLatin1String("--trace")) {
        cl.trace = true;
      } else if (w == QLatin1String("--neutral-tone") || w == QLatin1String("--no-neutral-tone")) {
        cl.neutralTone = w == QLatin1String("--neutral-tone");
      } else if (w == QLatin1String("--tone-sandhi") || w == QLatin1String("--no-tone-sandhi")) {
        cl.toneSandhi = w == QLatin1String("--tone-sandhi");
      } else if (w == QLatin1String("--by-words")) {
        cl.byWords = 1;
      } else if (w == QLatin1String("--by-chars")) {
        cl.byWords = 0;
      } else if (w == QLatin1String("--speed")) {
        if (i + 1 >= a.size())
          return error(QStringLiteral("--speed needs a value: slow, medium, fast or 1 to 100"));
        cl.intervalMs = SpeedInterval(a[++i]);
        if (cl.intervalMs == 0)
          return error(
              QStringLiteral("bad speed \"%1\": slow, medium, fast or 1 to 100").arg(a[i]));
      } else if (w.startsWith(QLatin1String("--"))) {
        return error(QStringLiteral("unknown option %1").arg(w));
      } else {
        operands << w;
      }
    }
    if (operands.size() != 2)
      return error(
          QStringLiteral("usage: chimepad --read-to-wav TEXTFILE OUT.wav "
                         "[--speed slow|medium|fast|N] [--by-words|--by-chars] "
                         "[--[no-]neutral-tone] [--[no-]tone-sandhi] [--trace]"));
    cl.textFile = operands[0];
    cl.wavFile = operands[1];
    return cl;
  }
  // Anything else is one file name, as it always was.
  cl.fileName = commandLineTail(arguments);
  return cl;
}

QString HelpText() {
  return QStringLiteral(
      "Usage: chimepad [FILE]\n"
      "       chimepad --read-to-wav TEXTFILE OUT.wav [--speed slow|medium|fast|N] [--trace]\n"
      "                [--by-words|--by-chars] [--[no-]neutral-tone] [--[no-]tone-sandhi]\n"
      "       chimepad --help | --version\n"
      "\n"
      "Chimepad (妙音朗读器) is a Chinese text editor that reads its text aloud.\n"
      "\n"
      "  FILE             the text file to open; everything after the program name is\n"
      "                   taken as one file name. A file whose name starts with \"--\"\n"
      "                   is opened with ./ in front (chimepad ./--notes.txt).\n"
      "  --read-to-wav    reads TEXTFILE (UTF-8 or GBK) aloud into the wav file OUT.wav,\n"
      "                   without a window and without a sound device, and exits:\n"
      "                   status 0 on success, otherwise a message on standard error.\n"
      "  --speed          slow (1000 ms a character), medium (500 ms, the default),\n"
      "                   fast (100 ms), or N from 1 to 100 for N x 100 ms.\n"
      "  --by-words       polyphonic characters read as in the words they stand in;\n"
      "  --by-chars       each character read alone. Without either, as the setting\n"
      "                   按词语读多音字 of the window says (on unless turned off).\n"
      "  --trace          one line per character on standard output: its start in ms,\n"
      "                   the character, its pinyin with tone digit (empty for none)\n"
      "                   and the sounds played, separated by tabs.\n"
      "  --neutral-tone, --no-neutral-tone\n"
      "                   read toneless syllables (的 de) with neutral tones, or with\n"
      "                   the fourth tone's sounds; default: as in the window (轻声).\n"
      "  --tone-sandhi, --no-tone-sandhi\n"
      "                   read a third tone before a third tone within a word as a\n"
      "                   second (你好 ní hǎo), or not; default: as in the window (上声变调).\n"
      "  --help           shows this text.\n"
      "  --version        shows the version.\n");
}

QString VersionText() { return QStringLiteral("chimepad %1\n").arg(kChimepadVersion); }

QString DecodeTextForReading(const QByteArray& bytes) {
  return textenc::decode(bytes, textenc::detect(bytes));
}

namespace {
// A character as the trace shows it: control characters by their code.
QString shown(const QString& c) {
  if (c.isEmpty()) return QString();
  if (c.size() == 1 && (c.at(0).unicode() < 0x20 || c.at(0).category() == QChar::Other_Control ||
                        c.at(0).category() == QChar::Separator_Line ||
                        c.at(0).category() == QChar::Separator_Paragraph))
    return QStringLiteral("U+") +
           QString::number(c.at(0).unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
  return c;
}
}  // namespace

namespace {
// A sound option as the window stores it: on unless stored as off.
bool StoredSoundOption(const char* key) {
  const SettingsStore store;
  const QString v = store.read(QStringLiteral("Sound"), QLatin1String(key)).trimmed();
  return !(v.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || v == QLatin1String("0"));
}
}  // namespace

int RunReadToWav(const CommandLine& cl, QTextStream& out, QTextStream& err, const QString& soundDir,
                 InputMethod* ime) {
  // Only a regular file of a size the editor would open: a FIFO or a
  // device is refused rather than read without end.
  QByteArray bytes;
  QString error;
  if (fileaccess::readRegularFile(cl.textFile, fileaccess::maxDocumentBytes(), &bytes, &error) !=
      fileaccess::ReadStatus::Ok) {
    err << "chimepad: " << cl.textFile << ": " << error << "\n";
    err.flush();
    return 2;
  }
  // Polyphonic characters are read by their words or alone, as asked or as
  // the window's setting says.
  const bool byWords = cl.byWords < 0 ? StoredReadByWords(SettingsStore()) : cl.byWords == 1;
  WordReadings words;
  RenderJob job;
  job.text = DecodeTextForReading(bytes);
  job.words = &words;
  job.byWords = byWords;
  job.intervalMs = cl.intervalMs;
  job.neutralTone = cl.neutralTone ? *cl.neutralTone : StoredSoundOption("NeutralTone");
  job.toneSandhi = cl.toneSandhi ? *cl.toneSandhi : StoredSoundOption("ToneSandhi");
  job.soundDir = soundDir;
  job.ime = ime;
  job.outFile = cl.wavFile;
  if (cl.trace) {
    job.trace = [&out](const RenderedUnit& u) {
      out << u.startMs << '\t' << shown(u.ch) << '\t' << u.pinyin << '\t'
          << u.sounds.join(QLatin1Char(' ')) << '\n';
    };
  }
  const RenderResult r = RenderReading(job);
  out.flush();
  if (r.status != RenderStatus::Ok) {
    err << "chimepad: " << r.error << "\n";
    err.flush();
    return r.status == RenderStatus::WriteFailed ? 3 : 4;
  }
  return 0;
}
