// SPDX-License-Identifier: GPL-3.0-or-later
// The sound output: wav decoding, the multimedia commands, and real sound
// through an audio server started by the test (a null sink whose monitor
// is recorded).
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>
#include <cmath>
#include <functional>
#include <optional>

#include "platform/mci_commands.h"
#include "platform/qt_sound_output.h"
#include "platform/sound_files.h"
#include "support/wav_fixture.h"

namespace {

qint16 sampleAt(const PcmSound& s, qint64 frame, int channel = 0) {
  qint16 v;
  memcpy(&v, s.samples.constData() + (frame * s.channels + channel) * 2, 2);
  return v;
}

// --- Decoding

TEST(WavDecoding, AnyPcmWavBecomesSixteenBitSamples) {
  QTemporaryDir tmp;
  const struct {
    const char* name;
    int format;
    int channels;
    int expectChannels;
  } cases[] = {
      {"u8", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 1},
      {"s16", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 1},
      {"s24", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 2},
      {"s32", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 1, 1},
      {"float", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 1},
      {"wavex", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 2, 2},
      {"quad", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 4, 2},
  };
  for (const auto& c : cases) {
    const QString path = tmp.filePath(QString::fromLatin1(c.name) + QStringLiteral(".wav"));
    // A quarter second of a tone at half scale, 16 kHz.
    ASSERT_TRUE(writeTone(path, {.ms = 250,
                                 .rate = 16000,
                                 .channels = c.channels,
                                 .format = c.format,
                                 .amplitude = 0.5,
                                 .frequency = 1000}));
    PcmSound s;
    ASSERT_TRUE(DecodeWav(path, s)) << c.name;
    EXPECT_EQ(s.sampleRate, 16000) << c.name;
    EXPECT_EQ(s.channels, c.expectChannels) << c.name;
    EXPECT_EQ(s.frames(), 4000) << c.name;
    EXPECT_EQ(s.lengthMs(), 250) << c.name;
    // 1 kHz at 16 kHz: the fourth sample is the crest, half of full scale.
    EXPECT_NEAR(sampleAt(s, 4), 16383, 300) << c.name;
    EXPECT_NEAR(sampleAt(s, 12), -16383, 300) << c.name;
  }
}

TEST(WavDecoding, RefusesWhatIsNoWavFile) {
  QTemporaryDir tmp;
  const QString aiff = tmp.filePath(QStringLiteral("tone.aiff"));
  ASSERT_TRUE(writeTone(aiff, {.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_16}));
  const QString text = tmp.filePath(QStringLiteral("text.wav"));
  QFile f(text);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("RIFF....WAVEfmt this is no sound");
  f.close();
  const QString unreadable = tmp.filePath(QStringLiteral("locked.wav"));
  ASSERT_TRUE(writeTone(unreadable));
  QFile::setPermissions(unreadable, QFileDevice::Permissions());
  PcmSound s;
  EXPECT_FALSE(DecodeWav(aiff, s));
  EXPECT_FALSE(DecodeWav(text, s));
  EXPECT_FALSE(DecodeWav(tmp.filePath(QStringLiteral("missing.wav")), s));
  EXPECT_FALSE(DecodeWav(tmp.path(), s));
  // Neither a FIFO (the open would block) nor a device (it never ends).
  const QString fifo = tmp.filePath(QStringLiteral("fifo.wav"));
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_FALSE(DecodeWav(fifo, s));
  EXPECT_FALSE(DecodeWav(QStringLiteral("/dev/zero"), s));
  // (Unless the tests run with rights that read any file.)
  if (!QFile(unreadable).open(QIODevice::ReadOnly)) { EXPECT_FALSE(DecodeWav(unreadable, s)); }
}

// A damaged header must not make reading wait for half an hour: absurd
// rates, channel counts and lengths are refused like unreadable files.
TEST(WavDecoding, RefusesAbsurdRatesChannelsAndLengths) {
  QTemporaryDir tmp;
  // A good file whose header is then patched: the rate (and the byte rate
  // that goes with it) or the channel count of the fmt chunk.
  const auto patched = [&](const char* name, quint32 rate, quint16 channels) {
    const QString path = tmp.filePath(QString::fromLatin1(name));
    EXPECT_TRUE(writeTone(path, {.ms = 100, .rate = 22050}));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray b = f.readAll();
    EXPECT_EQ(b.mid(12, 4), QByteArray("fmt "));
    const quint32 byteRate = rate * channels * 2;
    const quint16 blockAlign = quint16(channels * 2);
    memcpy(b.data() + 22, &channels, 2);
    memcpy(b.data() + 24, &rate, 4);
    memcpy(b.data() + 28, &byteRate, 4);
    memcpy(b.data() + 32, &blockAlign, 2);
    f.seek(0);
    f.write(b);
    return path;
  };
  const QString tone = [&] {
    const QString path = tmp.filePath(QStringLiteral("six_seconds.wav"));
    EXPECT_TRUE(writeTone(path, {.ms = 6000, .rate = 8000}));
    return path;
  }();
  const struct {
    QString path;
    qint64 maxMs;
    bool accepted;
  } cases[] = {
      {patched("rate1.wav", 1, 1), kMaxWavMs, false},  // 2205 frames: 37 minutes
      {patched("rate3999.wav", 3999, 1), kMaxWavMs, false},
      {patched("rate4000.wav", 4000, 1), kMaxWavMs, true},
      {patched("rate192000.wav", 192000, 1), kMaxWavMs, true},
      {patched("rate192001.wav", 192001, 1), kMaxWavMs, false},
      {patched("rate2e9.wav", 2000000000, 1), kMaxWavMs, false},
      {patched("ch8.wav", 22050, 8), kMaxWavMs, true},
      {patched("ch9.wav", 22050, 9), kMaxWavMs, false},
      {patched("ch1000.wav", 22050, 1000), kMaxWavMs, false},
      {tone, kMaxSoundMs, false},  // a single sound of six seconds
      {tone, 6000, true},
      {tone, 5999, false},
      {tone, kMaxWavMs, true},  // the segment file may be long
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(QFileInfo(c.path).fileName().toStdString() + " up to " + std::to_string(c.maxMs));
    PcmSound s;
    EXPECT_EQ(DecodeWav(c.path, s, c.maxMs), c.accepted);
  }
}

TEST(WavDecoding, SlicesAreCutByMilliseconds) {
  PcmSound s;
  s.sampleRate = 1000;
  s.channels = 2;
  for (qint16 i = 0; i < 100; ++i) {
    s.samples.append(reinterpret_cast<const char*>(&i), 2);
    s.samples.append(reinterpret_cast<const char*>(&i), 2);
  }
  const PcmSound part = s.slice(20, 50);
  EXPECT_EQ(part.frames(), 30);
  EXPECT_EQ(sampleAt(part, 0, 1), 20);
  EXPECT_EQ(s.slice(90, 500).frames(), 10);  // clipped at the end
  EXPECT_EQ(s.slice(150, 500).frames(), 0);  // beyond the end
  EXPECT_EQ(s.slice(50, 20).frames(), 0);    // reversed
}

TEST(SoundFiles, BackslashNamesReachTheFileSystem) {
  QTemporaryDir tmp;
  QDir(tmp.path()).mkpath(QStringLiteral("Sounds"));
  const QString real = tmp.filePath(QStringLiteral("Sounds/b.wav"));
  ASSERT_TRUE(writeTone(real));
  const QString name =
      QDir::toNativeSeparators(tmp.path()) + QDir::separator() + QStringLiteral("Sounds\\b.wav");
  EXPECT_TRUE(QFileInfo(soundFileSystemPath(name)).isFile());
  EXPECT_EQ(QFileInfo(soundFileSystemPath(name)).canonicalFilePath(),
            QFileInfo(real).canonicalFilePath());
}

// --- The multimedia commands (no audio device)

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    // The folder name has a space, as "Program Files" has.
    QDir(tmp.path()).mkpath(QStringLiteral("my sounds"));
    dir = tmp.filePath(QStringLiteral("my sounds"));
    segment = dir + QStringLiteral("/QZCSo.wav");
    ASSERT_TRUE(writeTone(segment, {.ms = 2000}));
  }
  QTemporaryDir tmp;
  QString dir;
  QString segment;
  QtSoundOutput out{false};
  MciCommands mci{out};
};

TEST_F(Commands, OpenPlayClose) {
  EXPECT_EQ(mci.execute(QStringLiteral("open ") + segment + QStringLiteral(" alias QzcSounds")), 1);
  EXPECT_EQ(out.openFile(), segment);
  QElapsedTimer clock;
  clock.start();
  EXPECT_NE(mci.execute(QStringLiteral("play ") + segment + QStringLiteral(" from 500 to 1800")),
            0);
  EXPECT_LT(clock.elapsed(), 200) << "play waited for the sound";
  EXPECT_NE(mci.execute(QStringLiteral("play QzcSounds from 0 to 235")), 0);
  EXPECT_NE(mci.execute(QStringLiteral("close QzcSounds")), 0);
  EXPECT_TRUE(out.openFile().isEmpty());
  EXPECT_EQ(mci.execute(QStringLiteral("close QzcSounds")), 0);
  EXPECT_EQ(mci.execute(QStringLiteral("play ") + segment + QStringLiteral(" from 0 to 235")), 0);
}

TEST_F(Commands, OpenFailsForWhatCannotBePlayed) {
  const QString text = dir + QStringLiteral("/notes.wav");
  QFile f(text);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("not a sound");
  f.close();
  for (const QString& path : {dir + QStringLiteral("/missing.wav"), text, dir}) {
    EXPECT_EQ(mci.execute(QStringLiteral("open ") + path + QStringLiteral(" alias QzcSounds")), 0)
        << path.toStdString();
    EXPECT_TRUE(out.openFile().isEmpty());
  }
  // A failed open leaves the file that was open as it was.
  ASSERT_EQ(mci.execute(QStringLiteral("open ") + segment + QStringLiteral(" alias QzcSounds")), 1);
  EXPECT_EQ(mci.execute(QStringLiteral("open ") + text + QStringLiteral(" alias QzcSounds")), 0);
  EXPECT_EQ(out.openFile(), segment);
}

TEST_F(Commands, PlayRangesAndOtherCommands) {
  ASSERT_EQ(mci.execute(QStringLiteral("open ") + segment + QStringLiteral(" alias QzcSounds")), 1);
  const QString play = QStringLiteral("play ") + segment;
  EXPECT_EQ(mci.execute(play + QStringLiteral(" from 1900 to 2500")), 1);  // clipped at the end
  EXPECT_EQ(mci.execute(play + QStringLiteral(" from 2500 to 2600")), 0);  // beyond the end
  EXPECT_EQ(mci.execute(play + QStringLiteral(" from 800 to 700")), 0);
  EXPECT_EQ(mci.execute(QStringLiteral("play ") + dir + QStringLiteral("/other.wav from 0 to 100")),
            0);
  EXPECT_EQ(mci.execute(QStringLiteral("seek QzcSounds to start")), 0);
  EXPECT_EQ(mci.execute(QString()), 0);
  // Opening under the alias again replaces the file.
  const QString other = dir + QStringLiteral("/other.wav");
  ASSERT_TRUE(writeTone(other, {.ms = 100}));
  EXPECT_EQ(mci.execute(QStringLiteral("open ") + other + QStringLiteral(" alias QzcSounds")), 1);
  EXPECT_EQ(out.openFile(), other);
  EXPECT_EQ(mci.execute(play + QStringLiteral(" from 0 to 100")), 0);
}

TEST_F(Commands, WavSoundsKeepTheirLengthWithoutADevice) {
  const QString wav = dir + QStringLiteral("/b.wav");
  ASSERT_TRUE(writeTone(wav, {.ms = 250}));
  QElapsedTimer clock;
  clock.start();
  out.playWav(wav, true);
  EXPECT_GE(clock.elapsed(), 245);
  clock.restart();
  out.playWav(wav, false);
  out.playWav(dir + QStringLiteral("/missing.wav"), true);
  EXPECT_LT(clock.elapsed(), 200);
}

// --- No audio server at all: the program goes on in silence. The audio
// library looks for its server once per process, so the test runs itself
// again in a child process that finds none.

TEST(NoAudioDevice, SoundsKeepTheirLengthInSilence) {
  if (qEnvironmentVariable("CHIMEPAD_TEST_NO_AUDIO") != QLatin1String("1")) {
    QTemporaryDir tmp;
    QFile conf(tmp.filePath(QStringLiteral("client.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("autospawn = no\n");
    conf.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CHIMEPAD_TEST_NO_AUDIO"), QStringLiteral("1"));
    env.insert(QStringLiteral("PULSE_SERVER"),
               QStringLiteral("unix:") + tmp.filePath(QStringLiteral("none")));
    env.insert(QStringLiteral("PULSE_CLIENTCONFIG"), conf.fileName());
    env.insert(QStringLiteral("PULSE_COOKIE"), tmp.filePath(QStringLiteral("cookie")));
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), tmp.path());
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=NoAudioDevice.SoundsKeepTheirLengthInSilence")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
    return;
  }
  QTemporaryDir tmp;
  const QString wav = tmp.filePath(QStringLiteral("b.wav"));
  const QString segment = tmp.filePath(QStringLiteral("QZCSo.wav"));
  ASSERT_TRUE(writeTone(wav, {.ms = 300}));
  ASSERT_TRUE(writeTone(segment, {.ms = 1000}));
  QtSoundOutput out;  // the real device, which is not there
  MciCommands mci{out};
  EXPECT_FALSE(out.hasDevice());  // what the reading tells the user once
  QElapsedTimer clock;
  clock.start();
  out.playWav(wav, true);
  EXPECT_GE(clock.elapsed(), 295);
  EXPECT_LT(clock.elapsed(), 5000);
  EXPECT_EQ(mci.execute(QStringLiteral("open ") + segment + QStringLiteral(" alias QzcSounds")), 1);
  EXPECT_EQ(mci.execute(QStringLiteral("play ") + segment + QStringLiteral(" from 0 to 500")), 1);
  EXPECT_EQ(mci.execute(QStringLiteral("close QzcSounds")), 1);
}

// --- Real sound through an audio server of the test's own

// Runs of sound in a recording: where the level stays above a threshold,
// allowing for dips shorter than `bridgeMs`.
struct SoundRun {
  double startMs;
  double lengthMs;
};
std::vector<SoundRun> soundRuns(const QByteArray& s16, int rate, int bridgeMs = 15) {
  const int window = rate / 200;  // 5 ms
  const qint64 n = s16.size() / 2;
  const auto* d = reinterpret_cast<const qint16*>(s16.constData());
  std::vector<SoundRun> runs;
  qint64 runStart = -1, lastLoud = -1;
  for (qint64 w = 0; w + window <= n; w += window) {
    double sum = 0;
    for (int i = 0; i < window; ++i) sum += double(d[w + i]) * d[w + i];
    const bool loud = std::sqrt(sum / window) > 0.05 * 32767;
    if (loud) {
      if (runStart < 0 || (w - lastLoud) * 1000 / rate > bridgeMs + 5) {
        if (runStart >= 0)
          runs.push_back(
              {runStart * 1000.0 / rate, (lastLoud + window - runStart) * 1000.0 / rate});
        runStart = w;
      }
      lastLoud = w;
    }
  }
  if (runStart >= 0)
    runs.push_back({runStart * 1000.0 / rate, (lastLoud + window - runStart) * 1000.0 / rate});
  return runs;
}

std::string describe(const std::vector<SoundRun>& runs) {
  std::string s;
  for (const SoundRun& r : runs)
    s += std::to_string(int(r.startMs)) + "+" + std::to_string(int(r.lengthMs)) + " ";
  return s;
}

class RealAudio : public ::testing::Test {
 protected:
  static constexpr int kRecordRate = 16000;

  // One audio server for the whole program: the audio library connects to
  // it once.
  static void SetUpTestSuite() {
    for (const char* tool : {"pulseaudio", "pactl", "parec", "pacat"})
      if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) return;
    serverDir = new QTemporaryDir;
    const QString root = serverDir->path();
    for (const char* d : {"run", "home", "config"}) QDir(root).mkpath(QLatin1String(d));
    socket = root + QStringLiteral("/run/native");
    // The server and the tools keep their files in the temporary folder,
    // never in the user's home.
    toolEnv = QProcessEnvironment::systemEnvironment();
    toolEnv.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    toolEnv.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/run"));
    toolEnv.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    toolEnv.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket);
    server = new QProcess;
    server->setProcessEnvironment(toolEnv);
    server->setProcessChannelMode(QProcess::MergedChannels);
    server->setStandardOutputFile(root + QStringLiteral("/server.log"));
    server->start(
        QStringLiteral("pulseaudio"),
        {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
         QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
         QStringLiteral("--disable-shm=yes"), QStringLiteral("-L"),
         QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1").arg(socket),
         QStringLiteral("-L"),
         QStringLiteral("module-null-sink sink_name=chimetest rate=44100 channels=1")});
    if (!server->waitForStarted(5000)) return;
    if (!waitFor([] { return pactl({QStringLiteral("info")}).has_value(); })) return;

    // A null sink left to itself renders in blocks of two seconds, and a new
    // stream waits for the block to end. A silent stream asking for a short
    // latency makes it render in small blocks, as a sound card does.
    keepAlive = new QProcess;
    keepAlive->setProcessEnvironment(toolEnv);
    keepAlive->start(QStringLiteral("pacat"),
                     {QStringLiteral("--device=chimetest"), QStringLiteral("--playback"),
                      QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                      QStringLiteral("--rate=44100"), QStringLiteral("--channels=1"),
                      QStringLiteral("--latency-msec=10"), QStringLiteral("/dev/zero")});
    if (!keepAlive->waitForStarted(5000)) return;
    ready = waitFor([] {
      static const QRegularExpression latency(QStringLiteral(R"(Latency: (\d+) usec)"));
      const auto sinks = pactl({QStringLiteral("list"), QStringLiteral("sinks")});
      const QRegularExpressionMatch m = sinks ? latency.match(*sinks) : QRegularExpressionMatch();
      return m.hasMatch() && m.captured(1).toLongLong() < 50000;
    });

    // The program under test finds the server as any client does.
    qputenv("PULSE_SERVER", ("unix:" + socket).toLocal8Bit());
    qputenv("PULSE_COOKIE", (root + QStringLiteral("/home/cookie")).toLocal8Bit());
    qputenv("PULSE_RUNTIME_PATH", (root + QStringLiteral("/run")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
      qputenv("XDG_RUNTIME_DIR", (root + QStringLiteral("/run")).toLocal8Bit());
  }
  static std::optional<QString> pactl(const QStringList& args) {
    QProcess p;
    p.setProcessEnvironment(toolEnv);
    p.start(QStringLiteral("pactl"), args);
    if (!p.waitForFinished(3000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
      return std::nullopt;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
  }
  static bool waitFor(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
      if (condition()) return true;
      QThread::msleep(100);
    }
    return false;
  }
  static void TearDownTestSuite() {
    if (keepAlive) {
      keepAlive->terminate();
      if (!keepAlive->waitForFinished(5000)) keepAlive->kill();
      delete keepAlive;
      keepAlive = nullptr;
    }
    if (server) {
      server->terminate();
      if (!server->waitForFinished(5000)) server->kill();
      delete server;
      server = nullptr;
    }
    delete serverDir;
    serverDir = nullptr;
  }

  void SetUp() override {
    if (!server) GTEST_SKIP() << "pulseaudio or parec is not installed";
    ASSERT_TRUE(ready) << "the audio server did not start";
  }

  void startRecording() {
    recordFile = tmp.filePath(QStringLiteral("monitor.raw"));
    recorder.setStandardOutputFile(recordFile);
    recorder.setProcessEnvironment(toolEnv);
    recorder.start(QStringLiteral("parec"),
                   {QStringLiteral("--device=chimetest.monitor"), QStringLiteral("--format=s16le"),
                    QStringLiteral("--rate=%1").arg(kRecordRate), QStringLiteral("--channels=1"),
                    QStringLiteral("--raw"), QStringLiteral("--latency-msec=10")});
    ASSERT_TRUE(recorder.waitForStarted(5000));
    QTest::qWait(400);
  }
  std::vector<SoundRun> stopRecording() {
    QTest::qWait(500);
    recorder.terminate();
    if (!recorder.waitForFinished(5000)) recorder.kill();
    QFile f(recordFile);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return soundRuns(f.readAll(), kRecordRate);
  }

  QTemporaryDir tmp;
  QProcess recorder;
  QString recordFile;
  static inline QTemporaryDir* serverDir = nullptr;
  static inline QProcess* server = nullptr;
  static inline QProcess* keepAlive = nullptr;
  static inline QString socket;
  static inline QProcessEnvironment toolEnv;
  static inline bool ready = false;
};

TEST_F(RealAudio, AWavAndASegmentRangeComeOutWithTheirLengths) {
  const QString wav = tmp.filePath(QStringLiteral("b.wav"));
  const QString segment = tmp.filePath(QStringLiteral("QZCSo.wav"));
  ASSERT_TRUE(writeTone(wav, {.ms = 400, .frequency = 440}));
  ASSERT_TRUE(writeTone(segment, {.ms = 3000, .rate = 44100, .frequency = 660}));
  QtSoundOutput out;
  MciCommands mci{out};
  ASSERT_EQ(mci.execute(QStringLiteral("open ") + segment + QStringLiteral(" alias QzcSounds")), 1);
  startRecording();

  QElapsedTimer clock;
  clock.start();
  out.playWav(wav, true);
  EXPECT_GE(clock.elapsed(), 395);
  QTest::qWait(400);
  clock.restart();
  EXPECT_EQ(mci.execute(QStringLiteral("play ") + segment + QStringLiteral(" from 1200 to 1500")),
            1);
  EXPECT_LT(clock.elapsed(), 100);
  QTest::qWait(600);
  mci.execute(QStringLiteral("close QzcSounds"));

  const std::vector<SoundRun> runs = stopRecording();
  ASSERT_EQ(runs.size(), 2u) << describe(runs);
  EXPECT_NEAR(runs[0].lengthMs, 400, 25) << describe(runs);
  EXPECT_NEAR(runs[1].lengthMs, 300, 25) << describe(runs);
}

TEST_F(RealAudio, ANewRangeReplacesTheOneStillPlaying) {
  const QString segment = tmp.filePath(QStringLiteral("QZCSo.wav"));
  ASSERT_TRUE(writeTone(segment, {.ms = 3000, .frequency = 660}));
  QtSoundOutput out;
  MciCommands mci{out};
  ASSERT_EQ(mci.execute(QStringLiteral("open ") + segment + QStringLiteral(" alias QzcSounds")), 1);
  startRecording();
  mci.execute(QStringLiteral("play ") + segment + QStringLiteral(" from 0 to 1000"));
  QTest::qWait(300);
  mci.execute(QStringLiteral("play ") + segment + QStringLiteral(" from 1200 to 1500"));
  const std::vector<SoundRun> runs = stopRecording();
  ASSERT_FALSE(runs.empty());
  // About 300 ms of the first range, then the 300 ms of the second: not
  // the whole second of the first range.
  const double total = runs.back().startMs + runs.back().lengthMs - runs.front().startMs;
  EXPECT_NEAR(total, 600, 60) << describe(runs);
}

TEST_F(RealAudio, SyncSoundsFollowEachOtherWithoutGapOrCut) {
  // An initial and a final: the second starts as the first ends, and the
  // end of the last one is not cut off.
  const QString a = tmp.filePath(QStringLiteral("zh.wav"));
  const QString b = tmp.filePath(QStringLiteral("ang1.wav"));
  ASSERT_TRUE(writeTone(a, {.ms = 250, .frequency = 500}));
  ASSERT_TRUE(writeTone(b, {.ms = 350, .frequency = 700}));
  QtSoundOutput out;
  startRecording();
  out.playWav(a, true);
  out.playWav(b, true);
  const std::vector<SoundRun> runs = stopRecording();
  ASSERT_FALSE(runs.empty());
  double sound = 0;
  for (const SoundRun& r : runs) sound += r.lengthMs;
  const double span = runs.back().startMs + runs.back().lengthMs - runs.front().startMs;
  EXPECT_NEAR(sound, 600, 25) << describe(runs);
  // A busy machine may wake the program a little late; a gap of the
  // audio server's buffering (a tenth of a second) is what must not be.
  EXPECT_LT(span, 640) << describe(runs);
}

TEST_F(RealAudio, AStopCutsTheSoundAtOnce) {
  const QString wav = tmp.filePath(QStringLiteral("long.wav"));
  ASSERT_TRUE(writeTone(wav, {.ms = 1500}));
  QtSoundOutput out;
  startRecording();
  QTimer::singleShot(300, [&] { out.stopAll(); });
  QElapsedTimer clock;
  clock.start();
  out.playWav(wav, true);
  EXPECT_LT(clock.elapsed(), 600);
  const std::vector<SoundRun> runs = stopRecording();
  ASSERT_EQ(runs.size(), 1u) << describe(runs);
  EXPECT_GT(runs[0].lengthMs, 150) << describe(runs);
  EXPECT_LT(runs[0].lengthMs, 600) << describe(runs);
}

}  // namespace

// --- The reading's rhythm through the real sound output: the recorded
// onsets follow the schedule of the program's timers.

#include "platform/timer.h"
#include "program/program.h"
#include "reading/speech.h"

namespace {

TEST_F(RealAudio, RecordedOnsetsFollowTheSchedule) {
  // Reads the units one step each, as the reading session steps, on the
  // program's own timers; returns the recorded runs of sound.
  auto readAloud = [this](const std::vector<ReadingUnit>& units, int interval) {
    const QString dir = tmp.path();
    QDir(dir).mkpath(QStringLiteral("Sounds"));
    EXPECT_TRUE(writeTone(dir + QStringLiteral("/QZCSo.wav"),
                          {.ms = 40000, .rate = 44100, .frequency = 660}));
    for (const auto& [name, ms] : {std::pair{"x", 200}, {"i1", 150}, {"an1", 300}, {"ei1", 300}})
      EXPECT_TRUE(
          writeTone(dir + QStringLiteral("/Sounds/") + QLatin1String(name) + QStringLiteral(".wav"),
                    {.ms = ms, .rate = 44100, .frequency = 440}));
    QtSoundOutput out;
    MciCommands mci{out};
    WinTimer timer2, timer3, wavTimer;
    ReadingState reading;
    reading.AppDir = QDir::toNativeSeparators(dir) + QDir::separator();
    reading.SegmentFilePath = reading.AppDir + QStringLiteral("QZCSo.wav");
    Speech speech(SpeechContext{reading, &out, &timer2, &timer3, &wavTimer});
    size_t next = 0;
    bool done = false;
    timer2.onTick = [&] {
      if (speech.busy()) return speech.deferStep();
      if (next < units.size()) return speech.SpeakUnit(units[next++]);
      timer2.setEnabled(false);
      done = true;
    };
    speech.onStepDue = [&] {
      timer2.setEnabled(true);
      timer2.onTick();
    };
    timer3.onTick = [&] { speech.Timer3Tick(); };
    wavTimer.onTick = [&] { speech.WavTick(); };
    EXPECT_EQ(mci.execute(QStringLiteral("open ") + reading.SegmentFilePath +
                          QStringLiteral(" alias QzcSounds")),
              1);
    startRecording();
    timer2.setInterval(interval);
    timer2.setEnabled(true);
    speech.SpeakUnit(units[next++]);
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 20000));
    mci.execute(QStringLiteral("close QzcSounds"));
    return stopRecording();
  };
  const std::vector<ReadingUnit> units = {
      {QStringLiteral("X"), QStringLiteral("ian"), 1, 5,
       QStringLiteral("先")},  // x i1 an1: 650 ms of wav
      {QStringLiteral("B"), QStringLiteral("a"), 1, 5,
       QStringLiteral("八")},                                       // 4150-4550, held 400 ms
      {QStringLiteral("A"), QString(), 5, 5, QStringLiteral("a")},  // ei1: 300 ms
  };
  const struct {
    int interval;
    std::vector<SoundRun> expected;  // onsets from the first, lengths
    std::vector<double> tolerance;   // of each onset
  } cases[] = {
      // 八 follows the wav sounds at once (the step fell due during them).
      // A stream that starts (the first range) or restarts after it ran dry
      // (each a) is started by the audio server up to about 30 ms late; on
      // an idle machine everything else lands within 20 ms. A dropped step
      // would put 八 350 ms late.
      {500, {{0, 1050}, {1550, 300}}, {40, 40}},
      {1000, {{0, 650}, {1000, 400}, {2400, 300}}, {40, 40, 40}},
  };
  for (const auto& c : cases) {
    const std::vector<SoundRun> runs = readAloud(units, c.interval);
    SCOPED_TRACE(describe(runs));
    ASSERT_EQ(runs.size(), c.expected.size());
    for (size_t i = 0; i < runs.size(); ++i) {
      EXPECT_NEAR(runs[i].startMs - runs[0].startMs, c.expected[i].startMs, c.tolerance[i]) << i;
      EXPECT_NEAR(runs[i].lengthMs, c.expected[i].lengthMs, 40) << i;
    }
  }
}

}  // namespace

// --- The real window reading aloud, recorded, against the same text
// rendered into a file: every onset, the first of the session included,
// where the rendered schedule puts it.

#include <sndfile.h>
#include <QAction>

#include "app/file_places.h"
#include "app/main_window.h"
#include "platform/edit_control.h"
#include "platform/pinyin_dictionary_ime.h"
#include "reading/wav_render.h"
#include "support/test_window.h"
#include "support/wait.h"

namespace {

// A tone followed by silence, so that sounds played back to back still
// show each its own onset.
bool writeToneWithTail(const QString& path, int toneMs, int silenceMs, double frequency) {
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
  if (!f) return false;
  const sf_count_t tone = sf_count_t(44100) * toneMs / 1000;
  const sf_count_t frames = tone + sf_count_t(44100) * silenceMs / 1000;
  std::vector<double> data(size_t(frames), 0.0);
  for (sf_count_t i = 0; i < tone; ++i)
    data[size_t(i)] = 0.5 * std::sin(2 * M_PI * frequency * i / 44100);
  const bool ok = sf_writef_double(f, data.data(), frames) == frames;
  sf_close(f);
  return ok;
}

// The monitor recorded into the test, each arriving block noted with the
// time it came: a sample's time is bounded by the earliest arrival of the
// samples after it, which maps the recording onto the test's clock.
class LiveRecorder {
 public:
  LiveRecorder(const QProcessEnvironment& env, const QElapsedTimer& clock) : clock_(clock) {
    process_.setProcessEnvironment(env);
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
      data_ += process_.readAllStandardOutput();
      const double t = double(clock_.nsecsElapsed()) / 1e6;
      if (firstAt_ < 0) firstAt_ = t;
      offset_ = std::min(offset_, t - double(data_.size() / 2) * 1000.0 / kRate);
    });
  }
  bool start() {
    process_.start(QStringLiteral("parec"),
                   {QStringLiteral("--device=chimetest.monitor"), QStringLiteral("--format=s16le"),
                    QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=1"),
                    QStringLiteral("--raw"), QStringLiteral("--latency-msec=5")});
    return process_.waitForStarted(5000) &&
           waitUntil([this] { return data_.size() > kRate; }, 5000);  // running for half a second
  }
  // The runs of sound, their starts on the test's clock.
  std::vector<SoundRun> stop() {
    QTest::qWait(400);
    process_.terminate();
    process_.waitForFinished(5000);
    std::vector<SoundRun> runs = soundRuns(data_, kRate);
    if (qEnvironmentVariableIsSet("CHIMEPAD_AUDIO_DEBUG"))
      std::printf("recorded %lld ms, offset %.1f, first block at %.1f\n",
                  qint64(data_.size() / 2 * 1000 / kRate), offset_, firstAt_);
    for (SoundRun& r : runs) r.startMs += offset_;
    return runs;
  }
  static constexpr int kRate = 16000;

 private:
  const QElapsedTimer& clock_;
  QProcess process_;
  QByteArray data_;
  double offset_ = 1e18;
  double firstAt_ = -1;
};

std::vector<SoundRun> runsOfFile(const QString& path) {
  PcmSound s;
  if (!DecodeWav(path, s) || s.channels != 1) return {};
  return soundRuns(s.samples, s.sampleRate);
}

class WindowAudio : public RealAudio, public TestWindow {
 protected:
  void SetUp() override {
    RealAudio::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    dir = tmp.filePath(QStringLiteral("set"));
    QDir(dir).mkpath(QStringLiteral("Sounds"));
    ASSERT_TRUE(writeTone(dir + QStringLiteral("/QZCSo.wav"),
                          {.ms = 40000, .rate = 44100, .frequency = 660}));
    for (const auto& [name, ms] : {std::pair{"x", 200}, {"i1", 150}, {"an1", 300}, {"ei1", 300}})
      ASSERT_TRUE(writeToneWithTail(
          dir + QStringLiteral("/Sounds/") + QLatin1String(name) + QStringLiteral(".wav"), ms - 50,
          50, 440));
    TestWindow::start(deps().ime(ime).places(places));  // its own sound output and timers
    w->readingCommands().soundDir = dir;
    w->program().reading.ReadByWords = false;
  }
  // The window goes before the input method and the places it was given.
  void TearDown() override {
    stop();
    RealAudio::TearDown();
  }
  // The same text rendered: the runs of sound of the file.
  std::vector<SoundRun> rendered(const QString& text, int interval) {
    RenderJob job;
    job.text = text;
    job.intervalMs = interval;
    job.soundDir = dir;
    job.ime = &ime;
    job.outFile = tmp.filePath(QStringLiteral("rendered.wav"));
    EXPECT_EQ(RenderReading(job).status, RenderStatus::Ok);
    return runsOfFile(job.outFile);
  }
  // Reads the text in the window (from its start) while recording; the
  // runs on the test's clock, and the moment the first character was shown.
  std::vector<SoundRun> readInWindow(const QString& text, int interval, double* start,
                                     const std::function<void()>& during = {}) {
    Program& p = w->program();
    p.txtFile->setText(text);
    p.txtFile->setSelStart(0);
    p.Timer2->setInterval(interval);
    LiveRecorder recorder(toolEnv, clock);
    EXPECT_TRUE(recorder.start());
    *start = -1;
    QMetaObject::Connection shown =
        QObject::connect(p.txtFile, &QPlainTextEdit::selectionChanged, [&] {
          if (*start < 0) *start = double(clock.nsecsElapsed()) / 1e6;
        });
    p.menu.numStart->trigger();
    if (during) during();
    EXPECT_TRUE(waitUntil([&] { return !p.ReadingActive; }, 30000));
    QObject::disconnect(shown);
    return recorder.stop();
  }

  QString dir;
  PinyinDictionaryIme ime{{QStringLiteral(CHIMEPAD_BIN_DIR "/pinyin.txt")}};
  FilePlaces places{tmp.filePath(QStringLiteral("places"))};
  QElapsedTimer clock;
};

// The lag of each recorded onset behind the rendered one: all the same,
// the output's latency, within 20 ms.
struct Lags {
  std::vector<double> lags;
  double median = 0;
};
Lags lagsOf(const std::vector<SoundRun>& heard, const std::vector<SoundRun>& schedule,
            double start) {
  Lags l;
  for (size_t i = 0; i < std::min(heard.size(), schedule.size()); ++i)
    l.lags.push_back(heard[i].startMs - start - schedule[i].startMs);
  std::vector<double> sorted = l.lags;
  std::sort(sorted.begin(), sorted.end());
  if (!sorted.empty()) l.median = sorted[sorted.size() / 2];
  return l;
}

std::string describeLags(const Lags& l) {
  std::string s = "lags";
  for (double d : l.lags) s += " " + std::to_string(int(std::lround(d)));
  return s + " (median " + std::to_string(int(std::lround(l.median))) + ")";
}

TEST_F(WindowAudio, EveryOnsetFromTheFirstOnFollowsTheRenderedSchedule) {
  // Whole-syllable sounds (八 and 7 from the segment file), wav units (a,
  // and 先 of three wav sounds) and pauses (，。), at 中速 and at 较快.
  const QString text = QStringLiteral("八a，先7。a八");
  for (int interval : {500, 100}) {
    SCOPED_TRACE(interval);
    const std::vector<SoundRun> schedule = rendered(text, interval);
    clock.start();
    double start = 0;
    const std::vector<SoundRun> heard = readInWindow(text, interval, &start);
    SCOPED_TRACE("rendered " + describe(schedule));
    SCOPED_TRACE("heard " + describe(heard));
    if (qEnvironmentVariableIsSet("CHIMEPAD_AUDIO_DEBUG")) std::printf("start %.1f\n", start);
    ASSERT_GE(schedule.size(), 8u);
    ASSERT_EQ(heard.size(), schedule.size());
    const Lags l = lagsOf(heard, schedule, start);
    SCOPED_TRACE(describeLags(l));
    // The output's latency: short, and the same for every sound.
    EXPECT_GE(l.median, -10);
    EXPECT_LE(l.median, 150);
    for (size_t i = 0; i < l.lags.size(); ++i) {
      EXPECT_NEAR(l.lags[i], l.median, 20) << "onset " << i;
      EXPECT_NEAR(heard[i].lengthMs, schedule[i].lengthMs, 25) << "run " << i;
    }
    std::printf("interval %d: %s\n", interval, describeLags(l).c_str());
    std::printf("start %.1f\n", start);
  }
}

TEST_F(WindowAudio, APauseCutsTheSoundAndTheResumeFollowsTheScheduleAgain) {
  // 中速; paused while the a plays (about 1000 ms in), resumed 1.5 s later:
  // the rest of the text from the resume on sounds as that rest rendered.
  const QString text = QStringLiteral("八a，先7。a八");
  const int interval = 500;
  const std::vector<SoundRun> whole = rendered(text, interval);
  clock.start();
  Program& p = w->program();
  double start = 0, pausedAt = -1, resumedAt = -1;
  int resumedFrom = -1;
  const std::vector<SoundRun> heard = readInWindow(text, interval, &start, [&] {
    ASSERT_TRUE(waitUntil([&] { return start >= 0 && clock.elapsed() >= start + 1000; }, 5000));
    pausedAt = double(clock.nsecsElapsed()) / 1e6;
    p.menu.numPause->trigger();
    ASSERT_TRUE(waitUntil([&] { return clock.elapsed() >= pausedAt + 1500; }, 5000));
    resumedAt = double(clock.nsecsElapsed()) / 1e6;
    p.menu.numPause->trigger();
    resumedFrom = p.txtFile->SelStart();
  });
  ASSERT_EQ(resumedFrom, 2);  // the character after the a
  const std::vector<SoundRun> rest = rendered(text.mid(resumedFrom), interval);
  SCOPED_TRACE("heard " + describe(heard));
  SCOPED_TRACE("rendered " + describe(whole) + "/ rest " + describe(rest));
  std::vector<SoundRun> before, during, after, scheduleBefore;
  for (const SoundRun& r : heard)
    (r.startMs < pausedAt ? before : r.startMs < resumedAt ? during : after).push_back(r);
  for (const SoundRun& r : whole)
    if (r.startMs < pausedAt - start) scheduleBefore.push_back(r);
  EXPECT_TRUE(during.empty()) << "sound while paused";
  ASSERT_EQ(before.size(), scheduleBefore.size());
  ASSERT_EQ(after.size(), rest.size());
  // The a is cut at the pause, within the output's latency.
  EXPECT_LT(before.back().startMs + before.back().lengthMs, pausedAt + 100);
  Lags l = lagsOf(before, scheduleBefore, start);
  const Lags l2 = lagsOf(after, rest, resumedAt);
  l.lags.insert(l.lags.end(), l2.lags.begin(), l2.lags.end());
  std::vector<double> sorted = l.lags;
  std::sort(sorted.begin(), sorted.end());
  l.median = sorted[sorted.size() / 2];
  SCOPED_TRACE(describeLags(l));
  EXPECT_LE(l.median, 150);
  for (size_t i = 0; i < l.lags.size(); ++i) EXPECT_NEAR(l.lags[i], l.median, 20) << "onset " << i;
  std::printf("pause and resume: %s\n", describeLags(l).c_str());
}

}  // namespace
