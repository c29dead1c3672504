// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/wav_render.h"

#include <QDir>
#include <QHash>
#include <algorithm>
#include <optional>
#include <vector>

#include "platform/input_method.h"
#include "platform/pcm_convert.h"
#include "platform/sound_files.h"
#include "platform/sound_output.h"
#include "platform/timer.h"
#include "program/reading_state.h"
#include "reading/reading_session.h"
#include "reading/reading_walk.h"
#include "reading/speech.h"
#include "reading/text_to_pinyin.h"
#include "reading/word_readings.h"

namespace {

// The sound output of a rendering: every sound is mixed into the file at
// the clock's time. Sounds of another format are converted to the file's.
class MixingSoundOutput : public SoundOutput {
 public:
  MixingSoundOutput(VirtualClock& clock, WavFileWriter& writer) : clock_(clock), writer_(writer) {}

  bool openSegmentFile(const QString& path) override {
    PcmSound s;
    if (!DecodeWav(soundFileSystemPath(path), s) || s.sampleRate <= 0) return false;
    rate_ = s.sampleRate;
    channels_ = s.channels;
    segment_ = std::move(s);
    return true;
  }
  bool closeSegmentFile() override {
    cutSegment();
    return true;
  }
  int rate() const { return rate_; }
  int channels() const { return channels_; }

  // A range cuts the range still sounding, as the window's output does.
  bool playSegmentRange(qint64 fromMs, qint64 toMs) override {
    cutSegment();
    playing_ = segment_.slice(fromMs, toMs < 0 ? segment_.lengthMs() : toMs);
    playingAt_ = frameAt(clock_.now());
    playingMixed_ = 0;
    return true;
  }
  void playWav(const QString& path, bool) override {
    if (const PcmSound* s = wav(path)) mix(*s, frameAt(clock_.now()));
  }
  void stopAll() override { cutSegment(); }
  qint64 soundLengthMs(const QString& path) override {
    const PcmSound* s = wav(path);
    return s ? s->lengthMs() : -1;
  }

  // Writes out everything before `ms`: no sound can start earlier any more.
  bool flushUntil(qint64 ms) {
    mixSegmentUntil(frameAt(ms));
    return flushFrames(frameAt(ms));
  }
  // Writes out the rest, up to `ms` or the end of the last sound.
  bool finish(qint64 ms) {
    mixSegmentUntil(std::numeric_limits<qint64>::max());
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

  PcmSound convert(const PcmSound& in) const { return ConvertPcm(in, rate_, channels_); }

  // The range sounding is mixed in as the clock passes it, so that a cut
  // leaves out what it has not reached.
  void mixSegmentUntil(qint64 frame) {
    const qint64 total = playing_.frames();
    const qint64 upTo = std::min(total, frame - playingAt_);
    if (upTo <= playingMixed_) return;
    PcmSound part;
    part.sampleRate = playing_.sampleRate;
    part.channels = playing_.channels;
    const qint64 frameBytes = 2 * qint64(playing_.channels);
    part.samples =
        playing_.samples.mid(playingMixed_ * frameBytes, (upTo - playingMixed_) * frameBytes);
    mix(part, playingAt_ + playingMixed_);
    playingMixed_ = upTo;
  }
  void cutSegment() {
    mixSegmentUntil(frameAt(clock_.now()));
    playing_ = PcmSound();
    playingMixed_ = 0;
  }

  void mix(const PcmSound& s, qint64 frame) {
    const PcmSound& pcm =
        s.sampleRate == rate_ && s.channels == channels_ ? s : (converted_ = convert(s));
    const qint64 at = frame - base_;
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
  PcmSound segment_;
  PcmSound playing_;  // the range sounding, from frame playingAt_
  qint64 playingAt_ = 0;
  qint64 playingMixed_ = 0;  // frames of it mixed in
  PcmSound converted_;
  int rate_ = 0;
  int channels_ = 1;
  QHash<QString, std::optional<PcmSound>> wavs_;
  std::vector<int> mix_;  // sums from frame base_ on
  std::vector<qint16> out_;
  qint64 base_ = 0;
};

// What the trace shows as the pinyin of a unit: for a digit or a Latin
// letter the name of what is played for it ("1" yi1, "A" ei1); for a
// converted character its syllable with the tone digit, or without one when
// it has no tone (啊 "a", 了 "le"); nothing for anything else.
QString pinyinOf(const ReadingUnit& u) {
  if (u.ch.size() == 1 && u.ch.at(0).unicode() < 0x80) {
    static const char* const digits[] = {"ling2", "yi1",  "er4", "san1", "si4",
                                         "wu3",   "liu4", "qi1", "ba1",  "jiu3"};
    static const char* const letters[] = {
        "ei1", "bi4", "spc", "di4", "yi4", "spf", "spg", "sph", "spi", "spj", "spk", "spl", "spm",
        "en1", "o1",  "pi4", "spq", "a4",  "sps", "ti4", "spu", "spv", "spw", "spx", "spy", "spz"};
    const char c = char(u.ch.at(0).unicode());
    if (c >= '0' && c <= '9') return QLatin1String(digits[c - '0']);
    if (c >= 'a' && c <= 'z') return QLatin1String(letters[c - 'a']);
    if (c >= 'A' && c <= 'Z') return QLatin1String(letters[c - 'A']);
  }
  const bool toned = u.tone >= 1 && u.tone <= 4;
  // A character the dictionary does not convert is its own "initial".
  const bool converted = !u.initial.isEmpty() && u.initial != u.ch.toUpper();
  if (!converted) return QString();
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
  // The reading's own state: the job's options, the sound set it names.
  ReadingState r;
  r.ime = job.ime;
  r.words = job.words;
  r.ReadByWords = job.byWords && job.words != nullptr;
  r.ReadNeutralTone = job.neutralTone;
  r.ReadToneSandhi = job.toneSandhi;
  // The same probe as the start of reading.
  if (r.ime) r.ime->refresh();
  TextToPinyin(r, QStringLiteral("虎"), 2, QStringLiteral(" "));
  if (!r.ime || r.PinyinImeMissing)
    return fail(RenderStatus::NoPinyin, QStringLiteral("pinyin dictionary not found"));
  BuildSoundPaths(r, job.soundDir);

  VirtualClock clock;
  WavFileWriter writer;
  MixingSoundOutput mixer(clock, writer);
  if (!mixer.openSegmentFile(r.SegmentFilePath))
    return fail(RenderStatus::NoSoundSet,
                QStringLiteral("sound set not found: ") + r.SegmentFilePath);
  if (!writer.open(job.outFile, mixer.rate(), mixer.channels()))
    return fail(RenderStatus::WriteFailed,
                job.outFile + QStringLiteral(": ") + writer.errorString());

  Timer* const stepTimer = clock.makeTimer();
  Timer* const pauseTimer = clock.makeTimer();
  Timer* const wavTimer = clock.makeTimer();
  stepTimer->setInterval(std::max(1, job.intervalMs));
  Speech speech(SpeechContext{r, &mixer, stepTimer, pauseTimer, wavTimer});

  const qsizetype length = job.text.size();
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

  // The walk of the window's reading session, over the text.
  class WordSource : public StringSource {
   public:
    WordSource(const QString& t, ReadingState& r) : StringSource(t), r_(r) {}
    QString wordReading(int pos) const override { return WordReadingIn(r_, text(), pos); }

   private:
    ReadingState& r_;
  };
  WordSource source(job.text, r);
  ReadingWalk walk(speech);
  walk.onUnit = [&](const ReadingUnit& u, int) {
    endUnit();
    unit = RenderedUnit{clock.now(), u.ch, pinyinOf(u), {}};
    haveUnit = true;
  };
  walk.onEnd = [&] {
    reading = false;
    walk.finish();
    stepTimer->setEnabled(false);
    pauseTimer->setEnabled(false);
    speech.Stop();
  };
  stepTimer->onTick = [&] { walk.step(); };
  pauseTimer->onTick = [&] { speech.Timer3Tick(); };
  wavTimer->onTick = [&] { speech.WavTick(); };

  walk.begin(source);
  stepTimer->setEnabled(true);
  walk.readAt(0);
  while (reading && clock.runNext()) {
    if (!mixer.flushUntil(clock.now())) {
      writeFailed = true;
      break;
    }
    if (job.progress) {
      const int percent = length > 0 ? int(qint64(source.position()) * 100 / length) : 100;
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
