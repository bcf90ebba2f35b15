// The serial transport: the connection settings mapped onto a TComPort, reads one byte at a
// time with a 100 ms wait per byte, the overall read time-out measured in elapsed real time.
#pragma once

#include <memory>

#include "platform/serial_port.h"
#include "transport/io_handler.h"

namespace qx {

class kIOHandler_Serial : public kIOHandler {
 public:
  // Longest pause a read waits for one byte before it looks at the clock.
  static constexpr uint32_t kByteWaitMs = 100;
  // A ReadUpTo whose peer never pauses and never sends a terminator still ends, as a time-out,
  // once twice the read time-out has passed or kReadUpToMaxChars characters have arrived.
  static constexpr int kReadUpToTimeoutFactor = 2;

  // The SerialPort text is "COM" + number (characters 4 to 6 read as the number; a text without
  // one raises the integer conversion's message) or a device path starting with "/". Parity
  // other than None, Even and Odd raises "Parity invalid"; stop bits other than 1 and 2 raise
  // "Stop Bits <n> invalid". The port is not opened here.
  kIOHandler_Serial(const kConnection& aConnection, StringView aDirectory, StringView aFileName);
  ~kIOHandler_Serial() override;

  bool GetConnected() override;
  // Banner lines, then opens the port; an open failure is raised.
  bool Connect() override;
  bool Disconnect() override;
  void ClearBuffers() override;
  // Sends the text in Windows-1252; characters it lacks go out as '?'.
  bool Write(StringView aMessage) override;
  String ReadUpTo(const ByteList& aChars) override;
  String ReadChars(int32_t aCharsNum) override;
  // Raises "ReadAll Unsupported".
  String ReadAll() override;
  String DecodeError(int32_t aErrorCode) override;
  bool InputBufferContainsData() override;
  void SetParameter(StringView aName, StringView aValue) override;
  String ClassName() const override { return u"kIOHandler_Serial"; }

  TComPort& ComPort() { return *fComPort; }

 private:
  std::unique_ptr<TComPort> fComPort;
};

}  // namespace qx
