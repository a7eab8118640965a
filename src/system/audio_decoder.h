#pragma once
// Decoders for the music formats the player carries, reading from bytes in memory. An Ogg
// stream is recognised by its "OggS" capture pattern; anything else is taken as MPEG audio.
// Output is always signed 16-bit; the channel count and rate are the song's own.

#include <cstdint>
#include <span>
#include <string>

#include "system/audio_pcm.h"

// Each returns false with a reason in `error` when the bytes do not decode to any audio.
bool DecodeAudio(std::span<const uint8_t> bytes, AudioPcm& out, std::string& error);
bool DecodeMp3(std::span<const uint8_t> bytes, AudioPcm& out, std::string& error);
bool DecodeOgg(std::span<const uint8_t> bytes, AudioPcm& out, std::string& error);
