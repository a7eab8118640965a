// Fuzzes the sync editor link with the bytes an editor sends. Each input is one connection: a
// peer on a local socket answers the greeting, sends the input and closes; the link applies
// it frame by frame until it drops the link. Key edits must leave every track in ascending
// rows, saves go to a scratch folder, and nothing may read outside a buffer or hang.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "fuzz_support.h"
#include "util/music/sync_device.h"
#include "util/music/sync_link.h"

namespace {

// The scratch folder of the saved tracks and the listening socket, under the working folder.
const std::string kFolder = "build/fuzz_sync_link/scratch/";

struct Player {
  bool paused = false;
  int row = 0;
};

const SyncCallbacks kCallbacks = [] {
  SyncCallbacks callbacks;
  callbacks.pause = [](void* user, int flag) { static_cast<Player*>(user)->paused = flag != 0; };
  callbacks.set_row = [](void* user, int row) { static_cast<Player*>(user)->row = row; };
  callbacks.is_playing = [](void* user) { return static_cast<Player*>(user)->paused ? 0 : 1; };
  return callbacks;
}();

// A listening local stream socket, made once for the whole run.
class Listener {
 public:
  Listener() {
    std::string path = kFolder + "editor.sock";
    unlink(path.c_str());
    address_.family = AF_UNIX;
    auto* local = reinterpret_cast<sockaddr_un*>(&address_.storage);
    local->sun_family = AF_UNIX;
    std::strncpy(local->sun_path, path.c_str(), sizeof(local->sun_path) - 1);
    address_.length = sizeof(sockaddr_un);
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(local), address_.length) != 0 ||
        listen(fd_, 4) != 0)
      __builtin_trap();
  }
  const TcpAddress& Address() const { return address_; }

  // Accepts one connection, answers the greeting, sends the bytes and closes.
  void Serve(const uint8_t* data, size_t size) const {
    const int peer = accept(fd_, nullptr, nullptr);
    if (peer < 0) return;
    char greeting[sizeof(kSyncClientGreeting) - 1];
    if (recv(peer, greeting, sizeof(greeting), MSG_WAITALL) == sizeof(greeting)) {
      send(peer, kSyncEditorGreeting, sizeof(kSyncEditorGreeting) - 1, MSG_NOSIGNAL);
      send(peer, data, size, MSG_NOSIGNAL);
    }
    close(peer);
  }

 private:
  TcpAddress address_;
  int fd_ = -1;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string make_folder = "mkdir -p " + kFolder;
  return std::system(make_folder.c_str());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Listener listener;
  SyncDevice device(kFolder, SyncMode::Editor);
  device.editor_host = "fuzz editor";
  device.editor_addresses = {listener.Address()};
  device.max_commands_per_frame = 16;  // so that long inputs span frames
  for (const char* name : {"a", "b", "c"}) SyncGetTrack(device, name, 1.0f);
  std::thread peer([&] { listener.Serve(data, size); });
  Player player;
  if (SyncReconnect(device) == 0) {
    // The peer closes after sending, so the link drops once everything has arrived.
    for (int frame = 0; frame < 100000; ++frame)
      if (SyncUpdate(device, frame, &kCallbacks, &player) != 0) break;
  }
  peer.join();
  for (const auto& track : device.tracks) {
    for (size_t k = 1; k < track->keys.size(); ++k)
      if (track->keys[k].row <= track->keys[k - 1].row) __builtin_trap();
    (void)SyncGetValue(track.get(), player.row);
  }
  return 0;
}
