// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cstring>

namespace soundgen {

namespace {

// The callback has no context argument; synthesis is synchronous, so the
// utterance being filled is the one say() points to.
Utterance* g_current = nullptr;
int g_sampleRate = 0;

int collect(short* wav, int count, espeak_EVENT* events) {
  if (!g_current) return 0;
  for (espeak_EVENT* e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
    if (e->type != espeakEVENT_PHONEME) continue;
    char name[sizeof e->id.string + 1] = {};
    std::memcpy(name, e->id.string, sizeof e->id.string);
    if (name[0] == '\0' || name[0] == '_') continue;  // pauses
    // The event's audio position is in milliseconds from the start of the
    // utterance.
    const long long sample = static_cast<long long>(e->audio_position) * g_sampleRate / 1000;
    g_current->phonemes.push_back({static_cast<int>(sample), name});
  }
  if (wav && count > 0) g_current->samples.insert(g_current->samples.end(), wav, wav + count);
  return 0;
}

}  // namespace

bool Speaker::open(std::string& error) {
  // The option gives phoneme events; espeak_ng_InitializeOutput would give
  // the audio without them.
  rate_ = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
                            espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
  if (rate_ <= 0) {
    error = "espeak-ng could not be initialised (is espeak-ng-data installed?)";
    return false;
  }
  if (rate_ != 22050) {
    error = "espeak-ng gives " + std::to_string(rate_) + " Hz, expected 22050 Hz";
    return false;
  }
  g_sampleRate = rate_;
  espeak_SetSynthCallback(collect);
  return true;
}

bool Speaker::say(const std::string& text, const std::string& voice, int wpm, Utterance& out,
                  std::string& error) {
  out = {};
  if (voice != voice_) {
    if (espeak_SetVoiceByName(voice.c_str()) != EE_OK) {
      error = "espeak-ng has no voice \"" + voice + "\"";
      return false;
    }
    voice_ = voice;
  }
  espeak_SetParameter(espeakRATE, std::clamp(wpm, espeakRATE_MINIMUM, espeakRATE_MAXIMUM), 0);
  espeak_SetParameter(espeakRANGE, 100, 0);
  espeak_SetParameter(espeakVOLUME, 75, 0);
  g_current = &out;
  const espeak_ERROR result = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                                           espeakCHARS_UTF8, nullptr, nullptr);
  espeak_Synchronize();
  g_current = nullptr;
  if (result != EE_OK || out.samples.empty()) {
    error = "espeak-ng said nothing for \"" + text + "\"";
    return false;
  }
  return true;
}

}  // namespace soundgen
