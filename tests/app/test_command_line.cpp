// SPDX-License-Identifier: GPL-3.0-or-later
// The command line: the forms that start with "--", and everything else as
// one file name; reading a text file into a wav file from the program.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "app/command_line.h"
#include "platform/sound_files.h"

namespace {

using Mode = CommandLine::Mode;

TEST(CommandLine, FormsAndFileNames) {
  const struct {
    QStringList args;
    Mode mode;
    const char* fileName;
    const char* text;
    const char* wav;
    int interval;
    bool trace;
  } cases[] = {
      {{}, Mode::Open, "", "", "", 500, false},
      {{"a.txt"}, Mode::Open, "a.txt", "", "", 500, false},
      {{"my", "notes.txt"}, Mode::Open, "my notes.txt", "", "", 500, false},
      {{"--help"}, Mode::Help, "", "", "", 500, false},
      {{"--version"}, Mode::Version, "", "", "", 500, false},
      // Not exactly one of the forms: a file name, as it always was.
      {{"--help", "me"}, Mode::Open, "--help me", "", "", 500, false},
      {{"--notes.txt"}, Mode::Open, "--notes.txt", "", "", 500, false},
      {{"./--help"}, Mode::Open, "./--help", "", "", 500, false},
      {{"--read-to-wav", "in.txt", "out.wav"},
       Mode::ReadToWav,
       "",
       "in.txt",
       "out.wav",
       500,
       false},
      {{"--read-to-wav", "in.txt", "out.wav", "--speed", "slow"},
       Mode::ReadToWav,
       "",
       "in.txt",
       "out.wav",
       1000,
       false},
      {{"--read-to-wav", "--speed", "fast", "in.txt", "out.wav", "--trace"},
       Mode::ReadToWav,
       "",
       "in.txt",
       "out.wav",
       100,
       true},
      {{"--read-to-wav", "in.txt", "out.wav", "--speed", "medium"},
       Mode::ReadToWav,
       "",
       "in.txt",
       "out.wav",
       500,
       false},
      {{"--read-to-wav", "in.txt", "out.wav", "--speed", "1"},
       Mode::ReadToWav,
       "",
       "in.txt",
       "out.wav",
       100,
       false},
      {{"--read-to-wav", "in.txt", "out.wav", "--speed", "100"},
       Mode::ReadToWav,
       "",
       "in.txt",
       "out.wav",
       10000,
       false},
      {{"--read-to-wav", "in.txt", "out.wav", "--speed", "0"}, Mode::Error, "", "", "", 0, false},
      {{"--read-to-wav", "in.txt", "out.wav", "--speed", "101"}, Mode::Error, "", "", "", 0, false},
      {{"--read-to-wav", "in.txt", "out.wav", "--speed", "quick"},
       Mode::Error,
       "",
       "",
       "",
       0,
       false},
      {{"--read-to-wav", "in.txt", "out.wav", "--speed"}, Mode::Error, "", "", "", 0, false},
      {{"--read-to-wav", "in.txt"}, Mode::Error, "", "", "", 0, false},
      {{"--read-to-wav", "a", "b", "c"}, Mode::Error, "", "", "", 0, false},
      {{"--read-to-wav", "in.txt", "out.wav", "--loud"}, Mode::Error, "", "", "", 0, false},
  };
  for (const auto& c : cases) {
    const CommandLine cl =
        ParseCommandLine(QStringList{QStringLiteral("/usr/bin/chimepad")} + c.args);
    SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
    EXPECT_EQ(cl.mode, c.mode);
    if (c.mode == Mode::Error) {
      EXPECT_FALSE(cl.error.isEmpty());
      EXPECT_FALSE(cl.error.contains(QLatin1Char('\n')));
      continue;
    }
    EXPECT_EQ(cl.fileName, QString::fromUtf8(c.fileName));
    EXPECT_EQ(cl.textFile, QString::fromUtf8(c.text));
    EXPECT_EQ(cl.wavFile, QString::fromUtf8(c.wav));
    if (c.mode == Mode::ReadToWav) {
      EXPECT_EQ(cl.intervalMs, c.interval);
      EXPECT_EQ(cl.trace, c.trace);
    }
  }
  EXPECT_TRUE(HelpText().contains(QStringLiteral("./")));
}

TEST(CommandLine, TextFilesInUtf8OrGbk) {
  EXPECT_EQ(DecodeTextForReading(QByteArray("\xE4\xB8\xAD\xE6\x96\x87\n")),
            QStringLiteral("中文\n"));
  EXPECT_EQ(DecodeTextForReading(QByteArray("\xEF\xBB\xBF\xE4\xB8\xAD")), QStringLiteral("中"));
  EXPECT_EQ(DecodeTextForReading(QByteArray("\xD6\xD0\xCE\xC4\r\n")), QStringLiteral("中文\r\n"));
}

// The program itself, without a window: the exit status, the file, the
// trace, the one-line message.
class ReadToWavProgram : public ::testing::Test {
 protected:
  struct Run {
    int status;
    QString out;
    QString err;
  };
  Run run(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(CHIMEPAD_BIN_DIR "/chimepad"), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
  }
  QString write(const QString& name, const QByteArray& bytes) {
    const QString path = tmp.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
  QTemporaryDir tmp;
};

TEST_F(ReadToWavProgram, RendersWithTraceAndFailsWithOneLine) {
  // 一天 in UTF-8 with an LF: yi before a first tone is heard yì.
  const QString text = write(QStringLiteral("in.txt"), QByteArray("\xE4\xB8\x80\xE5\xA4\xA9"
                                                                  "7\n"));
  const QString wav = tmp.filePath(QStringLiteral("out.wav"));
  Run r = run({QStringLiteral("--read-to-wav"), text, wav, QStringLiteral("--speed"),
               QStringLiteral("fast"), QStringLiteral("--trace")});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.isEmpty());
  const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 5) << r.out.toStdString();
  EXPECT_EQ(lines[0], QStringLiteral("0\t一\tyi1\t34310-34570"));
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("360\t天\ttian1\t"))) << lines[1].toStdString();
  // A digit is shown by the name of what is played for it.
  EXPECT_TRUE(lines[2].endsWith(QStringLiteral("\t7\tqi1\t38370-38780"))) << lines[2].toStdString();
  EXPECT_TRUE(lines[3].contains(QStringLiteral("\tU+000A\t\t"))) << lines[3].toStdString();
  PcmSound out;
  ASSERT_TRUE(DecodeWav(wav, out));
  EXPECT_GT(out.lengthMs(), 1000);

  r = run({QStringLiteral("--read-to-wav"), tmp.filePath(QStringLiteral("missing.txt")), wav});
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
  r = run(
      {QStringLiteral("--read-to-wav"), text, tmp.filePath(QStringLiteral("no/such/dir/out.wav"))});
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
  r = run({QStringLiteral("--read-to-wav"), text});
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();

  r = run({QStringLiteral("--version")});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out.startsWith(QStringLiteral("chimepad "))) << r.out.toStdString();
  r = run({QStringLiteral("--help")});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out.contains(QStringLiteral("--read-to-wav")));
}

TEST(CommandLine, ByWordsOrByCharacters) {
  const struct {
    QStringList extra;
    int byWords;
  } cases[] = {
      {{}, -1},  // as the setting says
      {{QStringLiteral("--by-words")}, 1},
      {{QStringLiteral("--by-chars")}, 0},
      {{QStringLiteral("--by-words"), QStringLiteral("--by-chars")}, 0},  // the last one counts
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extra.join(QLatin1Char(' ')).toStdString());
    const CommandLine cl =
        ParseCommandLine(QStringList{QStringLiteral("chimepad"), QStringLiteral("--read-to-wav"),
                                     QStringLiteral("in.txt"), QStringLiteral("out.wav")} +
                         c.extra);
    EXPECT_EQ(cl.mode, CommandLine::Mode::ReadToWav);
    EXPECT_EQ(cl.byWords, c.byWords);
  }
}

TEST_F(ReadToWavProgram, PolyphonesByWordsOrAloneAndNamesOfDigitsAndLetters) {
  // 银行 reads 行 as háng in its word, xíng alone; 1 and A are shown by the
  // sounds played for them; 啊 has its syllable even without a tone.
  const QString text = write(QStringLiteral("in.txt"), QStringLiteral("银行1A啊").toUtf8());
  const QString wav = tmp.filePath(QStringLiteral("out.wav"));
  const struct {
    const char* option;
    const char* hang;
  } cases[] = {{"", "hang2"}, {"--by-words", "hang2"}, {"--by-chars", "xing2"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    QStringList args{QStringLiteral("--read-to-wav"), text, wav, QStringLiteral("--trace")};
    if (*c.option) args << QLatin1String(c.option);
    const Run r = run(args);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QStringList pinyin;
    for (const QString& line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
      pinyin << line.section(QLatin1Char('\t'), 1, 2);
    ASSERT_GE(pinyin.size(), 5) << r.out.toStdString();
    EXPECT_EQ(pinyin[1], QStringLiteral("行\t") + QLatin1String(c.hang));
    EXPECT_EQ(pinyin[2], QStringLiteral("1\tyi1"));
    EXPECT_EQ(pinyin[3], QStringLiteral("A\tei1"));
    EXPECT_TRUE(pinyin[4].startsWith(QStringLiteral("啊\ta"))) << pinyin[4].toStdString();
  }
}

}  // namespace
