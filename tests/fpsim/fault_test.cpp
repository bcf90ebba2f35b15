// Fault injection: what each fault makes the printer send, and whether the frame is executed.
#include <gtest/gtest.h>

#include "model_fixture.h"
#include "support/error.h"

namespace qx::fpsim {
namespace {

using testing::ItemData;

struct FaultCase {
  const char* rule;
  std::vector<EntryKind> sent;      // what goes to the driver, in order
  std::vector<int64_t> delays;      // the pause before each
  bool executed;                    // the receipt is open afterwards
};

class FaultTest : public testing::ModelTest {
 protected:
  // Sends "1085" (begin a sale) under the fault; returns what went to the driver.
  std::vector<Emission> BeginSaleUnder(const char* aRule) {
    fSimulator.AddFault(aRule);
    fSimulator.ClearTranscript();
    return fSimulator.Feed(BuildRequestFrame(++fFrame, "1085", "01"));
  }
  std::vector<EntryKind> SentKinds() {
    std::vector<EntryKind> kinds;
    for (const TranscriptEntry& e : fSimulator.Transcript())
      if (e.direction == Direction::ToDriver) kinds.push_back(e.kind);
    return kinds;
  }
  int fFrame = 0;
};

TEST_F(FaultTest, EachFaultSendsWhatItSays) {
  using K = EntryKind;
  const FaultCase cases[] = {
      {"1085:silence", {}, {}, false},
      {"1085:ack-silence", {K::Ack}, {0}, false},
      {"1085:resend", {K::Resend}, {0}, false},
      {"1085:busy=3/40", {K::Ack, K::Busy, K::Busy, K::Busy, K::Answer}, {0, 40, 40, 40, 40}, true},
      {"1085:error=23", {K::Ack, K::Answer}, {0, 0}, false},
      {"1085:stray=FF00", {K::Ack, K::Stray, K::Answer}, {0, 0, 0}, true},
      {"1085:split=3/25", {K::Ack, K::Answer, K::Answer, K::Answer}, {0, 0, 25, 25}, true},
      {"1085:slow=300", {K::Ack, K::Answer}, {0, 300}, true},
      {"1085:drop", {K::Drop}, {0}, false},
      {"1085:bad-checksum", {K::Ack, K::Answer}, {0, 0}, true},
      {"1085:echo=4201", {K::Ack, K::Answer}, {0, 0}, true},
      // After the printer acted: the answer is recorded as lost, never sent.
      {"1085:lost", {K::Ack, K::Lost}, {0}, true},
      {"1085:act-silence=1/frames", {K::Lost}, {}, true},
      {"1085:act-drop", {K::Lost, K::Drop}, {0}, true},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.rule);
    fSimulator.ClearFaults();  // and the silence an act-silence left
    fSimulator.WithModel([](PrinterModel& m) { m.State().fiscal.reset(); });
    const std::vector<Emission> out = BeginSaleUnder(c.rule);
    EXPECT_EQ(SentKinds(), c.sent);
    std::vector<int64_t> delays;
    std::string answer;
    for (const Emission& e : out) {
      delays.push_back(e.delayMs);
      if (!e.bytes.empty() && e.bytes != std::string(1, kAck) && e.bytes[0] != kBusy) answer += e.bytes;
    }
    EXPECT_EQ(delays, c.delays);
    EXPECT_EQ(fSimulator.WithModel([](PrinterModel& m) { return m.State().fiscal.has_value(); }), c.executed);

    const std::string rule = c.rule;
    AnswerFrame frame;
    if (rule == "1085:error=23") {
      ASSERT_TRUE(ParseAnswerFrame(answer, frame));
      EXPECT_TRUE(frame.isError);
      EXPECT_EQ(frame.errorCode, 23);
    } else if (rule == "1085:stray=FF00") {
      EXPECT_EQ(answer.substr(0, 3), std::string("\xFF\x00\x02", 3));
    } else if (rule == "1085:bad-checksum") {
      ASSERT_TRUE(ParseAnswerFrame(answer, frame));
      EXPECT_FALSE(frame.checksumOk);
      EXPECT_EQ(frame.echo, "1085");
    } else if (rule == "1085:echo=4201") {
      ASSERT_TRUE(ParseAnswerFrame(answer, frame));
      EXPECT_TRUE(frame.checksumOk);
      EXPECT_EQ(frame.echo, "4201");
    } else if (rule.find(":lost") != std::string::npos || rule.find(":act-") != std::string::npos) {
      EXPECT_EQ(answer, "");
    } else if (c.executed) {
      ASSERT_TRUE(ParseAnswerFrame(answer, frame)) << rule;  // split pieces join into the frame
      EXPECT_TRUE(frame.checksumOk);
      EXPECT_EQ(frame.echo, "1085");
    }
  }
}

TEST_F(FaultTest, CountsFramesAndMatchesCommands) {
  fSimulator.AddFault("*:resend:2");
  fSimulator.AddFault("4201:silence:always");
  EXPECT_EQ(fLink.Raw("1074", "01"), std::string(1, kResend));
  EXPECT_EQ(fLink.Raw("1074", "01"), std::string(1, kResend));
  EXPECT_EQ(fLink.Raw("1074", "01").substr(0, 1), std::string(1, kAck));  // the two frames are used up
  for (int i = 0; i < 3; ++i) EXPECT_EQ(fLink.Raw("4201"), "");        // always
  EXPECT_EQ(fLink.Raw("2050", "2400").substr(0, 1), std::string(1, kAck));
  fSimulator.ClearFaults();
  EXPECT_EQ(fLink.Raw("4201").substr(0, 1), std::string(1, kAck));
}

TEST_F(FaultTest, AResentFrameIsAnsweredAgainWithoutBeingExecutedTwice) {
  Data("1085", "01");
  fSimulator.AddFault("1080:stray");
  const std::string item = BuildRequestFrame(7, "1080", ItemData("Pane", 1000, 150));
  const std::string first = fSimulator.FeedBytes(item);  // the driver reads stray bytes and resends
  const std::string again = fSimulator.FeedBytes(item);
  EXPECT_EQ(first, std::string(1, kAck) + "\xFF" + again.substr(1));
  EXPECT_EQ(State().fiscal->total, Currency::FromText(u"1.50"));
}

TEST(FaultText, ReadsArgumentsAndRefusesBadOnes) {
  const Fault busy = ParseFault("*:busy=4/75:3");
  EXPECT_EQ(busy.kind, FaultKind::Busy);
  EXPECT_EQ(busy.command, "");
  EXPECT_EQ(busy.value, 4);
  EXPECT_EQ(busy.pauseMs, 75);
  EXPECT_EQ(busy.count, 3);
  EXPECT_EQ(ParseFault("1084:error=38:always").count, -1);
  EXPECT_EQ(ParseFault("1084:stray=0A0d").text, "\x0A\x0D");
  struct Silence {
    const char* text;
    int frames, ms;  // both 0: until the faults are cleared
  };
  for (const Silence& s : {Silence{"1084:act-silence=2/frames", 2, 0}, Silence{"1084:act-silence=2000", 0, 2000},
                           Silence{"1084:act-silence=0", 0, 0}, Silence{"*:act-silence:always", 0, 0}}) {
    const Fault f = ParseFault(s.text);
    EXPECT_EQ(f.kind, FaultKind::ActThenSilence) << s.text;
    EXPECT_EQ(f.value, s.frames) << s.text;
    EXPECT_EQ(f.pauseMs, s.ms) << s.text;
  }
  EXPECT_EQ(ParseFault("1084:lost:2").kind, FaultKind::LostAnswer);
  EXPECT_EQ(ParseFault("*:act-drop").kind, FaultKind::ActThenDrop);

  for (const char* bad : {"", "4201", "42:silence", "4201:nap", "4201:error", "4201:error=100", "4201:stray=F",
                          "4201:stray=GG", "4201:silence=3", "4201:echo=42", "4201:busy:x", "4201:busy:1:2", "1084:lost=1", "1084:act-drop=5",
                          "1084:act-silence=0/frames", "1084:act-silence=2/secs", "1084:act-silence=x",
                          "1084:act-silence=/frames", "1084:act-silence=600001"}) {
    EXPECT_THROW(ParseFault(bad), Error) << bad;
  }
}

}  // namespace
}  // namespace qx::fpsim
