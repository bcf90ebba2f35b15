// Faults after the printer acted: the frame is executed, its answer does not reach the driver,
// and the driver's resend of the same frame is answered without executing it again. Over the
// printer's own session and over a real pseudo-terminal and socket.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <tuple>

#include "driver_side.h"
#include "model_fixture.h"
#include "platform/clock.h"

namespace qx::fpsim {
namespace {

using testing::ItemData;
using testing::PaymentData;
using testing::TestConfig;
using testing::WireLink;

const std::string kAckByte(1, kAck);

RegisteredCounts Registered(Simulator& aSimulator) {
  return aSimulator.WithModel([](PrinterModel& m) { return m.Registered(); });
}

// The answer the printer executed and kept back, as recorded in its transcript.
std::string KeptBack(const std::vector<TranscriptEntry>& aTranscript) {
  std::string answer;
  for (const TranscriptEntry& e : aTranscript)
    if (e.kind == EntryKind::Lost) answer = e.bytes;
  return answer;
}
std::string KeptBack(Simulator& aSimulator) { return KeptBack(aSimulator.Transcript()); }

size_t FramesRead(const std::vector<TranscriptEntry>& aTranscript) {
  size_t n = 0;
  for (const TranscriptEntry& e : aTranscript) n += e.kind == EntryKind::Frame;
  return n;
}

// A sale of 1,50 open and its item sold, then the payment that closes it, frame aNumber.
std::string OpenSaleAndPayment(testing::DirectLink& aLink, int aNumber) {
  aLink.Data("1085", "01");
  aLink.Data("1080", ItemData("Pane", 1000, 150));
  return BuildRequestFrame(aNumber, "1084", PaymentData("Contanti", 150, "000"));
}

TEST(ResendKey, TheLastFrameExecutedIsKnownAgainWhateverCameBetween) {
  struct Case {
    const char* what;
    const char* fault;  // in force for the bytes between; may be null
    std::string between;
  };
  std::string refused = BuildRequestFrame(40, "4201", "");
  refused[refused.size() - 2] = refused[refused.size() - 2] == '9' ? '0' : static_cast<char>(refused[refused.size() - 2] + 1);
  const Case cases[] = {
      {"nothing", nullptr, ""},
      {"junk", nullptr, "hello\x03"},
      {"an ACK", nullptr, kAckByte},
      {"a frame refused for its checksum", nullptr, refused},
      {"a frame under silence", "4201:silence", BuildRequestFrame(41, "4201", "")},
      {"a frame under ack-silence", "1085:ack-silence", BuildRequestFrame(42, "1085", "01")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Simulator simulator(TestConfig());
    testing::DirectLink link(simulator);
    const std::string payment = OpenSaleAndPayment(link, 9);
    simulator.AddFault("1084:lost");
    EXPECT_EQ(simulator.FeedBytes(payment), kAckByte);
    if (c.fault != nullptr) simulator.AddFault(c.fault);
    simulator.FeedBytes(c.between);
    EXPECT_EQ(simulator.FeedBytes(payment), kAckByte + KeptBack(simulator));
    EXPECT_EQ(Registered(simulator).sales, 1);
  }
}

TEST(ResendKey, ANewNumberOrNewContentIsANewFrame) {
  Simulator simulator(TestConfig());
  testing::DirectLink link(simulator);
  link.Data("1085", "01");
  struct Step {
    int number;
    const char* item;
    int64_t cents;
    const char16_t* total;  // the receipt's total after the frame
  };
  const Step steps[] = {
      {7, "Pane", 150, u"1.50"},   // executed
      {7, "Pane", 150, u"1.50"},   // the resend: answered, not executed
      {7, "Latte", 120, u"2.70"},  // the same number with other content: a new frame
      {8, "Latte", 120, u"3.90"},  // the same content with another number: a new frame
      {8, "Latte", 120, u"3.90"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::to_string(s.number) + " " + s.item);
    const std::string bytes = simulator.FeedBytes(BuildRequestFrame(s.number, "1080", ItemData(s.item, 1000, s.cents)));
    EXPECT_EQ(bytes.substr(0, 1), kAckByte);
    simulator.FeedBytes(kAckByte);
    EXPECT_EQ(simulator.WithModel([](PrinterModel& m) { return m.State().fiscal->total; }), Currency::FromText(s.total));
  }
}

TEST(ActSilence, LastsItsFramesOrUntilTheFaultsAreCleared) {
  struct Case {
    const char* fault;
    int silentFrames;  // frames ignored before the printer answers again; -1: until cleared
  };
  const Case cases[] = {
      {"1084:act-silence=2/frames", 2},
      {"1084:act-silence=1/frames", 1},
      {"1084:act-silence=0", -1},
      {"1084:act-silence", -1},
      {"1084:act-silence=600000", -1},  // ten minutes: still silent when the test clears it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    Simulator simulator(TestConfig());
    testing::DirectLink link(simulator);
    const std::string payment = OpenSaleAndPayment(link, 20);
    simulator.AddFault(c.fault);
    simulator.AddFault("*:resend");  // not used by the frames the silence ignores
    EXPECT_EQ(simulator.FeedBytes(payment), "");
    ASSERT_FALSE(KeptBack(simulator).empty());
    EXPECT_EQ(Registered(simulator).sales, 1);

    // Silent to everything: a new command is not executed, a bad frame is not refused.
    const int frames = c.silentFrames < 0 ? 4 : c.silentFrames;
    for (int i = 0; i < frames; ++i) {
      const std::string frame = i % 2 == 0 ? BuildRequestFrame(30 + i, "1085", "01") : std::string("\x02" "01E42\x03");
      EXPECT_EQ(simulator.FeedBytes(frame), "") << i;
    }
    EXPECT_FALSE(simulator.WithModel([](PrinterModel& m) { return m.State().fiscal.has_value(); }));
    if (c.silentFrames < 0) {
      EXPECT_EQ(simulator.FeedBytes(payment), "");
      simulator.ClearFaults();
      simulator.AddFault("*:resend");
    }
    EXPECT_EQ(simulator.FeedBytes(payment), std::string(1, kResend));
    EXPECT_EQ(simulator.FeedBytes(payment), kAckByte + KeptBack(simulator));
    EXPECT_EQ(Registered(simulator).sales, 1);
  }
}

TEST(ActSilence, EndsWhenItsTimeHasPassed) {
  Simulator simulator(TestConfig());
  testing::DirectLink link(simulator);
  const std::string payment = OpenSaleAndPayment(link, 20);
  simulator.AddFault("1084:act-silence=1");
  const int64_t start = platform::MonotonicMs();
  EXPECT_EQ(simulator.FeedBytes(payment), "");
  // The silence ends one millisecond after the frame, on the printer's monotonic clock.
  while (platform::MonotonicMs() < start + 2) platform::SleepMs(1);
  EXPECT_EQ(simulator.FeedBytes(payment), kAckByte + KeptBack(simulator));
  EXPECT_EQ(Registered(simulator).sales, 1);
}

enum class Medium { Engine, Pty, Tcp };

// The driver's side with explicit frame numbers, on one medium.
class DriverLine {
 public:
  DriverLine(Simulator& aSimulator, Medium aMedium) : fSimulator(aSimulator), fMedium(aMedium) {
    if (fMedium == Medium::Pty) fLink.emplace(WireLink::Pty(fSimulator.StartPty()));
    if (fMedium == Medium::Tcp) fLink.emplace(WireLink::Tcp(fSimulator.StartTcp()));
  }

  // Sends aFrame and returns what the printer sent up to the end of its answer; then the
  // driver's ACK. On a wire it is sent again (up to three times, as the driver does) while
  // nothing comes back: a terminal's drop discards what was already waiting.
  std::string Exchange(const std::string& aFrame) {
    std::string bytes;
    if (!fLink) bytes = fSimulator.FeedBytes(aFrame);
    for (int attempt = 0; fLink && attempt < 3 && bytes.empty(); ++attempt) {
      fLink->Write(aFrame);
      bytes = fLink->ReadAnswer();
    }
    Put(kAckByte);
    return bytes;
  }

  // Sends aFrame that gets no answer; returns the ACK when aAck, once the printer has read it.
  std::string Unanswered(const std::string& aFrame, bool aAck) {
    if (!fLink) {
      std::string bytes;
      for (const Emission& e : fSimulator.Feed(aFrame)) {
        fDropped = fDropped || e.drop;
        bytes += e.bytes;
      }
      return bytes;
    }
    const size_t seen = FramesRead(fSimulator.Transcript());
    fLink->Write(aFrame);
    if (aAck) return fLink->ReadUntil([](const std::string& b) { return !b.empty(); });
    EXPECT_TRUE(fSimulator.WaitFor([&](const PrinterModel&, const Transcript& t) { return FramesRead(t.All()) > seen; },
                                   2000));
    return {};
  }

  // True when the printer dropped the connection (the engine's drop, a closed socket).
  bool Dropped() { return fMedium == Medium::Tcp ? fLink->ClosedByPeer() : fDropped; }
  void Reconnect() {
    if (fMedium == Medium::Tcp) {
      fLink.reset();
      fLink.emplace(WireLink::Tcp(fSimulator.StartTcp()));
    }
  }

 private:
  void Put(const std::string& aBytes) {
    if (fLink)
      fLink->Write(aBytes);
    else
      fSimulator.FeedBytes(aBytes);
  }

  Simulator& fSimulator;
  Medium fMedium;
  std::optional<WireLink> fLink;
  bool fDropped = false;
};

struct AfterActCase {
  const char* name;
  const char* fault;
  bool ack;          // the printer acknowledges the frame
  int silentFrames;  // resends ignored after it
  bool drop;
};

void PrintTo(const AfterActCase& aCase, std::ostream* aOut) { *aOut << aCase.fault; }
void PrintTo(Medium aMedium, std::ostream* aOut) { *aOut << static_cast<int>(aMedium); }

const AfterActCase kAfterActCases[] = {
    {"Lost", "1084:lost", true, 0, false},
    {"ActSilence", "1084:act-silence=2/frames", false, 2, false},
    {"ActDrop", "1084:act-drop", false, 0, true},
};

class AfterAct : public ::testing::TestWithParam<std::tuple<Medium, AfterActCase>> {
 protected:
  AfterAct() : fSimulator(TestConfig()) {}
  Simulator fSimulator;
};

TEST_P(AfterAct, ThePaymentRegistersOneDocumentAndItsResendGetsTheAnswer) {
  const auto& [medium, c] = GetParam();
  DriverLine line(fSimulator, medium);
  line.Exchange(BuildRequestFrame(1, "1085", "01"));
  line.Exchange(BuildRequestFrame(2, "1080", ItemData("Pane", 1000, 150)));
  fSimulator.AddFault(c.fault);
  const std::string data = PaymentData("Contanti", 150, "000");
  const std::string payment = BuildRequestFrame(3, "1084", data);

  EXPECT_EQ(line.Unanswered(payment, c.ack), c.ack ? kAckByte : "");
  ASSERT_TRUE(
      fSimulator.WaitFor([](const PrinterModel&, const Transcript& t) { return !KeptBack(t.All()).empty(); }, 2000));
  const std::string kept = KeptBack(fSimulator);
  AnswerFrame answer;
  ASSERT_TRUE(ParseAnswerFrame(kept, answer)) << kept;
  EXPECT_EQ(answer.data.substr(2, 1), "1");  // the payment closed the receipt
  EXPECT_EQ(Registered(fSimulator).sales, 1);
  if (c.drop) {
    if (medium != Medium::Pty) {  // a terminal cannot be hung up
      EXPECT_TRUE(line.Dropped());
    }
    line.Reconnect();
  }

  for (int i = 0; i < c.silentFrames; ++i) EXPECT_EQ(line.Unanswered(payment, false), "") << i;
  // Whatever the printer sends now starts with the resend's ACK: nothing of the kept-back
  // answer came before it.
  EXPECT_EQ(line.Exchange(payment), kAckByte + kept);
  EXPECT_EQ(Registered(fSimulator).Fiscal(), 1);

  // A new frame number is a new frame: executed, and with no receipt open the payment is refused.
  const std::string again = line.Exchange(BuildRequestFrame(4, "1084", data));
  ASSERT_TRUE(ParseAnswerFrame(again.substr(1), answer)) << again;
  EXPECT_TRUE(answer.isError);
  EXPECT_EQ(answer.errorCode, kErrSequence);
  EXPECT_EQ(Registered(fSimulator).Fiscal(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, AfterAct, ::testing::Combine(::testing::Values(Medium::Engine, Medium::Pty, Medium::Tcp),
                                        ::testing::ValuesIn(kAfterActCases)),
    [](const ::testing::TestParamInfo<AfterAct::ParamType>& i) {
      const Medium m = std::get<0>(i.param);
      return std::string(m == Medium::Engine ? "Engine" : m == Medium::Pty ? "Pty" : "Tcp") + std::get<1>(i.param).name;
    });

TEST(ActDropTcp, ANewConnectionWorksAndTheDocumentStaysRegistered) {
  Simulator simulator(TestConfig());
  const uint16_t port = simulator.StartTcp();
  {
    WireLink line = WireLink::Tcp(port);
    line.Write(BuildRequestFrame(1, "1085", "01"));
    line.ReadAnswer();
    line.Write(kAckByte + BuildRequestFrame(2, "1080", ItemData("Pane", 1000, 150)));
    line.ReadAnswer();
    simulator.AddFault("*:act-drop");
    line.Write(kAckByte + BuildRequestFrame(3, "1084", PaymentData("Contanti", 150, "000")));
    EXPECT_TRUE(line.ClosedByPeer());
  }
  // A driver that starts its frame numbers again: its first frame is a new one.
  WireLink line = WireLink::Tcp(port);
  line.Write(BuildRequestFrame(1, "1070", "01"));
  AnswerFrame answer;
  const std::string bytes = line.ReadAnswer();
  ASSERT_TRUE(ParseAnswerFrame(bytes.substr(1), answer)) << bytes;
  EXPECT_EQ(answer.data.substr(2, 4), "0002");  // the next document: the first one is registered
  const RegisteredCounts counts = Registered(simulator);
  EXPECT_EQ(counts.sales, 1);
  EXPECT_FALSE(simulator.WithModel([](PrinterModel& m) { return m.State().fiscal.has_value(); }));
}

class RegisteredTest : public testing::ModelTest {};

TEST_F(RegisteredTest, CountsEachKindOfDocument) {
  WholeSale();
  Data("9205", testing::CheckData('2', "99MEB012345", "05032025", 1, 1));
  Data("1078", "0140001VOID 0001 0001 05032025 99MEB012345");
  Data("1063", "01");
  Data("1064", "011" + PadCut("Buono", 40));
  Data("1065", "01");
  Data("3001", "01");
  const RegisteredCounts counts = fSimulator.WithModel([](PrinterModel& m) { return m.Registered(); });
  EXPECT_EQ(counts.sales, 1);
  EXPECT_EQ(counts.voids, 1);
  EXPECT_EQ(counts.refunds, 0);
  EXPECT_EQ(counts.invoices, 0);
  EXPECT_EQ(counts.Fiscal(), 2);
  EXPECT_EQ(counts.nonFiscal, 1);
  EXPECT_EQ(counts.zReports, 1);
}

}  // namespace
}  // namespace qx::fpsim
