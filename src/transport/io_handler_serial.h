// The serial transport: the connection settings mapped onto a TComPort. Each system read takes
// whatever the line has pending into an input buffer of the transport's own, with a 100 ms wait
// for the first byte; the reads hand out bytes from that buffer exactly as a read of one byte at
// a time would, and the overall read time-out is measured in elapsed real time.
#pragma once

#include <memory>

#include "platform/serial_port.h"
#include "transport/input_buffer.h"
#include "transport/io_handler.h"

namespace qx {

class kIOHandler_Serial : public kIOHandler {
 public:
  // Longest pause a read waits for one byte before it looks at the clock.
  static constexpr uint32_t kByteWaitMs = 100;
  // A ReadUpTo whose peer never pauses and never sends a terminator still ends, as a time-out,
  // once twice the read time-out has passed or kReadUpToMaxChars characters have arrived.
  static constexpr int kReadUpToTimeoutFactor = 2;
  // One system read takes at most this much; the input buffer never holds more.
  static constexpr uint32_t kInputChunk = 4096;

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
  // Discards the transport's input buffer and the port's queues.
  void ClearBuffers() override;
  // Sends the text in Windows-1252; characters it lacks go out as '?'.
  bool Write(StringView aMessage) override;
  String ReadUpTo(const ByteList& aChars) override;
  String ReadChars(int32_t aCharsNum) override;
  // Raises "ReadAll Unsupported".
  String ReadAll() override;
  String DecodeError(int32_t aErrorCode) override;
  // Bytes in the transport's input buffer or waiting at the port.
  bool InputBufferContainsData() override;
  void SetParameter(StringView aName, StringView aValue) override;
  String ClassName() const override { return u"kIOHandler_Serial"; }
  bool LinkDropped() override { return fComPort->LineLost(); }
  // "COM" + number, or the device path the configuration gave.
  String LinkName() const override { return fComPort->PortName(); }

  TComPort& ComPort() { return *fComPort; }

 private:
  // True when the input buffer holds bytes; reads the port (waiting at most 100 ms) only when
  // it is empty; with aLogErrors, logs "Read Error" when that read reports error flags.
  bool FillInput(bool aLogErrors);

  std::unique_ptr<TComPort> fComPort;
  InputBuffer fInput;
};

}  // namespace qx
