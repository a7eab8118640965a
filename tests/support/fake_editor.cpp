#include "support/fake_editor.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

void AppendBigEndian(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

bool ReadExactly(int fd, void* data, size_t size, int timeout_ms) {
  auto* bytes = static_cast<uint8_t*>(data);
  while (size > 0) {
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, timeout_ms) <= 0) return false;
    ssize_t got = recv(fd, bytes, size, 0);
    if (got <= 0) return false;
    bytes += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

void SendPieces(int fd, const std::vector<uint8_t>& bytes, size_t piece) {
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
  if (piece == 0) piece = bytes.size();
  for (size_t offset = 0; offset < bytes.size(); offset += piece) {
    if (offset > 0) std::this_thread::sleep_for(std::chrono::milliseconds(15));
    size_t size = std::min(piece, bytes.size() - offset);
    send(fd, bytes.data() + offset, size, MSG_NOSIGNAL);
  }
}

}  // namespace

FakeEditor::FakeEditor(const std::string& address, uint16_t port) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  inet_pton(AF_INET, address.c_str(), &local.sin_addr);
  int one = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
  if (bind(listener_, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 || listen(listener_, 4) != 0) {
    ADD_FAILURE() << "fake editor cannot listen on " << address;
    return;
  }
  socklen_t length = sizeof(local);
  getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length);
  port_ = ntohs(local.sin_port);
}

FakeEditor::~FakeEditor() {
  if (helper_.joinable()) helper_.join();
  Disconnect();
  if (listener_ >= 0) close(listener_);
}

void FakeEditor::AcceptAsync(std::string answer, size_t piece) {
  Disconnect();
  greeting_ok_ = false;
  helper_ = std::thread([this, answer, piece] {
    pollfd entry{listener_, POLLIN, 0};
    if (poll(&entry, 1, 2000) <= 0) return;
    peer_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    char greeting[19];
    greeting_ok_ = peer_ >= 0 && ReadExactly(peer_, greeting, sizeof(greeting), 2000) &&
                   std::memcmp(greeting, "hello, synctracker!", sizeof(greeting)) == 0;
    if (greeting_ok_) SendPieces(peer_, std::vector<uint8_t>(answer.begin(), answer.end()), piece);
  });
}

bool FakeEditor::FinishAccept() {
  if (helper_.joinable()) helper_.join();
  return greeting_ok_;
}

void FakeEditor::Send(const std::vector<uint8_t>& bytes) {
  ASSERT_EQ(send(peer_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
}

void FakeEditor::SendInPiecesAsync(const std::vector<uint8_t>& bytes, size_t piece) {
  helper_ = std::thread([this, bytes, piece] { SendPieces(peer_, bytes, piece); });
}

void FakeEditor::FinishSend() {
  if (helper_.joinable()) helper_.join();
}

void FakeEditor::Disconnect() {
  if (peer_ >= 0) close(peer_);
  peer_ = -1;
}

std::vector<uint8_t> FakeEditor::Receive(size_t size) {
  std::vector<uint8_t> bytes(size);
  EXPECT_TRUE(ReadExactly(peer_, bytes.data(), size, 1000)) << "the player sent fewer than " << size << " bytes";
  return bytes;
}

bool FakeEditor::HasData(int timeout_ms) {
  pollfd entry{peer_, POLLIN, 0};
  return poll(&entry, 1, timeout_ms) > 0;
}

std::string FakeEditor::ReceiveGetTrack() {
  std::vector<uint8_t> head = Receive(5);
  EXPECT_EQ(head[0], 2) << "expected a GetTrack command";
  uint32_t length = uint32_t{head[1]} << 24 | uint32_t{head[2]} << 16 | uint32_t{head[3]} << 8 | head[4];
  if (length > 1024) return "<bad length>";
  std::vector<uint8_t> name = Receive(length);
  return std::string(name.begin(), name.end());
}

int32_t FakeEditor::ReceiveSetRow() {
  std::vector<uint8_t> message = Receive(5);
  EXPECT_EQ(message[0], 3) << "expected a SetRow command";
  return static_cast<int32_t>(uint32_t{message[1]} << 24 | uint32_t{message[2]} << 16 |
                              uint32_t{message[3]} << 8 | message[4]);
}

std::vector<uint8_t> FakeEditor::SetKey(uint32_t track, int32_t row, float value, uint8_t type) {
  std::vector<uint8_t> bytes{0};
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof(bits));
  AppendBigEndian(bytes, track);
  AppendBigEndian(bytes, static_cast<uint32_t>(row));
  AppendBigEndian(bytes, bits);
  bytes.push_back(type);
  return bytes;
}

std::vector<uint8_t> FakeEditor::DeleteKey(uint32_t track, int32_t row) {
  std::vector<uint8_t> bytes{1};
  AppendBigEndian(bytes, track);
  AppendBigEndian(bytes, static_cast<uint32_t>(row));
  return bytes;
}

std::vector<uint8_t> FakeEditor::SetRow(int32_t row) {
  std::vector<uint8_t> bytes{3};
  AppendBigEndian(bytes, static_cast<uint32_t>(row));
  return bytes;
}

std::vector<uint8_t> FakeEditor::Pause(uint8_t flag) { return {4, flag}; }

std::vector<uint8_t> FakeEditor::SaveTracks() { return {5}; }

int CountOpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}
