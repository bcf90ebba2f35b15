// Refunds, voids and invoices through PRINTFR against the simulator: the printer's check of the
// referenced receipt ("9205"), the document texts, the customer lines and the answers.
#include <gtest/gtest.h>

#include "receipt_fixture.h"
#include "support/date_time.h"

namespace qx {
namespace {

using fpsim::PadCut;
using testing::Payment;
using testing::ReceiptXml;
using testing::SaleLine;

std::string Original(const std::string& aSerial, const std::string& aDateTime, const std::string& aNumber,
                     const std::string& aClosing, const std::string& aMore = "") {
  return "<References><OriginalReceipt><ReceiptDateTime>" + aDateTime + "</ReceiptDateTime><ReceiptNumber>" +
         aNumber + "</ReceiptNumber><DeviceSerialNumber>" + aSerial + "</DeviceSerialNumber><EJClosingNumber>" +
         aClosing + "</EJClosingNumber>" + aMore + "</OriginalReceipt></References>";
}

const std::string kSale = ReceiptXml("Sale", SaleLine("Pane", "2", "1.50", "01"), Payment("Cash", "3.00"));
// The sale above as the printer numbered it: document 1 of the day closed by Z report 1.
const std::string kOwnSale = Original("99MEB012345", "2025-03-05T09:07:00", "1", "1");

class ReceiptDocuments : public testing::ReceiptFixture {};

TEST_F(ReceiptDocuments, RefundOfAnEarlierSaleThenASecondRefundIsRefused) {
  ASSERT_EQ(ToUtf8(Print(kSale).ReceiptNumber), "1");

  const std::string refund = ReceiptXml("Refund", SaleLine("Pane", "2", "1.50", "01"), Payment("Cash", "3.00"), kOwnSale);
  const _int_PRINTFR_result r = Print(refund);
  ASSERT_FALSE(r.Error) << ToUtf8(r.ErrorText);
  EXPECT_EQ(Sent(), (std::vector<std::string>{"107001", "107401", "9205" "1" "99MEB012345" "05032025" "0001" "0001",
                                              "10780140001REFUND 0001 0001 05032025 99MEB012345",
                                              "1080" "01" + PadCut("Pane", 32) + "0002000" "000000150" "01" "1",
                                              "1084" "01" + PadCut("", 32) + "000000300" "000" "1", "2052"}));
  EXPECT_EQ(ToUtf8(r.ReceiptNumber), "2");
  EXPECT_EQ(ToUtf8(r.EJClosingNumber), "1");
  EXPECT_EQ(r.ReceiptDateTime, EncodeDateTime({2025, 3, 5, 9, 7, 0, 0}));
  EXPECT_EQ(Model([](const fpsim::PrinterState& s) { return s.documents.back().type; }), fpsim::DocType::Refund);

  // The printer knows the sale is refunded: "3", and nothing after the check is sent.
  const _int_PRINTFR_result again = Print(refund);
  EXPECT_TRUE(again.Error);
  EXPECT_EQ(ToUtf8(again.ErrorText), "Receipt already refunded");
  EXPECT_EQ(Commands(), (std::vector<std::string>{"1070", "1074", "9205"}));
  // A void of it is refused the same way; a refund of the refund is refused as such.
  EXPECT_EQ(ToUtf8(Print(ReceiptXml("Void", "", "", kOwnSale)).ErrorText), "Receipt already refunded");
  EXPECT_EQ(ToUtf8(Print(ReceiptXml("Refund", "", "", Original("99MEB012345", "2025-03-05T09:07:00", "2", "1"))).ErrorText),
            "This is a refund receipt");
  EXPECT_EQ(ToUtf8(Print(ReceiptXml("Refund", "", "", Original("99MEB012345", "2025-03-05T09:07:00", "9", "1"))).ErrorText),
            "Receipt not found");
  // After the refusals the printer takes a sale as ever.
  EXPECT_EQ(ToUtf8(Print(kSale).ReceiptNumber), "3");
}

TEST_F(ReceiptDocuments, VoidOfAnEarlierSaleIsPrintedByThePrinter) {
  ASSERT_FALSE(Print(kSale).Error);
  const TDateTime before = Now();
  const _int_PRINTFR_result r = Print(ReceiptXml("Void", "", "", kOwnSale));
  ASSERT_FALSE(r.Error) << ToUtf8(r.ErrorText);
  // "0": the printer voids its own document at once; no line, trailer or payment is sent.
  EXPECT_EQ(Sent(), (std::vector<std::string>{"107001", "107401", "9205" "2" "99MEB012345" "05032025" "0001" "0001",
                                              "10780140001VOID 0001 0001 05032025 99MEB012345", "107001", "2052"}));
  EXPECT_EQ(ToUtf8(r.ReceiptNumber), "2");
  EXPECT_EQ(ToUtf8(r.EJClosingNumber), "1");
  EXPECT_GE(r.ReceiptDateTime, before - 1.0 / 86400);  // the computer's time of the void
  EXPECT_TRUE(Model([](const fpsim::PrinterState& s) { return s.documents[0].voided; }));
  EXPECT_EQ(ToUtf8(Print(ReceiptXml("Void", "", "", kOwnSale)).ErrorText), "Receipt already voided");
  EXPECT_EQ(ToUtf8(Print(ReceiptXml("Void", "", "", Original("99MEB012345", "2025-03-05T09:07:00", "2", "1"))).ErrorText),
            "This is a void receipt");
}

// Another printer's receipt, with firmware 5: its serial goes in lower case, the printer cannot
// check it ("1") and the lines and payments follow.
TEST_F(ReceiptDocuments, RefundAndVoidOfAnotherPrintersReceipt) {
  const std::string other = Original("99XYZ067890", "2025-01-05T10:00:00", "12", "34");
  const std::string check = "99xyz067890" "05012025" "0012" "0034";
  const _int_PRINTFR_result refund =
      Print(ReceiptXml("Refund", SaleLine("Pane", "1", "1.50", "01"), Payment("Cash", "1.50"), other));
  ASSERT_FALSE(refund.Error) << ToUtf8(refund.ErrorText);
  EXPECT_EQ(DataOf("9205"), "1" + check);
  EXPECT_EQ(DataOf("1078"), "0140001REFUND 0034 0012 05012025 99xyz067890");
  EXPECT_EQ(ToUtf8(refund.ReceiptNumber), "1");

  const _int_PRINTFR_result voided =
      Print(ReceiptXml("Void", SaleLine("Pane", "1", "1.50", "01"), Payment("Cash", "1.50"), other));
  ASSERT_FALSE(voided.Error) << ToUtf8(voided.ErrorText);
  EXPECT_EQ(DataOf("9205"), "2" + check);
  EXPECT_EQ(Commands(), (std::vector<std::string>{"1070", "1074", "9205", "1078", "1080", "1084", "2052", "1070", "2052"}));
  EXPECT_EQ(ToUtf8(voided.ReceiptNumber), "2");

  // A receipt of a payment terminal is named "POS" whatever its serial.
  Print(ReceiptXml("Refund", SaleLine("Pane", "1", "1.50", "01"), Payment("Cash", "1.50"),
                   Original("X", "2025-01-05T10:00:00", "12", "34", "<ReferenceType>EFTReceipt</ReferenceType>")));
  EXPECT_EQ(DataOf("9205"), "1POS        " "05012025" "0012" "0034");
  EXPECT_EQ(DataOf("1078"), "0140001REFUND 0034 0012 05012025 POS        ");
}

TEST_F(ReceiptDocuments, InvoiceWithCustomerLinesAndLotteryCodeOfASale) {
  const std::string customer =
      "<Number>7</Number><InvoiceNumber>FT-7</InvoiceNumber><InvoiceDateTime>2025-03-05T09:00:00</InvoiceDateTime>"
      "<CustomerName>Rossi Srl</CustomerName><CustomerAddress>Via Verdi 2</CustomerAddress>"
      "<CustomerZipCode>00100</CustomerZipCode><CustomerCity>Roma</CustomerCity><CustomerProvince>RM</CustomerProvince>"
      "<CustomerCountry>IT</CustomerCountry><CustomerTaxCode>01234567890</CustomerTaxCode>";
  const _int_PRINTFR_result r =
      Print(ReceiptXml("InvoiceSale", SaleLine("Pane", "1", "1.50", "01"), Payment("Cash", "1.50"), customer));
  ASSERT_FALSE(r.Error) << ToUtf8(r.ErrorText);
  const std::vector<std::string> sent = Sent();
  ASSERT_GE(sent.size(), 8u);
  EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 8),
            (std::vector<std::string>{"107001", "107401", "4025" "0007" "99" "00" "1" + std::string(14, ' ') + "00",
                                      "10780160101" + PadCut("Rossi Srl", 40), "10780160201" + PadCut("Via Verdi 2", 40),
                                      "10780160301" + PadCut("00100 Roma RM IT", 40),
                                      "10780160401" + PadCut("P.Iva:01234567890", 40), "1089" "01" "00007"}));
  EXPECT_EQ(ToUtf8(r.InvoiceNumber), "FT-7");
  EXPECT_EQ(r.InvoiceDateTime, EncodeDateTime({2025, 3, 5, 9, 0, 0, 0}));
  EXPECT_EQ(ToUtf8(r.ReceiptNumber), "1");
  EXPECT_EQ(Model([](const fpsim::PrinterState& s) { return s.documents.back().invoiceNumber; }), 7);

  const _int_PRINTFR_result fromReceipt =
      Print(ReceiptXml("InvoiceSaleFromReceipt", SaleLine("Pane", "1", "1.50", "01"), Payment("Cash", "1.50"),
                       "<Number>8</Number>"));
  EXPECT_FALSE(fromReceipt.Error) << ToUtf8(fromReceipt.ErrorText);
  EXPECT_EQ(DataOf("1052"), "0100008");

  // A number that is no number: the conversion's message, nothing sent after the status.
  const _int_PRINTFR_result bad =
      Print(ReceiptXml("InvoiceSale", SaleLine("Pane", "1", "1.50", "01"), Payment("Cash", "1.50"), "<Number>A7</Number>"));
  EXPECT_TRUE(bad.Error);
  EXPECT_NE(ToUtf8(bad.ErrorText).find("A7"), std::string::npos) << ToUtf8(bad.ErrorText);
  EXPECT_EQ(Commands(), (std::vector<std::string>{"1070", "1074"}));

  const _int_PRINTFR_result lottery =
      Print(ReceiptXml("Sale", SaleLine("Pane", "1", "1.50", "01"), Payment("Cash", "1.50"),
                       "<LotteryIdCode> ABCD1234\t</LotteryIdCode>"));
  EXPECT_FALSE(lottery.Error) << ToUtf8(lottery.ErrorText);
  // Sent without the blank and the tab around it.
  EXPECT_EQ(DataOf("1135"), "01" + PadCut("ABCD1234", 16) + "    ");
  EXPECT_EQ(Model([](const fpsim::PrinterState& s) { return s.documents.back().lotteryCode; }), "ABCD1234");
}

// Invoice numbers of the till's own numbering grow past the printer's fields: "4025" keeps the
// right-most four digits and "1089" or "1052" the right-most five, as every fixed-width number.
TEST_F(ReceiptDocuments, InvoiceNumbersWiderThanTheirFieldsKeepTheirLastDigits) {
  const struct {
    const char* type;
    const char* number;
    const char* setNumber;  // the data of "4025" before its fixed part
    const char* begin;      // the command that opens the invoice and its data
    const char* beginData;
  } cases[] = {
      {"InvoiceSale", "9999", "9999", "1089", "0109999"},
      {"InvoiceSale", "12345", "2345", "1089", "0112345"},
      {"InvoiceSaleFromReceipt", "123456", "3456", "1052", "0123456"},
  };
  for (const auto& c : cases) {
    const _int_PRINTFR_result r =
        Print(ReceiptXml(c.type, SaleLine("Pane", "1", "1.50", "01"), Payment("Cash", "1.50"),
                         std::string("<Number>") + c.number + "</Number>"));
    EXPECT_FALSE(r.Error) << c.number << ": " << ToUtf8(r.ErrorText);
    EXPECT_EQ(DataOf("4025"), std::string(c.setNumber) + "99" "00" "1" + std::string(14, ' ') + "00") << c.number;
    EXPECT_EQ(DataOf(c.begin), c.beginData) << c.number;
  }
  // A negative number is no invoice number: refused before anything is sent.
  const _int_PRINTFR_result negative =
      Print(ReceiptXml("InvoiceSale", SaleLine("Pane", "1", "1.50", "01"), Payment("Cash", "1.50"), "<Number>-5</Number>"));
  EXPECT_TRUE(negative.Error);
  EXPECT_EQ(Commands(), (std::vector<std::string>{"1070", "1074"}));
}

class MfPrinterDocuments : public testing::ReceiptFixture {
 protected:
  MfPrinterDocuments() : ReceiptFixture(testing::ReceiptPrinterConfig("mode", "MF")) {}
};

TEST_F(MfPrinterDocuments, VoidIsRefusedAndRefundIsAReturnPractice) {
  const _int_PRINTFR_result voided = Print(ReceiptXml("Void", "", "", kOwnSale));
  EXPECT_TRUE(voided.Error);
  EXPECT_EQ(ToUtf8(voided.ErrorText), "VOID is not supported in MF Mode");
  EXPECT_EQ(Commands(), (std::vector<std::string>{"1070", "1074"}));

  const _int_PRINTFR_result refund = Print(
      ReceiptXml("Refund", SaleLine("Pane", "1", "1.50", "01"), Payment("Cash", "1.50"), "<Number>55</Number>" + kOwnSale));
  ASSERT_FALSE(refund.Error) << ToUtf8(refund.ErrorText);
  EXPECT_EQ(Commands(), (std::vector<std::string>{"1070", "1074", "1078", "1080", "1084", "2052"}));  // no check in MF mode
  EXPECT_EQ(DataOf("1078"), "0140001" + PadCut("PRATICA DI RESO 55", 40));
}

}  // namespace
}  // namespace qx
