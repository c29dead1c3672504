#include "platform/qt_sound_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QIODevice>
#include <QMediaDevices>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <climits>

#include "platform/timer.h"

namespace {
// The audio server is asked for a short buffer: a stream then starts playing
// as soon as a short sound is written, and what is written beyond it simply
// queues up. Sounds are written up to a second ahead of their playing.
constexpr int kBufferMs = 40;
constexpr qint64 kWriteAheadMs = 1000;
// A stream is kept open between sounds, so that one sound follows another
// without a gap, and closed after this long without sound.
constexpr int kCloseIdleMs = 3000;
// Time left to a stream that is given up for one of another format, beyond
// the end of what it still plays (the audio server plays the last samples
// well after the stream reports that it has nothing left).
constexpr int kRetireSlackMs = 500;
// A sound replaced by another is cut when more than this is left of it;
// a shorter rest plays out before the new sound.
constexpr qint64 kReplaceCutMs = 60;

QString unquote(QString s) {
  s = s.trimmed();
  if (s.size() >= 2 && s.startsWith(QLatin1Char('"')) && s.endsWith(QLatin1Char('"')))
    s = s.mid(1, s.size() - 2);
  return s;
}

qint64 bytesToMs(qint64 bytes, const QAudioFormat& f) {
  const qint64 perSecond = qint64(f.sampleRate()) * f.bytesPerFrame();
  return perSecond > 0 ? bytes * 1000 / perSecond : 0;
}

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

// One stream of sounds that follow one another, as the segment file's
// playback or the wav sounds. The stream stays open between sounds and is
// never closed when it reports that it has run dry: at that moment the
// audio server still has the last hundred milliseconds or so to play.
class SoundVoice {
 public:
  explicit SoundVoice(bool useDevice) : useDevice_(useDevice) {
    clock_.start();
    feedTimer_.setSingleShot(true);
    QObject::connect(&feedTimer_, &QTimer::timeout, [this] { feed(); });
    closeTimer_.setSingleShot(true);
    QObject::connect(&closeTimer_, &QTimer::timeout, [this] { closeStream(); });
  }
  ~SoundVoice() { stop(); }

  // Queues a sound after whatever the voice still plays. With `replace`, a
  // sound still playing is cut first, unless only its last moments are left.
  void play(const PcmSound& pcm, bool replace) {
    if (!useDevice_ || pcm.samples.isEmpty()) return;
    if (replace) {
      dropPending();
      if (sink_ && streamEndMs_ - clock_.elapsed() > kReplaceCutMs) stop();
    }
    QAudioFormat format;
    format.setSampleRate(pcm.sampleRate);
    format.setChannelCount(pcm.channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (sink_ && (format != format_ || sink_->state() == QAudio::StoppedState)) retire();
    if (!sink_ && !openStream(format)) return;
    closeTimer_.stop();
    const qint64 now = clock_.elapsed();
    QByteArray data = pcm.samples;
    if (streamEndMs_ <= now && pendingPos_ >= pending_.size()) {
      // The stream has run dry: it waits for a buffer's worth before it
      // plays again, so a very short sound is filled up with silence.
      const qint64 minimum = sink_->bufferSize();
      if (data.size() < minimum) data.append(QByteArray(minimum - data.size(), '\0'));
    }
    pending_.append(data);
    feed();
  }

  // Cuts every sound of the voice at once.
  void stop() {
    feedTimer_.stop();
    closeTimer_.stop();
    dropPending();
    if (sink_) dispose(sink_.release());
    io_ = nullptr;
    streamEndMs_ = 0;
    for (auto& old : retired_) dispose(old.data());
    retired_.clear();
  }

 private:
  bool openStream(const QAudioFormat& format) {
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
    streamEndMs_ = 0;
    return true;
  }

  void dropPending() {
    pending_.clear();
    pendingPos_ = 0;
  }

  // Hands queued sound to the audio server, up to a second ahead.
  void feed() {
    if (!sink_ || !io_) return;
    const qint64 now = clock_.elapsed();
    if (streamEndMs_ < now) streamEndMs_ = now;
    while (pendingPos_ < pending_.size() && streamEndMs_ - now < kWriteAheadMs) {
      qint64 chunk = std::max<qint64>(msToBytes(kWriteAheadMs - (streamEndMs_ - now), format_),
                                      format_.bytesPerFrame());
      chunk = std::min<qint64>(chunk, pending_.size() - pendingPos_);
      const qint64 written = io_->write(pending_.constData() + pendingPos_, chunk);
      if (written <= 0) {
        // The stream broke (the server went away): the sound is lost, the
        // next one opens a new stream.
        dropPending();
        dispose(sink_.release());
        io_ = nullptr;
        return;
      }
      pendingPos_ += written;
      streamEndMs_ += bytesToMs(written, format_);
    }
    if (pendingPos_ < pending_.size()) {
      feedTimer_.start(50);
    } else {
      dropPending();
      closeTimer_.start(int(streamEndMs_ - now) + kCloseIdleMs);
    }
  }

  // Gives the stream up for a new one, leaving it to play out what it holds.
  void retire() {
    if (io_ && pendingPos_ < pending_.size())
      io_->write(pending_.constData() + pendingPos_, pending_.size() - pendingPos_);
    dropPending();
    feedTimer_.stop();
    closeTimer_.stop();
    const qint64 left = std::max<qint64>(0, streamEndMs_ - clock_.elapsed());
    QPointer<QAudioSink> old = sink_.release();
    io_ = nullptr;
    streamEndMs_ = 0;
    retired_.erase(std::remove_if(retired_.begin(), retired_.end(),
                                  [](const QPointer<QAudioSink>& p) { return !p; }),
                   retired_.end());
    retired_.push_back(old);
    QTimer::singleShot(int(left) + kRetireSlackMs, old, [old] { dispose(old.data()); });
  }

  void closeStream() {
    if (pendingPos_ < pending_.size()) return;
    if (sink_) dispose(sink_.release());
    io_ = nullptr;
    streamEndMs_ = 0;
  }

  bool useDevice_;
  std::unique_ptr<QAudioSink> sink_;
  QIODevice* io_ = nullptr;
  QAudioFormat format_;
  QByteArray pending_;
  qint64 pendingPos_ = 0;
  QElapsedTimer clock_;
  qint64 streamEndMs_ = 0;  // when what was written will have played, on clock_
  QTimer feedTimer_;
  QTimer closeTimer_;
  std::vector<QPointer<QAudioSink>> retired_;
};

QtSoundOutput::QtSoundOutput(bool useAudioDevice)
    : useAudioDevice_(useAudioDevice),
      segmentVoice_(std::make_unique<SoundVoice>(useAudioDevice)),
      wavVoice_(std::make_unique<SoundVoice>(useAudioDevice)) {}

QtSoundOutput::~QtSoundOutput() {
  *alive_ = false;
  for (QEventLoop* loop : waits_) loop->quit();
}

int QtSoundOutput::mciExecute(const QString& command) {
  static const QRegularExpression openRe(QStringLiteral(R"(^open\s+(.+)\s+alias\s+(\S+)$)"),
                                         QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression playRe(
      QStringLiteral(R"(^play\s+(.+?)(?:\s+from\s+(\d{1,12}))?(?:\s+to\s+(\d{1,12}))?$)"),
      QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression closeRe(QStringLiteral(R"(^close\s+(\S+)$)"),
                                          QRegularExpression::CaseInsensitiveOption);
  const QString text = command.trimmed();
  QRegularExpressionMatch m;
  if ((m = openRe.match(text)).hasMatch()) return open(unquote(m.captured(1)), m.captured(2));
  if ((m = playRe.match(text)).hasMatch()) {
    const qint64 from = m.captured(2).isEmpty() ? 0 : m.captured(2).toLongLong();
    const qint64 to = m.captured(3).isEmpty() ? -1 : m.captured(3).toLongLong();
    return play(unquote(m.captured(1)), from, to);
  }
  if ((m = closeRe.match(text)).hasMatch()) return close(m.captured(1));
  return 0;
}

int QtSoundOutput::open(const QString& path, const QString& alias) {
  OpenDevice device;
  device.alias = alias;
  device.path = soundFileSystemPath(path);
  // The whole file is decoded now; playing a range then only cuts it out.
  if (!DecodeWav(device.path, device.sound)) return 0;
  // One file is open at a time: a new one replaces it.
  if (segment_) close(segment_->alias);
  // The wav files are read again: the sound set may have been replaced.
  wavs_.clear();
  segment_ = std::move(device);
  return 1;
}

int QtSoundOutput::play(const QString& name, qint64 fromMs, qint64 toMs) {
  if (!segment_) return 0;
  // The file is named by its full path or by its alias.
  if (name.compare(segment_->alias, Qt::CaseInsensitive) != 0 &&
      soundFileSystemPath(name) != segment_->path)
    return 0;
  const qint64 length = segment_->sound.lengthMs();
  if (toMs < 0) toMs = length;
  if (fromMs > toMs || fromMs > length) return 0;
  // A new play replaces what the file still had to play.
  segmentVoice_->play(segment_->sound.slice(fromMs, toMs), true);
  return 1;
}

int QtSoundOutput::close(const QString& alias) {
  if (!segment_ || segment_->alias.compare(alias, Qt::CaseInsensitive) != 0) return 0;
  segmentVoice_->stop();
  segment_.reset();
  return 1;
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

void QtSoundOutput::sndPlaySound(const QString& path, int flags) {
  const PcmSound* sound = decoded(path);
  if (!sound) return;
  wavVoice_->play(*sound, false);
  if (!(flags & kSndAsync)) waitFor(sound->lengthMs());
}

qint64 QtSoundOutput::soundLengthMs(const QString& path) {
  const PcmSound* sound = decoded(path);
  return sound ? sound->lengthMs() : -1;
}

bool QtSoundOutput::hasDevice() {
  return useAudioDevice_ && !QMediaDevices::defaultAudioOutput().isNull();
}

void QtSoundOutput::stopAll() {
  segmentVoice_->stop();
  wavVoice_->stop();
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
