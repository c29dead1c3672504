// SPDX-License-Identifier: GPL-3.0-or-later
// chimepad_soundgen LIST OUTDIR
//
// Makes the sound set of the reading subsystem with espeak-ng: every file
// of OUTDIR/Sounds named in LIST and the segment file OUTDIR/QZCSo.wav.
// Everything is spoken in one process in the order of the list, so the same
// list gives byte-identical files on every run.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "generator.h"
#include "shaping.h"
#include "sound_list.h"
#include "speech.h"
#include "wav_writer.h"

using namespace soundgen;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s LIST OUTDIR\n", argv[0]);
    return 2;
  }
  const auto started = std::chrono::steady_clock::now();
  const std::filesystem::path listPath = argv[1];
  const std::filesystem::path outDir = argv[2];

  std::ifstream in(listPath, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "soundgen: cannot read %s\n", listPath.string().c_str());
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();
  SoundList list;
  std::string error;
  if (!parseSoundList(text.str(), list, error)) {
    std::fprintf(stderr, "%s: %s\n", listPath.string().c_str(), error.c_str());
    return 1;
  }

  std::error_code ec;
  std::filesystem::create_directories(outDir / "Sounds", ec);
  if (ec) {
    std::fprintf(stderr, "soundgen: cannot create %s: %s\n", (outDir / "Sounds").string().c_str(),
                 ec.message().c_str());
    return 1;
  }

  Speaker speaker;
  if (!speaker.open(error)) {
    std::fprintf(stderr, "soundgen: %s\n", error.c_str());
    return 1;
  }
  Generator generator(speaker);
  for (const WavEntry& entry : list.wavs) {
    std::vector<int16_t> pcm;
    const std::string path = (outDir / "Sounds" / (entry.name + ".wav")).string();
    if (!generator.makeWav(entry, pcm, error) || !writeWav(path, pcm, kSampleRate, error)) {
      std::fprintf(stderr, "soundgen: %s: %s\n", entry.name.c_str(), error.c_str());
      return 1;
    }
  }
  std::vector<int16_t> segmentFile;
  if (!generator.makeSegmentFile(list.segments, segmentFile, error) ||
      !writeWav((outDir / "QZCSo.wav").string(), segmentFile, kSampleRate, error)) {
    std::fprintf(stderr, "soundgen: QZCSo.wav: %s\n", error.c_str());
    return 1;
  }

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("soundgen: %zu wav files and QZCSo.wav (%zu ranges) in %.2f s\n", list.wavs.size(),
              list.segments.size(), seconds);
  return 0;
}
