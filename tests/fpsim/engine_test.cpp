// The frame layer: checksums, malformed frames, the driver's ACK.
#include <gtest/gtest.h>

#include "driver_side.h"
#include "fpsim/simulator.h"

namespace qx::fpsim {
namespace {

const std::string kAckByte(1, kAck), kResendByte(1, kResend);

std::string Framed(const std::string& aInner) { return std::string(1, kStx) + aInner + std::string(1, kEtx); }

TEST(FrameCodec, WorkedExampleAndFrameNumbers) {
  EXPECT_EQ(BuildRequestFrame(1, "4201", ""), "\x02" "01E420165" "\x03");
  EXPECT_EQ(BuildRequestFrame(99, "4201", "").substr(1, 2), "99");
  EXPECT_EQ(BuildRequestFrame(100, "4201", "").substr(1, 2), "00");
  EXPECT_EQ(BuildRequestFrame(101, "4201", "").substr(1, 2), "01");
  EXPECT_EQ(FrameChecksum(std::string("\xE0\xFF", 2)), "79");  // bytes, not characters: 224 + 255

  // Inner positions of an answer as the driver counts them.
  AnswerFrame answer;
  ASSERT_TRUE(ParseAnswerFrame(BuildAnswerFrame("07", "4201", "0503250907"), answer));
  EXPECT_EQ(answer.inner.substr(0, 2), "07");
  EXPECT_EQ(answer.inner.substr(3, 4), "4201");
  EXPECT_EQ(answer.full, "42010503250907");
  EXPECT_EQ(answer.data, "0503250907");
  EXPECT_TRUE(answer.checksumOk);
  ASSERT_TRUE(ParseAnswerFrame(BuildErrorFrame("07", 23), answer));
  EXPECT_EQ(answer.inner.substr(3, 3), "ERR");
  EXPECT_EQ(answer.inner.substr(8, 2), "23");
  EXPECT_EQ(answer.errorCode, 23);
}

TEST(Engine, MalformedFramesAreRefusedOrIgnored) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string answer;  // what the printer sends
  };
  std::string goodInner = BuildRequestFrame(1, "4201", "").substr(1, 9);
  std::string badChecksum = goodInner;
  badChecksum[8] = '0';
  const Case cases[] = {
      {"wrong checksum", Framed(badChecksum), kResendByte},
      {"too short", Framed("01E42"), kResendByte},
      {"empty", Framed(""), kResendByte},
      {"checksum not digits", Framed("01E4201xx"), kResendByte},
      {"no ETX yet", std::string(1, kStx) + goodInner, ""},
      {"bytes outside frames", "hello\x03\x11", ""},
      {"oversized", std::string(1, kStx) + std::string(ProtocolEngine::kMaxFrame + 1, '0'), kResendByte},
  };
  for (const Case& c : cases) {
    Simulator simulator;
    EXPECT_EQ(simulator.FeedBytes(c.bytes), c.answer) << c.what;
    // The printer is not confused: a good frame is answered.
    const std::string next = simulator.FeedBytes(std::string(1, kEtx) + BuildRequestFrame(2, "4201", ""));
    EXPECT_EQ(next.substr(0, 1), kAckByte) << c.what;
  }
}

TEST(Engine, ANewStxDropsTheCutFrame) {
  Simulator simulator;
  const std::string bytes = simulator.FeedBytes("\x02" "01E42" + BuildRequestFrame(2, "4201", ""));
  AnswerFrame answer;
  ASSERT_TRUE(ParseAnswerFrame(bytes.substr(1), answer));
  EXPECT_EQ(answer.inner.substr(0, 2), "02");
  const std::vector<TranscriptEntry> t = simulator.Transcript();
  ASSERT_GE(t.size(), 2u);
  EXPECT_EQ(t[0].kind, EntryKind::Junk);
  EXPECT_EQ(t[1].kind, EntryKind::Frame);
}

TEST(Engine, BadIdentifierIsNotExpected) {
  Simulator simulator;
  std::string body = "01X4201";
  const std::string frame = Framed(body + FrameChecksum(body));
  AnswerFrame answer;
  ASSERT_TRUE(ParseAnswerFrame(simulator.FeedBytes(frame).substr(1), answer));
  EXPECT_EQ(answer.errorCode, 16);
}

TEST(Engine, DriverAckIsTakenWhenTheParameterSaysSo) {
  for (const char* ack : {"1", "0"}) {
    SimulatorConfig config;
    ApplySetting(config, "s14.27", ack);
    Simulator simulator(config);
    simulator.FeedBytes(BuildRequestFrame(1, "4201", ""));
    simulator.FeedBytes(kAckByte);
    const std::vector<TranscriptEntry> t = simulator.Transcript();
    EXPECT_EQ(t.back().kind, std::string(ack) == "1" ? EntryKind::DriverAck : EntryKind::Junk) << ack;
    EXPECT_EQ(t.back().bytes, kAckByte);
  }
}

}  // namespace
}  // namespace qx::fpsim
