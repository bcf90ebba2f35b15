// A serial port opened exclusively by its number (or by its device path), with the four line
// settings, reads that wait a bounded time, writes, purges and a count of waiting bytes.
// Every failure is raised as a TComPortException.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/error.h"
#include "support/text.h"

namespace qx {

enum TParity { ptNone, ptOdd, ptEven, ptMark, ptSpace };
enum TStopBits { sbOne, sbOneHalf, sbTwo };

class TComPortException : public Error {
 public:
  using Error::Error;
};

namespace platform {

// The device that "COMn" stands for: the environment variable QX_COMn when it is set and not
// empty, otherwise the n-th on-board port (/dev/ttyS0 for COM1). Empty when n has no device.
String SerialDevicePath(uint32_t aComNumber);

}  // namespace platform

class TComPort {
 public:
  static constexpr uint32_t kNoTimeout = 0xFFFFFFFFu;

  explicit TComPort(uint32_t ncom);
  TComPort(uint32_t ncom, uint32_t baud);
  TComPort(uint32_t ncom, uint32_t baud, uint8_t data, TStopBits stop, TParity parity);
  // Closes the port when it is open.
  ~TComPort();
  TComPort(const TComPort&) = delete;
  TComPort& operator=(const TComPort&) = delete;

  // A device path to open instead of the one the port number stands for.
  void SetDevicePath(StringView aPath) { fDevicePath = aPath; }
  const String& DevicePath() const { return fDevicePath; }
  // "COM" + number, or the device path when one is set: the name messages and logs show.
  String PortName() const;

  // Opens the port without sharing and applies the stored line settings. A missing device
  // raises "<port> is not a valid COM port."; any other failure, a port already in use
  // included, raises "Cannot open <port> (error #<errno>).".
  void Open();
  // Waits (bounded) for written bytes to leave, discards the queues and closes.
  void Close();
  // Waits at most `timeout` ms for the first byte and at most 100 ms between two bytes; returns
  // the number of bytes read (0 when none came), or -1 with ErrorCode set when the read failed.
  // A failure returns no sooner than the time-out, so a broken line cannot make a read loop spin.
  int32_t Read(void* buffer, uint32_t nbytes, uint32_t timeout, uint32_t& ErrorCode);
  // Waits as Read does for the first byte, then takes whatever has arrived, up to nbytes,
  // without waiting for more: one system read for all the bytes the line has pending.
  int32_t ReadPending(void* buffer, uint32_t nbytes, uint32_t timeout, uint32_t& ErrorCode);
  uint32_t PortWrite(const void* buffer, uint32_t count);
  bool WriteText(std::string_view aText);
  void SetLineParameters(uint32_t baud, uint8_t data, TStopBits stop, TParity parity);
  int32_t GetBytesPending() const;
  void ClearBuffers();
  // Whether the open port's line is gone: it hung up (the other end closed, the adapter was
  // unplugged), a read, write or purge failed the way a vanished device fails, or the device
  // path no longer leads to the device that was opened. Looks without waiting and without
  // taking any byte; never raises. False when the port is not open.
  bool LineLost();
  void SetDTR(bool aAssert);
  void SetRTS(bool aAssert);

  uint32_t ComNumber() const { return fComNumber; }
  uint32_t BaudRate() const { return fBaudRate; }
  uint8_t DataBits() const { return fDataBits; }
  TStopBits StopBits() const { return fStopBits; }
  TParity Parity() const { return fParity; }
  bool ComIsOpen() const { return fIsOpen; }
  static String DriverVersion() { return u"1.0"; }

 private:
  // Lets bytes already written leave the line, for at most their transmission time plus a margin.
  void WaitOutputDrained() const;
  void SetModemLine(int aLine, bool aAssert, const char16_t* aName);

  uint32_t fComNumber;
  uint32_t fBaudRate = 9600;
  uint8_t fDataBits = 8;
  TStopBits fStopBits = sbOne;
  TParity fParity = ptNone;
  intptr_t fComHandle = -1;
  bool fIsOpen = false;
  uint32_t fCurrentComTimeout = kNoTimeout;
  // False where the device keeps no output queue of its own (a pseudo-terminal hands every
  // write over at once), so there is no drain to wait for.
  bool fQueuesOutput = true;
  String fDevicePath;
  // The path the open port was opened by, and whether a failure showed its line gone.
  String fOpenedPath;
  bool fLineLost = false;
};

}  // namespace qx
