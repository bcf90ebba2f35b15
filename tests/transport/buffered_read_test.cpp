// The serial and TCP transports read whatever the line has pending into a buffer of their own.
// Whichever way the printer's bytes are cut into writes, every read returns exactly what a read
// of one byte at a time returned: up to and including its terminator, or its count, with the
// rest kept for the next read and dropped by ClearBuffers and by a new connection.
#include <gtest/gtest.h>

#include <optional>

#include "support/temp_dir.h"
#include "transport/io_handler_serial.h"
#include "transport/io_handler_tcp.h"
#include "transport_fixtures.h"

namespace qx {
namespace {

using namespace qx::testing;

const ByteList kTerminators = {0x06, 0x0F, 0x11, 0x03};
const std::string kAnswer1 = "\x02" "00001" "E4001" "0000" "\x34\x37" "\x03";
const std::string kAnswer2 = "\x02" "00002" "E2050" "1234567890" "\x35\x31" "\x03";

// One transport and the printer's end of its line.
struct Line {
  kIOHandler& transport;
  std::function<void(std::string_view)> send;  // one write on the printer's end
  std::function<void()> reconnect;             // Disconnect and Connect again
};

// The reads of the driver on a stream cut into writes in different ways; the log keeps every
// read's line, which must be the same whatever the cuts were.
void ReadTheStreamWhateverItsCuts(Line aLine) {
  kIOHandler& t = aLine.transport;
  const std::string stream = "\x06" + kAnswer1 + "\x06" + kAnswer2 + "XYZ";
  const std::vector<String> expected = {u"\x06", FromLatin1(kAnswer1), u"\x06", FromLatin1(kAnswer2), u"XY", u"Z"};
  auto readAll = [&] {
    std::vector<String> got;
    for (int i = 0; i < 4; ++i) got.push_back(t.ReadUpTo(kTerminators));
    got.push_back(t.ReadChars(2));
    got.push_back(t.ReadChars(1));
    return got;
  };
  // Two answers and more in one write: each read stops at its own terminator or count.
  aLine.send(stream);
  EXPECT_EQ(readAll(), expected);
  EXPECT_FALSE(t.InputBufferContainsData());
  // The same bytes one write each, sent while the reads run.
  {
    Peer printer([&](const std::atomic<bool>&) {
      for (const char c : stream) {
        aLine.send(std::string(1, c));
        platform::SleepMs(1);
      }
    });
    EXPECT_EQ(readAll(), expected);
  }
  EXPECT_FALSE(t.InputBufferContainsData());
  // What waits in the buffer is data waiting; ClearBuffers and a new connection drop it.
  aLine.send(kAnswer1 + kAnswer2);
  EXPECT_EQ(t.ReadUpTo(kTerminators), FromLatin1(kAnswer1));
  EXPECT_TRUE(t.InputBufferContainsData());
  t.ClearBuffers();
  EXPECT_FALSE(t.InputBufferContainsData());
  aLine.send("\x06");
  EXPECT_EQ(t.ReadUpTo(kTerminators), u"\x06");
  aLine.send(kAnswer1 + kAnswer2);
  EXPECT_EQ(t.ReadUpTo(kTerminators), FromLatin1(kAnswer1));
  aLine.reconnect();
  EXPECT_FALSE(t.InputBufferContainsData());
  aLine.send("\x11");
  EXPECT_EQ(t.ReadUpTo(kTerminators), u"\x11");
}

std::vector<String> ReadLines(const std::vector<String>& aLog) {
  std::vector<String> reads;
  for (const String& l : aLog)
    if (l.rfind(u"Read:", 0) == 0 || l.rfind(u"ERROR", 0) == 0) reads.push_back(l);
  return reads;
}

const std::vector<String> kExpectedLog = [] {
  std::vector<String> lines;
  for (int pass = 0; pass < 2; ++pass) {
    for (const std::string& s : {std::string("\x06"), kAnswer1, std::string("\x06"), kAnswer2, std::string("XY"),
                                 std::string("Z")})
      lines.push_back(u"Read:" + FromLatin1(s));
  }
  for (const std::string& s : {kAnswer1, std::string("\x06"), kAnswer1, std::string("\x11")})
    lines.push_back(u"Read:" + FromLatin1(s));
  return lines;
}();

TEST(BufferedReads, Serial) {
  TempDir dir;
  Pty pty;
  kConnection c;
  c.SetSerialPort(pty.PathText());
  c.SetSpeed(115200);
  c.SetDataBits(8);
  c.SetStopBits(1);
  c.SetReadTimeOut(2000);
  String logFile;
  {
    kIOHandler_Serial t(c, dir.Text(), u"Serial");
    logFile = t.GetLogFileName();
    ASSERT_TRUE(t.Connect());
    ReadTheStreamWhateverItsCuts({t, [&](std::string_view b) { pty.Send(b); }, [&] {
                                    t.Disconnect();
                                    t.Connect();
                                  }});
  }
  EXPECT_EQ(ReadLines(LogBodies(logFile)), kExpectedLog);
}

TEST(BufferedReads, Tcp) {
  TempDir dir;
  LoopbackServer server;
  kConnection c;
  c.SetConnectionType(qxConnectionType::TCP);
  c.SetAddress(u"127.0.0.1");
  c.SetPort(server.Port());
  c.SetReadTimeOut(2000);
  String logFile;
  {
    kIOHandler_TCP t(c, dir.Text(), u"Tcp");
    logFile = t.GetLogFileName();
    ASSERT_TRUE(t.Connect());
    ASSERT_TRUE(server.Accept());
    ReadTheStreamWhateverItsCuts({t, [&](std::string_view b) { server.Send(b); }, [&] {
                                    t.Disconnect();
                                    t.Connect();
                                    server.Accept();
                                  }});
  }
  EXPECT_EQ(ReadLines(LogBodies(logFile)), kExpectedLog);
}

}  // namespace
}  // namespace qx
