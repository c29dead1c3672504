#include "platform/sound_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
const QString kSegmentFileName = QStringLiteral("QZCSo.wav");

bool holdsSoundSet(const QString& dir) {
  return QFileInfo(QDir(dir).filePath(kSegmentFileName)).isFile() ||
         QFileInfo(QDir(dir).filePath(QStringLiteral("Sounds"))).isDir();
}
}  // namespace

QString soundSetDir(const QString& exeDir) {
  const QString installed = QDir::cleanPath(exeDir + QStringLiteral("/../share/chimepad"));
  QString dir = exeDir;
  if (!holdsSoundSet(exeDir) && holdsSoundSet(installed)) dir = installed;
  dir = QDir::toNativeSeparators(QDir::cleanPath(dir));
  return dir;
}

QString soundFileSystemPath(const QString& name) {
#ifdef Q_OS_WIN
  return name;
#else
  if (!name.contains(QLatin1Char('\\')) || QFileInfo::exists(name)) return name;
  QString path = name;
  path.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return path;
#endif
}

PcmSound PcmSound::slice(qint64 fromMs, qint64 toMs) const {
  PcmSound part;
  part.sampleRate = sampleRate;
  part.channels = channels;
  if (sampleRate <= 0 || channels <= 0) return part;
  const qint64 total = frames();
  const qint64 first = qBound<qint64>(0, fromMs * sampleRate / 1000, total);
  const qint64 last = qBound<qint64>(first, toMs * sampleRate / 1000, total);
  const qint64 frameBytes = 2 * channels;
  part.samples = samples.mid(first * frameBytes, (last - first) * frameBytes);
  return part;
}

bool DecodeWav(const QString& fileName, PcmSound& out, qint64 maxMs) {
  SF_INFO info{};
#ifdef Q_OS_WIN
  SNDFILE* f = sf_wchar_open(reinterpret_cast<const wchar_t*>(fileName.utf16()), SFM_READ, &info);
#else
  SNDFILE* f = sf_open(QFile::encodeName(fileName).constData(), SFM_READ, &info);
#endif
  if (!f) return false;
  struct Closer { SNDFILE* f; ~Closer() { sf_close(f); } } closer{f};

  const int major = info.format & SF_FORMAT_TYPEMASK;
  if (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX && major != SF_FORMAT_RF64) return false;
  if (info.channels <= 0 || info.channels > kMaxWavChannels) return false;
  if (info.samplerate < kMinWavRate || info.samplerate > kMaxWavRate) return false;
  // Whole frames up to the longest length allowed; a header that claims more
  // is refused before anything is read.
  const sf_count_t maxFrames = sf_count_t(maxMs) * info.samplerate / 1000;
  if (info.frames < 0 || info.frames > maxFrames) return false;

  const int inChannels = info.channels;
  const int outChannels = inChannels > 2 ? 2 : inChannels;
  PcmSound pcm;
  pcm.sampleRate = info.samplerate;
  pcm.channels = outChannels;

  // Read as floating point (full scale is 1 for every sample format), then
  // made 16-bit, clipped.
  constexpr sf_count_t kBlock = 4096;
  std::vector<float> block(size_t(kBlock) * inChannels);
  pcm.samples.reserve(qsizetype(info.frames) * 2 * outChannels);
  for (;;) {
    const sf_count_t got = sf_readf_float(f, block.data(), kBlock);
    if (got <= 0) break;
    if (pcm.samples.size() / (2 * outChannels) + got > maxFrames) return false;
    const qsizetype at = pcm.samples.size();
    pcm.samples.resize(at + qsizetype(got) * 2 * outChannels);
    auto* dst = reinterpret_cast<qint16*>(pcm.samples.data() + at);
    for (sf_count_t i = 0; i < got; ++i) {
      for (int c = 0; c < outChannels; ++c) {
        const float v = block[size_t(i) * inChannels + c] * 32767.0f;
        *dst++ = qint16(std::lround(std::clamp(v, -32768.0f, 32767.0f)));
      }
    }
  }
  if (sf_error(f) != SF_ERR_NO_ERROR) return false;
  out = std::move(pcm);
  return true;
}
