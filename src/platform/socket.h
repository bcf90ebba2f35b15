// A TCP client socket: name resolution and connect within one time-out, waits for data and for
// send space that are each bounded, and results that tell a time-out, a closed peer and other
// failures apart. Error texts are the system's, with the error number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "support/text.h"

namespace qx::platform {

enum class SocketStatus { ok, timed_out, closed, failed };

class TcpSocket {
 public:
  TcpSocket() = default;
  ~TcpSocket() { Close(); }
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // Resolves aHost and connects to the first address that answers, all within aTimeoutMs.
  // ok, timed_out, or failed with aErrorText set; the socket is open only after ok.
  SocketStatus Connect(const std::string& aHost, uint16_t aPort, int32_t aTimeoutMs, String& aErrorText);
  bool IsOpen() const { return fHandle >= 0; }
  void Close();

  // Waits at most aTimeoutMs (0: not at all) for data, then receives up to aSize bytes into
  // aBuffer. ok with aReceived > 0, timed_out, closed (the peer ended the stream), or failed.
  SocketStatus Receive(char* aBuffer, size_t aSize, int32_t aTimeoutMs, size_t& aReceived, String& aErrorText);
  // Sends every byte, waiting at most aTimeoutMs each time the system's send queue is full.
  SocketStatus Send(const char* aData, size_t aSize, int32_t aTimeoutMs, String& aErrorText);

 private:
  // A file descriptor on Linux, a SOCKET on Windows; -1 when closed.
  intptr_t fHandle = -1;
};

}  // namespace qx::platform
