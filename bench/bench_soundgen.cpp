// SPDX-License-Identifier: GPL-3.0-or-later
// Time to generate the whole sound set (every wav file of Sounds/ and the
// segment file QZCSo.wav) as the build does it: one run of the generator
// process, espeak-ng start-up and file writing included. Target: at most
// 10 s on 2 cores.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

void BM_GenerateSoundSet(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path out = fs::temp_directory_path() / "chimepad-bench-sounds";
  const std::string command =
      std::string("\"") + SOUNDGEN_EXE + "\" \"" + SOUND_LIST + "\" \"" + out.string() + "\"";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("the generator failed");
      break;
    }
  }
  std::error_code ec;
  fs::remove_all(out, ec);
}
BENCHMARK(BM_GenerateSoundSet)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
