// The command exchange against the simulator and its faults.
#include <gtest/gtest.h>

#include "epson_fixture.h"
#include "platform/clock.h"

namespace qx {
namespace {

using fpsim::EntryKind;

class NativeProtocol : public testing::EpsonFixture {};

TEST_F(NativeProtocol, FirstFrameAndTheClockAnswer) {
  TDateTime clock = 0;
  ASSERT_TRUE(fDevice->GetDateTime(clock));
  const std::vector<std::string> frames = fSimulator.FramesReceived();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], std::string("\x02" "01E420165" "\x03"));
  EXPECT_GT(clock, EncodeDate(2020, 1, 1));
  // Acknowledged once, as the printer's parameter asks by default.
  EXPECT_EQ(CountOf(EntryKind::DriverAck, 1), 1u);
  EXPECT_EQ(fDevice->fFullResponseData.substr(0, 4), u"4201");
}

TEST_F(NativeProtocol, FrameNumbersWrapFrom99To00To01) {
  fDevice->fFrameCounter = 98;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(fDevice->IsDayOpen() || !IO().ErrorFound());
  const std::vector<std::string> frames = fSimulator.FramesReceived();
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].substr(1, 2), "99");
  EXPECT_EQ(frames[1].substr(1, 2), "00");
  EXPECT_EQ(frames[2].substr(1, 2), "01");
}

// One simulator per case: the late answers that a resend leaves on the line must not reach the
// next case.
struct HandshakeCase {
  const char* fault;
  size_t framesWritten;
};

class Handshake : public testing::EpsonFixture, public ::testing::WithParamInterface<HandshakeCase> {};

TEST_P(Handshake, AnswerArrivesAndIsAcknowledgedOnce) {
  const HandshakeCase& c = GetParam();
  fSimulator.AddFault(c.fault);
  TDateTime clock = 0;
  EXPECT_TRUE(fDevice->GetDateTime(clock));
  EXPECT_FALSE(IO().ErrorFound());
  EXPECT_EQ(CountOf(EntryKind::Frame, c.framesWritten), c.framesWritten);
  EXPECT_EQ(CountOf(EntryKind::DriverAck, 1), 1u);
}

INSTANTIATE_TEST_SUITE_P(Faults, Handshake,
                         ::testing::Values(HandshakeCase{"4201:busy=2/50", 1},  // busy twice, then the answer
                                           HandshakeCase{"4201:resend", 3},  // at once, and again after clearing
                                           HandshakeCase{"4201:stray=FF", 2},  // text before STX: sent again
                                           HandshakeCase{"4201:bad-checksum", 1}));

TEST_F(NativeProtocol, ErrorAnswersAreStillAcknowledged) {
  struct Case { int code; const char16_t* text; };
  const Case cases[] = {{23, u"CHIUDI SCONTRINO"}, {31, u"ERRORE SCONOSCIUTO"}, {2, u"CARTA SCONTRINO"}};
  for (const Case& c : cases) {
    fSimulator.ClearTranscript();
    IO().ResetCustomError();
    fSimulator.AddFault("4201:error=" + std::to_string(c.code));
    TDateTime clock = 0;
    EXPECT_FALSE(fDevice->GetDateTime(clock));
    EXPECT_EQ(IO().ErrorCode(), c.code);
    EXPECT_EQ(IO().ErrorMessage(), c.text);
    EXPECT_EQ(CountOf(EntryKind::DriverAck, 1), 1u);
  }
}

TEST_F(NativeProtocol, SilenceEndsAfterThreeAttempts) {
  fSimulator.AddFault("*:silence:always");
  TDateTime clock = 7;
  EXPECT_FALSE(fDevice->GetDateTime(clock));
  EXPECT_EQ(clock, 7);
  EXPECT_EQ(IO().ErrorCode(), -99);
  EXPECT_EQ(IO().ErrorMessage(), u"Timeout Error");
  EXPECT_EQ(fDevice->fFullResponseData, u"");
  EXPECT_EQ(fDevice->fResponseData, u"");
  EXPECT_EQ(fSimulator.FramesReceived().size(), 3u);
  const std::string log = CloseAndReadLog();
  for (const char* line : {" - ERROR - Timeout: #1\r\n", " - ERROR - Timeout: #2\r\n", " - ERROR - Timeout: #3\r\n"})
    EXPECT_NE(log.find(line), std::string::npos) << line;
  EXPECT_EQ(log.find("Timeout: #4"), std::string::npos);
}

// A control character in the data would be a frame boundary or a handshake byte for the
// printer: it goes out as a blank, and the log names the command and the positions.
TEST_F(NativeProtocol, ControlCharactersOfTheDataGoOutAsBlanks) {
  ASSERT_TRUE(fDevice->ExecuteCommand(u"1062", u"011A\x03\x02" u"00E10880171\x03\x06\x0F\x11\x1F" u"00", u"WriteDisplay"));
  const std::vector<std::string> frames = fSimulator.FramesReceived();
  ASSERT_EQ(frames.size(), 1u);
  const std::string text = "A  00E10880171" + std::string(5, ' ');
  EXPECT_EQ(frames[0].substr(4, frames[0].size() - 7), "1062" "011" + text + "00");
  EXPECT_EQ(fSimulator.WithModel([](fpsim::PrinterModel& m) { return m.State().display; }), text);
  EXPECT_EQ(CountOf(EntryKind::Junk), 0u);
  EXPECT_NE(CloseAndReadLog().find(" - WriteDisplay: control characters sent as blanks at data positions 5, 6, 18, "
                                   "19, 20, 21, 22\r\n"),
            std::string::npos);
}

TEST_F(NativeProtocol, NoAckWhenThePrinterDoesNotWantOne) {
  fDevice->fAckEnabled = false;
  TDateTime clock = 0;
  ASSERT_TRUE(fDevice->GetDateTime(clock));
  fSimulator.AddFault("4201:error=23");
  EXPECT_FALSE(fDevice->GetDateTime(clock));
  EXPECT_EQ(CountOf(EntryKind::DriverAck), 0u);
}

// A printer that never stops being busy ends as a silent one: after the busy window and three
// more time-outs.
TEST_F(NativeProtocol, EndlessBusyEndsWithTheTimeout) {
  fSimulator.AddFault("4201:busy=999/10:always");
  IO().SetReadTimeout(50);
  fDevice->fMinBusyWindowMs = 200;  // the window is then ten read time-outs: 500 ms
  const int64_t start = platform::MonotonicMs();
  TDateTime clock = 0;
  EXPECT_FALSE(fDevice->GetDateTime(clock));
  EXPECT_EQ(IO().ErrorMessage(), u"Timeout Error");
  EXPECT_GE(platform::MonotonicMs() - start, 500);
  EXPECT_EQ(fSimulator.FramesReceived().size(), 1u);  // busy answers suppress the resend
}

// A printer that misbehaves once: every exchange ends within its bound, and the next one works.
TEST_F(NativeProtocol, MisbehavingPrinterThenTheNextRequestWorks) {
  IO().SetReadTimeout(60);
  const char* faults[] = {"4201:ack-silence",       // acknowledged, never answered
                          "4201:drop",              // the line goes quiet mid-exchange
                          "4201:split=3/30",        // an answer in pieces
                          "4201:stray=41424303",    // garbage with an ETX in it before the frame
                          "4201:slow=400"};         // an answer after the time-outs
  for (const char* fault : faults) {
    fSimulator.AddFault(fault);
    TDateTime clock = 0;
    const int64_t start = platform::MonotonicMs();
    fDevice->GetDateTime(clock);
    EXPECT_LT(platform::MonotonicMs() - start, 3000) << fault;
    // The next request: a new call asks a printer that was silent in the last one again.
    IO().ResetCustomError();
    fDevice->BeginOperation();
    // A late answer of the faulty exchange may still be on the line; it is cleared before the
    // next frame goes out.
    platform::SleepMs(450);
    EXPECT_TRUE(fDevice->GetDateTime(clock)) << fault;
    EXPECT_FALSE(IO().ErrorFound()) << fault;
  }
}

}  // namespace
}  // namespace qx
