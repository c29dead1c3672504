// SPDX-License-Identifier: GPL-3.0-or-later
// Reading rendered into a wav file: the sounds land in the file at the
// times the reading schedule gives, the trace names them, and a cancelled
// or failed rendering leaves no file behind.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>

#include "platform/pinyin_dictionary_ime.h"
#include "platform/sound_files.h"
#include "reading/wav_render.h"
#include "support/wav_fixture.h"

namespace {

const QString kDictionary = QStringLiteral(CHIMEPAD_BIN_DIR "/pinyin.txt");

// Where the level of a mono sound stays above a tenth of full scale, in
// milliseconds: "0-650".
QStringList soundRuns(const PcmSound& s) {
  QStringList runs;
  const int window = s.sampleRate / 1000;  // 1 ms
  const auto* d = reinterpret_cast<const qint16*>(s.samples.constData());
  const qint64 n = s.frames();
  qint64 start = -1;
  for (qint64 w = 0; w + window <= n; w += window) {
    double sum = 0;
    for (int i = 0; i < window; ++i) sum += double(d[w + i]) * d[w + i];
    const bool loud = std::sqrt(sum / window) > 0.1 * 32767;
    const qint64 ms = w / window;
    if (loud && start < 0) start = ms;
    if (!loud && start >= 0) {
      runs << QStringLiteral("%1-%2").arg(start).arg(ms);
      start = -1;
    }
  }
  if (start >= 0) runs << QStringLiteral("%1-%2").arg(start).arg(n / window);
  return runs;
}

class Render : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    const QString dir = tmp.path();
    QDir(dir).mkpath(QStringLiteral("Sounds"));
    // The segment file holds a tone from end to end; every wav file is a
    // tone of its own length.
    ASSERT_TRUE(writeTone(dir + QStringLiteral("/QZCSo.wav"),
                          {.ms = 40000, .rate = 8000, .frequency = 500}));
    const struct {
      const char* name;
      int ms;
    } wavs[] = {{"x", 200}, {"i1", 150}, {"an1", 300}, {"ei1", 300}};
    for (const auto& w : wavs)
      ASSERT_TRUE(writeTone(
          dir + QStringLiteral("/Sounds/") + QLatin1String(w.name) + QStringLiteral(".wav"),
          {.ms = w.ms, .rate = 16000, .frequency = 300}));
    job.soundDir = dir;
    job.ime = &ime;
    job.outFile = dir + QStringLiteral("/out.wav");
  }
  QTemporaryDir tmp;
  PinyinDictionaryIme ime{{kDictionary}};
  RenderJob job;
};

TEST_F(Render, SoundsLandWhereTheScheduleSays) {
  // 先 is x, i1, an1 (650 ms); 八 the range 4150-4550 held 400 ms; the
  // last a comes one interval after the hold; the end of the text is a
  // 220 ms pause and one more interval.
  job.text = QStringLiteral("先八a");
  job.intervalMs = 1000;
  QStringList trace;
  job.trace = [&](const RenderedUnit& u) {
    trace << QStringLiteral("%1 %2 %3 %4")
                 .arg(u.startMs)
                 .arg(u.ch, u.pinyin, u.sounds.join(QLatin1Char(',')));
  };
  const RenderResult r = RenderReading(job);
  ASSERT_EQ(r.status, RenderStatus::Ok) << r.error.toStdString();
  PcmSound out;
  ASSERT_TRUE(DecodeWav(job.outFile, out));
  EXPECT_EQ(out.sampleRate, 8000);  // the sound set's format
  EXPECT_EQ(out.channels, 1);
  EXPECT_EQ(soundRuns(out), (QStringList{"0-650", "1000-1400", "2400-2700"}));
  EXPECT_NEAR(double(out.lengthMs()), 4620, 2);
  EXPECT_EQ(r.lengthMs, out.frames() * 1000 / 8000);
  EXPECT_EQ(trace, (QStringList{"0 先 xian1 x,i1,an1", "1000 八 ba1 4150-4550", "2400 a ei1 ei1",
                                "3400   (220)"}));
}

TEST_F(Render, FasterThanTheWavSoundsTheyFollowOneAnother) {
  // At 100 ms a step that falls due while a wav sound plays comes at its end.
  job.text = QStringLiteral("aa先");
  job.intervalMs = 100;
  ASSERT_EQ(RenderReading(job).status, RenderStatus::Ok);
  PcmSound out;
  ASSERT_TRUE(DecodeWav(job.outFile, out));
  EXPECT_EQ(soundRuns(out), (QStringList{"0-1250"}));
  EXPECT_NEAR(double(out.lengthMs()), 1250 + 320, 2);
}

TEST_F(Render, CancelAndFailuresLeaveNoFile) {
  job.text = QString(200, QChar(u'a'));
  job.intervalMs = 100;
  // Cancelled half way: nothing under the name, an older file untouched.
  QFile old(job.outFile);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("older");
  old.close();
  job.progress = [](int percent) { return percent < 50; };
  EXPECT_EQ(RenderReading(job).status, RenderStatus::Cancelled);
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), QByteArray("older"));
  old.close();
  job.progress = nullptr;
  QStringList files = QDir(tmp.path()).entryList(QDir::Files);
  files.sort();
  EXPECT_EQ(files, (QStringList{"QZCSo.wav", "out.wav"}));

  // No folder to write into.
  RenderJob bad = job;
  bad.outFile = tmp.path() + QStringLiteral("/none/out.wav");
  RenderResult r = RenderReading(bad);
  EXPECT_EQ(r.status, RenderStatus::WriteFailed);
  EXPECT_FALSE(r.error.isEmpty());
  EXPECT_FALSE(QFile::exists(bad.outFile));

  // No sound set, no dictionary.
  bad = job;
  QTemporaryDir empty;
  bad.soundDir = empty.path();
  bad.outFile = empty.path() + QStringLiteral("/out.wav");
  EXPECT_EQ(RenderReading(bad).status, RenderStatus::NoSoundSet);
  PinyinDictionaryIme missing{{QStringLiteral("/nonexistent/pinyin.txt")}};
  bad.soundDir = job.soundDir;
  bad.ime = &missing;
  EXPECT_EQ(RenderReading(bad).status, RenderStatus::NoPinyin);
  EXPECT_FALSE(QFile::exists(bad.outFile));
}

TEST_F(Render, LineBreaksAndSurrogatesAreOneStepEach) {
  job.text = QStringLiteral("a\r\n") + QString::fromUcs4(U"\U00020000") + QStringLiteral("\na");
  job.intervalMs = 500;
  QStringList steps;
  job.trace = [&](const RenderedUnit& u) {
    steps << QStringLiteral("%1:%2").arg(u.startMs).arg(u.ch.size());
  };
  ASSERT_EQ(RenderReading(job).status, RenderStatus::Ok);
  // a, CR (the LF is no position), the pair, LF, a, the end.
  EXPECT_EQ(steps, (QStringList{"0:1", "500:1", "1000:2", "1500:1", "2000:1", "2500:0"}));
}

}  // namespace

// 朗读到文件 in the window: the save dialog, the progress window, what is
// read, and the refusal while reading.
#include <QAction>

#include "app/main_window.h"
#include "platform/edit_control.h"
#include "support/test_window.h"

namespace {

// The window goes before the fixture's input method (its base comes first).
class ReadToFileCommand : public Render, public TestWindow {
 protected:
  void SetUp() override {
    Render::SetUp();
    start(deps().ime(ime));
    w->readingCommands().soundDir = tmp.path();
    p().Timer2->setInterval(1000);
  }
};

TEST_F(ReadToFileCommand, ReadsFromTheCaretOrTheSelectionIntoTheChosenFile) {
  p().txtFile->setText(QStringLiteral("八a八a"));
  const QString out = tmp.filePath(QStringLiteral("reading"));
  const struct {
    int start, length;
    double ms;
  } cases[] = {
      // 八 held 400 ms, a one interval later, the end one interval after it
      // with its 220 ms pause and one interval more.
      {2, 0, 3620},  // 八a from the caret
      {0, 1, 6020},  // one character selected: from there to the end
      {0, 2, 3620},  // 八a as the selection, not the rest
  };
  for (const auto& c : cases) {
    p().txtFile->setSelStart(c.start);
    p().txtFile->setSelLength(c.length);
    ui.saveAnswers.push_back(out);
    ui.progressShown.clear();
    p().menu.numReadToFile->trigger();
    PcmSound s;
    ASSERT_TRUE(DecodeWav(out + QStringLiteral(".wav"), s));  // the extension is added
    EXPECT_NEAR(double(s.lengthMs()), c.ms, 2) << c.start << "," << c.length;
    ASSERT_FALSE(ui.progressShown.empty());
    EXPECT_EQ(ui.progressShown.back(), 100);
  }
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.fileDialogs.back().defaultName, QStringLiteral("*.wav"));
}

TEST_F(ReadToFileCommand, CancelLeavesNoFileAndReadingRefuses) {
  p().txtFile->setText(QString(100, QChar(u'a')));
  const QString out = tmp.filePath(QStringLiteral("cancelled.wav"));
  ui.saveAnswers.push_back(out);
  ui.cancelAt = 30;
  p().menu.numReadToFile->trigger();
  EXPECT_FALSE(QFile::exists(out));
  EXPECT_TRUE(ui.messages.empty());

  // No name chosen: nothing happens.
  ui.cancelAt = -1;
  const int windows = ui.progressWindows;
  p().menu.numReadToFile->trigger();
  EXPECT_EQ(ui.progressWindows, windows);

  p().ReadingActive = true;
  const size_t dialogs = ui.fileDialogs.size();
  p().menu.numReadToFile->trigger();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, QStringLiteral("请先停止朗读!"));
  EXPECT_EQ(ui.fileDialogs.size(), dialogs);
  p().ReadingActive = false;
}

}  // namespace
