// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decoded sounds brought to one sample format, so that sounds of a sound
// set recorded at different rates can be mixed into one stream or file.
#include "platform/sound_files.h"

// `in` at `rate` with `channels` channels (linear interpolation between
// samples; extra channels dropped, missing ones repeated). A sound already
// in that format is returned as it is.
PcmSound ConvertPcm(const PcmSound& in, int rate, int channels);
