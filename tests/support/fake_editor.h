#pragma once
// A stand-in for the sync editor: listens on a loopback address (on an ephemeral port unless one
// is given), answers the greeting on a helper thread (the player blocks until it has the answer),
// then talks to the player from the test's own thread.

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class FakeEditor {
 public:
  explicit FakeEditor(const std::string& address = "127.0.0.1", uint16_t port = 0);
  ~FakeEditor();

  uint16_t Port() const { return port_; }

  // Accepts the next connection on a helper thread, reads the 19-byte greeting and answers with
  // `answer`, sent in pieces of `piece` bytes (0: at once) a little apart.
  void AcceptAsync(std::string answer = "hello, demo!", size_t piece = 0);
  // Waits for the helper thread; true when the player's greeting was right.
  bool FinishAccept();

  void Send(const std::vector<uint8_t>& bytes);
  // Sends the bytes in separate TCP segments of `piece` bytes from a helper thread.
  void SendInPiecesAsync(const std::vector<uint8_t>& bytes, size_t piece);
  void FinishSend();
  void Disconnect();

  // Reads exactly `size` bytes or fails the test after a second.
  std::vector<uint8_t> Receive(size_t size);
  // True when the player sent something within `timeout_ms`.
  bool HasData(int timeout_ms);
  // Reads one GetTrack request and returns the name.
  std::string ReceiveGetTrack();
  // Reads one SetRow message and returns the row.
  int32_t ReceiveSetRow();

  static std::vector<uint8_t> SetKey(uint32_t track, int32_t row, float value, uint8_t type);
  static std::vector<uint8_t> DeleteKey(uint32_t track, int32_t row);
  static std::vector<uint8_t> SetRow(int32_t row);
  static std::vector<uint8_t> Pause(uint8_t flag);
  static std::vector<uint8_t> SaveTracks();

 private:
  int listener_ = -1;
  int peer_ = -1;
  uint16_t port_ = 0;
  bool greeting_ok_ = false;
  std::thread helper_;
};

// Number of open descriptors of this process.
int CountOpenDescriptors();
