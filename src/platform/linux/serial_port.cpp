// termios stand-in for the Windows communications API. The port is a raw byte pipe: no line
// editing, echo, signals, CR/LF translation or software flow control, so every byte of the
// protocol (DC1 included) passes unchanged; hardware flow control stays as the system had it.
#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/clock.h"
#include "platform/file_system.h"

namespace qx {

namespace platform {

String SerialDevicePath(uint32_t aComNumber) {
  const std::string name = "QX_COM" + std::to_string(aComNumber);
  if (const char* value = std::getenv(name.c_str()); value != nullptr && *value != '\0')
    return FromUtf8(value);
  if (aComNumber == 0) return String();
  return u"/dev/ttyS" + IntToStr(static_cast<int64_t>(aComNumber) - 1);
}

}  // namespace platform

namespace {

constexpr int kIntervalMs = 100;       // longest pause between two bytes of one read
constexpr int64_t kWriteMarginMs = 2000;  // beyond the transmission time of a write
constexpr int64_t kDrainMarginMs = 500;   // beyond the transmission time of what is queued

struct SpeedCode {
  uint32_t baud;
  speed_t code;
};

constexpr SpeedCode kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool FindSpeed(uint32_t aBaud, speed_t& aCode) {
  for (const auto& s : kSpeeds) {
    if (s.baud == aBaud) {
      aCode = s.code;
      return true;
    }
  }
  return false;
}

// Milliseconds that aBytes take on the line, counting a generous 12 bits per character.
int64_t TransmitMs(int64_t aBytes, uint32_t aBaud) {
  if (aBaud == 0) aBaud = 9600;
  return aBytes * 12 * 1000 / aBaud + 1;
}

int Fd(intptr_t aHandle) { return static_cast<int>(aHandle); }

// The slave end of a pseudo-terminal (character devices 136-143): its output queue always
// reads as empty, so asking for it before each purge only costs a system call.
bool IsPseudoTerminal(int aFd) {
  struct stat s {};
  return ::fstat(aFd, &s) == 0 && S_ISCHR(s.st_mode) && major(s.st_rdev) >= 136 && major(s.st_rdev) <= 143;
}

// Takes a read's time-out into the port's programmed one (0 keeps it) and gives the read's
// deadline. With no time-out ever given, a read takes only what is already there.
int64_t ReadDeadline(uint32_t& aCurrent, uint32_t aTimeout) {
  if (aTimeout != 0 && aTimeout != aCurrent) aCurrent = aTimeout;
  return platform::MonotonicMs() + (aCurrent == TComPort::kNoTimeout ? 0 : aCurrent);
}

// The errors of a line that is gone: hung up, or its device removed.
bool IsLostLineError(int aError) { return aError == EIO || aError == ENXIO || aError == ENODEV || aError == EBADF; }

// A failed read returns no sooner than its deadline, so a broken line cannot make a read loop spin.
int32_t FailedRead(int aError, int64_t aDeadline, uint32_t& aErrorCode) {
  aErrorCode = static_cast<uint32_t>(aError);
  platform::SleepMs(aDeadline - platform::MonotonicMs());
  return -1;
}

// Applies the line settings to an open descriptor; raises on refusal.
void ApplyLineParameters(int aFd, uint32_t baud, uint8_t data, TStopBits stop, TParity parity) {
  termios t{};
  if (::tcgetattr(aFd, &t) != 0) throw TComPortException(u"GetCommState failed!");
  speed_t speed = B0;
  if (!FindSpeed(baud, speed) || data < 5 || data > 8) throw TComPortException(u"SetCommState failed!");

  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                      IXOFF | IXANY | INPCK | IMAXBEL);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag |= CREAD | CLOCAL;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;

  const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | sizes[data - 5];
  switch (parity) {
    case ptNone: t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR); break;
    case ptOdd: t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CMSPAR)) | PARENB | PARODD; break;
    case ptEven: t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(PARODD | CMSPAR)) | PARENB; break;
    case ptMark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case ptSpace: t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(PARODD)) | PARENB | CMSPAR; break;
  }
  switch (stop) {
    case sbOne: t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB); break;
    // termios has no 1.5; two stop bits with 5 data bits is what a UART sends as 1.5.
    case sbOneHalf:
    case sbTwo: t.c_cflag |= CSTOPB; break;
  }
  if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0 || ::tcsetattr(aFd, TCSANOW, &t) != 0)
    throw TComPortException(u"SetCommState failed!");
  // tcsetattr succeeds when any part of the change was taken: check the speed and the raw mode.
  // Character size and parity are not checked: a pseudo-terminal always keeps 8 bits, no parity.
  termios back{};
  if (::tcgetattr(aFd, &back) != 0 || ::cfgetospeed(&back) != speed || (back.c_lflag & ICANON) != 0)
    throw TComPortException(u"SetCommState failed!");
}

}  // namespace

void TComPort::Open() {
  const String path = fDevicePath.empty() ? platform::SerialDevicePath(fComNumber) : fDevicePath;
  if (path.empty() || platform::HasInvalidPathChars(path))
    throw TComPortException(PortName() + u" is not a valid COM port.");
  const int fd = ::open(ToUtf8(path).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT || error == ENODEV || error == ENXIO)
      throw TComPortException(PortName() + u" is not a valid COM port.");
    throw TComPortException(u"Cannot open " + PortName() + u" (error #" + IntToStr(error) + u").");
  }
  // TIOCEXCL keeps other users' processes out but not root; the lock keeps out every opener that
  // asks for it, this process's other ports included.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    throw TComPortException(u"Cannot open " + PortName() + u" (error #" + IntToStr(error) + u").");
  }
  ::ioctl(fd, TIOCEXCL);
  try {
    ApplyLineParameters(fd, fBaudRate, fDataBits, fStopBits, fParity);
  } catch (...) {
    ::close(fd);
    throw;
  }
  // A second Open on an open port takes the new device and lets the old one go.
  if (fIsOpen) ::close(Fd(fComHandle));
  fComHandle = fd;
  fIsOpen = true;
  fCurrentComTimeout = kNoTimeout;
  fQueuesOutput = !IsPseudoTerminal(fd);
  fOpenedPath = path;
  fLineLost = false;
}

void TComPort::Close() {
  if (fIsOpen) {
    WaitOutputDrained();
    ::tcflush(Fd(fComHandle), TCIOFLUSH);
    ::close(Fd(fComHandle));
  }
  fComHandle = -1;
  fIsOpen = false;
  fOpenedPath.clear();
  fLineLost = false;
}

int32_t TComPort::Read(void* buffer, uint32_t nbytes, uint32_t timeout, uint32_t& ErrorCode) {
  if (!fIsOpen) throw TComPortException(u"Cannot read because COM port is not open.");
  const int64_t deadline = ReadDeadline(fCurrentComTimeout, timeout);
  const int fd = Fd(fComHandle);
  auto* out = static_cast<unsigned char*>(buffer);
  uint32_t got = 0;
  int error = 0;
  while (got < nbytes) {
    const ssize_t n = ::read(fd, out + got, nbytes - got);
    if (n > 0) {
      got += static_cast<uint32_t>(n);
      continue;
    }
    if (n == 0) {  // hang-up: the device went away or the other end closed
      error = EIO;
      break;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN) {
      error = errno;
      break;
    }
    int64_t limit = deadline - platform::MonotonicMs();
    if (got > 0) limit = std::min<int64_t>(limit, kIntervalMs);
    if (limit <= 0) break;
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, static_cast<int>(limit));
    if (r == 0) break;
    if (r < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    if ((p.revents & POLLIN) == 0) {  // error or hang-up with nothing left to read
      error = EIO;
      break;
    }
  }
  if (IsLostLineError(error)) fLineLost = true;
  if (error == 0 || got > 0) return static_cast<int32_t>(got);
  return FailedRead(error, deadline, ErrorCode);
}

int32_t TComPort::ReadPending(void* buffer, uint32_t nbytes, uint32_t timeout, uint32_t& ErrorCode) {
  if (!fIsOpen) throw TComPortException(u"Cannot read because COM port is not open.");
  const int64_t deadline = ReadDeadline(fCurrentComTimeout, timeout);
  const int fd = Fd(fComHandle);
  int error = 0;
  // The wait comes first: a read is issued only when there is something to take, so bytes
  // that are pending cost two system calls and a quiet line one per time-out.
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, static_cast<int>(std::max<int64_t>(deadline - platform::MonotonicMs(), 0)));
    if (r == 0) return 0;
    if (r < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    const ssize_t n = ::read(fd, buffer, nbytes);
    if (n > 0) return static_cast<int32_t>(n);
    if (n == 0) {  // hang-up: the device went away or the other end closed
      error = EIO;
      break;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN || (p.revents & POLLIN) == 0) {  // error or hang-up with nothing to read
      error = errno == EAGAIN ? EIO : errno;
      break;
    }
  }
  if (IsLostLineError(error)) fLineLost = true;
  return FailedRead(error, deadline, ErrorCode);
}

uint32_t TComPort::PortWrite(const void* buffer, uint32_t count) {
  if (!fIsOpen) throw TComPortException(u"Cannot write because COM port is not open.");
  const int fd = Fd(fComHandle);
  const auto* data = static_cast<const unsigned char*>(buffer);
  const int64_t deadline = platform::MonotonicMs() + TransmitMs(count, fBaudRate) + kWriteMarginMs;
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd, data + done, count - done);
    if (n > 0) {
      done += static_cast<uint32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || errno != EAGAIN) {
      if (n == 0 || IsLostLineError(errno)) fLineLost = true;
      throw TComPortException(u"Write to com port failed.");
    }
    const int64_t limit = deadline - platform::MonotonicMs();
    if (limit <= 0) throw TComPortException(u"Write to com port failed.");
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, static_cast<int>(limit)) < 0 && errno != EINTR)
      throw TComPortException(u"Write to com port failed.");
  }
  return done;
}

void TComPort::SetLineParameters(uint32_t baud, uint8_t data, TStopBits stop, TParity parity) {
  ApplyLineParameters(Fd(fComHandle), baud, data, stop, parity);
  fBaudRate = baud;
  fDataBits = data;
  fStopBits = stop;
  fParity = parity;
}

int32_t TComPort::GetBytesPending() const {
  int n = 0;
  if (!fIsOpen || ::ioctl(Fd(fComHandle), FIONREAD, &n) != 0) return 0;
  return n;
}

void TComPort::ClearBuffers() {
  if (!fIsOpen) return;
  WaitOutputDrained();
  // Only what came in is discarded. Bytes a finished Write handed over are the printer's: a
  // pseudo-terminal reports no output queue to wait for, and flushing it there dropped frames.
  if (::tcflush(Fd(fComHandle), TCIFLUSH) != 0) {
    if (IsLostLineError(errno)) fLineLost = true;
    throw TComPortException(u"PurgeComm failed!");
  }
}

bool TComPort::LineLost() {
  if (!fIsOpen) return false;
  if (fLineLost) return true;
  const int fd = Fd(fComHandle);
  // A hang-up shows without reading: the waiting bytes stay for the reads.
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) fLineLost = true;
  // A device that came back under the same name (an adapter plugged in again, a link pointed at
  // a new terminal) is another node than the one this descriptor holds.
  struct stat opened {};
  struct stat now {};
  if (!fLineLost && ::fstat(fd, &opened) == 0) {
    if (::stat(ToUtf8(fOpenedPath).c_str(), &now) != 0)
      fLineLost = errno == ENOENT || errno == ENOTDIR || errno == ENXIO || errno == ENODEV;
    else
      fLineLost = now.st_rdev != opened.st_rdev || now.st_ino != opened.st_ino || now.st_dev != opened.st_dev;
  }
  return fLineLost;
}

void TComPort::SetModemLine(int aLine, bool aAssert, const char16_t* aName) {
  if (!fIsOpen) throw TComPortException(String(aName) + u" failed because COM port not open.");
  // Pseudo-terminals have no modem lines; their refusal is not a port failure.
  ::ioctl(Fd(fComHandle), aAssert ? TIOCMBIS : TIOCMBIC, &aLine);
}

void TComPort::SetDTR(bool aAssert) { SetModemLine(TIOCM_DTR, aAssert, u"SetDTR"); }

void TComPort::SetRTS(bool aAssert) { SetModemLine(TIOCM_RTS, aAssert, u"SetRTS"); }

void TComPort::WaitOutputDrained() const {
  if (!fQueuesOutput) return;
  const int fd = Fd(fComHandle);
  int queued = 0;
  if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) return;
  const int64_t deadline = platform::MonotonicMs() + TransmitMs(queued, fBaudRate) + kDrainMarginMs;
  while (queued > 0) {
    const int64_t left = deadline - platform::MonotonicMs();
    if (left <= 0) return;
    platform::SleepMs(std::min(left, TransmitMs(queued, fBaudRate)));
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0) return;
  }
}

}  // namespace qx
