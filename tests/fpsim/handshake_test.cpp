// The handshake over real media: a pseudo-terminal opened like a serial port, and a loopback
// socket. The driver's side is played by hand, byte by byte.
#include <gtest/gtest.h>

#include "driver_side.h"
#include "fpsim/simulator.h"

namespace qx::fpsim {
namespace {

using testing::WireLink;

const std::string kAckByte(1, kAck);

SimulatorConfig FrozenClock() {
  SimulatorConfig config;
  ApplySetting(config, "clock", "2025-03-05 09:07:45");
  ApplySetting(config, "clock_frozen", "true");
  return config;
}

class Handshake : public ::testing::TestWithParam<bool> {
 protected:
  Handshake() : fSimulator(FrozenClock()) {}

  WireLink Connect() {
    if (GetParam()) return WireLink::Tcp(fSimulator.StartTcp());
    return WireLink::Pty(fSimulator.StartPty());
  }

  // Waits until the simulator has recorded aCount entries of aKind.
  bool Recorded(EntryKind aKind, size_t aCount) {
    return fSimulator.WaitFor(
        [&](const PrinterModel&, const Transcript& t) {
          size_t n = 0;
          for (const TranscriptEntry& e : t.All()) n += e.kind == aKind;
          return n >= aCount;
        },
        2000);
  }

  Simulator fSimulator;
};

TEST_P(Handshake, WorkedExampleIsAcknowledgedAndAnsweredWithTheClock) {
  WireLink line = Connect();
  const std::string frame = "\x02" "01E420165" "\x03";
  line.Write(frame);
  const std::string bytes = line.ReadAnswer();
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 1), kAckByte);
  AnswerFrame answer;
  ASSERT_TRUE(ParseAnswerFrame(bytes.substr(1), answer)) << bytes;
  EXPECT_EQ(answer.echo, "4201");
  EXPECT_EQ(answer.data.substr(0, 10), "0503250907");
  EXPECT_TRUE(answer.checksumOk);

  line.Write(kAckByte);
  ASSERT_TRUE(Recorded(EntryKind::DriverAck, 1));
  const std::vector<std::string> frames = fSimulator.FramesReceived();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], std::string("\x02\x30\x31\x45\x34\x32\x30\x31\x36\x35\x03"));
}

TEST_P(Handshake, BusyBytesPrecedeTheAnswer) {
  WireLink line = Connect();
  fSimulator.AddFault("4201:busy=2/30");
  line.Write(BuildRequestFrame(1, "4201", ""));
  const std::string bytes = line.ReadAnswer();
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes.substr(0, 3), (std::string{kAck, kBusy, kBusy}));
  EXPECT_EQ(bytes[3], kStx);
  EXPECT_EQ(bytes.back(), kEtx);
}

TEST_P(Handshake, WrongChecksumAsksForTheFrameAgain) {
  WireLink line = Connect();
  std::string frame = BuildRequestFrame(1, "4201", "");
  frame[frame.size() - 2] = frame[frame.size() - 2] == '9' ? '0' : static_cast<char>(frame[frame.size() - 2] + 1);
  line.Write(frame);
  EXPECT_EQ(line.ReadUntil([](const std::string& b) { return !b.empty(); }), std::string(1, kResend));

  line.Write(BuildRequestFrame(1, "4201", ""));
  const std::string bytes = line.ReadAnswer();
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes[0], kAck);
  EXPECT_EQ(bytes.back(), kEtx);
}

TEST_P(Handshake, ErrorAnswerCarriesTheCode) {
  WireLink line = Connect();
  line.Write(BuildRequestFrame(1, "1085", "01"));
  line.ReadAnswer();
  line.Write(kAckByte);
  line.Write(BuildRequestFrame(2, "1085", "01"));  // a receipt is already open
  const std::string bytes = line.ReadAnswer();
  AnswerFrame answer;
  ASSERT_TRUE(ParseAnswerFrame(bytes.substr(1), answer)) << bytes;
  EXPECT_TRUE(answer.isError);
  EXPECT_EQ(answer.errorCode, 23);
  EXPECT_EQ(answer.inner.substr(0, 2), "02");  // the frame number of the request
}

TEST_P(Handshake, SplitAnswerArrivesInPieces) {
  WireLink line = Connect();
  fSimulator.AddFault("4201:split=2/150");
  line.Write(BuildRequestFrame(1, "4201", ""));
  // The first piece comes alone: the rest follows only after the pause.
  const std::string first = line.ReadFor(80);
  ASSERT_GE(first.size(), 2u);
  EXPECT_EQ(first[0], kAck);
  EXPECT_NE(first.back(), kEtx);
  const std::string rest = line.ReadAnswer();
  AnswerFrame answer;
  EXPECT_TRUE(ParseAnswerFrame((first + rest).substr(1), answer));
  EXPECT_EQ(answer.echo, "4201");
}

TEST_P(Handshake, SilenceSendsNothing) {
  WireLink line = Connect();
  fSimulator.AddFault("*:silence");
  line.Write(BuildRequestFrame(1, "4201", ""));
  ASSERT_TRUE(Recorded(EntryKind::Frame, 1));
  EXPECT_EQ(line.ReadFor(100), "");
  line.Write(BuildRequestFrame(1, "4201", ""));  // the driver's resend is answered
  EXPECT_EQ(line.ReadAnswer().substr(0, 1), kAckByte);
}

INSTANTIATE_TEST_SUITE_P(Media, Handshake, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Tcp" : "Pty"; });

TEST(HandshakeTcp, DropClosesTheConnectionAndANewOneIsServed) {
  Simulator simulator;
  const uint16_t port = simulator.StartTcp();
  {
    WireLink line = WireLink::Tcp(port);
    simulator.AddFault("*:drop");
    line.Write(BuildRequestFrame(1, "4201", ""));
    EXPECT_TRUE(line.ClosedByPeer());
  }
  WireLink again = WireLink::Tcp(port);
  again.Write(BuildRequestFrame(2, "4201", ""));
  EXPECT_EQ(again.ReadAnswer().substr(0, 1), kAckByte);
}

TEST(HandshakeTcp, ANewConnectionReplacesTheOldOne) {
  Simulator simulator;
  const uint16_t port = simulator.StartTcp();
  WireLink first = WireLink::Tcp(port);
  WireLink second = WireLink::Tcp(port);
  EXPECT_TRUE(first.ClosedByPeer());
  second.Write(BuildRequestFrame(1, "4201", ""));
  EXPECT_EQ(second.ReadAnswer().substr(0, 1), kAckByte);
}

TEST(HandshakePty, ReopeningTheTerminalStartsAFreshSession) {
  Simulator simulator;
  const std::string path = simulator.StartPty();
  {
    WireLink line = WireLink::Pty(path);
    line.Write(BuildRequestFrame(1, "1070", "01"));
    line.ReadAnswer();
  }
  // A new device object starts its frame numbers again: the same first frame is a new
  // command, not a resend (the printer executes it and answers).
  WireLink line = WireLink::Pty(path);
  simulator.WithModel([](PrinterModel& m) { m.State().day.documents = 4; });
  line.Write(BuildRequestFrame(1, "1070", "01"));
  AnswerFrame answer;
  const std::string bytes = line.ReadAnswer();
  ASSERT_TRUE(ParseAnswerFrame(bytes.substr(1), answer)) << bytes;
  EXPECT_EQ(answer.data.substr(2, 4), "0005");
}

}  // namespace
}  // namespace qx::fpsim
