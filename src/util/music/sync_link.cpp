#include "util/music/sync_link.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "util/music/sync_track_file.h"

namespace {

constexpr size_t kClientGreetingSize = sizeof(kSyncClientGreeting) - 1;
constexpr size_t kEditorGreetingSize = sizeof(kSyncEditorGreeting) - 1;

void AppendBigEndian(std::vector<uint8_t>& bytes, uint32_t value) {
  uint32_t network = htonl(value);
  const auto* raw = reinterpret_cast<const uint8_t*>(&network);
  bytes.insert(bytes.end(), raw, raw + sizeof(network));
}

int DropLink(SyncDevice& device) {
  device.socket.Close();
  return -1;
}

bool ReceiveField(SyncDevice& device, uint32_t& value) {
  uint32_t network = 0;
  if (!device.socket.ReceiveAll(&network, sizeof(network), device.io_timeout_ms)) return false;
  value = ntohl(network);
  return true;
}

bool ReceiveField(SyncDevice& device, int32_t& value) {
  uint32_t raw = 0;
  if (!ReceiveField(device, raw)) return false;
  value = static_cast<int32_t>(raw);
  return true;
}

bool ReceiveField(SyncDevice& device, uint8_t& value) {
  return device.socket.ReceiveAll(&value, 1, device.io_timeout_ms);
}

using SteadyClock = std::chrono::steady_clock;

bool Greet(TcpSocket& socket, SteadyClock::time_point deadline) {
  char answer[kEditorGreetingSize];
  return socket.SendAll(kSyncClientGreeting, kClientGreetingSize, MillisecondsUntil(deadline)) &&
         socket.ReceiveAll(answer, sizeof(answer), MillisecondsUntil(deadline)) &&
         std::memcmp(answer, kSyncEditorGreeting, kEditorGreetingSize) == 0;
}

bool SendGetTrack(SyncDevice& device, const SyncTrack& track) {
  std::vector<uint8_t> message{SyncCommand::GetTrack};
  AppendBigEndian(message, static_cast<uint32_t>(track.name.size()));
  message.insert(message.end(), track.name.begin(), track.name.end());
  return device.socket.SendAll(message.data(), message.size(), device.io_timeout_ms);
}

bool SendSetRow(SyncDevice& device, int row) {
  std::vector<uint8_t> message{SyncCommand::SetRow};
  AppendBigEndian(message, static_cast<uint32_t>(row));
  return device.socket.SendAll(message.data(), message.size(), device.io_timeout_ms);
}

// The track the editor names by its position; null for an index outside the list, whose
// commands leave every track unchanged.
SyncTrack* TrackAt(SyncDevice& device, uint32_t index) {
  return index < device.tracks.size() ? device.tracks[index].get() : nullptr;
}

bool ApplySetKey(SyncDevice& device) {
  uint32_t index = 0, value_bits = 0;
  int32_t row = 0;
  uint8_t type = 0;
  if (!ReceiveField(device, index) || !ReceiveField(device, row) || !ReceiveField(device, value_bits) ||
      !ReceiveField(device, type)) {
    return false;
  }
  SyncTrack* track = TrackAt(device, index);
  if (!track || !IsValidSyncKeyType(type)) return true;
  SyncKey key{row, 0.0f, static_cast<SyncKeyType>(type)};
  std::memcpy(&key.value, &value_bits, sizeof(float));
  return SyncSetKey(track, key) == 0;
}

bool ApplyDeleteKey(SyncDevice& device) {
  uint32_t index = 0;
  int32_t row = 0;
  if (!ReceiveField(device, index) || !ReceiveField(device, row)) return false;
  // A row that holds no key is ignored like an unknown track.
  if (SyncTrack* track = TrackAt(device, index)) SyncDeleteKey(track, row);
  return true;
}

bool ApplySetRow(SyncDevice& device, const SyncCallbacks* callbacks, void* user) {
  int32_t row = 0;
  if (!ReceiveField(device, row)) return false;
  if (callbacks && callbacks->set_row) callbacks->set_row(user, row);
  return true;
}

bool ApplyPause(SyncDevice& device, const SyncCallbacks* callbacks, void* user) {
  uint8_t flag = 0;
  if (!ReceiveField(device, flag)) return false;
  if (callbacks && callbacks->pause) callbacks->pause(user, flag);
  return true;
}

// Receives and applies one command; false drops the link.
bool ApplyCommand(SyncDevice& device, const SyncCallbacks* callbacks, void* user) {
  uint8_t command = 0;
  if (!ReceiveField(device, command)) return false;
  switch (command) {
    case SyncCommand::SetKey: return ApplySetKey(device);
    case SyncCommand::DeleteKey: return ApplyDeleteKey(device);
    case SyncCommand::SetRow: return ApplySetRow(device, callbacks, user);
    case SyncCommand::Pause: return ApplyPause(device, callbacks, user);
    case SyncCommand::SaveTracks: SyncSaveTracks(device); return true;
    default:
      std::fprintf(stderr, "unknown cmd: %02x\n", command);
      return false;
  }
}

// Connects and greets within timeout_ms all told: a host that accepts but never answers must
// not hold up the caller longer than one that does not accept at all.
int OpenLink(SyncDevice& device, int timeout_ms) {
  if (device.client == SyncMode::Files) return 0;
  device.socket.Close();
  // The name lookup cannot be bounded; it happens once, on the first connection.
  if (device.editor_addresses.empty()) {
    device.editor_addresses = ResolveTcpHost(device.editor_host, device.editor_port);
  }
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
  TcpSocket socket = TcpSocket::Connect(device.editor_addresses, timeout_ms);
  if (!socket.IsOpen() || !Greet(socket, deadline)) return -1;
  device.socket = std::move(socket);
  device.last_row_sent = -1;  // a new editor learns the position with the next frame
  // The editor sends every key anew, so the keys held so far go.
  for (const auto& track : device.tracks) track->keys.clear();
  for (const auto& track : device.tracks) {
    if (!SendGetTrack(device, *track)) return DropLink(device);
  }
  return 0;
}

}  // namespace

int SyncConnect(SyncDevice& device, const char* host) {
  if (device.client == SyncMode::Files) return 0;
  // An empty host names the local machine.
  device.editor_host = host && *host ? host : "localhost";
  device.editor_addresses.clear();
  return OpenLink(device, device.first_connect_timeout_ms);
}

int SyncReconnect(SyncDevice& device) { return OpenLink(device, device.connect_timeout_ms); }

int SyncUpdate(SyncDevice& device, int row, const SyncCallbacks* callbacks, void* user) {
  if (device.client == SyncMode::Files) return 0;
  if (!device.socket.IsOpen()) return -1;
  // Every pending command is applied before the row is reported.
  while (device.socket.IsReadable()) {
    if (!ApplyCommand(device, callbacks, user)) return DropLink(device);
  }
  bool playing = callbacks && callbacks->is_playing && callbacks->is_playing(user);
  if (playing && row != device.last_row_sent) {
    if (!SendSetRow(device, row)) return DropLink(device);
    device.last_row_sent = row;
  }
  return 0;
}

int SyncRequestTrack(SyncDevice& device, const SyncTrack& track) {
  if (device.client == SyncMode::Files || !device.socket.IsOpen()) return 0;
  // A failed send drops the link; the next connection requests every track again.
  if (!SendGetTrack(device, track)) DropLink(device);
  return 0;
}
