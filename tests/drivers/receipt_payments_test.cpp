// Payment codes, trailer lines, the explicit end and the VAT suffix of the item descriptions.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "epson_fixture.h"
#include "receipt_fixture.h"

namespace qx {
namespace {

using fpsim::PadCut;
using testing::Payment;
using testing::ReceiptXml;
using testing::SaleLine;

std::string TrailerLines(int aCount) {
  std::string out = "<TrailerMessages>";
  for (int i = 1; i <= aCount; ++i)
    out += "<Text><Value>Riga " + std::to_string(i) + "</Value><Alignment>Right</Alignment></Text>";
  return out + "</TrailerMessages>";
}

class ReceiptPayments : public testing::ReceiptFixture {};

TEST_F(ReceiptPayments, MealVouchersByCountAndFaceValue) {
  const _int_PRINTFR_result r = Print(ReceiptXml(
      "Sale", SaleLine("Menu", "1", "21.00"),
      Payment("MealVoucher", "21.00", "<Description>Ticket</Description><Quantity>3</Quantity><UnitPrice>7.00</UnitPrice>")));
  ASSERT_FALSE(r.Error) << ToUtf8(r.ErrorText);
  EXPECT_EQ(DataOf("1084"), "01" + PadCut("Ticket", 32) + "000000700" "403" "1");
  // Without a count: the amount with code 401.
  Print(ReceiptXml("Sale", SaleLine("Menu", "1", "21.00"), Payment("MealVoucher", "21.00")));
  EXPECT_EQ(DataOf("1084"), "01" + PadCut("", 32) + "000002100" "401" "1");
}

TEST_F(ReceiptPayments, ToBeInvoicedSendsOnePaymentOfTheWholeAmount) {
  const _int_PRINTFR_result r = Print(ReceiptXml(
      "Sale", SaleLine("Pane", "1", "15.00"),
      Payment("Cash", "10.00", "<Description>Prima</Description>") + Payment("CreditCard", "5.00"),
      "<ToBeInvoiced>true</ToBeInvoiced>"));
  ASSERT_FALSE(r.Error) << ToUtf8(r.ErrorText);
  EXPECT_EQ(Commands(), (std::vector<std::string>{"1070", "1074", "1085", "1080", "1084", "2052"}));
  EXPECT_EQ(DataOf("1084"), "01" + PadCut("Prima", 32) + "000001500" "503" "1");
}

TEST_F(ReceiptPayments, AtMost99TrailerLines) {
  const _int_PRINTFR_result r =
      Print(ReceiptXml("Sale", SaleLine("Pane", "1", "1.50"), Payment("Cash", "1.50"), TrailerLines(100)));
  ASSERT_FALSE(r.Error) << ToUtf8(r.ErrorText);
  std::vector<std::string> trailer;
  for (const std::string& s : Sent())
    if (s.compare(0, 7, "1078012") == 0) trailer.push_back(s.substr(4));
  ASSERT_EQ(trailer.size(), 99u);  // the 100th sends nothing
  EXPECT_EQ(trailer[0], "012" "01" "0" "1" + std::string(34, ' ') + "Riga 1");
  EXPECT_EQ(trailer[98].substr(0, 7), "0129901");
  EXPECT_EQ(Commands().back(), "2052");  // the payment still closes the receipt
}

class ExplicitEndPrinter : public testing::ReceiptFixture {
 protected:
  ExplicitEndPrinter() : ReceiptFixture(testing::ReceiptPrinterConfig("s14.29", "1")) {}
};

// The paid receipt waits for "1087"; the payment's answer (position 3 "0") carries no number, so
// the number comes from "1070" (the next number less one) and the closing number from "2052".
TEST_F(ExplicitEndPrinter, EndCommandAndTheNumbersAfterIt) {
  Print(ReceiptXml("Sale", SaleLine("Pane", "1", "1.50"), Payment("Cash", "1.50")));
  const _int_PRINTFR_result r = Print(ReceiptXml("Sale", SaleLine("Pane", "1", "1.50"), Payment("Cash", "1.50")));
  ASSERT_FALSE(r.Error) << ToUtf8(r.ErrorText);
  EXPECT_EQ(Sent(), (std::vector<std::string>{"107001", "107401", "108501", "1080" "01" + PadCut("Pane", 32) + "0001000" "000000150" "1" "1",
                                              "1084" "01" + PadCut("", 32) + "000000150" "000" "1", "108701", "107001",
                                              "2052"}));
  EXPECT_EQ(ToUtf8(r.ReceiptNumber), "2");
  EXPECT_EQ(ToUtf8(r.EJClosingNumber), "1");
  EXPECT_EQ(r.ReceiptDateTime, Date());  // the payment's answer had no date: today
  EXPECT_EQ(Model([](const fpsim::PrinterState& s) { return s.documents.size(); }), 2u);
}

// Driver operations with an RT server bound: the VAT suffix and the trailer numbering from 10.
class RtServerReceiptCommands : public testing::EpsonFixture {
 protected:
  void SetUp() override {
    EpsonFixture::SetUp();
    fDevice->fRTServerActive = true;
    for (const auto& [code, rate] : {std::pair{u"2200", 22}, std::pair{u"N4", 0}}) {
      auto vat = std::make_unique<kVat>();
      vat->fCode = code;
      vat->fRate = Currency::FromInt(rate);
      fDevice->fVatTable->Add(std::move(vat));
    }
    pugi::xml_document xml;
    xml.load_string("<R><Receipt><Type>Sale</Type><Lines/><Taxes/><Payments/></Receipt></R>");
    fReceipt.Deserialize(xml.document_element());
    ASSERT_TRUE(fDevice->BeginFiscalReceipt(fReceipt));
    fSimulator.ClearTranscript();
  }
  std::string LastData() { return fSimulator.FramesReceived().back().substr(8, fSimulator.FramesReceived().back().size() - 11); }

  kReceipt fReceipt;
};

TEST_F(RtServerReceiptCommands, VatSuffixOfTheItemDescription) {
  kReceiptLineProductSale sale(&fReceipt);
  sale.fDescription = u"Pane";
  sale.fQuantity = Currency::FromInt(2);
  sale.fPrice = Currency::FromText(u"1.50");
  sale.fDepartment = u"01";
  sale.fTaxCode = u"2200";
  ASSERT_TRUE(fDevice->ProductSale(fReceipt, sale));
  EXPECT_EQ(LastData(), "01" + PadCut(PadCut("Pane", 27) + " 22%", 32) + "0002000" "000000150" "01" "1");
  sale.fTaxCode = u"N4";
  ASSERT_TRUE(fDevice->ProductSale(fReceipt, sale));
  EXPECT_EQ(LastData().substr(2, 32), PadCut(PadCut("Pane", 27) + " *N4", 32));
  // The last item's tax code also marks a discount on it.
  kReceiptLineDiscountAmount discount(&fReceipt);
  discount.fDescription = u"Sconto";
  discount.fAmount = Currency::FromText(u"0.10");
  ASSERT_TRUE(fDevice->DiscountAmount(fReceipt, discount));
  EXPECT_EQ(LastData(), "01" + PadCut(PadCut("Sconto", 27) + " *N4", 32) + "000000010" "0" "00" "1");
}

// The first thirteen trailer lines are the RT server's footer.
TEST_F(RtServerReceiptCommands, TrailerLinesNumberedFromFourteen) {
  kReceiptMessageTextLine line(&fReceipt, nullptr);
  line.fValue = u"Ciao";
  line.fAlignment = la_left;
  line.fSize = 3;
  for (int i = 1; i <= 87; ++i) ASSERT_TRUE(fDevice->PrintTrailerMessageTextLine(fReceipt, line)) << i;
  const std::vector<std::string> frames = fSimulator.FramesReceived();
  ASSERT_EQ(frames.size(), 86u);  // the 87th line is the first dropped
  EXPECT_EQ(frames.front().substr(4, 15), "1078" "012" "14" "0" "3" "Ciao");
  EXPECT_EQ(frames.back().substr(4, 9), "1078" "01299");
}

}  // namespace
}  // namespace qx
