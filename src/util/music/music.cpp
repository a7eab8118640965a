#include "util/music/music.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>

#include "system/audio_decode_stream.h"
#include "system/audio_decoder.h"
#include "system/audio_device.h"
#include "system/audio_stream.h"
#include "system/clock.h"
#include "system/log.h"
#include "system/messagebox.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "system/fft.h"
#include "util/music/sync_link.h"
#include "util/music/sync_track_file.h"

Music* active_music = nullptr;

SyncCallbacks sync_callbacks = {SyncPauseCallback, SyncSetRowCallback, SyncIsPlayingCallback,
                                SyncOpenCallback,  SyncReadCallback,   SyncCloseCallback};

namespace {

constexpr uint32_t kOutputRate = 44100;

// From the last dot of the last path component, dot included; empty without one.
std::string ExtensionOf(const std::string& file) {
  const size_t slash = file.find_last_of('/');
  const size_t dot = file.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return file.substr(dot);
}

std::string BaseNameOf(const std::string& file) {
  const size_t slash = file.find_last_of('/');
  return slash == std::string::npos ? file : file.substr(slash + 1);
}

bool IsUsableTempo(double bpm) { return std::isfinite(bpm) && bpm > 0.0; }

}  // namespace

Music::Music() {
  const SystemSettings& settings = **GetSystemSettings();
  bpm = settings.bpm;
  offset = settings.beat_offset;
  dumping = settings.avi_capture != 0;
  const std::string& file = settings.music_file;
  if (file.empty()) {
    LogInfo("=== Music in dummy mode ===");
  } else {
    LogInfo("=== Loading music ===");
    dummy = false;
    const std::string extension = ExtensionOf(file);
    if (extension == ".mp3" || extension == ".ogg") {
      LoadStream(file);
    } else if (extension == ".xml") {
      LoadXml(file);
    } else {
      ExitMsgFmt(__FILE__, __LINE__, "Music format {} not supported", extension);
    }
  }
  active_music = this;
  rowsPerBeat = 8;
  syncClient = settings.sync_client;
  try {
    device = std::make_unique<SyncDevice>(kSyncBasePath, syncClient);
  } catch (const std::bad_alloc&) {
    ExitMsg(__FILE__, __LINE__, "Failed to create sync device!");
  }
  if (SyncConnect(*device, settings.sync_host) != 0) {
    ExitMsgFmt(__FILE__, __LINE__, "Sync tracker failed to connect to host {}:{}", settings.sync_host, kSyncEditorPort);
  }
  LogInfo("  Music has {} total rows.", 1 + static_cast<int64_t>(8.0 * bpm * GetLengthInSeconds() / 60.0));
}

Music::~Music() {
  LogInfo("=== Music exiting cleanly ===");
  if (device && SyncSaveEditedTracks(*device) != 0) {
    ShowMessageBox({.caption = "Failed to save sync tracks!",
                    .text = "Failed to save sync tracks, check your directory structure!",
                    .buttons = MessageBoxButtons::Ok});
  }
  device.reset();
  // The streams go before the output that plays them.
  stream_.reset();
  decodeStream_.reset();
  audio_.reset();
  if (active_music == this) active_music = nullptr;
}

void Music::LoadStream(const std::string& file) {
  if (dummy) ExitMsg(__FILE__, __LINE__, "Assert failed");
  LogInfo("=== LOADING STREAM ===");
  std::string error;
  audio_ = AudioDevice::Open(kOutputRate, error);
  if (!audio_) ExitMsg(__FILE__, __LINE__, "Can't initialize device");
  fileBytes = GetFileBytes(file, "rb", false);
  OpenStreams(file);
  const AudioPcm& pcm = decodeStream_->Pcm();
  format = MakePcmWaveFormat(static_cast<uint16_t>(pcm.channels), pcm.rate, static_cast<uint16_t>(pcm.bits));
  const auto seconds = static_cast<int64_t>(pcm.BytesToSeconds(pcm.LengthBytes()));
  LogInfo("  Bass streaming '{}' ({:02}:{:02}), {}kb, {}ch, {}bits, {}hz", BaseNameOf(file), seconds / 60,
          seconds % 60, fileBytes.size() / 1024, format.channels, format.bits_per_sample, format.samples_per_second);
  if (format.channels != 2 || format.bits_per_sample != 16) ExitMsg(__FILE__, __LINE__, "Assert failed");
  ReadSamples();
}

// The song is decoded once; the playback stream (looping until Start) and the decode-only
// stream are two cursors over the same samples.
void Music::OpenStreams(const std::string& file) {
  auto pcm = std::make_shared<AudioPcm>();
  std::string error;
  if (!DecodeAudio(fileBytes, *pcm, error)) {
    LogLine("Cannot decode {}: {}", file, error);
    ExitMsg(__FILE__, __LINE__, "Failed to create stream chan!");
  }
  stream_ = std::make_unique<AudioStream>(pcm, *audio_, true);
  decodeStream_ = std::make_unique<AudioDecodeStream>(pcm);
}

void Music::ReadSamples() {
  sampleCount = decodeStream_->GetLength() / 2;
  samples.resize(sampleCount);
  if (decodeStream_->ReadFloat(samples) != sampleCount) ExitMsg(__FILE__, __LINE__, "Assert failed");
  if (!dumping) return;
  if (!decodeStream_->SetPosition(0)) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to set BASS position for dumping: {}", "empty song");
  }
  samples16.resize(sampleCount);
  if (decodeStream_->ReadInt16(samples16) != sampleCount) ExitMsg(__FILE__, __LINE__, "Assert failed");
}

void Music::Start() {
  LogInfo("  Starting music....");
  bool playing = false;
  if (dummy) {
    elapsedMs = 0;
    lastTick = GetTickCount();
    playing = !paused;
  } else {
    stream_->SetLoop(false);
    playing = stream_->Play() && stream_->IsActive();
  }
  if (!playing) ExitMsg(__FILE__, __LINE__, "Failed to start the music!");
  LogInfo("  Music started...");
  paused = false;
}

void Music::Update() {
  if (dummy && !paused) {
    const uint32_t now = GetTickCount();
    elapsedMs += static_cast<uint32_t>(now - lastTick);  // unsigned: the tick count wraps
    lastTick = now;
  }
  if (SyncUpdate(*device, GetEditorRow(), &sync_callbacks, this) != 0) SyncReconnect(*device);
}

double Music::GetSeconds() const {
  if (dummy) return static_cast<double>(elapsedMs) * 0.001;
  return stream_->Pcm().BytesToSeconds(stream_->GetPosition());
}

int Music::GetEditorRow() {
  const double row = std::floor(GetRow());
  // A clock or tempo that is not a finite number names no row: the one reported last stands.
  if (!std::isfinite(row)) return lastEditorRow_;
  constexpr double kLowest = std::numeric_limits<int>::min();
  constexpr double kHighest = std::numeric_limits<int>::max();
  lastEditorRow_ = static_cast<int>(std::clamp(row, kLowest, kHighest));
  return lastEditorRow_;
}

double Music::GetLengthInSeconds() const {
  if (dummy) return kDummyLengthMs * 0.001;
  return stream_->Pcm().BytesToSeconds(stream_->GetLength());
}

void Music::GetFFT(float* out, double beat) {
  if (out == nullptr) ExitMsg(__FILE__, __LINE__, "Invalid buffer");
  if (dummy) return;
  const std::span<float> spectrum(out, kSpectrumSize);
  // Without a usable tempo a beat names no time: the spectrum stays where it was last taken.
  if (beat < 0.0 || IsUsableTempo(bpm)) {
    uint64_t bytes = stream_->GetPosition();
    if (beat >= 0.0) bytes = stream_->Pcm().SecondsToBytes(std::max(0.0, (beat - offset) / bpm) * 60.0);
    // At or past the end of the song there is nothing to hear.
    if (!decodeStream_->SetPosition(bytes)) {
      std::fill(spectrum.begin(), spectrum.end(), 0.0f);
      return;
    }
  }
  decodeStream_->ReadSpectrum(spectrum);
}

void Music::OpenTrack(std::string name, float default_value) {
  const bool open = std::any_of(tracks.begin(), tracks.end(), [&](const MusicTrackEntry& e) { return e.name == name; });
  if (open) return;
  SyncTrack* track = SyncGetTrack(*device, name, default_value);
  if (track == nullptr) ExitMsgFmt(__FILE__, __LINE__, "Failed to open track {}!", name);
  tracks.push_back({track, std::move(name), default_value});
}

void Music::RequireUsableTempo() const {
  const SyncTrack* track = SyncFindTrack(*device, "bpm");
  if (!track) return;
  // Interpolation never leaves the range of two neighbouring keys, so checking the keys is
  // enough.
  for (const SyncKey& key : track->keys) {
    if (!(std::isfinite(key.value) && key.value > 0.0f))
      ExitMsgFmt(__FILE__, __LINE__,
                 "The \"bpm\" track holds the tempo {} at row {}; a tempo must be a number above 0",
                 key.value, key.row);
  }
}

// Scenes sample dozens of tracks a frame: the device finds them through its hash index.
float Music::GetSyncValue(const std::string& name) {
  const double row = rowsPerBeat * bpm * (GetSeconds() / 60.0) + rowsPerBeat * offset;
  return SyncSampleTrack(*device, name, row);
}

const SyncTrack& Music::FindSyncTrack(const std::string& name) const {
  const SyncTrack* track = SyncFindTrack(*device, name);
  if (track == nullptr) throw std::runtime_error("Can't find sync value for " + name);
  return *track;
}

float Music::GetSyncValue(const SyncTrack& track) {
  const double row = rowsPerBeat * bpm * (GetSeconds() / 60.0) + rowsPerBeat * offset;
  return SyncGetValue(&track, row);
}

bool Music::IsPlaying() const {
  if (dummy) return !paused;
  return stream_->IsActive();
}

void Music::SetVolume(float volume) {
  if (!dummy) stream_->SetVolume(volume);
}

void Music::SetPaused(bool pause) {
  if (pause == paused) return;
  if (dummy) {
    const uint32_t now = GetTickCount();
    if (pause) elapsedMs += static_cast<uint32_t>(now - lastTick);
    lastTick = now;
  } else if (pause) {
    stream_->Pause();
  } else {
    stream_->Play();
  }
  paused = pause;
}

void Music::SetRow(int row) {
  if (!IsUsableTempo(bpm)) return;  // no tempo, no time for a row
  SetPositionSeconds((row - rowsPerBeat * offset) * 60.0 / (rowsPerBeat * bpm));
}

uint64_t Music::GetPosition() const {
  if (dummy) return static_cast<uint64_t>(elapsedMs);
  return stream_->GetPosition();
}

void Music::SetPositionSeconds(double seconds) {
  if (!(seconds > 0.0)) seconds = 0.0;
  if (dummy) {
    constexpr double kLongestMs = std::numeric_limits<int64_t>::max() / 2;
    elapsedMs = static_cast<int64_t>(std::min(seconds * 1000.0, kLongestMs));
  } else {
    stream_->SetPosition(stream_->Pcm().SecondsToBytes(seconds));
  }
}

void SyncPauseCallback(void*, int flag) {
  if (active_music) active_music->SetPaused(flag != 0);
}

void SyncSetRowCallback(void*, int row) {
  if (active_music) active_music->SetRow(row);
}

int SyncIsPlayingCallback(void*) { return active_music && active_music->IsPlaying() ? 1 : 0; }
