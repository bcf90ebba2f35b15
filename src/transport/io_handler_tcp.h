// The TCP transport: the same byte stream as the serial line over a TCP connection. Reads take
// bytes from the client's buffer, up to a terminator or a count, and leave the rest there; each
// wait for data is bounded by the read time-out, and the elapsed time is tested as often as a
// read of one byte at a time would.
#pragma once

#include <memory>
#include <vector>

#include "transport/io_handler.h"
#include "transport/tcp_client.h"

namespace qx {

class kIOHandler_TCP : public kIOHandler {
 public:
  // ReadChars gives up, as a time-out, once this many read time-outs have passed in all.
  static constexpr int kReadCharsTimeoutFactor = 2;

  // Host from the connection's Address, port from the low 16 bits of its Port.
  kIOHandler_TCP(const kConnection& aConnection, StringView aDirectory, StringView aFileName);
  ~kIOHandler_TCP() override;

  bool GetConnected() override;
  // Banner lines, then connects unless connected. Never raises: a failure is logged as
  // "Connect Error" with the system's text, a time-out as "Connect Timeout", and gives false.
  bool Connect() override;
  bool Disconnect() override;
  void ClearBuffers() override;
  // U+0000-U+00FF go out as the byte of the same value, anything else as '?', unless CodePage
  // names another code page. Connection failures raise; once the connection is known to be
  // gone (closed or reset by the peer, a failed send) nothing is sent and "Connection lost: "
  // + the reason is raised.
  bool Write(StringView aMessage) override;
  String ReadUpTo(const ByteList& aChars) override;
  String ReadChars(int32_t aCharsNum) override;
  String ReadAll() override;
  String DecodeError(int32_t aErrorCode) override;
  // Bytes already buffered; the socket is not polled.
  bool InputBufferContainsData() override;
  void SetParameter(StringView aName, StringView aValue) override;
  String ClassName() const override { return u"kIOHandler_TCP"; }
  bool LinkDropped() override;
  // Host + ":" + port.
  String LinkName() const override;
  std::string WireBytes(StringView aText) const override {
    return fCodePage == 0 ? ToLatin1(aText) : EncodeCodePage(aText, fCodePage);
  }

  // Logs "Write" with the bytes shown as characters and sends them unchanged.
  bool WriteBytes(const std::vector<uint8_t>& aBytes);
  // Exactly aCount bytes, without logging; raises a TcpReadError when they do not come.
  std::vector<uint8_t> ReadBytes(int32_t aCount);

  TcpClient& TCPClient() { return *fTCPClient; }

 protected:
  String ConnectFailure() const override { return fConnectFailure; }

 private:
  void RefuseWriteOnLostLink() const;

  std::unique_ptr<TcpClient> fTCPClient;
  String fConnectFailure;
};

}  // namespace qx
