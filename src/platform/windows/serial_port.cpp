// Serial ports through the Windows communications API: "\\.\COMn" opened without sharing, the
// line set with SetCommState, reads bounded with SetCommTimeouts (the whole read by the time-out,
// the gap between two bytes by 100 ms), and no software flow control or error character, so every
// byte of the protocol passes unchanged; hardware flow control stays as the system had it.
#include "platform/serial_port.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/windows/system_text.h"

namespace qx {

namespace platform {

String SerialDevicePath(uint32_t aComNumber) {
  const String variable = EnvironmentVariable(u"QX_COM" + IntToStr(aComNumber));
  if (!variable.empty()) return variable;
  if (aComNumber == 0) return String();
  return u"\\\\.\\COM" + IntToStr(aComNumber);
}

}  // namespace platform

namespace {

constexpr DWORD kIntervalMs = 100;        // longest pause between two bytes of one read
constexpr int64_t kWriteMarginMs = 2000;  // beyond the transmission time of a write
constexpr int64_t kDrainMarginMs = 500;   // beyond the transmission time of what is queued

// Milliseconds that aBytes take on the line, counting a generous 12 bits per character.
int64_t TransmitMs(int64_t aBytes, uint32_t aBaud) {
  if (aBaud == 0) aBaud = 9600;
  return aBytes * 12 * 1000 / aBaud + 1;
}

// The errors of a port whose device went away (a USB adapter unplugged): the handle stays but
// every operation on it fails.
bool IsLostLineError(DWORD aError) {
  return aError == ERROR_ACCESS_DENIED || aError == ERROR_BAD_COMMAND || aError == ERROR_GEN_FAILURE ||
         aError == ERROR_INVALID_HANDLE || aError == ERROR_DEVICE_NOT_CONNECTED || aError == ERROR_DEVICE_REMOVED ||
         aError == ERROR_FILE_NOT_FOUND;
}

HANDLE Handle(intptr_t aHandle) { return reinterpret_cast<HANDLE>(aHandle); }

void ApplyLineParameters(HANDLE aPort, uint32_t baud, uint8_t data, TStopBits stop, TParity parity) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(aPort, &dcb)) throw TComPortException(u"GetCommState failed!");
  if (baud == 0 || data < 5 || data > 8) throw TComPortException(u"SetCommState failed!");
  dcb.BaudRate = baud;
  dcb.ByteSize = data;
  dcb.fBinary = TRUE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  dcb.fDsrSensitivity = FALSE;
  switch (parity) {
    case ptNone: dcb.Parity = NOPARITY; break;
    case ptOdd: dcb.Parity = ODDPARITY; break;
    case ptEven: dcb.Parity = EVENPARITY; break;
    case ptMark: dcb.Parity = MARKPARITY; break;
    case ptSpace: dcb.Parity = SPACEPARITY; break;
  }
  dcb.fParity = parity == ptNone ? FALSE : TRUE;
  switch (stop) {
    case sbOne: dcb.StopBits = ONESTOPBIT; break;
    case sbOneHalf: dcb.StopBits = ONE5STOPBITS; break;
    case sbTwo: dcb.StopBits = TWOSTOPBITS; break;
  }
  if (!::SetCommState(aPort, &dcb)) throw TComPortException(u"SetCommState failed!");
}

// Read time-outs: aReadMs for the whole read with at most kIntervalMs between two bytes, or,
// with kNoTimeout, only what has already come. Writes may take their transmission time plus a
// margin.
bool ApplyTimeouts(HANDLE aPort, uint32_t aReadMs, uint32_t aBaud) {
  COMMTIMEOUTS t{};
  if (aReadMs == TComPort::kNoTimeout) {
    t.ReadIntervalTimeout = MAXDWORD;
  } else {
    t.ReadIntervalTimeout = kIntervalMs;
    t.ReadTotalTimeoutConstant = std::max<uint32_t>(aReadMs, 1);
  }
  t.WriteTotalTimeoutMultiplier = static_cast<DWORD>(TransmitMs(1, aBaud));
  t.WriteTotalTimeoutConstant = static_cast<DWORD>(kWriteMarginMs);
  return ::SetCommTimeouts(aPort, &t) != 0;
}

}  // namespace

void TComPort::Open() {
  const String path = fDevicePath.empty() ? platform::SerialDevicePath(fComNumber) : fDevicePath;
  if (path.empty() || platform::HasInvalidPathChars(path))
    throw TComPortException(PortName() + u" is not a valid COM port.");
  HANDLE port = ::CreateFileW(platform::Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      throw TComPortException(PortName() + u" is not a valid COM port.");
    throw TComPortException(u"Cannot open " + PortName() + u" (error #" + IntToStr(error) + u").");
  }
  try {
    ApplyLineParameters(port, fBaudRate, fDataBits, fStopBits, fParity);
    if (!ApplyTimeouts(port, kNoTimeout, fBaudRate)) throw TComPortException(u"SetCommTimeouts failed!");
  } catch (...) {
    ::CloseHandle(port);
    throw;
  }
  ::PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
  // A second Open on an open port takes the new device and lets the old one go.
  if (fIsOpen) ::CloseHandle(Handle(fComHandle));
  fComHandle = reinterpret_cast<intptr_t>(port);
  fIsOpen = true;
  fCurrentComTimeout = kNoTimeout;
  fOpenedPath = path;
  fLineLost = false;
}

void TComPort::Close() {
  if (fIsOpen) {
    WaitOutputDrained();
    ::PurgeComm(Handle(fComHandle), PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    ::CloseHandle(Handle(fComHandle));
  }
  fComHandle = -1;
  fIsOpen = false;
  fOpenedPath.clear();
  fLineLost = false;
}

int32_t TComPort::Read(void* buffer, uint32_t nbytes, uint32_t timeout, uint32_t& ErrorCode) {
  if (!fIsOpen) throw TComPortException(u"Cannot read because COM port is not open.");
  const HANDLE port = Handle(fComHandle);
  if (timeout != 0 && timeout != fCurrentComTimeout) {
    if (!ApplyTimeouts(port, timeout, fBaudRate)) throw TComPortException(u"SetCommTimeouts failed!");
    fCurrentComTimeout = timeout;
  }
  const int64_t wait = fCurrentComTimeout == kNoTimeout ? 0 : fCurrentComTimeout;
  const int64_t deadline = platform::MonotonicMs() + wait;
  DWORD got = 0;
  if (::ReadFile(port, buffer, nbytes, &got, nullptr)) return static_cast<int32_t>(got);
  ErrorCode = ::GetLastError();
  if (IsLostLineError(ErrorCode)) fLineLost = true;
  DWORD errors = 0;
  ::ClearCommError(port, &errors, nullptr);
  if (got > 0) return static_cast<int32_t>(got);
  // A failure returns no sooner than the time-out, so a broken line cannot make a read loop spin.
  platform::SleepMs(deadline - platform::MonotonicMs());
  return -1;
}

int32_t TComPort::ReadPending(void* buffer, uint32_t nbytes, uint32_t timeout, uint32_t& ErrorCode) {
  if (nbytes == 0) return 0;
  // The wait for the first byte is Read's; whatever arrived with it is pending in the driver's
  // queue and is taken by a second read that does not wait.
  const int32_t first = Read(buffer, 1, timeout, ErrorCode);
  if (first <= 0) return first;
  const int32_t pending = std::min<int32_t>(GetBytesPending(), static_cast<int32_t>(nbytes - 1));
  if (pending <= 0) return first;
  const int32_t more = Read(static_cast<char*>(buffer) + 1, static_cast<uint32_t>(pending), timeout, ErrorCode);
  return more > 0 ? first + more : first;
}

uint32_t TComPort::PortWrite(const void* buffer, uint32_t count) {
  if (!fIsOpen) throw TComPortException(u"Cannot write because COM port is not open.");
  DWORD written = 0;
  if (!::WriteFile(Handle(fComHandle), buffer, count, &written, nullptr) || written != count) {
    if (IsLostLineError(::GetLastError())) fLineLost = true;
    DWORD errors = 0;
    ::ClearCommError(Handle(fComHandle), &errors, nullptr);
    throw TComPortException(u"Write to com port failed.");
  }
  return written;
}

void TComPort::SetLineParameters(uint32_t baud, uint8_t data, TStopBits stop, TParity parity) {
  ApplyLineParameters(Handle(fComHandle), baud, data, stop, parity);
  fBaudRate = baud;
  fDataBits = data;
  fStopBits = stop;
  fParity = parity;
  // The write time-out follows the speed.
  ApplyTimeouts(Handle(fComHandle), fCurrentComTimeout, fBaudRate);
}

int32_t TComPort::GetBytesPending() const {
  if (!fIsOpen) return 0;
  DWORD errors = 0;
  COMSTAT status{};
  if (!::ClearCommError(Handle(fComHandle), &errors, &status)) return 0;
  return static_cast<int32_t>(std::min<DWORD>(status.cbInQue, 0x7FFFFFFF));
}

void TComPort::ClearBuffers() {
  if (!fIsOpen) return;
  WaitOutputDrained();
  // Only what came in is discarded: bytes a finished Write handed over are the printer's.
  if (!::PurgeComm(Handle(fComHandle), PURGE_RXCLEAR | PURGE_RXABORT)) {
    if (IsLostLineError(::GetLastError())) fLineLost = true;
    throw TComPortException(u"PurgeComm failed!");
  }
}

bool TComPort::LineLost() {
  if (!fIsOpen) return false;
  // The handle of a removed device refuses even the question for its errors.
  DWORD errors = 0;
  COMSTAT status{};
  if (!fLineLost && !::ClearCommError(Handle(fComHandle), &errors, &status) && IsLostLineError(::GetLastError()))
    fLineLost = true;
  return fLineLost;
}

void TComPort::SetModemLine(int aLine, bool aAssert, const char16_t* aName) {
  if (!fIsOpen) throw TComPortException(String(aName) + u" failed because COM port not open.");
  // aLine is SETDTR or SETRTS; the matching CLR code follows each (SETDTR 5, CLRDTR 6; SETRTS 3,
  // CLRRTS 4). Ports without modem lines refuse, which is not a port failure.
  ::EscapeCommFunction(Handle(fComHandle), static_cast<DWORD>(aAssert ? aLine : aLine + 1));
}

void TComPort::SetDTR(bool aAssert) { SetModemLine(SETDTR, aAssert, u"SetDTR"); }

void TComPort::SetRTS(bool aAssert) { SetModemLine(SETRTS, aAssert, u"SetRTS"); }

void TComPort::WaitOutputDrained() const {
  const HANDLE port = Handle(fComHandle);
  DWORD errors = 0;
  COMSTAT status{};
  if (!::ClearCommError(port, &errors, &status) || status.cbOutQue == 0) return;
  const int64_t deadline = platform::MonotonicMs() + TransmitMs(status.cbOutQue, fBaudRate) + kDrainMarginMs;
  while (status.cbOutQue > 0) {
    const int64_t left = deadline - platform::MonotonicMs();
    if (left <= 0) return;
    platform::SleepMs(std::min(left, TransmitMs(status.cbOutQue, fBaudRate)));
    if (!::ClearCommError(port, &errors, &status)) return;
  }
}

}  // namespace qx
