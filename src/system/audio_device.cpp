#include "system/audio_device.h"

#include <SDL.h>

#include <cstring>

#include "system/audio_stream.h"

namespace {

constexpr uint16_t kBufferFrames = 1024;  // about 23 ms at 44.1 kHz

void SDLCALL OutputCallback(void* user, Uint8* out, int bytes) {
  static_cast<AudioDevice*>(user)->Render(out, bytes);
}

}  // namespace

std::unique_ptr<AudioDevice> AudioDevice::Open(uint32_t rate, std::string& error) {
  std::unique_ptr<AudioDevice> device(new AudioDevice());
  if (device->InitDriver(nullptr) && device->OpenOutput(rate, 2)) return device;
  device->QuitDriver();
  if (device->InitDriver("dummy") && device->OpenOutput(rate, 2)) return device;
  error = SDL_GetError();
  return nullptr;
}

AudioDevice::~AudioDevice() { QuitDriver(); }

std::string AudioDevice::DriverName() const {
  const char* name = SDL_GetCurrentAudioDriver();
  return name ? name : "";
}

// A forced driver goes in as an override hint (stronger than SDL_AUDIODRIVER in the
// environment) only for this initialisation, so a later device may find real hardware.
bool AudioDevice::InitDriver(const char* forced_driver) {
  if (forced_driver) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, forced_driver, SDL_HINT_OVERRIDE);
  driver_initialised_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  if (forced_driver) SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  // Audio already initialised elsewhere keeps its driver; switch it to the forced one.
  if (driver_initialised_ && forced_driver && DriverName() != forced_driver) {
    driver_initialised_ = SDL_AudioInit(forced_driver) == 0;
  }
  return driver_initialised_;
}

void AudioDevice::QuitDriver() {
  CloseOutput();
  if (driver_initialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  driver_initialised_ = false;
}

bool AudioDevice::OpenOutput(uint32_t rate, uint32_t channels) {
  SDL_AudioSpec wanted{};
  wanted.freq = static_cast<int>(rate);
  wanted.format = AUDIO_S16SYS;
  wanted.channels = static_cast<Uint8>(channels);
  wanted.samples = kBufferFrames;
  wanted.callback = OutputCallback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  // No changes allowed: SDL converts to whatever the hardware wants, so the callback always
  // works in the stream's own frames.
  const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (id == 0) return false;
  output_ = id;
  rate_ = rate;
  channels_ = channels;
  buffer_frames_ = obtained.samples;
  SDL_PauseAudioDevice(id, 0);  // runs for good; a source that is not playing renders silence
  return true;
}

void AudioDevice::CloseOutput() {
  if (output_ != 0) SDL_CloseAudioDevice(output_);
  output_ = 0;
  source_ = nullptr;
}

bool AudioDevice::Attach(AudioStream* stream) {
  const AudioPcm& pcm = stream->Pcm();
  if (output_ == 0 || pcm.rate != rate_ || pcm.channels != channels_) {
    CloseOutput();
    if (!OpenOutput(pcm.rate, pcm.channels)) return false;
  }
  SDL_LockAudioDevice(output_);
  source_ = stream;
  SDL_UnlockAudioDevice(output_);
  return true;
}

void AudioDevice::Detach(const AudioStream* stream) {
  if (output_ == 0 || source_ != stream) return;
  SDL_LockAudioDevice(output_);
  source_ = nullptr;
  SDL_UnlockAudioDevice(output_);
}

void AudioDevice::Render(uint8_t* out, int bytes) {
  if (source_ != nullptr) {
    source_->Render(out, static_cast<size_t>(bytes));
  } else {
    std::memset(out, 0, static_cast<size_t>(bytes));
  }
}
