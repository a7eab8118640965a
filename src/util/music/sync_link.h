#pragma once
// The sync editor link (client mode): the player is a TCP client of the sync editor, which owns
// the track keys, edits them live, moves and pauses the play position and asks for the tracks to
// be saved; the player reports its current row. Every field is in network byte order.
// With the device in file mode every call returns 0 and does nothing.

#include <cstdint>

#include "util/music/sync_device.h"

// Command bytes on the wire.
namespace SyncCommand {
enum : uint8_t {
  SetKey = 0,      // editor: u32 track, i32 row, u32 value bits, u8 type
  DeleteKey = 1,   // editor: u32 track, i32 row
  GetTrack = 2,    // player: u32 name length, name bytes
  SetRow = 3,      // both: i32 row
  Pause = 4,       // editor: u8 flag
  SaveTracks = 5,  // editor: nothing
};
}

constexpr char kSyncClientGreeting[] = "hello, synctracker!";
constexpr char kSyncEditorGreeting[] = "hello, demo!";

// Connects to the editor on `host` (kept as the device's editor host; empty means this machine)
// at the device's editor port, exchanges the greeting, empties every track and requests all of
// them in device order. 0, or -1 on failure. The host's addresses are looked up here once.
// A host that does not answer is given up after the device's first-connect timeout.
int SyncConnect(SyncDevice& device, const char* host);

// Connects again to the device's editor host, reusing its addresses. It runs once a frame
// while the link is down, so connecting, the greeting and the track requests together stay
// within the device's connect timeout.
int SyncReconnect(SyncDevice& device);

// Applies the editor commands that have arrived (at most the device's cap a frame; a command
// still on its way is kept for a later frame and must be whole within the device's message
// timeout), then reports the row when the player is playing and the row changed. Never waits
// for the editor. 0, or -1 when the link is down or was just lost.
int SyncUpdate(SyncDevice& device, int row, const SyncCallbacks* callbacks, void* user);

// Client mode: requests the track from the editor. A link that is down is not an error: every
// track is requested on the next successful connection. Always 0.
int SyncRequestTrack(SyncDevice& device, const SyncTrack& track);
