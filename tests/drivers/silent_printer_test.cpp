// A printer that stops answering after OPEN: every export answers "Timeout Error" after the
// three attempts of its first command and sends nothing more, through the exports' own code
// in process against the simulator.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "receipt_fixture.h"
#include "support/read_file.h"

namespace qx {
namespace {

using testing::Payment;
using testing::ReceiptXml;
using testing::SaleLine;

// The request document of an example request: the element after its parameters.
std::string ExampleDocument(const std::string& aName) {
  const std::string text = testing::ReadFile(std::string(QX_SOURCE_DIR) + "/examples/" + aName);
  const size_t from = text.find("</Parameters>") + 13;
  return text.substr(from, text.rfind("</Request>") - from);
}

struct ExportCase {
  const char* name;
  std::function<std::unique_ptr<kFiscalPrinterWrapper>()> make;
  std::string document;
  std::string parameters;
};

template <typename Wrapper>
std::function<std::unique_ptr<kFiscalPrinterWrapper>()> Make() {
  return [] { return std::make_unique<Wrapper>(); };
}

class SilentPrinterCalls : public testing::ReceiptFixture {
 protected:
  SilentPrinterCalls() { fReadTimeout = 100; }
};

// The reports are left out: their first command waits five seconds an attempt.
TEST_F(SilentPrinterCalls, EachCallSendsOnlyItsFirstCommandsAttempts) {
  const ExportCase cases[] = {
      {"GETSTATUS", Make<kFiscalPrinterWrapper_GETSTATUS>(), "", ""},
      {"PRINTFR", Make<kFiscalPrinterWrapper_PRINTFR>(),
       ReceiptXml("Sale", SaleLine("Pane", "1", "1.50", "01"), Payment("Cash", "1.50")), ""},
      {"PRINTNFR", Make<kFiscalPrinterWrapper_PRINTNFR>(), ExampleDocument("nf_receipt.xml"), ""},
      {"SETDATETIME", Make<kFiscalPrinterWrapper_SETDATETIME>(), "", "<DateTime>2025-03-05T09:00:00</DateTime>"},
      {"SET", Make<kFiscalPrinterWrapper_SET>(), "", "<TrainingMode>true</TrainingMode>"},
      {"GETVATTABLE", Make<kFiscalPrinterWrapper_GETVATTABLE>(), "", ""},
      {"SETVATTABLE", Make<kFiscalPrinterWrapper_SETVATTABLE>(), ExampleDocument("vat_table.xml"), ""},
      {"GETDEPTTABLE", Make<kFiscalPrinterWrapper_GETDEPTTABLE>(), "", ""},
      {"SETDEPTTABLE", Make<kFiscalPrinterWrapper_SETDEPTTABLE>(), ExampleDocument("dept_table.xml"), ""},
      {"DISPLAY", Make<kFiscalPrinterWrapper_DISPLAY>(), ExampleDocument("display.xml"), ""},
      {"OPENDR", Make<kFiscalPrinterWrapper_OPENDR>(), ExampleDocument("drawer.xml"), ""},
      {"GETDRSTATUS", Make<kFiscalPrinterWrapper_GETDRSTATUS>(), ExampleDocument("drawer.xml"), ""},
      {"EJREPORT", Make<kFiscalPrinterWrapper_EJREPORT>(), ExampleDocument("ej_report_memory.xml"), ""},
      {"REPRINTFR", Make<kFiscalPrinterWrapper_REPRINTFR>(), ExampleDocument("reprint_last.xml"), ""},
      {"GETLOTTERYRCPTSTATUS", Make<kFiscalPrinterWrapper_GETLOTTERYRCPTSTATUS>(), ExampleDocument("lottery_status.xml"),
       ""},
      // Its payment command would wait three minutes an attempt.
      {"PAY", Make<kFiscalPrinterWrapper_PAY>(), ExampleDocument("payment.xml"), ""},
  };
  fSimulator.AddFault("*:silence:always");
  for (const ExportCase& c : cases) {
    SCOPED_TRACE(c.name);
    fSimulator.ClearTranscript();
    const std::unique_ptr<kFiscalPrinterWrapper> wrapper = c.make();
    wrapper->Process(FromUtf8(Request(fHandle, c.document, c.parameters)));
    String output, error;
    int16_t result = 0;
    wrapper->Format(output, error, result);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(ToUtf8(error), "Timeout Error");
    const std::vector<std::string> frames = fSimulator.FramesReceived();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[1], frames[0]);
    EXPECT_EQ(frames[2], frames[0]);
  }
}

}  // namespace
}  // namespace qx
