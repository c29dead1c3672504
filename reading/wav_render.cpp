#include "reading/wav_render.h"

#include <QDir>
#include <QHash>
#include <algorithm>
#include <optional>
#include <vector>

#include "platform/input_method.h"
#include "platform/sound_files.h"
#include "platform/sound_output.h"
#include "platform/timer.h"
#include "program/program.h"
#include "reading/reading_session.h"
#include "reading/speech.h"
#include "reading/text_to_pinyin.h"
#include "reading/word_readings.h"

namespace {

// The sound output of a rendering: every sound is mixed into the file at
// the clock's time. Sounds of another format are converted to the file's.
class MixingSoundOutput : public SoundOutput {
 public:
  MixingSoundOutput(VirtualClock& clock, WavFileWriter& writer) : clock_(clock), writer_(writer) {}

  bool openSegment(const QString& path) {
    PcmSound s;
    if (!DecodeWav(soundFileSystemPath(path), s) || s.sampleRate <= 0) return false;
    segmentPath_ = path;
    rate_ = s.sampleRate;
    channels_ = s.channels;
    segment_ = std::move(s);
    return true;
  }
  int rate() const { return rate_; }
  int channels() const { return channels_; }

  int mciExecute(const QString& command) override {
    // Only "play <path> from A to B" reaches here.
    const QStringList w = command.split(QLatin1Char(' '));
    if (w.size() < 6 || w.first() != QLatin1String("play")) return 1;
    const qint64 from = w.at(w.size() - 3).toLongLong();
    const qint64 to = w.last().toLongLong();
    mix(segment_.slice(from, to));
    return 1;
  }
  void sndPlaySound(const QString& path, int) override {
    if (const PcmSound* s = wav(path)) mix(*s);
  }
  qint64 soundLengthMs(const QString& path) override {
    const PcmSound* s = wav(path);
    return s ? s->lengthMs() : -1;
  }

  // Writes out everything before `ms`: no sound can start earlier any more.
  bool flushUntil(qint64 ms) { return flushFrames(frameAt(ms)); }
  // Writes out the rest, up to `ms` or the end of the last sound.
  bool finish(qint64 ms) {
    const qint64 end = std::max(frameAt(ms), base_ + qint64(mix_.size()) / channels_);
    mix_.resize(size_t(end - base_) * channels_, 0);
    return flushFrames(end);
  }
  qint64 framesWritten() const { return base_; }

 private:
  qint64 frameAt(qint64 ms) const { return ms * rate_ / 1000; }

  const PcmSound* wav(const QString& path) {
    auto it = wavs_.find(path);
    if (it == wavs_.end()) {
      PcmSound s;
      std::optional<PcmSound> entry;
      if (DecodeWav(soundFileSystemPath(path), s, kMaxSoundMs)) entry = convert(s);
      it = wavs_.insert(path, std::move(entry));
    }
    return it->has_value() ? &**it : nullptr;
  }

  // To the file's rate (linear interpolation) and channels.
  PcmSound convert(const PcmSound& in) const {
    if (in.sampleRate == rate_ && in.channels == channels_) return in;
    PcmSound out;
    out.sampleRate = rate_;
    out.channels = channels_;
    const qint64 inFrames = in.frames();
    if (inFrames == 0 || in.sampleRate <= 0) return out;
    const qint64 outFrames = inFrames * rate_ / in.sampleRate;
    out.samples.resize(outFrames * 2 * channels_);
    const auto* src = reinterpret_cast<const qint16*>(in.samples.constData());
    auto* dst = reinterpret_cast<qint16*>(out.samples.data());
    auto sample = [&](qint64 f, int c) {
      return double(src[f * in.channels + std::min(c, in.channels - 1)]);
    };
    for (qint64 i = 0; i < outFrames; ++i) {
      const double pos = double(i) * in.sampleRate / rate_;
      const qint64 f = std::min<qint64>(qint64(pos), inFrames - 1);
      const qint64 g = std::min<qint64>(f + 1, inFrames - 1);
      const double t = pos - double(f);
      for (int c = 0; c < channels_; ++c)
        dst[i * channels_ + c] = qint16(sample(f, c) * (1 - t) + sample(g, c) * t);
    }
    return out;
  }

  void mix(const PcmSound& s) {
    const PcmSound& pcm =
        s.sampleRate == rate_ && s.channels == channels_ ? s : (converted_ = convert(s));
    const qint64 at = frameAt(clock_.now()) - base_;
    if (at < 0) return;
    const qint64 frames = pcm.frames();
    const size_t need = size_t(at + frames) * channels_;
    if (mix_.size() < need) mix_.resize(need, 0);
    const auto* src = reinterpret_cast<const qint16*>(pcm.samples.constData());
    int* dst = mix_.data() + at * channels_;
    for (qint64 i = 0; i < frames * channels_; ++i) dst[i] += src[i];
  }

  bool flushFrames(qint64 frame) {
    const qint64 count = std::min<qint64>(frame - base_, qint64(mix_.size()) / channels_);
    if (frame > base_ && count < frame - base_) {
      // Silence up to there.
      mix_.resize(size_t(frame - base_) * channels_, 0);
      return flushFrames(frame);
    }
    if (count <= 0) return true;
    out_.resize(size_t(count) * channels_);
    for (size_t i = 0; i < out_.size(); ++i) out_[i] = qint16(std::clamp(mix_[i], -32768, 32767));
    mix_.erase(mix_.begin(), mix_.begin() + qint64(out_.size()));
    base_ += count;
    return writer_.write(out_.data(), count);
  }

  VirtualClock& clock_;
  WavFileWriter& writer_;
  QString segmentPath_;
  PcmSound segment_;
  PcmSound converted_;
  int rate_ = 0;
  int channels_ = 1;
  QHash<QString, std::optional<PcmSound>> wavs_;
  std::vector<int> mix_;  // sums from frame base_ on
  std::vector<qint16> out_;
  qint64 base_ = 0;
};

// The character at a position: a surrogate pair is one.
int widthAt(const QString& t, qsizetype i) {
  return i + 1 < t.size() && t.at(i).isHighSurrogate() && t.at(i + 1).isLowSurrogate() ? 2 : 1;
}

// A converted character has a tone or letters after its first (了 is "le",
// without a tone digit); anything else has no pinyin.
QString pinyinOf(const ReadingUnit& u) {
  const bool toned = u.tone >= 1 && u.tone <= 4;
  if (u.initial.isEmpty() || (!toned && u.rest.isEmpty())) return QString();
  return (u.initial + u.rest).toLower() + (toned ? QString::number(u.tone) : QString());
}

}  // namespace

int SpeedInterval(const QString& speed) {
  if (speed == QLatin1String("slow")) return 1000;
  if (speed == QLatin1String("medium")) return 500;
  if (speed == QLatin1String("fast")) return 100;
  bool ok = false;
  const int n = speed.toInt(&ok);
  return ok && n >= 1 && n <= 100 ? n * 100 : 0;
}

RenderResult RenderReading(const RenderJob& job) {
  RenderResult result;
  auto fail = [&result](RenderStatus s, const QString& error) {
    result.status = s;
    result.error = error;
    return result;
  };
  Program p;
  p.ime = job.ime;
  p.words = job.words;
  p.ReadByWords = job.words != nullptr;
  p.ReadNeutralTone = job.neutralTone;
  p.ReadToneSandhi = job.toneSandhi;
  // The same probe as the start of reading.
  p.PinyinImeMissing = false;
  if (p.ime) p.ime->refresh();
  TextToPinyin(p, QStringLiteral("虎"), 2, QStringLiteral(" "));
  if (!p.ime || p.PinyinImeMissing)
    return fail(RenderStatus::NoPinyin, QStringLiteral("pinyin dictionary not found"));
  BuildSoundPaths(p, job.soundDir);

  VirtualClock clock;
  WavFileWriter writer;
  MixingSoundOutput mixer(clock, writer);
  if (!mixer.openSegment(p.SegmentFilePath))
    return fail(RenderStatus::NoSoundSet,
                QStringLiteral("sound set not found: ") + p.SegmentFilePath);
  if (!writer.open(job.outFile, mixer.rate(), mixer.channels()))
    return fail(RenderStatus::WriteFailed,
                job.outFile + QStringLiteral(": ") + writer.errorString());

  p.sound = &mixer;
  p.Timer2 = clock.makeTimer();
  p.Timer3 = clock.makeTimer();
  p.WavTimer = clock.makeTimer();
  p.Timer2->setInterval(std::max(1, job.intervalMs));
  Speech speech(p);

  const QString& text = job.text;
  const qsizetype length = text.size();
  qsizetype pos = 0;
  bool reading = true;
  bool cancelled = false;
  bool writeFailed = false;
  int lastPercent = -1;
  RenderedUnit unit;
  bool haveUnit = false;
  auto endUnit = [&] {
    if (haveUnit && job.trace) job.trace(unit);
    haveUnit = false;
  };
  speech.onSound = [&](const SoundStep& s) { unit.sounds << s.describe(); };

  // One unit at the reading position, as the reading session reads it.
  auto speak = [&] {
    endUnit();
    const QString c = pos < length ? text.mid(pos, widthAt(text, pos)) : QString();
    const qsizetype after = pos + c.size();
    const QString next = after < length ? text.mid(after, widthAt(text, after)) : QString();
    auto inWord = [&](qsizetype at) { return job.words ? WordReadingIn(p, text, at) : QString(); };
    const ReadingUnit u = FormReadingUnit(p, c, next, c.isEmpty() ? QString() : inWord(pos),
                                          next.isEmpty() ? QString() : inWord(after));
    unit = RenderedUnit{clock.now(), c, pinyinOf(u), {}};
    haveUnit = true;
    speech.SpeakUnit(u);
  };
  auto step = [&] {
    if (speech.busy()) {
      speech.deferStep();
      return;
    }
    if (pos >= length) {
      reading = false;
      p.Timer2->setEnabled(false);
      p.Timer3->setEnabled(false);
      speech.Stop();
      return;
    }
    pos += widthAt(text, pos);
    // No reading position lies inside a CR LF.
    while (pos < length && text.at(pos) == QLatin1Char('\n') &&
           text.at(pos - 1) == QLatin1Char('\r'))
      ++pos;
    speak();
  };
  p.Timer2->onTick = step;
  p.Timer3->onTick = [&] { speech.Timer3Tick(); };
  p.WavTimer->onTick = [&] { speech.WavTick(); };
  speech.onStepDue = [&] {
    if (p.Timer2->enabled()) p.Timer2->setEnabled(true);
    step();
  };

  p.Timer2->setEnabled(true);
  speak();
  while (reading && clock.runNext()) {
    if (!mixer.flushUntil(clock.now())) {
      writeFailed = true;
      break;
    }
    if (job.progress) {
      const int percent = length > 0 ? int(qint64(pos) * 100 / length) : 100;
      if (percent != lastPercent) {
        lastPercent = percent;
        if (!job.progress(percent)) {
          cancelled = true;
          break;
        }
      }
    }
  }
  endUnit();
  if (cancelled) {
    writer.cancel();
    return fail(RenderStatus::Cancelled, QStringLiteral("cancelled"));
  }
  if (writeFailed || !mixer.finish(clock.now()) || !writer.commit())
    return fail(RenderStatus::WriteFailed,
                job.outFile + QStringLiteral(": ") + writer.errorString());
  result.lengthMs = mixer.framesWritten() * 1000 / mixer.rate();
  if (job.progress) job.progress(100);
  return result;
}
