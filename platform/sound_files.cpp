// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sound_files.h"

#include <sndfile.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/file_access.h"

namespace {
const QString kSegmentFileName = QStringLiteral("QZCSo.wav");

bool holdsSoundSet(const QString& dir) {
  return QFileInfo(QDir(dir).filePath(kSegmentFileName)).isFile() ||
         QFileInfo(QDir(dir).filePath(QStringLiteral("Sounds"))).isDir();
}
}  // namespace

QString soundSetDir(const QString& exeDir) {
  const QString installed = installedDataDir(exeDir);
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
  // Only a regular file: a FIFO or a device in its place would block the
  // reading or never end.
  const int fd = fileaccess::openRegularFile(fileName);
  if (fd < 0) return false;
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } fdCloser{fd};  // closed after the sound file, declared after this
  SNDFILE* f = sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
#endif
  if (!f) return false;
  struct Closer {
    SNDFILE* f;
    ~Closer() { sf_close(f); }
  } closer{f};

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

// libsndfile writes through the save file, which is seekable, so that the
// header gets its final sizes.
struct WavFileWriter::Impl {
  QSaveFile file;
  SNDFILE* sf = nullptr;
  int channels = 1;

  static sf_count_t length(void* user) { return static_cast<Impl*>(user)->file.size(); }
  static sf_count_t seek(sf_count_t offset, int whence, void* user) {
    QSaveFile& f = static_cast<Impl*>(user)->file;
    qint64 to = offset;
    if (whence == SEEK_CUR) to += f.pos();
    else if (whence == SEEK_END) to += f.size();
    if (!f.seek(to)) return -1;
    return f.pos();
  }
  static sf_count_t read(void* ptr, sf_count_t count, void* user) {
    return static_cast<Impl*>(user)->file.read(static_cast<char*>(ptr), count);
  }
  static sf_count_t write(const void* ptr, sf_count_t count, void* user) {
    return static_cast<Impl*>(user)->file.write(static_cast<const char*>(ptr), count);
  }
  static sf_count_t tell(void* user) { return static_cast<Impl*>(user)->file.pos(); }
};

WavFileWriter::WavFileWriter() : d_(nullptr) {}

WavFileWriter::~WavFileWriter() { cancel(); }

bool WavFileWriter::open(const QString& fileName, int sampleRate, int channels) {
  cancel();
  d_ = new Impl;
  d_->file.setFileName(fileName);
  d_->channels = channels;
  if (!d_->file.open(QIODevice::WriteOnly)) {
    error_ = d_->file.errorString();
    cancel();
    return false;
  }
  static SF_VIRTUAL_IO io{&Impl::length, &Impl::seek, &Impl::read, &Impl::write, &Impl::tell};
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  d_->sf = sf_open_virtual(&io, SFM_WRITE, &info, d_);
  if (!d_->sf) {
    error_ = QString::fromLocal8Bit(sf_strerror(nullptr));
    cancel();
    return false;
  }
  return true;
}

bool WavFileWriter::write(const qint16* samples, qint64 frames) {
  if (!d_ || !d_->sf) return false;
  if (frames <= 0) return true;
  if (sf_writef_short(d_->sf, samples, frames) != frames) {
    error_ = d_->file.error() != QFileDevice::NoError ? d_->file.errorString()
                                                      : QString::fromLocal8Bit(sf_strerror(d_->sf));
    return false;
  }
  return true;
}

bool WavFileWriter::commit() {
  if (!d_ || !d_->sf) return false;
  sf_close(d_->sf);  // writes the header's final sizes
  d_->sf = nullptr;
  const bool ok = d_->file.error() == QFileDevice::NoError && d_->file.commit();
  if (!ok) error_ = d_->file.errorString();
  cancel();
  return ok;
}

void WavFileWriter::cancel() {
  if (!d_) return;
  if (d_->sf) sf_close(d_->sf);
  d_->sf = nullptr;
  if (d_->file.isOpen()) d_->file.cancelWriting();
  delete d_;
  d_ = nullptr;
}
