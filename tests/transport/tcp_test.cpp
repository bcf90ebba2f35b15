#include "transport/io_handler_tcp.h"

#include <gtest/gtest.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>

#include <optional>

#include "platform/clock.h"
#include "support/error.h"
#include "support/temp_dir.h"
#include "transport_fixtures.h"

namespace qx {
namespace {

using namespace qx::testing;

const ByteList kTerminators = {0x06, 0x0F, 0x11, 0x03};

// One transport connected to a loopback listener; the test is the printer on the accepted side.
class TcpTransport : public ::testing::Test {
 protected:
  TcpTransport() {
    fConnection.SetConnectionType(qxConnectionType::TCP);
    fConnection.SetAddress(u"127.0.0.1");
    fConnection.SetPort(fServer.Port());
    fConnection.SetConnectTimeOut(500);
    fConnection.SetReadTimeOut(200);
  }

  kIOHandler_TCP& Make() {
    fTransport.emplace(fConnection, fDir.Text(), u"Tcp");
    fLogFile = fTransport->GetLogFileName();
    return *fTransport;
  }
  kIOHandler_TCP& Open() {
    kIOHandler_TCP& t = Make();
    EXPECT_TRUE(t.Connect());
    EXPECT_TRUE(fServer.Accept());
    return t;
  }
  std::vector<String> Finish() {
    fTransport.reset();
    return LogBodies(fLogFile);
  }
  // Returns once the peer's bytes have reached the transport's side of the connection.
  void WaitDelivered() {
    EXPECT_TRUE(WaitFor([&] {
      int unacknowledged = 0;
      return ::ioctl(fServer.Peer(), SIOCOUTQ, &unacknowledged) == 0 && unacknowledged == 0;
    }));
  }

  TempDir fDir;
  LoopbackServer fServer;
  kConnection fConnection;
  std::optional<kIOHandler_TCP> fTransport;
  String fLogFile;
};

TEST_F(TcpTransport, BannerAndConnection) {
  fConnection.SetPort(0x10000 + fServer.Port());  // only the low 16 bits count
  kIOHandler_TCP& t = Open();
  EXPECT_TRUE(t.GetConnected());
  EXPECT_TRUE(t.Connect());  // already connected: banner again, no new connection
  EXPECT_FALSE(fServer.Accept(50));
  EXPECT_TRUE(t.Disconnect());
  EXPECT_FALSE(t.GetConnected());
  const String port = IntToStr(fServer.Port());
  const std::vector<String> banner = {
      String(61, u'*'), u"kIOHandler_TCP", u"", u"ConnectTimeout=500", u"ReadTimeout=200",
      u"Host=127.0.0.1", u"Port=" + port,
  };
  std::vector<String> expected = {u"*************************** START ***************************"};
  expected.insert(expected.end(), banner.begin(), banner.end());
  expected.insert(expected.end(), banner.begin(), banner.end());
  expected.push_back(u"*************************** STOP ****************************");
  EXPECT_EQ(Finish(), expected);
}

TEST_F(TcpTransport, ConnectFailuresAnswerFalseAndAreLogged) {
  const int before = OpenDescriptors();
  {
    fConnection.SetPort(UnusedPort());
    kIOHandler_TCP& t = Make();
    EXPECT_FALSE(t.Connect());
    EXPECT_FALSE(t.GetConnected());
    EXPECT_THROW(t.Write(u"A"), Error);
    EXPECT_TRUE(Contains(Finish(), u"ERROR - Connect Error:Connection refused (error #111)"));
  }
  {
    // A listener whose queue is full lets the handshake hang: the connect time-out ends it.
    LoopbackServer full(0);
    kConnection c = fConnection;
    c.SetPort(full.Port());
    c.SetConnectTimeOut(200);
    kIOHandler_TCP filler(c, u"", u"");
    ASSERT_TRUE(filler.Connect());
    fConnection = c;
    kIOHandler_TCP& t = Make();
    const int64_t start = platform::MonotonicMs();
    EXPECT_FALSE(t.Connect());
    EXPECT_LT(platform::MonotonicMs() - start, 200 + 1500);
    EXPECT_TRUE(Contains(Finish(), u"ERROR - Connect Timeout:"));
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(TcpTransport, HostNamesAreResolvedWithinTheConnectTimeOut) {
  fConnection.SetAddress(u"localhost");  // may name ::1 first, where nothing listens
  kIOHandler_TCP& t = Open();
  EXPECT_TRUE(t.GetConnected());
  t.Disconnect();

  fConnection.SetAddress(u"qx-no-such-host.invalid");
  kIOHandler_TCP& bad = Make();
  const int64_t start = platform::MonotonicMs();
  EXPECT_FALSE(bad.Connect());
  EXPECT_LT(platform::MonotonicMs() - start, 500 + 1500);
  const std::vector<String> log = Finish();
  // Without a name server the lookup may time out instead of failing.
  EXPECT_EQ(CountStartingWith(log, u"ERROR - Connect Error:") + CountStartingWith(log, u"ERROR - Connect Timeout:"),
            1);
}

TEST_F(TcpTransport, ReadEndsAtEachTerminatorAndLeavesTheRest) {
  kIOHandler_TCP& t = Open();
  t.SetHexLog(true);
  std::vector<String> reads;
  for (const uint8_t terminator : kTerminators) {
    const std::string reply = std::string("\x02" "AB") + static_cast<char>(terminator);
    fServer.Send(reply + "XY");
    const String got = t.ReadUpTo(kTerminators);
    EXPECT_EQ(got, FromLatin1(reply));
    EXPECT_TRUE(t.InputBufferContainsData());
    EXPECT_EQ(t.ReadChars(2), u"XY");
    EXPECT_FALSE(t.InputBufferContainsData());
    reads.push_back(u"Read:" + got + u" [" + HexString(got) + u"]");
  }
  const std::vector<String> log = Finish();
  for (const auto& r : reads) EXPECT_TRUE(Contains(log, r)) << ToUtf8(r);
  EXPECT_EQ(CountStartingWith(log, u"Waiting for:\x06,\x0f,\x11,\x03 [06,0f,11,03]"), 4);
}

TEST_F(TcpTransport, AckAloneReturnsAtOnce) {
  kIOHandler_TCP& t = Open();
  t.SetReadTimeout(5000);
  Peer printer([this](const std::atomic<bool>&) {
    platform::SleepMs(30);
    fServer.Send("\x06");
  });
  const int64_t start = platform::MonotonicMs();
  EXPECT_EQ(t.ReadUpTo({0x06, 0x03}), u"\x06");
  EXPECT_LT(platform::MonotonicMs() - start, 2500);
  EXPECT_TRUE(Contains(Finish(), u"Read:\x06"));
}

TEST_F(TcpTransport, SilentAndTricklingPeers) {
  kIOHandler_TCP& t = Open();
  // Silence: one read time-out, then the failed byte read ends the call.
  int64_t start = platform::MonotonicMs();
  EXPECT_EQ(t.ReadUpTo(kTerminators), u"");
  int64_t elapsed = platform::MonotonicMs() - start;
  EXPECT_GE(elapsed, 200);
  EXPECT_LT(elapsed, 200 + 1000);

  // Trickling without a terminator: ends at the first byte after the time-out.
  {
    Peer printer([this](const std::atomic<bool>& aStop) {
      while (!aStop) {
        fServer.Send("a");
        platform::SleepMs(5);
      }
    });
    start = platform::MonotonicMs();
    const String got = t.ReadUpTo(kTerminators);
    elapsed = platform::MonotonicMs() - start;
    EXPECT_FALSE(got.empty());
    EXPECT_GT(elapsed, 200);
    EXPECT_LT(elapsed, 200 + 1000);
  }
  const std::vector<String> log = Finish();
  EXPECT_TRUE(Contains(log, u"ERROR - ReadUpTo Unexpected error:Read timed out"));
  EXPECT_EQ(CountStartingWith(log, u"ERROR - Read Timeout:a"), 1);
}

TEST_F(TcpTransport, FloodingPeerEndsAtTheTimeOut) {
  kIOHandler_TCP& t = Open();
  ::fcntl(fServer.Peer(), F_SETFL, O_NONBLOCK);
  Peer printer([this](const std::atomic<bool>& aStop) {
    const std::string block(4096, 'F');
    while (!aStop) {
      if (::send(fServer.Peer(), block.data(), block.size(), MSG_NOSIGNAL) < 0) {
        pollfd p{fServer.Peer(), POLLOUT, 0};
        ::poll(&p, 1, 10);
      }
    }
  });
  const int64_t start = platform::MonotonicMs();
  const String got = t.ReadUpTo(kTerminators);
  EXPECT_LT(platform::MonotonicMs() - start, 200 + 1000);
  EXPECT_FALSE(got.empty());
  // However fast the machine reads, the answer stays within its bound: an answer of megabytes
  // made a log line large enough to move the log file aside before the test could read it.
  EXPECT_LE(got.size(), kIOHandler::kReadUpToMaxChars);
  printer.Stop();
  const std::vector<String> log = Finish();
  EXPECT_EQ(CountStartingWith(log, u"ERROR - Read Timeout:F"), 1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(fDir.Path()), {}), 1);  // not moved aside
}

TEST_F(TcpTransport, PeerClosingMidReadEndsTheReadAtOnce) {
  const int before = OpenDescriptors();
  {
    kIOHandler_TCP& t = Open();
    t.SetReadTimeout(5000);
    Peer printer([this](const std::atomic<bool>&) {
      fServer.Send("\x02" "AB");
      platform::SleepMs(30);
      fServer.ClosePeer();
    });
    const int64_t start = platform::MonotonicMs();
    EXPECT_EQ(t.ReadUpTo(kTerminators), u"\x02" "AB");
    EXPECT_LT(platform::MonotonicMs() - start, 2500);
    printer.Stop();
    EXPECT_FALSE(t.GetConnected());
    EXPECT_EQ(t.ReadChars(1), u"");
    const std::vector<String> log = Finish();
    EXPECT_TRUE(Contains(log, u"ERROR - ReadUpTo Unexpected error:Connection closed by peer"));
    EXPECT_TRUE(Contains(log, u"ERROR - ReadChars Unexpected error:Connection closed by peer"));
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(TcpTransport, ReadCharsFullAndShort) {
  kIOHandler_TCP& t = Open();
  fServer.Send("0123456789");
  EXPECT_EQ(t.ReadChars(10), u"0123456789");
  fServer.Send("abcd");
  const int64_t start = platform::MonotonicMs();
  EXPECT_EQ(t.ReadChars(10), u"");  // fails at the time-out with nothing returned
  EXPECT_GE(platform::MonotonicMs() - start, 200);
  EXPECT_EQ(t.ReadChars(4), u"abcd");  // the bytes that came are not lost
  const std::vector<String> log = Finish();
  EXPECT_TRUE(Contains(log, u"Read:0123456789"));
  EXPECT_TRUE(Contains(log, u"ERROR - ReadChars Unexpected error:Read timed out"));
  EXPECT_TRUE(Contains(log, u"Read:abcd"));
}

TEST_F(TcpTransport, ReadAllUntilThePeerCloses) {
  kIOHandler_TCP& t = Open();
  fServer.Send("<html>reply</html>");
  fServer.ClosePeer();
  EXPECT_EQ(t.ReadAll(), u"<html>reply</html>");
  t.Disconnect();
  EXPECT_TRUE(t.Connect());
  ASSERT_TRUE(fServer.Accept());
  EXPECT_EQ(t.ReadAll(), u"");  // a silent peer
  const std::vector<String> log = Finish();
  EXPECT_TRUE(Contains(log, u"Read:<html>reply</html>"));
  EXPECT_TRUE(Contains(log, u"ERROR - ReadAll Unexpected error:Read timed out"));
}

TEST_F(TcpTransport, BytesAndCharacters) {
  kIOHandler_TCP& t = Open();
  EXPECT_TRUE(t.Write(u"\u20AC\u00E0A"));
  EXPECT_EQ(fServer.Receive(3), "?\xE0" "A");  // only U+0000-U+00FF pass, the rest is '?'
  t.SetCodePage(1252);
  EXPECT_TRUE(t.Write(u"\u20AC"));
  EXPECT_EQ(fServer.Receive(1), "\x80");
  fServer.Send("\xE0\x80");
  EXPECT_EQ(t.ReadChars(2), u"\u00E0\u0080");

  EXPECT_TRUE(t.WriteBytes({0x41, 0xE0, 0x80}));
  EXPECT_EQ(fServer.Receive(3), "A\xE0\x80");
  fServer.Send("xyz");
  EXPECT_EQ(t.ReadBytes(3), (std::vector<uint8_t>{'x', 'y', 'z'}));
  EXPECT_THROW(t.ReadBytes(1), TcpReadError);
  const std::vector<String> log = Finish();
  EXPECT_TRUE(Contains(log, u"Write:\u20AC\u00E0A"));
  EXPECT_TRUE(Contains(log, u"Write:A\u00E0\u0080"));
}

TEST_F(TcpTransport, TemporaryReadTimeoutAppliesToTheNextRead) {
  kIOHandler_TCP& t = Open();
  t.SetTemporaryReadTimeout(1500);
  Peer printer([this](const std::atomic<bool>&) {
    platform::SleepMs(400);  // longer than the normal 200 ms
    fServer.Send("\x03");
  });
  EXPECT_EQ(t.ReadUpTo(kTerminators), u"\x03");
  printer.Stop();
  t.ResetTemporaryReadTimeout();
  EXPECT_EQ(t.ReadTimeout(), 200);
}

TEST_F(TcpTransport, ClearBuffersDropsWhatHasArrived) {
  kIOHandler_TCP& t = Open();
  fServer.Send("stale");
  EXPECT_EQ(t.ReadChars(1), u"s");  // the rest now waits in the transport's buffer
  fServer.Send("older");           // and this in the system's
  WaitDelivered();
  t.ClearBuffers();
  EXPECT_FALSE(t.InputBufferContainsData());
  fServer.Send("\x06");
  EXPECT_EQ(t.ReadUpTo(kTerminators), u"\x06");
}

TEST_F(TcpTransport, ReconnectAfterDisconnectLeaksNothing) {
  const int before = OpenDescriptors();
  {
    kIOHandler_TCP& t = Open();
    for (int i = 0; i < 3; ++i) {
      EXPECT_TRUE(t.Disconnect());
      EXPECT_TRUE(t.Connect());
      ASSERT_TRUE(fServer.Accept());
      fServer.Send("\x06");
      EXPECT_EQ(t.ReadUpTo(kTerminators), u"\x06");
    }
    Finish();
  }
  fServer.ClosePeer();
  EXPECT_EQ(OpenDescriptors(), before);
}

// The printer's side ends the connection, by closing it or by resetting it: the transport
// sees it without waiting and without taking the bytes that came, sends nothing more on it
// (the log shows no write), and is connected again by ReopenLink.
TEST_F(TcpTransport, APeerThatWentAwayIsSeenAndTheLinkIsReopened) {
  struct Case {
    const char* name;
    bool reset;
    const char16_t* reason;
  };
  const Case cases[] = {{"closed", false, u"Connection closed by peer"},
                        {"reset", true, u"Connection reset by peer (error #104)"}};
  const int before = OpenDescriptors();
  {
    kIOHandler_TCP& t = Make();
    EXPECT_FALSE(t.LinkDropped()) << "not connected yet";
    EXPECT_EQ(t.LinkName(), u"127.0.0.1:" + IntToStr(fServer.Port()));
    ASSERT_TRUE(t.Connect());
    ASSERT_TRUE(fServer.Accept());
    for (const Case& c : cases) {
      EXPECT_FALSE(t.LinkDropped()) << c.name;
      if (c.reset) {
        // Unread bytes and a zero linger time make the close a reset.
        const linger abort{1, 0};
        ::setsockopt(fServer.Peer(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        t.Write(u"unread");
        ASSERT_TRUE(WaitFor([&] {
          int pending = 0;
          return ::ioctl(fServer.Peer(), FIONREAD, &pending) == 0 && pending > 0;
        }));
      } else {
        fServer.Send("");
      }
      fServer.ClosePeer();
      EXPECT_TRUE(WaitFor([&] { return t.LinkDropped(); })) << c.name;
      if (!c.reset) {
        EXPECT_TRUE(t.InputBufferContainsData()) << "the ACK that came before the close stays";
      }
      EXPECT_EQ(MessageOf([&] { t.Write(u"late"); }), String(u"Connection lost: ") + c.reason) << c.name;
      String failure;
      ASSERT_TRUE(t.ReopenLink(failure)) << ToUtf8(failure);
      ASSERT_TRUE(fServer.Accept());
      EXPECT_FALSE(t.LinkDropped()) << c.name;
      EXPECT_FALSE(t.InputBufferContainsData()) << "nothing of the old connection is read on the new one";
      t.Write(u"next");
      EXPECT_EQ(fServer.Receive(4), "next") << c.name;
    }
    // A reopen that cannot connect says why; a closed transport has no link to lose.
    fServer.ClosePeer();
    t.Disconnect();
    EXPECT_FALSE(t.LinkDropped());
    fConnection.SetPort(UnusedPort());
    kIOHandler_TCP nowhere(fConnection, u"", u"");
    String failure;
    EXPECT_FALSE(nowhere.ReopenLink(failure));
    EXPECT_EQ(failure, u"Connection refused (error #111)");
    const std::vector<String> log = Finish();
    EXPECT_FALSE(Contains(log, u"Write:late"));
    EXPECT_EQ(CountStartingWith(log, u"Write:next"), 2);
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace
}  // namespace qx
