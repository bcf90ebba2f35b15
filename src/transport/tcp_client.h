// The TCP client under the TCP transport: one connection, a buffer of received bytes that the
// reads take from, and read failures that say whether nothing came, the peer closed, or the
// connection failed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/socket.h"
#include "support/error.h"
#include "support/text.h"
#include "transport/input_buffer.h"

namespace qx {

class TcpReadError : public Error {
 public:
  enum Kind { no_data, peer_closed, failed };
  TcpReadError(Kind aKind, String aMessage) : Error(std::move(aMessage)), fKind(aKind) {}
  Kind ErrorKind() const { return fKind; }

 private:
  Kind fKind;
};

class TcpClient {
 public:
  TcpClient(StringView aHost, uint16_t aPort, int32_t aConnectTimeout);

  const String& Host() const { return fHost; }
  uint16_t Port() const { return fPort; }
  int32_t ConnectTimeout() const { return fConnectTimeout; }
  int32_t ReadTimeout() const { return fReadTimeout; }
  void SetReadTimeout(int32_t aValue) { fReadTimeout = aValue; }

  // Connects within the connect time-out, dropping any earlier connection and its input.
  // False when the time-out passed; other failures raise an Error with the system's text.
  bool Connect();
  void Disconnect();
  // Open and the peer not seen closing; looks at the socket without waiting and never raises.
  bool Connected();
  // Whether the connection was open and is gone: the peer closed or reset it, or a receive or a
  // send failed. Looks at the socket without waiting (bytes that came stay buffered) and never
  // raises. False when not connected.
  bool LinkDropped();
  // What ended the connection, for messages; empty while it stands.
  const String& LostReason() const { return fLostReason; }
  // Discards the buffered input and whatever the system has already received.
  void ClearInput();
  size_t InputSize() const { return fInput.Size(); }
  // The received bytes not yet taken; readers take from it.
  InputBuffer& Input() { return fInput; }

  // Returns at once when bytes are buffered; otherwise waits at most the read time-out for the
  // socket and takes whatever it has. Raises a TcpReadError: no_data, peer_closed or failed.
  void WaitForInput();
  // One byte, from the buffer or after WaitForInput.
  uint8_t ReadByte();
  // Exactly aCount bytes once they are all buffered; each wait is bounded by the read time-out
  // and the whole read by aDeadlineMs (monotonic clock). On failure the bytes stay buffered.
  std::string ReadBytes(size_t aCount, int64_t aDeadlineMs);
  // Sends every byte; raises an Error when not connected or when the send fails. Once the
  // connection is known to be gone nothing more is sent on it: the raised text says why.
  void Write(std::string_view aBytes);

 private:
  // One receive into the buffer within aTimeoutMs; raises as ReadByte does.
  void Fill(int32_t aTimeoutMs);

  String fHost;
  uint16_t fPort;
  int32_t fConnectTimeout;
  int32_t fReadTimeout = 1000;
  platform::TcpSocket fSocket;
  InputBuffer fInput;
  bool fPeerClosed = false;
  String fLostReason;
};

}  // namespace qx
