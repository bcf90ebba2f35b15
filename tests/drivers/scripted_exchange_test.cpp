// The command exchange against a scripted printer: failing acknowledgements, error codes that are
// no numbers, late answers to earlier commands, endless handshake bytes, the checksum. No printer
// and no port: the Windows unit-test program runs these too.
#include <gtest/gtest.h>

#include <algorithm>

#include "device/receipt_printer_handler.h"
#include "scripted_exchange.h"
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/error.h"
#include "support/scripted_io_handler.h"

namespace qx {
namespace {

using testing::AnswerFrame;
using testing::ScriptedExchange;

const String kAck(1, char16_t(0x06));

TEST_F(ScriptedExchange, FailingAcknowledgementIsTheCallsError) {
  fIO->Reply(AnswerFrame("42010503250907"));
  fIO->FailWritesOf(kAck);
  TDateTime clock = 0;
  try {
    fDriver->GetDateTime(clock);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), u"Write to com port failed.");
  }
}

TEST_F(ScriptedExchange, ErrorCodeThatIsNoNumberFailsBeforeTheAcknowledgement) {
  fIO->Reply(AnswerFrame("ERR00X1"));  // the code at 9-10 is "X1"
  TDateTime clock = 0;
  EXPECT_THROW(fDriver->GetDateTime(clock), Error);
  ASSERT_EQ(fIO->fWrites.size(), 1u);  // the frame, and no ACK
  EXPECT_EQ(FramesWritten(), 1u);
}

TEST_F(ScriptedExchange, LateAnswerToAnEarlierCommandIsNeverTaken) {
  fIO->SetReadTimeout(10000);  // both answers are there at once: no attempt runs out
  fIO->Reply(AnswerFrame("4001"));
  fIO->Reply(AnswerFrame("42010503250907"));
  TDateTime clock = 0;
  ASSERT_TRUE(fDriver->GetDateTime(clock));
  EXPECT_EQ(clock, EncodeDateTime(DateTimeParts{2025, 3, 5, 9, 7, 0, 0}));
  EXPECT_EQ(fDriver->fFullResponseData.substr(0, 4), u"4201");
  // The frame once (the printer still holds it), both answers acknowledged.
  EXPECT_EQ(FramesWritten(), 1u);
  EXPECT_EQ(std::count(fIO->fWrites.begin(), fIO->fWrites.end(), kAck), 2);
}

TEST_F(ScriptedExchange, EndlessHandshakeBytesEndTheExchange) {
  // Late answers, ACKs and busy bytes without end: each exchange still ends with the time-out.
  for (const std::string& reply : {AnswerFrame("4001"), std::string("\x06"), std::string("\x11")}) {
    SCOPED_TRACE(reply);
    fIO->fWrites.clear();
    fIO->ResetCustomError();
    fDriver->fMinBusyWindowMs = 0;
    for (int i = 0; i < 100000; ++i) fIO->Reply(reply);
    TDateTime clock = 0;
    EXPECT_FALSE(fDriver->GetDateTime(clock));
    EXPECT_EQ(fIO->ErrorMessage(), u"Timeout Error");
    while (fIO->InputBufferContainsData()) fIO->ReadUpTo({});
  }
}

// A printer that refuses the frame every time, or answers nothing readable, ends the exchange
// after a bounded number of frames, not after as many as fit in its time-outs. A refusal is an
// answer: the next command of the call is still sent.
TEST_F(ScriptedExchange, RefusalsAndUnreadableAnswersEndAfterTheFrameBound) {
  struct Case {
    std::string reply;
    const char16_t* error;
  };
  const Case cases[] = {{"\x0F", u"The printer refused the frame 5 times"}, {"\xFF", u"Timeout Error"}};
  fIO->SetReadTimeout(50);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    fIO->fWrites.clear();
    fIO->ResetCustomError();
    for (int i = 0; i < 1000; ++i) fIO->Reply(c.reply);
    TDateTime clock = 0;
    EXPECT_FALSE(fDriver->GetDateTime(clock));
    EXPECT_EQ(FramesWritten(), static_cast<size_t>(kFiscalPrinter_EPSFPNAT::kMaxFrameSends));
    EXPECT_EQ(fIO->ErrorCode(), -99);
    EXPECT_EQ(fIO->ErrorMessage(), c.error);
    EXPECT_FALSE(fDriver->PrinterSilent());
    while (fIO->InputBufferContainsData()) fIO->ReadUpTo({});
    fIO->ResetCustomError();
    fIO->Reply(AnswerFrame("205024000000000000000000000"));
    fDriver->IsDayOpen();
    EXPECT_FALSE(fIO->ErrorFound());
    EXPECT_EQ(FramesWritten(), static_cast<size_t>(kFiscalPrinter_EPSFPNAT::kMaxFrameSends) + 1);
  }
}

TEST_F(ScriptedExchange, ChecksumIsTheSumOfTheBytesOnTheWire) {
  // The euro sign goes out as 80h: "01E1078" sums to 374, with 128 that is 502.
  const String frame = fDriver->BuildFrame(u"E1078\u20AC");
  EXPECT_EQ(frame.substr(frame.size() - 3, 2), u"02");
}

}  // namespace
}  // namespace qx
