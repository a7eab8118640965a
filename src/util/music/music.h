#pragma once
// Music: the program's time base. It plays the production's song (decoded once into memory)
// or, when the production names no music file, runs a dummy millisecond clock; it turns time
// into beats and rows (8 rows to a beat), owns the sync device with the opened sync tracks and
// the editor link, holds the optional note data and answers spectrum and length questions.
//
// One instance exists per run; `active_music` points at it for the editor's player-control
// callbacks. Everything runs on the program thread; the audio output plays on its own.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "system/waveformat.h"
#include "util/music/sync_device.h"

class AudioDevice;
class AudioStream;
class AudioDecodeStream;
struct NoteData;

struct MusicTrackEntry {
  SyncTrack* track = nullptr;  // owned by the sync device
  std::string name;
  float default_value = 0.0f;
};

class Music {
 public:
  static constexpr uint32_t kDummyLengthMs = 99999999;

  // Everything comes from SystemSettings: music file, tempo, beat offset, capture and
  // sync-client flags, editor host.
  Music();
  ~Music();
  Music(const Music&) = delete;
  Music& operator=(const Music&) = delete;

  // Loads and decodes an MP3 or Ogg Vorbis file into both streams.
  void LoadStream(const std::string& file);
  // A music description file: the audio file, the note data and the modulators.
  void LoadXml(const std::string& file);
  // Starts playback (the song plays once) or the dummy clock.
  void Start();
  // Once per frame, before the scenes render: advances the dummy clock, reports the row to
  // the sync editor and applies the editor's commands.
  void Update();

  double GetSeconds() const;
  double GetBeat() const { return GetSeconds() / 60.0 * bpm + offset; }
  // The fractional row that sync tracks are sampled at.
  double GetRow() const { return rowsPerBeat * GetBeat(); }
  // The whole row reported to the editor: floor of the row, held to the 32-bit range; while
  // the row is not a finite number, the row reported last.
  int GetEditorRow();
  double GetLengthInSeconds() const;
  double GetLengthInBeats() const { return GetLengthInSeconds() / 60.0 * bpm; }
  // 1024 spectrum magnitudes of the song at a beat (a negative beat: where it plays now).
  void GetFFT(float* out, double beat);
  // Note values: one per lane of a note track (modulated), their largest, and the keys of the
  // lanes of note track 14 (the keyboard's).
  std::vector<float> GetNoteValues(int track, double beat);
  float GetNoteValue(int track, double beat);
  std::vector<uint8_t> GetNoteTrackKeys();

  void OpenTrack(std::string name, float default_value);
  // Fatal unless every key of the "bpm" track is a finite tempo above 0: any other tempo
  // stops or reverses the beat.
  void RequireUsableTempo() const;
  // Throws std::runtime_error for a name never opened.
  float GetSyncValue(const std::string& name);
  // The opened track of that name, for callers that sample it every frame; throws like
  // GetSyncValue for a name never opened.
  const SyncTrack& FindSyncTrack(const std::string& name) const;
  // The track's value at the current row, without a look-up by name.
  float GetSyncValue(const SyncTrack& track);

  // Playback control for the scene manager, the editor link and video capture.
  bool IsPlaying() const;  // playing: not stopped at the end, not paused
  void SetVolume(float volume);
  void SetPaused(bool pause);
  void SetRow(int row);
  // The raw clock: bytes of 16-bit output, or elapsed milliseconds on the dummy clock.
  uint64_t GetPosition() const;
  // Negative times go to the start; a time at or past the end of the song leaves the position
  // as it was (video capture ends on that).
  void SetPositionSeconds(double seconds);

  WaveFormat format;
  std::vector<float> samples;      // the whole song as floats, channels interleaved
  std::vector<int16_t> samples16;  // the same as 16-bit values, only when capturing video
  uint64_t sampleCount = 0;        // values in each buffer: decoded bytes / 2
  bool dummy = true;
  int64_t elapsedMs = 0;
  uint32_t lastTick = 0;
  // Shared only so that this header needs no note-data types; Music is the one owner.
  std::shared_ptr<NoteData> noteData;
  double bpm = 0.0;
  double offset = 0.0;  // in beats, added to every beat reading, never scaled by the tempo
  int32_t rowsPerBeat = 8;
  bool paused = false;
  bool dumping = false;
  uint32_t syncClient = 0;
  std::unique_ptr<SyncDevice> device;
  std::vector<MusicTrackEntry> tracks;
  std::vector<uint8_t> fileBytes;

 private:
  void OpenStreams(const std::string& file);
  // The whole song into `samples`, and into `samples16` when capturing video.
  void ReadSamples();

  std::unique_ptr<AudioDevice> audio_;
  std::unique_ptr<AudioStream> stream_;
  std::unique_ptr<AudioDecodeStream> decodeStream_;
  int lastEditorRow_ = 0;
};

extern Music* active_music;
extern SyncCallbacks sync_callbacks;

// Player control for the editor link; the user pointer is ignored, they act on active_music.
void SyncPauseCallback(void* user, int flag);
void SyncSetRowCallback(void* user, int row);
int SyncIsPlayingCallback(void* user);
