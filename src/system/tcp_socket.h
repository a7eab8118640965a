#pragma once
// A thin owner of one connected TCP client socket (POSIX). Connecting never holds up the caller
// longer than its timeout; sends never raise SIGPIPE; receives collect whole fields.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/socket.h>
#include <vector>

// One resolved address of a host, kept so that connecting again needs no new name lookup
// (which, unlike the connect, cannot be bounded in time).
struct TcpAddress {
  sockaddr_storage storage{};
  socklen_t length = 0;
  int family = 0;
};

// Whole milliseconds from now to the deadline, 0 once it has passed: the timeout for a wait
// that must end by then.
int MillisecondsUntil(std::chrono::steady_clock::time_point deadline);

// Every address of the host for the port, in the resolver's order; empty when it has none.
std::vector<TcpAddress> ResolveTcpHost(const std::string& host, uint16_t port);

class TcpSocket {
 public:
  TcpSocket() = default;
  ~TcpSocket();
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;
  TcpSocket(TcpSocket&& other) noexcept;
  TcpSocket& operator=(TcpSocket&& other) noexcept;

  // Tries each address in turn until one connects, all within timeout_ms.
  static TcpSocket Connect(const std::vector<TcpAddress>& addresses, int timeout_ms);

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  void Close();

  // True when data (or the end of the stream) is waiting; never blocks.
  bool IsReadable() const;
  // Sends every byte, waiting at most timeout_ms each time the peer's window is full; false
  // on any failure or the timeout.
  bool SendAll(const void* data, size_t size, int timeout_ms);
  // Receives exactly `size` bytes, however the stream splits them, waiting at most timeout_ms
  // for each piece; false on the end of the stream, an error or the timeout.
  bool ReceiveAll(void* data, size_t size, int timeout_ms);

 private:
  explicit TcpSocket(int fd) : fd_(fd) {}
  int fd_ = -1;
};
