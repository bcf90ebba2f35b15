// Receipts that fail half-way, and requests that must not reach the printer: the answer names
// the failure, and the next PRINTFR on the same handle prints a whole receipt.
#include <gtest/gtest.h>

#include "receipt_fixture.h"

namespace qx {
namespace {

using testing::Payment;
using testing::ReceiptXml;
using testing::SaleLine;

const std::string kReturnLine =
    "<ProductReturn><Description>Vuoto</Description><Quantity>1</Quantity><Department>01</Department>"
    "<TaxCode>2200</TaxCode><Price>0.50</Price><Amount>0.50</Amount></ProductReturn>";
const std::string kTrailer = "<TrailerMessages><Text><Value>Grazie</Value><Alignment>Left</Alignment></Text></TrailerMessages>";
const std::string kGoodSale = ReceiptXml("Sale", SaleLine("Pane", "1", "1.50"), Payment("Cash", "1.50"));

class ReceiptFailures : public testing::ReceiptFixture {
 protected:
  // The next receipt on the handle: the open document is cancelled first, then all of it prints.
  void ExpectNextReceiptPrints(bool aDocumentLeftOpen) {
    const _int_PRINTFR_result next = Print(kGoodSale);
    EXPECT_FALSE(next.Error) << ToUtf8(next.ErrorText);
    const std::vector<std::string> start = aDocumentLeftOpen ? std::vector<std::string>{"1070", "1074", "1088", "1085"}
                                                             : std::vector<std::string>{"1070", "1074", "1085"};
    const std::vector<std::string> commands = Commands();
    ASSERT_GE(commands.size(), start.size());
    EXPECT_EQ(std::vector<std::string>(commands.begin(), commands.begin() + static_cast<long>(start.size())), start);
    EXPECT_EQ(commands.back(), "2052");
    EXPECT_FALSE(Model([](const fpsim::PrinterState& s) { return s.fiscal.has_value(); }));
    EXPECT_EQ(Model([](const fpsim::PrinterState& s) { return s.documents.back().total; }), Currency::FromText(u"1.5"));
  }
};

TEST_F(ReceiptFailures, SecondLineFails) {
  fSimulator.AddFault("1081:error=13");
  const _int_PRINTFR_result r =
      Print(ReceiptXml("Sale", SaleLine("Pane", "1", "1.50") + kReturnLine, Payment("Cash", "1.00"), kTrailer));
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(ToUtf8(r.ErrorText), "VALORE ERRATO");
  EXPECT_TRUE(r.ReceiptNumber.empty());
  EXPECT_EQ(r.ReceiptDateTime, 0);
  // The first line printed; no trailer line, no payment, no end.
  EXPECT_EQ(Commands(), (std::vector<std::string>{"1070", "1074", "1085", "1080", "1081"}));
  EXPECT_TRUE(Model([](const fpsim::PrinterState& s) { return s.fiscal.has_value(); }));
  ExpectNextReceiptPrints(true);
}

TEST_F(ReceiptFailures, SecondPaymentFails) {
  // The card payment is more than what is still due: the printer refuses it.
  const _int_PRINTFR_result r = Print(ReceiptXml("Sale", SaleLine("Pane", "1", "3.00"),
                                                 Payment("Cash", "1.00") + Payment("CreditCard", "5.00")));
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(ToUtf8(r.ErrorText), "Error while processing Payments");
  EXPECT_TRUE(r.ReceiptNumber.empty());
  EXPECT_EQ(Commands(), (std::vector<std::string>{"1070", "1074", "1085", "1080", "1084", "1084"}));
  EXPECT_EQ(Model([](const fpsim::PrinterState& s) { return s.fiscal->paid; }), Currency::FromInt(1));
  ExpectNextReceiptPrints(true);
}

TEST_F(ReceiptFailures, PrinterFallsSilentInTheMiddle) {
  fSimulator.AddFault("1080:silence:3");
  const _int_PRINTFR_result r = Print(ReceiptXml("Sale", SaleLine("Pane", "1", "1.50"), Payment("Cash", "1.50")));
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(ToUtf8(r.ErrorText), "Timeout Error");
  EXPECT_EQ(Commands(), (std::vector<std::string>{"1070", "1074", "1085", "1080", "1080", "1080"}));
  ExpectNextReceiptPrints(true);
}

// An amount wider than its nine digits is refused before its command is sent: a fiscal
// document must never show 2,345,678.90 for 12,345,678.90.
TEST_F(ReceiptFailures, AmountTooWideForItsField) {
  const _int_PRINTFR_result r =
      Print(ReceiptXml("Sale", SaleLine("Pane", "1", "12345678.90"), Payment("Cash", "12345678.90")));
  EXPECT_TRUE(r.Error);
  EXPECT_NE(ToUtf8(r.ErrorText).find("Price"), std::string::npos) << ToUtf8(r.ErrorText);
  EXPECT_NE(ToUtf8(r.ErrorText).find("12345678.9"), std::string::npos) << ToUtf8(r.ErrorText);
  EXPECT_EQ(Commands(), (std::vector<std::string>{"1070", "1074", "1085"}));
  ExpectNextReceiptPrints(true);
}

TEST_F(ReceiptFailures, MalformedRequestSendsNothing) {
  for (const std::string& receipt : {std::string("<Receipt><Type>Sale</Type><Taxes/><Payments/></Receipt>"),
                                     std::string("<Receipt><Type>Sale</Type><Lines><Item/></Lines><Taxes/><Payments/></Receipt>"),
                                     ReceiptXml("Sale", SaleLine("Pane", "1", "1,50"), Payment("Cash", "1.50"))}) {
    const _int_PRINTFR_result r = Print(receipt);
    EXPECT_TRUE(r.Error);
    EXPECT_FALSE(r.ErrorText.empty());
    EXPECT_TRUE(fSimulator.FramesReceived().empty()) << receipt;
  }
  EXPECT_EQ(ToUtf8(Print("<Receipt><Type>Sale</Type><Taxes/><Payments/></Receipt>").ErrorText),
            "Unable to find Lines node ");
  ExpectNextReceiptPrints(false);
}

}  // namespace
}  // namespace qx
