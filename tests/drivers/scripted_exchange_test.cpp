// The command exchange against a scripted printer: failing acknowledgements, error codes that are
// no numbers, late answers to earlier commands, endless handshake bytes, the checksum. No printer
// and no port: the Windows unit-test program runs these too.
#include <gtest/gtest.h>

#include <algorithm>

#include "device/receipt_printer_handler.h"
#include "device_requests.h"
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/error.h"
#include "support/scripted_io_handler.h"

namespace qx {
namespace {

using testing::AnswerFrame;
using testing::ScriptedIOHandler;

const String kAck(1, char16_t(0x06));

// The driver talking to a scripted printer.
class ScriptedExchange : public ::testing::Test {
 protected:
  ScriptedExchange() {
    kReceiptPrinterHandler handler;
    handler.Deserialize(FromUtf8(testing::SerialRequest("/dev/null", 0)), {});
    fDriver = std::make_unique<kFiscalPrinter_EPSFPNAT>(handler);
    auto io = std::make_unique<ScriptedIOHandler>();
    fIO = io.get();
    fDriver->fIOHandler = std::move(io);
  }

  size_t FramesWritten() const {
    size_t n = 0;
    for (const String& w : fIO->fWrites) n += !w.empty() && w[0] == 0x02 ? 1 : 0;
    return n;
  }

  std::unique_ptr<kFiscalPrinter_EPSFPNAT> fDriver;
  ScriptedIOHandler* fIO = nullptr;
};

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

TEST_F(ScriptedExchange, ChecksumIsTheSumOfTheBytesOnTheWire) {
  // The euro sign goes out as 80h: "01E1078" sums to 374, with 128 that is 502.
  const String frame = fDriver->BuildFrame(u"E1078\u20AC");
  EXPECT_EQ(frame.substr(frame.size() - 3, 2), u"02");
}

}  // namespace
}  // namespace qx
