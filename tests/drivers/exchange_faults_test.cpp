// The command exchange against printers that misbehave over each transport: silence and answers
// with another echo (scripted_exchange_test.cpp has the faults a scripted printer shows).
#include <gtest/gtest.h>

#include "epson_fixture.h"
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

INSTANTIATE_TEST_SUITE_P(Transports, SilentPrinter, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& aInfo) { return aInfo.param ? "Tcp" : "Serial"; });

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
