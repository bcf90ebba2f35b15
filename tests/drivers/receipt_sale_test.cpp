// A sale with every line type through PRINTFR against the simulator: the exact frames, the
// answer's numbers and the paper.
#include <gtest/gtest.h>

#include <algorithm>

#include "receipt_fixture.h"

namespace qx {
namespace {

using fpsim::Digits;
using fpsim::PadCut;

std::string Item(const std::string& aDescription, int64_t aThousandths, int64_t aCents, const std::string& aDept) {
  return "01" + PadCut(aDescription, 32) + Digits(aThousandths, 7) + Digits(aCents, 9) + aDept + "1";
}
std::string Deduction(const std::string& aDescription, int64_t aCents, const std::string& aType,
                      const std::string& aDept) {
  return "01" + PadCut(aDescription, 32) + Digits(aCents, 9) + aType + aDept + "1";
}
std::string Adjustment(const std::string& aDescription, int64_t aCents, char aCode) {
  return "01" + PadCut(aDescription, 32) + Digits(aCents, 9) + std::string(1, aCode) + "001";
}
std::string Pay(const std::string& aDescription, int64_t aCents, const std::string& aCode) {
  return "01" + PadCut(aDescription, 32) + Digits(aCents, 9) + aCode + "1";
}
std::string Adjust(const std::string& aElement, const std::string& aAmount, const std::string& aDescription,
                   const std::string& aPercentage = "") {
  return "<" + aElement + ">" + (aPercentage.empty() ? "" : "<Percentage>" + aPercentage + "</Percentage>") +
         "<Amount>" + aAmount + "</Amount><Description>" + aDescription + "</Description></" + aElement + ">";
}
std::string Voucher(const std::string& aElement, const std::string& aDescription, const std::string& aPrice) {
  return "<" + aElement + "><Description>" + aDescription + "</Description><Department>01</Department>"
         "<TaxCode>2200</TaxCode><Price>" + aPrice + "</Price></" + aElement + ">";
}
std::string Collect(const std::string& aDescription, const std::string& aAmount) {
  return "<CollectAmount><Description>" + aDescription + "</Description><Department>01</Department>"
         "<TaxCode>2200</TaxCode><Amount>" + aAmount + "</Amount></CollectAmount>";
}

bool OnPaper(const std::vector<std::string>& aPaper, const std::string& aText) {
  return std::any_of(aPaper.begin(), aPaper.end(), [&](const std::string& l) { return l.find(aText) != std::string::npos; });
}

class ReceiptSale : public testing::ReceiptFixture {};

TEST_F(ReceiptSale, EveryLineTypeTrailerAndTwoPayments) {
  const std::string lines =
      testing::SaleLine("Pane", "2", "1.50", "01") +
      testing::SaleLine("Omaggio", "1", "2.00", "01", "<FreeOfCharge>true</FreeOfCharge>") +
      "<ProductReturn><Description>Vuoto</Description><Quantity>1</Quantity><Department>01</Department>"
      "<TaxCode>2200</TaxCode><Price>0.50</Price><Amount>0.50</Amount></ProductReturn>"
      "<WeightedProductSale><Description>Formaggio</Description><Quantity>0.350</Quantity><UOM>KG</UOM>"
      "<Department>02</Department><TaxCode>1000</TaxCode><Price>20.00</Price><Amount>7.00</Amount>"
      "<Tare>0.010</Tare></WeightedProductSale>" +
      Voucher("VoucherSale", "Buono", "10.00") + Voucher("VoucherRedeem", "Buono usato", "2.00") +
      Voucher("GiftCardSale", "Gift card", "5.00") + Voucher("GiftCardRedeem", "Gift usata", "1.00") +
      "<Text><Description>Offerta</Description></Text><SubTotal><Amount>21.50</Amount></SubTotal>" +
      Adjust("DiscountAmount", "0.50", "Sconto") + Adjust("DiscountPercentage", "0.45", "Sconto 10", "10") +
      Adjust("DiscountAmountOnSubtotal", "1.00", "Sconto sub") +
      Adjust("DiscountPercentageOnSubTotal", "0.55", "Sconto sub 5", "5") + Adjust("MarkupAmount", "0.30", "Magg") +
      Adjust("MarkupPercentage", "0.20", "Magg 1", "1") + Adjust("MarkupAmountOnSubtotal", "0.25", "Servizio") +
      Adjust("MarkupPercentageOnSubTotal", "0.25", "Servizio 1", "1") + Collect("Acconto", "1.00") +
      Collect("Reso acconto", "-5.00");
  const std::string payments = testing::Payment("CreditCard", "6.00", "<Description>Carta</Description>") +
                               testing::Payment("Cash", "20.00", "<Description>Contanti</Description>") +
                               testing::Payment("Change", "10.00");
  const std::string trailer =
      "<TrailerMessages><Text><Value>Grazie</Value><Size>2</Size><Alignment>Center</Alignment></Text>"
      "<Text><Value></Value><Alignment>Left</Alignment></Text><Image><Alignment>Center</Alignment></Image>"
      "</TrailerMessages>";
  const _int_PRINTFR_result r =
      Print(testing::ReceiptXml("Sale", lines, payments, "<CurrencyCode>EUR</CurrencyCode>" + trailer));
  ASSERT_FALSE(r.Error) << ToUtf8(r.ErrorText);

  const std::vector<std::string> expected = {
      "107001",  // the numbers before the receipt
      "107401",  // the open document check
      "108501",
      "1080" + Item("Pane", 2000, 150, "01"),
      "1080" + Item("Omaggio", 1000, 200, "01"),
      "1090" + Deduction("", 200, "01", "01"),  // free of charge: the whole line
      "1081" + Item("Vuoto", 1000, 50, "01"),
      "10780140001" + PadCut(" 0.350 kg x EUR 20.00/kg", 40),
      "1080" + Item("Formaggio", 1000, 700, "02"),
      "1080" + Item("Buono", 1000, 1000, "01"),
      "1090" + Deduction("Buono usato", 200, "02", "01"),
      "1080" + Item("Gift card", 1000, 500, "01"),
      "1090" + Deduction("Gift usata", 100, "02", "01"),
      "10780140001" + PadCut("Offerta", 40),
      "108601000",
      "1083" + Adjustment("Sconto", 50, '0'),
      "1083" + Adjustment("Sconto 10", 45, '0'),
      "1083" + Adjustment("Sconto sub", 100, '1'),
      "1083" + Adjustment("Sconto sub 5", 55, '1'),
      "1083" + Adjustment("Magg", 30, '5'),
      "1083" + Adjustment("Magg 1", 20, '5'),
      "1083" + Adjustment("Servizio", 25, '6'),
      "1083" + Adjustment("Servizio 1", 25, '6'),
      "1080" + Item("Acconto", 1000, 100, "01"),
      "1090" + Deduction("Reso acconto", 500, "00", "01"),  // collected -5.00: its magnitude
      // Trailer lines before the payments; an empty text is the single character 7Fh.
      "1078012010" "2" + PadCut(std::string(17, ' ') + "Grazie", 40),
      "1078012020" "1" + PadCut("\x7F", 40),
      "1084" + Pay("Carta", 600, "201"),
      "1084" + Pay("Contanti", 2000, "000"),  // the change line sends nothing
      "2052",
  };
  EXPECT_EQ(Sent(), expected);

  // The answer carries the numbers the printer printed.
  EXPECT_EQ(ToUtf8(r.ReceiptNumber), "1");
  EXPECT_EQ(r.ReceiptDateTime, EncodeDateTime({2025, 3, 5, 9, 7, 0, 0}));
  EXPECT_EQ(ToUtf8(r.EJNumber), "0");
  EXPECT_EQ(ToUtf8(r.EJClosingNumber), "1");
  EXPECT_EQ(ToUtf8(r.DeviceSerialNumber), "99MEB012345");
  EXPECT_TRUE(r.ReceiptText.empty());
  const auto documents = Model([](const fpsim::PrinterState& s) { return s.documents; });
  ASSERT_EQ(documents.size(), 1u);
  EXPECT_EQ(documents[0].total, Currency::FromText(u"16"));
  const std::vector<std::string> paper = fSimulator.Paper();
  for (const char* text : {"Pane", "2 x 1,50", "OMAGGIO", "RESO Vuoto", "0.350 kg x EUR 20.00/kg", "Buono usato",
                           "SUBTOTALE", "Servizio 1", "TOTALE COMPLESSIVO", "16,00", "Carta", "Contanti", "RESTO",
                           "Grazie", "DOC.N. 0001-0001", "RT 99MEB012345"})
    EXPECT_TRUE(OnPaper(paper, text)) << text;
}

// A receipt without a total takes the calculated one; the next receipt gets the next number.
TEST_F(ReceiptSale, NumbersFollowEachOther) {
  const std::string receipt =
      testing::ReceiptXml("Sale", testing::SaleLine("Latte", "1", "1.20"), testing::Payment("Cash", "1.20"));
  EXPECT_EQ(ToUtf8(Print(receipt).ReceiptNumber), "1");
  // The printer gives no receipt text, so there is no picture either.
  const _int_PRINTFR_result second =
      Print(receipt, "<GetReceiptText>true</GetReceiptText><GetReceiptImage>true</GetReceiptImage>");
  EXPECT_FALSE(second.Error);
  EXPECT_EQ(ToUtf8(second.ReceiptNumber), "2");
  EXPECT_TRUE(second.ReceiptText.empty());
  EXPECT_TRUE(second.ReceiptImage.empty());
  EXPECT_EQ(Commands(), (std::vector<std::string>{"1070", "1074", "1085", "1080", "1084", "2052"}));
}

}  // namespace
}  // namespace qx
