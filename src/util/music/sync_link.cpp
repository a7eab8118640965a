#include "util/music/sync_link.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
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

using SteadyClock = std::chrono::steady_clock;

bool Greet(TcpSocket& socket, SteadyClock::time_point deadline) {
  char answer[kEditorGreetingSize];
  return socket.SendAll(kSyncClientGreeting, kClientGreetingSize, MillisecondsUntil(deadline)) &&
         socket.ReceiveAll(answer, sizeof(answer), MillisecondsUntil(deadline)) &&
         std::memcmp(answer, kSyncEditorGreeting, kEditorGreetingSize) == 0;
}

bool SendGetTrack(SyncDevice& device, const SyncTrack& track, int timeout_ms) {
  std::vector<uint8_t> message{SyncCommand::GetTrack};
  AppendBigEndian(message, static_cast<uint32_t>(track.name.size()));
  message.insert(message.end(), track.name.begin(), track.name.end());
  return device.socket.SendAll(message.data(), message.size(), timeout_ms);
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

// A command's fields after its byte, in network byte order.
class CommandFields {
 public:
  explicit CommandFields(const uint8_t* bytes) : bytes_(bytes) {}
  uint32_t U32() {
    uint32_t network = 0;
    std::memcpy(&network, bytes_, sizeof(network));
    bytes_ += sizeof(network);
    return ntohl(network);
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  uint8_t U8() { return *bytes_++; }

 private:
  const uint8_t* bytes_;
};

// Bytes after the command byte, or -1 for a command the editor never sends.
int CommandBodySize(uint8_t command) {
  switch (command) {
    case SyncCommand::SetKey: return 13;
    case SyncCommand::DeleteKey: return 8;
    case SyncCommand::SetRow: return 4;
    case SyncCommand::Pause: return 1;
    case SyncCommand::SaveTracks: return 0;
    default: return -1;
  }
}

constexpr size_t kLongestCommand = 14;

bool ApplySetKey(SyncDevice& device, CommandFields fields) {
  const uint32_t index = fields.U32();
  const int32_t row = fields.I32();
  const uint32_t value_bits = fields.U32();
  const uint8_t type = fields.U8();
  SyncTrack* track = TrackAt(device, index);
  if (!track || !IsValidSyncKeyType(type)) return true;
  SyncKey key{row, 0.0f, static_cast<SyncKeyType>(type)};
  std::memcpy(&key.value, &value_bits, sizeof(float));
  device.edited_tracks.insert(track);
  return SyncSetKey(track, key) == 0;
}

void ApplyDeleteKey(SyncDevice& device, CommandFields fields) {
  const uint32_t index = fields.U32();
  const int32_t row = fields.I32();
  // A row that holds no key is ignored like an unknown track.
  SyncTrack* track = TrackAt(device, index);
  if (track && SyncDeleteKey(track, row) == 0) device.edited_tracks.insert(track);
}

// Applies one whole command; false drops the link.
bool ApplyCommand(SyncDevice& device, uint8_t command, CommandFields fields,
                  const SyncCallbacks* callbacks, void* user) {
  switch (command) {
    case SyncCommand::SetKey: return ApplySetKey(device, fields);
    case SyncCommand::DeleteKey: ApplyDeleteKey(device, fields); return true;
    case SyncCommand::SetRow:
      if (callbacks && callbacks->set_row) callbacks->set_row(user, fields.I32());
      return true;
    case SyncCommand::Pause:
      if (callbacks && callbacks->pause) callbacks->pause(user, fields.U8());
      return true;
    case SyncCommand::SaveTracks: SyncSaveTracks(device); return true;
    default: return false;
  }
}

// Moves what the editor has sent so far into device.received, never waiting, until it holds
// `limit` bytes. False when the editor closed the link or it failed.
bool ReceiveAvailable(SyncDevice& device, size_t limit) {
  uint8_t chunk[4096];
  while (device.received.size() < limit) {
    const size_t wanted = std::min(sizeof(chunk), limit - device.received.size());
    const ssize_t got = recv(device.socket.Descriptor(), chunk, wanted, MSG_DONTWAIT);
    if (got > 0) {
      device.received.insert(device.received.end(), chunk, chunk + got);
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
  }
  return true;
}

// Applies the whole commands at the front of device.received, at most the device's cap; the
// part of a command still on its way stays for a later frame. False drops the link.
bool ApplyReceived(SyncDevice& device, const SyncCallbacks* callbacks, void* user,
                   size_t& consumed) {
  const std::vector<uint8_t>& bytes = device.received;
  size_t at = 0;
  bool keep = true;
  for (int applied = 0; applied < device.max_commands_per_frame && at < bytes.size(); ++applied) {
    const uint8_t command = bytes[at];
    const int body = CommandBodySize(command);
    if (body < 0) {
      std::fprintf(stderr, "unknown cmd: %02x\n", command);
      keep = false;
      break;
    }
    if (bytes.size() - at < 1 + static_cast<size_t>(body)) break;
    keep = ApplyCommand(device, command, CommandFields(bytes.data() + at + 1), callbacks, user);
    at += 1 + static_cast<size_t>(body);
    if (!keep) break;
  }
  device.received.erase(device.received.begin(),
                        device.received.begin() + static_cast<ptrdiff_t>(at));
  consumed = at;
  return keep;
}

// A command must arrive whole within the device's message timeout of its first byte. `fresh`
// tells that the bytes waiting now begin a command that was not waiting before.
bool MessageOverdue(SyncDevice& device, bool fresh) {
  if (device.received.empty()) return false;
  if (fresh) {
    device.received_since = SteadyClock::now();
    return false;
  }
  const auto deadline = device.received_since + std::chrono::milliseconds(device.io_timeout_ms);
  return MillisecondsUntil(deadline) == 0;
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
  device.received.clear();
  // The editor sends every key anew, so the keys held so far go.
  for (const auto& track : device.tracks) track->keys.clear();
  device.edited_tracks.clear();
  for (const auto& track : device.tracks) {
    if (!SendGetTrack(device, *track, MillisecondsUntil(deadline))) return DropLink(device);
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
  // The commands that have arrived are applied before the row is reported; the frame never
  // waits for the editor, and a flood of commands is spread over several frames.
  const bool was_empty = device.received.empty();
  const size_t limit = kLongestCommand * static_cast<size_t>(device.max_commands_per_frame);
  const bool open = ReceiveAvailable(device, limit);
  size_t consumed = 0;
  if (!ApplyReceived(device, callbacks, user, consumed) || !open) return DropLink(device);
  if (MessageOverdue(device, was_empty || consumed > 0)) return DropLink(device);
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
  if (!SendGetTrack(device, track, device.io_timeout_ms)) DropLink(device);
  return 0;
}
