// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace soundgen {

// Writes a mono 16-bit PCM wav file. It is written beside the target under
// a temporary name and then renamed, so a failed run leaves no half file.
bool writeWav(const std::string& path, const std::vector<int16_t>& samples, int sampleRate,
              std::string& error);

}  // namespace soundgen
