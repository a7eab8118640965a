// Music loading a description file end to end: the song through the audio layer (SDL's dummy
// driver), the note data, the modulators and the note values read back through the track
// index the scenes use.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "notes_test_util.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/music/music.h"
#include "util/music/notedata.h"

namespace {

using notes_test::Events;

class MusicLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    data_mode = DataMode::Disk;
    CreateSystemSettings(6, DataMode::Disk);
  }

  void UseMusicFile(const std::string& file) { (*GetSystemSettings())->music_file = file; }

  // Half a second of stereo tone as Ogg Vorbis, made with ffmpeg.
  std::string WriteSong(const std::string& name) {
    const std::string file = dir.Path() + name;
    const std::string command = "ffmpeg -loglevel error -y -f lavfi -i "
                                "sine=frequency=441:duration=0.5:sample_rate=44100 -ac 2 "
                                "-c:a libvorbis '" + file + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "ffmpeg failed";
    return file;
  }

  notes_test::ScratchDir dir;
};

TEST_F(MusicLoad, DescriptionGivesSongNoteDataAndTempo) {
  WriteSong("song.ogg");
  // 100 BPM (600000 µs); key 48 from beat 1 to 3, key 55 from beat 1.5 to 3.
  Events events;
  events.At(0, {0xFF, 0x51, 3, 0x09, 0x27, 0xC0})
      .At(0, {0xFF, 0x03, 4, 'B', 'a', 's', 's'})
      .At(480, {0x90, 48, 100})
      .At(240, {0x90, 55, 100})
      .At(720, {0x80, 48, 0})
      .At(0, {0x80, 55, 0})
      .End();
  dir.Write("notes.mid", notes_test::MidiFileBytes({events.bytes}));
  UseMusicFile(dir.Write("music.xml",
                         R"(<modulators stream_filename="song.ogg" notedata_filename="notes.mid">)"
                         R"(<modulator name="arp" association="Bass"><arp><pattern>updown</pattern>)"
                         R"(<octaves>1</octaves><numerator>1</numerator><denominator>8</denominator>)"
                         R"(</arp></modulator></modulators>)"));
  Music music;
  EXPECT_FALSE(music.dummy);
  EXPECT_FALSE(music.fileBytes.empty());
  EXPECT_GT(music.GetLengthInSeconds(), 0.4);
  ASSERT_NE(music.noteData, nullptr);
  EXPECT_NEAR(music.bpm, 100.0, 1e-4);
  ASSERT_EQ(music.noteData->tracks.size(), 1u);

  // Both keys held from beat 1.5, latest change 1.5, period 0.5: first key, then the second.
  EXPECT_EQ(music.GetNoteValues(0, 1.7), (std::vector<float>{1, 0}));
  EXPECT_EQ(music.GetNoteValues(0, 1.7 + 0.5), (std::vector<float>{0, 1}));
  EXPECT_EQ(music.GetNoteValue(0, 2.5), 1.0f);
  EXPECT_EQ(music.GetNoteValue(0, 3.5), 0.0f);
}

TEST_F(MusicLoad, DescriptionInDummyModeIsRefused) {
  UseMusicFile("");
  EXPECT_FATAL(
      {
        Music music;
        music.LoadXml("data/music/any.xml");
      },
      "Assert failed");
}

// The productions' own music data, made by tools/generate-data.sh: production 6 from a MIDI
// file, production 5 from a Live set.
class ProductionMusic : public MusicLoad, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(ProductionMusic, LoadsItsNoteTracksAndModulators) {
  CreateSystemSettings(GetParam(), DataMode::Disk);
  const std::string file = (*GetSystemSettings())->music_file;
  if (!std::filesystem::exists(file)) GTEST_SKIP() << file << " not generated";
  Music music;
  ASSERT_NE(music.noteData, nullptr);
  NoteData* notes = music.noteData.get();
  size_t modulators = 0;
  for (const NoteTrack& track : notes->tracks) modulators += track.modulators.size();
  EXPECT_GT(modulators, 0u);
  if (GetParam() == 6) {
    EXPECT_GE(notes->tracks.size(), 15u);
    // The keyboard's track plays keys 48 to 108 only.
    const std::vector<uint8_t> keys = music.GetNoteTrackKeys();
    ASSERT_FALSE(keys.empty());
    for (uint8_t key : keys) {
      EXPECT_GE(key, 48);
      EXPECT_LE(key, 108);
    }
  }
  // Some note sounds somewhere in the first 64 beats, and every value is a number in 0 to 1
  // or a saw's beats.
  float loudest = 0.0f;
  for (size_t track = 0; track < notes->tracks.size(); ++track)
    for (double beat = 0.0; beat < 64.0; beat += 0.37) {
      const float value = GetNoteValue(notes, static_cast<int>(track), beat, music.bpm);
      EXPECT_FALSE(std::isnan(value));
      loudest = std::max(loudest, value);
    }
  EXPECT_GT(loudest, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Productions, ProductionMusic, ::testing::Values(5u, 6u));

}  // namespace
