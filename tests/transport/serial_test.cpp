#include "transport/io_handler_serial.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <termios.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/clock.h"
#include "support/error.h"
#include "support/temp_dir.h"
#include "transport_fixtures.h"

namespace qx {
namespace {

using namespace qx::testing;

const ByteList kTerminators = {0x06, 0x0F, 0x11, 0x03};

// One transport on the slave side of a pseudo-terminal; the test is the printer on the master.
class SerialTransport : public ::testing::Test {
 protected:
  SerialTransport() {
    fConnection.SetConnectionType(qxConnectionType::Serial);
    fConnection.SetSerialPort(fPty.PathText());
    fConnection.SetSpeed(115200);
    fConnection.SetDataBits(8);
    fConnection.SetParity(qxParity::None);
    fConnection.SetStopBits(1);
    fConnection.SetReadTimeOut(200);
  }

  kIOHandler_Serial& Open() {
    fTransport.emplace(fConnection, fDir.Text(), u"Serial");
    fLogFile = fTransport->GetLogFileName();
    EXPECT_TRUE(fTransport->Connect());
    return *fTransport;
  }
  // Ends the transport (which drains its log) and returns the log's messages.
  std::vector<String> Finish() {
    fTransport.reset();
    return LogBodies(fLogFile);
  }

  TempDir fDir;
  Pty fPty;
  kConnection fConnection;
  std::optional<kIOHandler_Serial> fTransport;
  String fLogFile;
};

TEST_F(SerialTransport, BannerAndLineSettings) {
  ::setenv("QX_COM7", fPty.Path().c_str(), 1);
  fConnection.SetSerialPort(u"COM7");
  fConnection.SetSpeed(9600);
  fConnection.SetDataBits(7);
  fConnection.SetParity(qxParity::Even);
  fConnection.SetStopBits(2);
  kIOHandler_Serial& t = Open();
  t.SetVersion(u"2.10");
  EXPECT_TRUE(t.GetConnected());

  termios line{};
  ASSERT_EQ(::tcgetattr(fPty.Slave(), &line), 0);
  EXPECT_EQ(::cfgetospeed(&line), B9600);
  // A pseudo-terminal keeps 8 bits without parity whatever it is asked; the stop bits it takes.
  EXPECT_TRUE(line.c_cflag & CSTOPB);
  EXPECT_EQ(t.ComPort().DataBits(), 7);
  EXPECT_EQ(t.ComPort().Parity(), ptEven);
  // A raw byte pipe: no line editing, echo, translation or software flow control.
  EXPECT_FALSE(line.c_lflag & (ICANON | ECHO | ISIG));
  EXPECT_FALSE(line.c_iflag & (IXON | IXOFF | ICRNL));
  EXPECT_FALSE(line.c_oflag & OPOST);

  EXPECT_TRUE(t.Disconnect());
  EXPECT_FALSE(t.GetConnected());
  const std::vector<String> expected = {
      u"*************************** START ***************************",
      String(61, u'*'),
      u"kIOHandler_Serial",
      u"",  // the version is set after the banner was written
      u"ConnectTimeout=1000",
      u"ReadTimeout=200",
      u"Serial Driver Version: 1.0",
      u"SerialPort=COM7",
      u"Speed=9600",
      u"Parity=even",
      u"DataBits=7",
      u"StopBits=2",
      u"*************************** STOP ****************************",
  };
  EXPECT_EQ(Finish(), expected);
  ::unsetenv("QX_COM7");
}

TEST_F(SerialTransport, PortNumberIsCharactersFourToSix) {
  const struct {
    const char16_t* text;
    uint32_t number;
  } cases[] = {{u"COM1", 1}, {u"COM12", 12}, {u"COM123", 123}, {u"COM1234", 123}, {u"XYZ7", 7}};
  for (const auto& c : cases) {
    fConnection.SetSerialPort(c.text);
    kIOHandler_Serial t(fConnection, u"", u"");
    EXPECT_EQ(t.ComPort().ComNumber(), c.number) << ToUtf8(c.text);
    EXPECT_EQ(t.ComPort().PortName(), u"COM" + IntToStr(c.number));
  }
  ::unsetenv("QX_COM1");
  ::unsetenv("QX_COM0");
  EXPECT_EQ(platform::SerialDevicePath(1), u"/dev/ttyS0");
  EXPECT_EQ(platform::SerialDevicePath(16), u"/dev/ttyS15");
  EXPECT_EQ(platform::SerialDevicePath(0), u"");
  ::setenv("QX_COM1", "/dev/ttyUSB0", 1);
  EXPECT_EQ(platform::SerialDevicePath(1), u"/dev/ttyUSB0");
  ::setenv("QX_COM1", "", 1);  // empty counts as unset
  EXPECT_EQ(platform::SerialDevicePath(1), u"/dev/ttyS0");
  ::unsetenv("QX_COM1");
}

TEST_F(SerialTransport, ReadEndsAtEachTerminatorAndLeavesTheRest) {
  kIOHandler_Serial& t = Open();
  std::vector<String> reads;
  for (const uint8_t terminator : kTerminators) {
    const std::string reply = std::string("\x02" "ABC") + static_cast<char>(terminator);
    fPty.Send(reply + "XY");
    const String got = t.ReadUpTo(kTerminators);
    EXPECT_EQ(got, FromLatin1(reply));
    EXPECT_EQ(t.ReadChars(2), u"XY");  // nothing after the terminator was taken
    reads.push_back(u"Read:" + got);
  }
  const std::vector<String> log = Finish();
  for (const auto& r : reads) EXPECT_TRUE(Contains(log, r)) << ToUtf8(r);
  EXPECT_EQ(CountStartingWith(log, u"Waiting for:\x06,\x0f,\x11,\x03"), 4);
}

TEST_F(SerialTransport, AckAloneReturnsAtOnce) {
  kIOHandler_Serial& t = Open();
  t.SetReadTimeout(5000);
  Peer printer([this](const std::atomic<bool>&) {
    platform::SleepMs(30);
    fPty.Send("\x06");
  });
  const int64_t start = platform::MonotonicMs();
  EXPECT_EQ(t.ReadUpTo(kTerminators), u"\x06");
  EXPECT_LT(platform::MonotonicMs() - start, 2500);  // ended by the byte, not by the time-out
  EXPECT_TRUE(Contains(Finish(), u"Read:\x06"));
}

TEST_F(SerialTransport, SilenceEndsAfterTheTimeOutWithAReadTimeoutLine) {
  kIOHandler_Serial& t = Open();
  t.SetHexLog(true);
  const int64_t start = platform::MonotonicMs();
  EXPECT_EQ(t.ReadUpTo(kTerminators), u"");
  const int64_t elapsed = platform::MonotonicMs() - start;
  EXPECT_GT(elapsed, 200);
  EXPECT_LT(elapsed, 200 + 100 + 1000);  // the first 100 ms pause after the time-out, and slack for a busy machine
  const std::vector<String> log = Finish();
  EXPECT_TRUE(Contains(log, u"Waiting for:\x06,\x0f,\x11,\x03 [06,0f,11,03]"));
  EXPECT_TRUE(Contains(log, u"ERROR - Read Timeout: []"));
}

TEST_F(SerialTransport, ReplyTricklingPastTheTimeOutIsReadToItsTerminator) {
  kIOHandler_Serial& t = Open();
  std::string reply = "\x02";
  for (int i = 0; i < 26; ++i) reply += static_cast<char>('a' + i);
  reply += "\x03";
  Peer printer([&](const std::atomic<bool>&) {
    for (char c : reply) {
      fPty.Send(std::string(1, c));
      platform::SleepMs(10);  // about 300 ms in all, never a 100 ms pause
    }
  });
  const int64_t start = platform::MonotonicMs();
  EXPECT_EQ(t.ReadUpTo(kTerminators), FromLatin1(reply));
  EXPECT_GT(platform::MonotonicMs() - start, 200);
  EXPECT_TRUE(Contains(Finish(), u"Read:" + FromLatin1(reply)));
}

TEST_F(SerialTransport, PeerThatNeverPausesNorEndsIsCutOff) {
  kIOHandler_Serial& t = Open();
  {
    // A byte every 2 ms: no pause, no terminator; the read ends at twice the time-out.
    Peer printer([this](const std::atomic<bool>& aStop) {
      while (!aStop) {
        fPty.Send("A");
        platform::SleepMs(2);
      }
    });
    const int64_t start = platform::MonotonicMs();
    const String got = t.ReadUpTo(kTerminators);
    const int64_t elapsed = platform::MonotonicMs() - start;
    EXPECT_FALSE(got.empty());
    EXPECT_GE(elapsed, 400);
    EXPECT_LT(elapsed, 400 + 1000);
  }
  {
    // A flood: the read ends at its size bound, long before the time bound.
    ::fcntl(fPty.Master(), F_SETFL, O_NONBLOCK);
    Peer printer([this](const std::atomic<bool>& aStop) {
      const std::string block(512, 'B');
      while (!aStop) {
        const ssize_t n = ::write(fPty.Master(), block.data(), block.size());
        if (n < 0) {
          pollfd p{fPty.Master(), POLLOUT, 0};
          ::poll(&p, 1, 10);
        }
      }
    });
    t.ClearBuffers();
    t.SetReadTimeout(10000);
    const String got = t.ReadUpTo(kTerminators);
    EXPECT_EQ(got.size(), kIOHandler_Serial::kReadUpToMaxChars);
    t.SetReadTimeout(200);
  }
  EXPECT_EQ(CountStartingWith(Finish(), u"ERROR - Read Timeout:"), 2);
}

TEST_F(SerialTransport, ReadCharsFullAndShort) {
  kIOHandler_Serial& t = Open();
  t.SetReadTimeout(3000);
  fPty.Send("12345");
  int64_t start = platform::MonotonicMs();
  EXPECT_EQ(t.ReadChars(5), u"12345");
  EXPECT_LT(platform::MonotonicMs() - start, 1500);  // at the fifth byte, not at the time-out
  t.SetReadTimeout(200);
  fPty.Send("abc");
  start = platform::MonotonicMs();
  EXPECT_EQ(t.ReadChars(5), u"abc");
  EXPECT_GT(platform::MonotonicMs() - start, 200);
  EXPECT_EQ(t.ReadChars(0), u"");  // nothing asked, nothing read
  const std::vector<String> log = Finish();
  EXPECT_TRUE(Contains(log, u"Read:12345"));
  EXPECT_TRUE(Contains(log, u"ERROR - Read Timeout:abc"));
}

TEST_F(SerialTransport, BytesAndCharactersOfTheCodePage) {
  kIOHandler_Serial& t = Open();
  fPty.Send("\xE0\x80");
  EXPECT_EQ(t.ReadChars(2), u"\u00E0\u0080");  // bytes in are characters 0-255 as they are
  EXPECT_TRUE(t.Write(u"\x02\u00E0\u20AC\u0101\x03"));
  EXPECT_EQ(fPty.Receive(5), "\x02\xE0\x80?\x03");  // out in Windows-1252
  EXPECT_TRUE(Contains(Finish(), u"Write:\x02\u00E0\u20AC\u0101\x03"));
}

TEST_F(SerialTransport, PendingInputAndClearBuffers) {
  kIOHandler_Serial& t = Open();
  EXPECT_FALSE(t.InputBufferContainsData());
  fPty.Send("stale");
  EXPECT_TRUE(WaitFor([&] { return t.InputBufferContainsData(); }));
  t.ClearBuffers();
  EXPECT_FALSE(t.InputBufferContainsData());
  fPty.Send("\x06");
  EXPECT_EQ(t.ReadUpTo(kTerminators), u"\x06");
  t.ComPort().SetDTR(true);  // a pseudo-terminal has no modem lines; that is not a failure
  t.ComPort().SetRTS(false);
}

TEST_F(SerialTransport, ClosedPortOperations) {
  kIOHandler_Serial t(fConnection, u"", u"");
  EXPECT_FALSE(t.GetConnected());
  EXPECT_EQ(MessageOf([&] { t.ReadUpTo(kTerminators); }), u"Cannot read because COM port is not open.");
  EXPECT_EQ(MessageOf([&] { t.ReadChars(1); }), u"Cannot read because COM port is not open.");
  EXPECT_EQ(MessageOf([&] { t.Write(u"A"); }), u"Cannot write because COM port is not open.");
  EXPECT_EQ(MessageOf([&] { t.ReadAll(); }), u"ReadAll Unsupported");
  EXPECT_EQ(MessageOf([&] { t.ComPort().SetRTS(true); }), u"SetRTS failed because COM port not open.");
  EXPECT_EQ(MessageOf([&] { t.ComPort().SetDTR(true); }), u"SetDTR failed because COM port not open.");
  EXPECT_FALSE(t.InputBufferContainsData());
  t.ClearBuffers();
  EXPECT_TRUE(t.Disconnect());
  EXPECT_TRUE(t.DecodeError(5).empty());
  EXPECT_THROW(t.Write(u"A"), TComPortException);  // port failures carry their own type
}

TEST_F(SerialTransport, SecondOpenerOfTheSameDeviceIsRefused) {
  const int before = OpenDescriptors();
  {
    kIOHandler_Serial& first = Open();
    kIOHandler_Serial second(fConnection, u"", u"");
    const String busy = u"Cannot open " + fPty.PathText() + u" (error #16).";
    EXPECT_EQ(MessageOf([&] { second.Connect(); }), busy);
    EXPECT_FALSE(second.GetConnected());
    // The same device under another name is the same device.
    ::setenv("QX_COM5", fPty.Path().c_str(), 1);
    fConnection.SetSerialPort(u"COM5");
    kIOHandler_Serial third(fConnection, u"", u"");
    EXPECT_EQ(MessageOf([&] { third.Connect(); }), u"Cannot open COM5 (error #16).");
    ::unsetenv("QX_COM5");

    // Another process is refused too.
    const pid_t child = ::fork();
    if (child == 0) {
      TComPort port(1);
      port.SetDevicePath(fPty.PathText());
      int code = 3;
      try {
        port.Open();
        code = 0;
      } catch (const TComPortException& e) {
        code = e.Message() == busy ? 1 : 2;
      } catch (...) {
      }
      ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);

    // Once the first lets go, the second gets the device.
    first.Disconnect();
    EXPECT_TRUE(second.Connect());
    second.Disconnect();
  }
  Finish();
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(SerialTransport, BadSettingsFailAtConstructionAndTheLogShowsStartThenStop) {
  const struct {
    const char16_t* serialPort;
    int stopBits;
    qxParity parity;
    const char16_t* message;
  } cases[] = {
      {u"COMX", 1, qxParity::None, u"'X' is not a valid integer value"},
      {u"", 1, qxParity::None, u"'' is not a valid integer value"},
      {u"COM", 1, qxParity::None, u"'' is not a valid integer value"},
      {u"COM3 ", 1, qxParity::None, u"'3 ' is not a valid integer value"},
      {u"COM1", 3, qxParity::None, u"Stop Bits 3 invalid"},
      {u"COM1", 0, qxParity::None, u"Stop Bits 0 invalid"},
      {u"COM1", 1, static_cast<qxParity>(3), u"Parity invalid"},
      // The port number is read first.
      {u"COMX", 3, static_cast<qxParity>(3), u"'X' is not a valid integer value"},
  };
  int i = 0;
  for (const auto& c : cases) {
    fConnection.SetSerialPort(c.serialPort);
    fConnection.SetStopBits(c.stopBits);
    fConnection.SetParity(c.parity);
    const String directory = fDir.Text() + u"/case" + IntToStr(i++);
    EXPECT_EQ(MessageOf([&] { kIOHandler_Serial t(fConnection, directory, u"Serial"); }), c.message);
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(ToUtf8(directory))) files.push_back(e.path());
    ASSERT_EQ(files.size(), 1u);
    const std::vector<String> expected = {
        u"*************************** START ***************************",
        u"*************************** STOP ****************************",
    };
    EXPECT_EQ(LogBodies(FromUtf8(files[0].string())), expected) << ToUtf8(c.message);
  }
}

TEST_F(SerialTransport, DevicesThatCannotBeOpenedOrSetUp) {
  const std::string regularFile = fDir / "not-a-tty";
  { std::ofstream(regularFile) << "x"; }
  ::setenv("QX_COM9", "/dev/qx-no-such-device", 1);
  const struct {
    String serialPort;
    int speed;
    int dataBits;
    String message;
  } cases[] = {
      {u"COM9", 115200, 8, u"COM9 is not a valid COM port."},
      {u"/dev/qx-no-such-device", 115200, 8, u"/dev/qx-no-such-device is not a valid COM port."},
      {u"COM0", 115200, 8, u"COM0 is not a valid COM port."},
      {FromUtf8(regularFile), 115200, 8, u"GetCommState failed!"},
      {fPty.PathText(), 0, 8, u"SetCommState failed!"},
      {fPty.PathText(), 12345, 8, u"SetCommState failed!"},
      {fPty.PathText(), 9600, 0, u"SetCommState failed!"},
      {fPty.PathText(), 9600, 9, u"SetCommState failed!"},
  };
  const int before = OpenDescriptors();
  for (const auto& c : cases) {
    fConnection.SetSerialPort(c.serialPort);
    fConnection.SetSpeed(c.speed);
    fConnection.SetDataBits(c.dataBits);
    kIOHandler_Serial t(fConnection, u"", u"");
    EXPECT_EQ(MessageOf([&] { t.Connect(); }), c.message) << ToUtf8(c.serialPort);
    EXPECT_FALSE(t.GetConnected());
  }
  EXPECT_EQ(OpenDescriptors(), before);
  ::unsetenv("QX_COM9");
}

TEST_F(SerialTransport, PeerHangingUpMidReadEndsTheReadWithoutSpinning) {
  const int before = OpenDescriptors();
  kIOHandler_Serial& t = Open();
  t.SetReadTimeout(300);
  Peer printer([this](const std::atomic<bool>&) {
    fPty.Send("\x02" "AB");
    platform::SleepMs(50);
    fPty.CloseMaster();
  });
  const int64_t start = platform::MonotonicMs();
  const String got = t.ReadUpTo(kTerminators);
  const int64_t elapsed = platform::MonotonicMs() - start;
  printer.Stop();
  EXPECT_EQ(got.find(u'\x03'), String::npos);
  EXPECT_LT(elapsed, 300 + 100 + 1000);
  EXPECT_THROW(t.Write(u"A"), TComPortException);
  t.Disconnect();
  const std::vector<String> log = Finish();
  // One failed read per 100 ms at most: the broken line is not polled in a tight loop.
  const int errors = CountStartingWith(log, u"ERROR - Read Error:");
  EXPECT_GE(errors, 1);
  EXPECT_LE(errors, 6);
  EXPECT_EQ(CountStartingWith(log, u"ERROR - Read Timeout:"), 1);
  EXPECT_EQ(OpenDescriptors(), before - 1);  // the master is gone
}

TEST_F(SerialTransport, ReconnectAfterDisconnect) {
  const int before = OpenDescriptors();
  kIOHandler_Serial& t = Open();
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(t.Disconnect());
    EXPECT_TRUE(t.Connect());
    fPty.Send("\x06");
    EXPECT_EQ(t.ReadUpTo(kTerminators), u"\x06");
  }
  Finish();
  EXPECT_EQ(OpenDescriptors(), before);
}

// The device path is a link, as a name that an adapter gets again when it is plugged back in:
// a line that hung up, a path that now leads to another device and a path that leads nowhere
// are each seen without waiting; ReopenLink opens whatever the path leads to now.
TEST_F(SerialTransport, ALineThatWentAwayIsSeenAndTheLinkIsReopened) {
  const std::string link = fDir / "printer";
  auto pointAt = [&](const std::string& aTarget) {
    std::filesystem::remove(link + ".new");
    std::filesystem::create_symlink(aTarget, link + ".new");
    std::filesystem::rename(link + ".new", link);
  };
  pointAt(fPty.Path());
  fConnection.SetSerialPort(FromUtf8(link));
  kIOHandler_Serial& t = Open();
  EXPECT_EQ(t.LinkName(), FromUtf8(link));
  EXPECT_FALSE(t.LinkDropped());

  // Hung up: the other end closed.
  auto first = std::make_unique<Pty>();
  pointAt(first->Path());
  String failure;
  ASSERT_TRUE(t.ReopenLink(failure)) << ToUtf8(failure);
  EXPECT_FALSE(t.LinkDropped());
  first->Send("");
  EXPECT_EQ(t.ReadUpTo(kTerminators), u"");
  first->CloseMaster();
  EXPECT_TRUE(t.LinkDropped());
  EXPECT_THROW(t.Write(u"A"), TComPortException);
  EXPECT_TRUE(t.LinkDropped()) << "stays dropped until reopened";

  // Replaced: the line still works, but the path leads to another device now.
  Pty second;
  pointAt(second.Path());
  ASSERT_TRUE(t.ReopenLink(failure)) << ToUtf8(failure);
  EXPECT_FALSE(t.LinkDropped());
  Pty third;
  pointAt(third.Path());
  EXPECT_TRUE(t.LinkDropped());
  ASSERT_TRUE(t.ReopenLink(failure)) << ToUtf8(failure);
  t.Write(u"B");
  EXPECT_EQ(third.Receive(1), "B");
  EXPECT_EQ(second.Receive(1, 50), "") << "nothing goes to the device the path left";

  // Gone: the reopen fails with the port's own message and leaves the port closed.
  std::filesystem::remove(link);
  EXPECT_TRUE(t.LinkDropped());
  EXPECT_FALSE(t.ReopenLink(failure));
  EXPECT_EQ(failure, FromUtf8(link) + u" is not a valid COM port.");
  EXPECT_FALSE(t.GetConnected());
  EXPECT_FALSE(t.LinkDropped()) << "a closed port has no line to lose";
}

}  // namespace
}  // namespace qx
