#pragma once
// The sync device: every sync track the production opened, in the order of first request, with
// their keys either read from track files (file mode, through the data file facility) or sent
// live by the sync editor over TCP (client mode, track files then read and written as plain
// files). The editor link is in sync_link.h, loading and saving tracks in sync_track_file.h.
//
// What it does not do: it keeps no clock. Music owns the device, opens tracks through it
// (SyncGetTrack), samples them at its current row (by name with SyncSampleTrack, or through a
// track it found once), runs the editor link once a frame (SyncUpdate, then SyncReconnect when
// the link failed) and, when it goes, saves the tracks the editor changed
// (SyncSaveEditedTracks). Music also defines the program-wide `sync_callbacks` table: its three player-control callbacks followed by
// SyncOpenCallback, SyncReadCallback and SyncCloseCallback.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "system/tcp_socket.h"
#include "util/music/sync_track.h"

// Track-file access: open (path, mode) -> handle or null; read (destination, size, count,
// handle) -> bytes read; close (handle) -> 0.
using SyncOpenFunction = void* (*)(const char* path, const char* mode);
using SyncReadFunction = size_t (*)(void* destination, size_t size, size_t count, void* handle);
using SyncCloseFunction = int (*)(void* handle);

// Player control for the editor link (each takes the user pointer given to SyncUpdate), then
// track-file access for file mode. Any of the first three may be null.
struct SyncCallbacks {
  void (*pause)(void* user, int flag) = nullptr;
  void (*set_row)(void* user, int row) = nullptr;
  int (*is_playing)(void* user) = nullptr;
  SyncOpenFunction open = nullptr;
  SyncReadFunction read = nullptr;
  SyncCloseFunction close = nullptr;
};

constexpr const char* kSyncBasePath = "data/sync_tracker/";
constexpr uint16_t kSyncEditorPort = 1338;

// Values of SyncDevice::client.
namespace SyncMode {
enum : uint32_t {
  Files = 0,   // keys from track files, read through the data file facility
  Editor = 1,  // keys live from the sync editor
};
}

struct SyncDevice {
  // File mode reads through the memory-file callbacks, client mode through the C library.
  SyncDevice(std::string base_path, uint32_t client);
  ~SyncDevice();
  SyncDevice(const SyncDevice&) = delete;
  SyncDevice& operator=(const SyncDevice&) = delete;

  std::string base_path;
  std::vector<std::unique_ptr<SyncTrack>> tracks;  // the editor's track index is the position
  // Tracks whose keys the editor set or deleted since the last connection: the ones worth
  // saving at shut-down, as every other track is empty or as its file already holds it.
  std::unordered_set<const SyncTrack*> edited_tracks;
  std::unordered_map<std::string, SyncTrack*> track_index;  // by exact name
  int32_t last_row_sent = -1;
  TcpSocket socket;
  std::string editor_host;        // the host the link (re)connects to
  std::vector<TcpAddress> editor_addresses;  // its addresses, looked up once
  uint16_t editor_port = kSyncEditorPort;
  int connect_timeout_ms = 100;   // longest a reconnection (connect and greeting) may hold up a frame
  int first_connect_timeout_ms = 3000;  // the first connection happens once, while loading
  // Longest time for the rest of a command already begun to arrive (the frames go on
  // meanwhile), or for an editor that stopped reading to take what is sent.
  int io_timeout_ms = 1000;
  int max_commands_per_frame = 1024;  // the rest wait for the next frames
  std::vector<uint8_t> received;      // editor bytes not yet applied
  std::chrono::steady_clock::time_point received_since;  // when the first of them arrived
  SyncOpenFunction open = nullptr;
  SyncReadFunction read = nullptr;
  SyncCloseFunction close = nullptr;
  uint32_t client = SyncMode::Files;
};

// The open track of that exact name, or null.
SyncTrack* SyncFindTrack(const SyncDevice& device, const std::string& name);

// The named track, created and loaded on first request (from its file, or requested from the
// editor). A loaded track without keys gets the key {0, default, Step}. Null when the name is
// too long for a track file or the file cannot be read; the new track then stays in the device.
SyncTrack* SyncGetTrack(SyncDevice& device, const std::string& name, float default_value);

// The named track's value at the row; throws std::runtime_error for a name never opened.
float SyncSampleTrack(const SyncDevice& device, const std::string& name, double row);
