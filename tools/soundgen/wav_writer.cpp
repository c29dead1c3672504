// SPDX-License-Identifier: GPL-3.0-or-later
#include "wav_writer.h"

#include <sndfile.h>

#include <cstdio>
#include <filesystem>

namespace soundgen {

bool writeWav(const std::string& path, const std::vector<int16_t>& samples, int sampleRate,
              std::string& error) {
  const std::string temp = path + ".part";
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(temp.c_str(), SFM_WRITE, &info);
  if (!f) {
    error = "cannot write " + temp + ": " + sf_strerror(nullptr);
    return false;
  }
  const sf_count_t written = sf_write_short(f, samples.data(), sf_count_t(samples.size()));
  const int closed = sf_close(f);
  if (written != sf_count_t(samples.size()) || closed != 0) {
    error = "cannot write " + temp;
    std::remove(temp.c_str());
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    error = "cannot rename " + temp + " to " + path + ": " + ec.message();
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace soundgen
