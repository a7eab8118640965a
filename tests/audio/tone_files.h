#pragma once
// Generated tone files for the audio tests (tools/gen_test_tones.sh): 441 Hz at half scale on
// the left (or only) channel, 882 Hz at quarter scale on the right.

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "system/audio_pcm.h"

// Path of a generated file such as "tone_stereo.mp3", made on first use.
std::string ToneFile(const std::string& name);

// The exact sample the generator wrote for a frame and channel.
int16_t ExpectedToneSample(uint32_t rate, uint32_t channel, uint64_t frame);

// A synthetic song without any decoding: `seconds` of the tone at the rate, stereo.
AudioPcm MakeTonePcm(uint32_t rate, double seconds);

// Routes SDL audio to its dummy driver, which plays in real time without a sound card.
void UseDummyAudioDriver();
