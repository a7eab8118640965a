#include "system/tcp_socket.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

using SteadyClock = std::chrono::steady_clock;

bool SetBlocking(int fd, bool blocking) {
  int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0) return false;
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return fcntl(fd, F_SETFL, flags) == 0;
}

// Waits for `events` on fd, retrying when a signal interrupts the wait.
bool WaitFor(int fd, short events, int timeout_ms) {
  pollfd entry{fd, events, 0};
  auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int ready = poll(&entry, 1, timeout_ms);
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
    timeout_ms = MillisecondsUntil(deadline);
  }
}

// A non-blocking connect so that an unreachable host costs at most the time left.
int ConnectOne(const TcpAddress& address, SteadyClock::time_point deadline) {
  int fd = socket(address.family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  bool connected = false;
  if (SetBlocking(fd, false)) {
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0) {
      connected = true;
    } else if (errno == EINPROGRESS && WaitFor(fd, POLLOUT, MillisecondsUntil(deadline))) {
      int error = 0;
      socklen_t length = sizeof(error);
      connected = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
  }
  if (connected && SetBlocking(fd, true)) return fd;
  close(fd);
  return -1;
}

}  // namespace

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

TcpSocket::~TcpSocket() { Close(); }

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

std::vector<TcpAddress> ResolveTcpHost(const std::string& host, uint16_t port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return {};
  std::vector<TcpAddress> addresses;
  for (addrinfo* entry = found; entry; entry = entry->ai_next) {
    if (entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
    TcpAddress address;
    std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
    address.length = entry->ai_addrlen;
    address.family = entry->ai_family;
    addresses.push_back(address);
  }
  freeaddrinfo(found);
  return addresses;
}

TcpSocket TcpSocket::Connect(const std::vector<TcpAddress>& addresses, int timeout_ms) {
  auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
  for (const TcpAddress& address : addresses) {
    if (MillisecondsUntil(deadline) == 0) break;
    int fd = ConnectOne(address, deadline);
    if (fd >= 0) return TcpSocket(fd);
  }
  return {};
}

void TcpSocket::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool TcpSocket::IsReadable() const {
  if (fd_ < 0) return false;
  pollfd entry{fd_, POLLIN, 0};
  return poll(&entry, 1, 0) > 0 && (entry.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

bool TcpSocket::SendAll(const void* data, size_t size, int timeout_ms) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (fd_ >= 0 && size > 0) {
    // Without waiting, so that a peer that stopped reading cannot hold the caller forever.
    ssize_t sent = send(fd_, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!WaitFor(fd_, POLLOUT, timeout_ms)) return false;
      continue;
    }
    if (sent <= 0) return false;
    bytes += sent;
    size -= static_cast<size_t>(sent);
  }
  return fd_ >= 0;
}

bool TcpSocket::ReceiveAll(void* data, size_t size, int timeout_ms) {
  auto* bytes = static_cast<uint8_t*>(data);
  while (fd_ >= 0 && size > 0) {
    if (!WaitFor(fd_, POLLIN, timeout_ms)) return false;
    ssize_t received = recv(fd_, bytes, size, 0);
    if (received < 0 && errno == EINTR) continue;
    if (received <= 0) return false;
    bytes += received;
    size -= static_cast<size_t>(received);
  }
  return fd_ >= 0;
}
