// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt_sound_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <climits>

#include "platform/pcm_convert.h"
#include "platform/timer.h"

namespace {
// The depth the stream is kept filled to: every sound is heard this long
// after it starts. Deep enough that a busy moment of the program (a repaint,
// a file read) does not let the stream run dry.
constexpr int kBufferMs = 100;
// How often the stream is topped up.
constexpr int kFeedMs = 5;
// A stream not needed by the reading is closed after this long without
// sound.
constexpr int kCloseIdleMs = 3000;
// How long opening the stream waits for the audio server to start playing.
constexpr int kStartWaitMs = 1500;

qint64 msToBytes(qint64 ms, const QAudioFormat& f) {
  return qint64(f.sampleRate()) * ms / 1000 * f.bytesPerFrame();
}

// Streams are deleted from the event loop: deleting a sink processes events.
void dispose(QAudioSink* sink) {
  if (!sink) return;
  sink->stop();
  sink->deleteLater();
}
}  // namespace

// One stream that plays from its opening to its closing, silence included,
// mixing the sounds started on it. Each sound starts at the stream's write
// position right after a top-up, so that it is heard one buffer depth after
// its start.
class MixStream {
 public:
  explicit MixStream(bool useDevice) : useDevice_(useDevice) {
    feedTimer_.setTimerType(Qt::PreciseTimer);
    feedTimer_.setInterval(kFeedMs);
    QObject::connect(&feedTimer_, &QTimer::timeout, [this] { feed(); });
    idle_.start();
  }
  ~MixStream() { close(); }

  bool isOpen() const { return sink_ != nullptr; }
  int rate() const { return format_.sampleRate(); }
  int channels() const { return format_.channelCount(); }
  int latencyMs() const {
    const qint64 perSecond = qint64(format_.sampleRate()) * format_.bytesPerFrame();
    return sink_ && perSecond > 0 ? int(sink_->bufferSize() * 1000 / perSecond) : 0;
  }
  // Kept open without sound (while the reading goes on).
  void keepOpen(bool on) {
    keepOpen_ = on;
    idle_.restart();
  }

  // Opens the stream in this format (another one is closed first) and
  // waits until the audio server plays it.
  bool open(int rate, int channels) {
    if (!useDevice_) return false;
    QAudioFormat format;
    format.setSampleRate(rate);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (sink_ && format == format_) return true;
    close();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return false;
    auto sink = std::make_unique<QAudioSink>(device, format);
    sink->setBufferSize(msToBytes(kBufferMs, format));
    QIODevice* io = sink->start();
    if (!io || sink->error() != QAudio::NoError) {
      dispose(sink.release());
      return false;
    }
    sink_ = std::move(sink);
    io_ = io;
    format_ = format;
    idle_.restart();
    // Filled with silence; the server has started once it asks for more.
    feed();
    QElapsedTimer wait;
    wait.start();
    while (sink_ && sink_->bytesFree() < format_.bytesPerFrame() && wait.elapsed() < kStartWaitMs)
      QThread::msleep(1);
    feed();
    feedTimer_.start();
    return sink_ != nullptr;
  }

  // Starts a sound (in the stream's format) now. A segment sound cuts the
  // segment sound still playing.
  void start(const QByteArray& samples, bool segment) {
    if (!sink_ || samples.isEmpty()) return;
    feed();
    if (segment)
      voices_.erase(
          std::remove_if(voices_.begin(), voices_.end(), [](const Voice& v) { return v.segment; }),
          voices_.end());
    voices_.push_back({samples, 0, segment});
    idle_.restart();
  }

  // Cuts every sound; the stream goes on with silence.
  void cut() { voices_.clear(); }

  void close() {
    feedTimer_.stop();
    voices_.clear();
    if (sink_) dispose(sink_.release());
    io_ = nullptr;
  }

 private:
  struct Voice {
    QByteArray samples;
    qint64 pos = 0;  // bytes played
    bool segment = false;
  };

  void feed() {
    if (!sink_ || !io_) return;
    if (voices_.empty() && !keepOpen_ && idle_.elapsed() > kCloseIdleMs) {
      close();
      return;
    }
    const int frameBytes = format_.bytesPerFrame();
    const qint64 bytes = sink_->bytesFree() / frameBytes * frameBytes;
    if (bytes <= 0) return;
    const qint64 samples = bytes / 2;
    mix_.assign(size_t(samples), 0);
    for (const Voice& v : voices_) {
      const qint64 n = std::min<qint64>(samples, (v.samples.size() - v.pos) / 2);
      const auto* src = reinterpret_cast<const qint16*>(v.samples.constData() + v.pos);
      for (qint64 i = 0; i < n; ++i) mix_[size_t(i)] += src[i];
    }
    out_.resize(size_t(bytes));
    auto* dst = reinterpret_cast<qint16*>(out_.data());
    for (qint64 i = 0; i < samples; ++i)
      dst[i] = qint16(std::clamp(mix_[size_t(i)], -32768, 32767));
    qint64 written = io_->write(out_.data(), bytes);
    if (written < 0) {
      // The stream broke (the server went away): the next sound opens a
      // new one. A stream that only refused the write keeps its sounds.
      if (sink_->state() == QAudio::StoppedState && sink_->error() != QAudio::NoError) {
        close();
        return;
      }
      written = 0;
    }
    for (Voice& v : voices_) v.pos += written;
    voices_.erase(std::remove_if(voices_.begin(), voices_.end(),
                                 [](const Voice& v) { return v.pos >= v.samples.size(); }),
                  voices_.end());
    if (!voices_.empty()) idle_.restart();
  }

  bool useDevice_;
  std::unique_ptr<QAudioSink> sink_;
  QIODevice* io_ = nullptr;
  QAudioFormat format_;
  QTimer feedTimer_;
  QElapsedTimer idle_;
  bool keepOpen_ = false;
  std::vector<Voice> voices_;
  std::vector<int> mix_;
  std::vector<char> out_;
};

QtSoundOutput::QtSoundOutput(bool useAudioDevice)
    : useAudioDevice_(useAudioDevice), stream_(std::make_unique<MixStream>(useAudioDevice)) {}

QtSoundOutput::~QtSoundOutput() {
  *alive_ = false;
  for (QEventLoop* loop : waits_) loop->quit();
}

int QtSoundOutput::latencyMs() const { return stream_->latencyMs(); }

bool QtSoundOutput::openSegmentFile(const QString& path) {
  // The whole file is decoded now; playing a range then only cuts it out.
  PcmSound sound;
  if (!DecodeWav(soundFileSystemPath(path), sound) || sound.sampleRate <= 0) return false;
  // One file is open at a time: a new one replaces it.
  if (segment_) closeSegmentFile();
  // The wav files are read again: the sound set may have been replaced.
  wavs_.clear();
  segmentPath_ = path;
  // The stream plays in the segment file's format from now until the file
  // is closed, so that the first sound of the reading is as prompt as any.
  if (useAudioDevice_ && stream_->open(sound.sampleRate, sound.channels)) stream_->keepOpen(true);
  segment_ = std::move(sound);
  return true;
}

bool QtSoundOutput::playSegmentRange(qint64 fromMs, qint64 toMs) {
  if (!segment_) return false;
  const qint64 length = segment_->lengthMs();
  if (toMs < 0) toMs = length;
  if (fromMs > toMs || fromMs > length) return false;
  const PcmSound part = segment_->slice(fromMs, toMs);
  if (!stream_->isOpen() && useAudioDevice_) stream_->open(part.sampleRate, part.channels);
  if (stream_->isOpen())
    stream_->start(ConvertPcm(part, stream_->rate(), stream_->channels()).samples, true);
  return true;
}

bool QtSoundOutput::closeSegmentFile() {
  if (!segment_) return false;
  segment_.reset();
  segmentPath_.clear();
  stream_->cut();
  stream_->keepOpen(false);
  return true;
}

const PcmSound* QtSoundOutput::decoded(const QString& path) {
  auto it = wavs_.find(path);
  if (it == wavs_.end()) {
    PcmSound sound;
    std::optional<PcmSound> entry;
    if (DecodeWav(soundFileSystemPath(path), sound, kMaxSoundMs)) entry = std::move(sound);
    it = wavs_.insert(path, std::move(entry));
  }
  return it->has_value() ? &**it : nullptr;
}

void QtSoundOutput::playWav(const QString& path, bool wait) {
  const PcmSound* sound = decoded(path);
  if (!sound) return;
  if (!stream_->isOpen() && useAudioDevice_) stream_->open(sound->sampleRate, sound->channels);
  if (stream_->isOpen()) {
    const bool same =
        sound->sampleRate == stream_->rate() && sound->channels == stream_->channels();
    stream_->start(
        same ? sound->samples : ConvertPcm(*sound, stream_->rate(), stream_->channels()).samples,
        false);
  }
  if (wait) waitFor(sound->lengthMs());
}

qint64 QtSoundOutput::soundLengthMs(const QString& path) {
  const PcmSound* sound = decoded(path);
  return sound ? sound->lengthMs() : -1;
}

bool QtSoundOutput::hasDevice() {
  return useAudioDevice_ && !QMediaDevices::defaultAudioOutput().isNull();
}

void QtSoundOutput::stopAll() {
  stream_->cut();
  for (QEventLoop* loop : waits_) loop->quit();
}

void QtSoundOutput::waitFor(qint64 ms) {
  if (ms <= 0) return;
  // Timer ticks are held back while the sound plays: a step that falls due
  // runs once, after the sound, never nested inside it.
  TimerHold hold;
  QEventLoop loop;
  QTimer end;
  end.setSingleShot(true);
  end.setTimerType(Qt::PreciseTimer);
  QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
  const std::shared_ptr<bool> alive = alive_;
  waits_.push_back(&loop);
  end.start(int(std::min<qint64>(ms, INT_MAX)));
  loop.exec();
  if (!*alive) return;
  waits_.erase(std::find(waits_.begin(), waits_.end(), &loop));
}
