// The command exchange against printers that misbehave over each transport: silence and answers
// with another echo (scripted_exchange_test.cpp has the faults a scripted printer shows).
#include <gtest/gtest.h>

#include "epson_fixture.h"
#include "scripted_exchange.h"
#include "support/error.h"

namespace qx {
namespace {

// Silence: the frame three times and three time-out lines, over either transport.
class SilentPrinter : public testing::EpsonFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(SilentPrinter, ThreeFramesThreeTimeoutLines) {
  if (GetParam()) ConnectTcp();
  fSimulator.AddFault("*:silence:always");
  fSimulator.ClearTranscript();
  TDateTime clock = 7;
  EXPECT_FALSE(fDevice->GetDateTime(clock));
  EXPECT_EQ(IO().ErrorCode(), -99);
  EXPECT_EQ(fSimulator.FramesReceived().size(), 3u);
  const std::string log = CloseAndReadLog();
  for (const char* line : {" - ERROR - Timeout: #1\r\n", " - ERROR - Timeout: #2\r\n", " - ERROR - Timeout: #3\r\n"})
    EXPECT_NE(log.find(line), std::string::npos) << line;
  EXPECT_EQ(log.find("Timeout: #4"), std::string::npos);
}

// After a silence the rest of the call sends nothing, even once the error state was cleared (as
// the status reading's fall-back clears it); the next call asks the printer again.
TEST_P(SilentPrinter, LaterCommandsOfTheCallAreNotSent) {
  if (GetParam()) ConnectTcp();
  fSimulator.AddFault("*:silence:always");
  fSimulator.ClearTranscript();
  TDateTime clock = 7;
  EXPECT_FALSE(fDevice->GetDateTime(clock));
  EXPECT_TRUE(fDevice->PrinterSilent());
  IO().ResetCustomError();
  EXPECT_FALSE(fDevice->IsDayOpen());
  EXPECT_EQ(fDevice->GetS14Value(27), u"");
  EXPECT_EQ(IO().ErrorCode(), -99);
  EXPECT_EQ(IO().ErrorMessage(), u"Timeout Error");
  EXPECT_EQ(fSimulator.FramesReceived().size(), 3u);
  fDevice->BeginOperation();
  EXPECT_FALSE(fDevice->GetDateTime(clock));
  EXPECT_EQ(fSimulator.FramesReceived().size(), 6u);
  const std::string log = CloseAndReadLog();
  EXPECT_NE(log.find(" - ERROR - Command 2050 not sent: the printer did not answer\r\n"), std::string::npos);
  EXPECT_NE(log.find(" - ERROR - Command 4214 not sent: the printer did not answer\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Transports, SilentPrinter, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& aInfo) { return aInfo.param ? "Tcp" : "Serial"; });

// The probe: after a commit command got no answer, the flow may ask the printer once more. Inside
// the probe the question is sent with its three attempts; an answer ends the silence.
class ProbeAfterSilence : public testing::EpsonFixture {};

TEST_F(ProbeAfterSilence, AsksAgainAndAnAnswerEndsTheSilence) {
  fSimulator.AddFault("*:silence:always");
  TDateTime clock = 0;
  EXPECT_FALSE(fDevice->GetDateTime(clock));
  {
    const kFiscalPrinter_EPSFPNAT::SilenceProbe probe(*fDevice);
    EXPECT_FALSE(fDevice->IsDayOpen());
  }
  EXPECT_EQ(fSimulator.FramesReceived().size(), 6u);
  EXPECT_TRUE(fDevice->PrinterSilent());
  EXPECT_FALSE(fDevice->IsDayOpen());
  EXPECT_EQ(fSimulator.FramesReceived().size(), 6u);

  fSimulator.ClearFaults();
  IO().ResetCustomError();
  {
    const kFiscalPrinter_EPSFPNAT::SilenceProbe probe(*fDevice);
    EXPECT_TRUE(fDevice->GetDateTime(clock));
  }
  EXPECT_FALSE(fDevice->PrinterSilent());
  EXPECT_FALSE(fDevice->IsDayOpen());
  EXPECT_FALSE(IO().ErrorFound());
  EXPECT_EQ(fSimulator.FramesReceived().size(), 8u);
}

// The printer answers the status question with another command's echo once: the driver
// discards that answer and reads its own.
class WrongEcho : public testing::EpsonFixture {};

TEST_F(WrongEcho, AnswerWithAnotherEchoIsDiscarded) {
  fSimulator.AddFault("4201:echo=4001");
  TDateTime clock = 0;
  ASSERT_TRUE(fDevice->GetDateTime(clock));
  EXPECT_EQ(fDevice->fFullResponseData.substr(0, 4), u"4201");
  EXPECT_GT(clock, EncodeDate(2020, 1, 1));
  EXPECT_NE(CloseAndReadLog().find(" - ERROR - Discarded answer to 4001\r\n"), std::string::npos);
}

}  // namespace
}  // namespace qx
