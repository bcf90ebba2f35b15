#include "documents/receipt.h"

#include <gtest/gtest.h>

#include "support/date_time.h"
#include "test_helpers.h"

namespace qx {
namespace {

using test::RaisedMessage;

Currency Amt(const char16_t* aText) { return Currency::FromText(aText); }

// A receipt read from a request whose root holds aReceiptBody inside <Receipt>.
std::unique_ptr<kReceipt> ReadReceipt(const std::string& aReceiptBody) {
  auto receipt = std::make_unique<kReceipt>();
  auto doc = test::Request("<Receipt>" + aReceiptBody + "</Receipt>");
  receipt->Deserialize(doc->document_element());
  return receipt;
}

std::string ReceiptError(const std::string& aRequestBody) {
  return RaisedMessage([&] {
    kReceipt receipt;
    receipt.Deserialize(test::Request(aRequestBody)->document_element());
  });
}

const std::string kEmpty = "<Type>sale</Type><Lines/><Taxes/><Payments/>";

template <typename T>
const T& LineAs(const kReceipt& aReceipt, size_t aIndex) {
  const T* line = dynamic_cast<const T*>(&aReceipt.fLines[aIndex]);
  EXPECT_NE(line, nullptr) << "line " << aIndex;
  return *line;
}

TEST(ReceiptSamples, Sale) {
  kReceipt r;
  r.Deserialize(test::Root(*test::Sample("sale.xml")));
  EXPECT_EQ(r.fReceiptType, rt_Sale);
  EXPECT_EQ(r.fReceiptNumber, u"1001");
  EXPECT_EQ(r.fReceiptDateTime, EncodeDateTime({2024, 3, 5, 10, 15, 0, 0}));
  EXPECT_EQ(r.fBusinessDate, r.fReceiptDateTime);  // no BusinessDate: the DateTime
  EXPECT_EQ(r.fLayout, u"DocumentLayout");
  EXPECT_TRUE(r.fDefaultLayout);
  EXPECT_EQ(r.fStoreCity, u"Milano");
  EXPECT_EQ(r.fCurrencyCode, u"EUR");
  EXPECT_EQ(r.fTotalAmount, Amt(u"4"));
  ASSERT_EQ(r.fLines.Count(), 4u);
  const auto& coffee = LineAs<kReceiptLineProductSale>(r, 0);
  EXPECT_EQ(coffee.fLineType, rlt_ProductSale);
  EXPECT_EQ(coffee.fOwner, &r);
  EXPECT_EQ(coffee.fCode, u"8001234567890");
  EXPECT_EQ(coffee.fQuantity, Amt(u"2"));
  EXPECT_EQ(coffee.fUOM, u"PZ");
  EXPECT_EQ(coffee.fPrice, Amt(u"1.5"));
  EXPECT_EQ(coffee.fAttribute, rla_Service);
  EXPECT_EQ(LineAs<kReceiptLineProductSale>(r, 1).fAttribute, rla_Product);
  EXPECT_EQ(LineAs<kReceiptLineDiscountAmount>(r, 2).Description(), u"SCONTO");
  EXPECT_EQ(r.fLines[3].fLineType, rlt_SubTotal);
  EXPECT_EQ(r.GetCalculatedAmount(), Amt(u"4"));
  ASSERT_EQ(r.fTaxes.Count(), 1u);
  EXPECT_EQ(r.fTaxes[0].fTaxType, tt_VAT);
  EXPECT_EQ(r.fTaxes[0].fTaxDescription, u"IVA 10%");
  EXPECT_EQ(r.fTaxes[0].fTaxableAmount, Amt(u"3.64"));
  ASSERT_EQ(r.fPayments.Count(), 2u);
  EXPECT_EQ(r.fPayments[1].fPaymentType, Rpt_Change);
  EXPECT_EQ(r.fPayments.TotalAmount(), Amt(u"5"));  // the change line stays out
  ASSERT_EQ(r.fTrailerMessages.Count(), 1u);
  EXPECT_EQ(r.fTrailerMessages[0].fAlignment, la_center);
  EXPECT_EQ(r.fTrailerMessages[0].fOwner, &r);
  EXPECT_TRUE(r.fLeaderLines.Empty());
}

TEST(ReceiptSamples, RefundVoidAndInvoice) {
  kReceipt refund;
  refund.Deserialize(test::Root(*test::Sample("refund.xml")));
  EXPECT_EQ(refund.fReceiptType, rt_Refund);
  const qxOriginalReceipt& o = refund.fOriginalReceipt;
  EXPECT_EQ(o.ReceiptDateTime, EncodeDateTime({2024, 3, 5, 10, 15, 0, 0}));
  EXPECT_EQ(o.ReceiptNumber, u"1001");
  EXPECT_EQ(o.DeviceSerialNumber, u"99MEY012345");
  EXPECT_EQ(o.EJNumber, u"0012");
  EXPECT_EQ(o.EJClosingNumber, u"0345");
  EXPECT_FALSE(o.ExcludeFPCheck);
  EXPECT_EQ(o.ReferenceType, rrt_OriginalReceipt);
  EXPECT_EQ(o.InvoiceDateTime, 0.0);
  EXPECT_EQ(refund.GetCalculatedAmount(), Amt(u"-1.2"));

  kReceipt voided;
  voided.Deserialize(test::Root(*test::Sample("void.xml")));
  EXPECT_EQ(voided.fReceiptType, rt_Void);
  EXPECT_EQ(voided.fOriginalReceipt.ReceiptNumber, u"1001");
  EXPECT_EQ(voided.GetCalculatedAmount(), Amt(u"4"));
  EXPECT_TRUE(voided.fTaxes.Empty());

  kReceipt invoice;
  invoice.Deserialize(test::Root(*test::Sample("invoice.xml")));
  EXPECT_EQ(invoice.fReceiptType, rt_InvoiceSale);
  EXPECT_EQ(invoice.fInvoiceNumber, u"2024/000123");
  EXPECT_EQ(invoice.fInvoiceDateTime, EncodeDateTime({2024, 3, 5, 11, 30, 0, 0}));
  EXPECT_EQ(invoice.fCustomerBusinessName, u"Rossi Forniture S.r.l.");
  EXPECT_EQ(invoice.fCustomerZipCode, u"10121");
  EXPECT_EQ(invoice.fCustomerTaxCode, u"09876543210");
  EXPECT_TRUE(invoice.fToBeInvoiced);
  EXPECT_TRUE(LineAs<kReceiptLineProductSale>(invoice, 1).fFreeOfCharge);
  EXPECT_EQ(invoice.GetCalculatedAmount(), Amt(u"100"));
  EXPECT_EQ(invoice.fPayments[0].fPaymentType, rpt_CreditCard);
}

TEST(ReceiptSamples, EveryLineType) {
  kReceipt r;
  r.Deserialize(test::Root(*test::Sample("receipt_all_lines.xml")));
  EXPECT_EQ(r.fLayout, u"DocumentLayout");
  EXPECT_FALSE(r.fDefaultLayout);  // given, even if it is the default name
  EXPECT_EQ(r.fBusinessDate, EncodeDate(2024, 3, 5));
  EXPECT_EQ(r.fReceiptSubType, u"Standard");
  EXPECT_EQ(r.fReceiptTypeDescription, u"Vendita");
  EXPECT_EQ(r.fExternalReference, u"ORD-5531");
  EXPECT_EQ(r.fReceiptZReportNumber, u"0345");
  EXPECT_EQ(r.fFiscalAreaCode, u"MI");
  EXPECT_EQ(r.fLotteryIdCode, u"ABCD1234");
  EXPECT_EQ(r.fHeaders, (StringList{u"ACME BAR", u"Via Roma 1 - Milano"}));

  const qxReceiptLineType order[] = {
      rlt_ProductSale,       rlt_ProductReturn,       rlt_WeightedProductSale,     rlt_VoucherSale,
      rlt_VoucherRedeem,     rlt_GiftCardSale,        rlt_GiftCardRedeem,          rlt_Text,
      rlt_SubTotal,          rlt_DiscountAmount,      rlt_DiscountPercentage,      rlt_DiscountAmountOnSubtotal,
      rlt_DiscountPercentageOnSubTotal, rlt_MarkupAmount, rlt_MarkupPercentage, rlt_MarkupAmountOnSubtotal,
      rlt_MarkupPercentageOnSubTotal, rlt_CollectAmount};
  ASSERT_EQ(r.fLines.Count(), std::size(order));
  for (size_t i = 0; i < std::size(order); ++i) EXPECT_EQ(r.fLines[i].fLineType, order[i]) << i;
  // Each element made its own class, with the signs of the amount rules.
  const char16_t* amounts[] = {u"5",     u"-1",  u"7",   u"10",  u"-2",  u"25",   u"-5",  u"0",  u"0",
                               u"-0.5", u"-0.7", u"-1", u"-1.84", u"0.3", u"0.5", u"0.2", u"0.74", u"3"};
  for (size_t i = 0; i < std::size(amounts); ++i) EXPECT_EQ(r.fLines[i].GetAmount(), Amt(amounts[i])) << i;
  EXPECT_EQ(LineAs<kReceiptLineWeightedProductSale>(r, 2).fTare, Amt(u"0.01"));
  EXPECT_EQ(LineAs<kReceiptLineWeightedProductSale>(r, 2).fUOM, u"KG");
  EXPECT_EQ(LineAs<kReceiptLineVoucherRedeem>(r, 4).fCode, u"V099");
  EXPECT_EQ(LineAs<kReceiptLineText>(r, 7).Description(), u"Offerta del giorno");
  EXPECT_EQ(LineAs<kReceiptLineSubtotal>(r, 8).fAmount, Amt(u"39"));
  EXPECT_EQ(LineAs<kReceiptLineDiscountPercentage>(r, 10).fPercentage, Amt(u"10"));
  EXPECT_EQ(LineAs<kReceiptLineMarkupPercentageOnSubTotal>(r, 16).fPercentage, Amt(u"2"));
  EXPECT_EQ(LineAs<kReceiptLineCollectAmount>(r, 17).fTaxCode, u"10");
  EXPECT_EQ(r.GetCalculatedAmount(), Amt(u"39.7"));

  EXPECT_EQ(r.fTaxes[1].fTaxType, tt_SalesTax);
  EXPECT_EQ(r.fPayments[0].fPaymentType, Rpt_MealVoucher);
  EXPECT_EQ(r.fPayments[0].fQuantity, Amt(u"2"));
  EXPECT_EQ(r.fPayments[0].fUnitPrice, Amt(u"8"));
  EXPECT_EQ(r.fPayments.TotalAmount(), Amt(u"40"));

  ASSERT_EQ(r.fLeaderLines.Count(), 1u);
  const auto* leader = dynamic_cast<const kReceiptMessageTextLine*>(&r.fLeaderLines[0]);
  ASSERT_NE(leader, nullptr);
  EXPECT_EQ(leader->fSize, 2);
  ASSERT_EQ(r.fTrailerMessages.Count(), 4u);
  EXPECT_EQ(r.fTrailerMessages[0].Value(), u"TOT. PUNTI: 120");
  const auto* qr = dynamic_cast<const kReceiptMessageBarcodeLine*>(&r.fTrailerMessages[1]);
  ASSERT_NE(qr, nullptr);
  EXPECT_EQ(qr->fBarcodeType, bt_QRCODE);
  EXPECT_FALSE(qr->fHRI);
  EXPECT_EQ(qr->QRCOdeMinVersion(), 4);
  const auto* ean = dynamic_cast<const kReceiptMessageBarcodeLine*>(&r.fTrailerMessages[2]);
  ASSERT_NE(ean, nullptr);
  EXPECT_TRUE(ean->fHRI);
  EXPECT_EQ(ean->fQRCodeMinVersion, 1);
  const auto* image = dynamic_cast<const kReceiptMessageImageLine*>(&r.fTrailerMessages[3]);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->fAlignment, la_center);
  for (const kReceiptMessageLine& line : r.fTrailerMessages) EXPECT_EQ(line.fSection, rs_lead);
}

TEST(ReceiptReading, FaultyDocumentsReportTheFirstErrorInReadingOrder) {
  struct Case { std::string request; const char* message; };
  const std::string lines = "<Lines/>", taxes = "<Taxes/>", payments = "<Payments/>";
  auto R = [](const std::string& aBody) { return "<Receipt>" + aBody + "</Receipt>"; };
  const Case cases[] = {
      {"", "Receipt node not found"},
      {"<Wrapper>" + R(kEmpty) + "</Wrapper>", "Receipt node not found"},  // only a direct child counts
      {"<receipt>" + kEmpty + "</receipt>", "Receipt node not found"},
      {R("<Lines/><Taxes/><Payments/>"), "ReceiptType  is invalid"},
      {R("<Type>Gift</Type>"), "ReceiptType gift is invalid"},
      {R("<Type>sale</Type>" + taxes + payments), "Unable to find Lines node "},
      {R("<Type>sale</Type>" + lines + payments), "Unable to find Taxes node "},
      {R("<Type>sale</Type>" + lines + taxes), "Unable to find Payments node "},
      {R("<Type>sale</Type>"), "Unable to find Lines node "},
      {R("<Type>sale</Type><Lines><Item/></Lines>" + taxes + payments), "LineType item is invalid"},
      {R("<Type>sale</Type><Lines><ProductSale><Amount>3,00</Amount></ProductSale></Lines>" + taxes + payments),
       "Error in processing node Amount as currency.\r\n'3,00' is not a valid floating point value"},
      {R("<Type>sale</Type><Lines><ProductSale><FreeOfCharge>yes</FreeOfCharge></ProductSale></Lines>" + taxes +
         payments),
       "Error in processing node FreeOfCharge as boolean.\r\n'yes' is not a valid boolean value"},
      {R(kEmpty + "<TrailerMessages><Text><Value>x</Value></Text></TrailerMessages>"), "Alignment  is invalid"},
      {R(kEmpty + "<LeaderLines><Text><Alignment>Middle</Alignment></Text></LeaderLines>"),
       "Alignment middle is invalid"},
      {R(kEmpty + "<TrailerMessages><Barcode><Value>1</Value></Barcode></TrailerMessages>"),
       "BarcodeType  is invalid"},
      {R(kEmpty + "<TrailerMessages><Barcode><Type>ean13</Type><QRCodeMinVersion>99999999999</QRCodeMinVersion>"
                  "</Barcode></TrailerMessages>"),
       "Error in processing node QRCodeMinVersion as integer.\r\n'99999999999' is not a valid integer value"},
      {R(kEmpty + "<TrailerMessages><Image/></TrailerMessages>"), "Alignment  is invalid"},
      {R("<Type>sale</Type><Lines/><Taxes><Tax><Type>IVA</Type></Tax></Taxes><Payments/>"), "TaxType iva is invalid"},
      {R("<Type>sale</Type><Lines/><Taxes><Tax/></Taxes><Payments/>"), "TaxType  is invalid"},
      {R("<Type>sale</Type><Lines/><Taxes/><Payments><Payment><Type>Bancomat</Type></Payment></Payments>"),
       "PaymentType bancomat is invalid"},
      {R("<BusinessDate/><Type>sale</Type>"),
       "Error in processing node BusinessDate as datetime.\r\nDateTime Format invalid: []"},
      {R("<DateTime>05/03/2024</DateTime><Type>sale</Type>"),
       "Error in processing node DateTime as datetime.\r\nDateTime Format invalid: [05/03/2024]"},
      {R(kEmpty + "<ToBeInvoiced/>"), "Error in processing node ToBeInvoiced as boolean.\r\n'' is not a valid boolean value"},
      {R(kEmpty + "<TotalAmount>922337203685477.5808</TotalAmount>"),
       "Error in processing node TotalAmount as currency.\r\n'922337203685477.5808' is not a valid floating point value"},
      {R(kEmpty + "<References><OriginalReceipt><ExcludeFPCheck>maybe</ExcludeFPCheck></OriginalReceipt></References>"),
       "Error in processing node ExcludeFPCheck as boolean.\r\n'maybe' is not a valid boolean value"},
      {R(kEmpty + "<Headers><Header>a</Header><Header><B>b</B></Header></Headers>"),
       "Element \"Header\" does not contain a single text node"},
      {R("<Type>sale</Type><Number><X/></Number>"),
       "Error in processing node Number as string.\r\nElement \"Number\" does not contain a single text node"},
      // Order: the header before the lines, the lines before taxes, taxes before payments,
      // payments before the trailer, the trailer before the leader lines.
      {R("<Lines><Item/></Lines>"), "ReceiptType  is invalid"},
      {R("<Type>sale</Type><Lines><Item/></Lines><Taxes><Tax/></Taxes>"), "LineType item is invalid"},
      {R("<Type>sale</Type><Lines/><Taxes><Tax/></Taxes><Payments><Payment/></Payments>"), "TaxType  is invalid"},
      {R("<Type>sale</Type><Lines/><Taxes/><Payments><Payment/></Payments><TrailerMessages><Text/></TrailerMessages>"),
       "PaymentType  is invalid"},
      {R(kEmpty + "<LeaderLines><Text/></LeaderLines><TrailerMessages><Barcode/></TrailerMessages>"),
       "BarcodeType  is invalid"},
      {R("<Type>sale</Type><Lines><ProductSale><Price>x</Price><Quantity>y</Quantity></ProductSale></Lines>"),
       "Error in processing node Quantity as currency.\r\n'y' is not a valid floating point value"},
      {R("<Type>sale</Type><Lines><WeightedProductSale><FreeOfCharge>no</FreeOfCharge><Tare>t</Tare>"
         "</WeightedProductSale></Lines>"),
       "Error in processing node Tare as currency.\r\n't' is not a valid floating point value"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReceiptError(c.request), c.message) << c.request;
}

TEST(ReceiptReading, MinimalReceiptAndLenientParts) {
  const auto r = ReadReceipt(kEmpty);
  EXPECT_TRUE(r->fLines.Empty());
  EXPECT_EQ(r->GetCalculatedAmount(), Currency());
  EXPECT_EQ(r->fBusinessDate, 0.0);

  // Element names of lines are read in any letter case; lower-case tax and payment children are
  // not taxes or payments; children of Lines that are not elements are ignored.
  const auto mixed = ReadReceipt(
      "<Type>SALE</Type><Lines><productsale><Amount>1</Amount></productsale><!-- c -->"
      "<PRODUCTRETURN><Amount>5</Amount></PRODUCTRETURN></Lines>"
      "<Taxes><tax><Type>bad</Type></tax></Taxes><Payments><payment><Type>bad</Type></payment>"
      "<Payment><Type>cash</Type><Amount>20</Amount></Payment><Payment><Type>change</Type><Amount>5</Amount>"
      "</Payment></Payments>");
  ASSERT_EQ(mixed->fLines.Count(), 2u);
  EXPECT_EQ(mixed->fLines[0].fLineType, rlt_ProductSale);
  EXPECT_EQ(mixed->fLines[1].fLineType, rlt_ProductReturn);
  EXPECT_EQ(mixed->GetCalculatedAmount(), Amt(u"-4"));
  EXPECT_TRUE(mixed->fTaxes.Empty());
  EXPECT_EQ(mixed->fPayments.Count(), 2u);
  EXPECT_EQ(mixed->fPayments.TotalAmount(), Amt(u"20"));

  // The upper-case ZIP spelling wins only with a text; BusinessDate present wins over DateTime.
  const auto zip = ReadReceipt(kEmpty +
                               "<CustomerZIPCode/><CustomerZipCode>00100</CustomerZipCode>"
                               "<BusinessDate>2024-01-02T00:00:00</BusinessDate><DateTime>2024-03-05T10:00:00</DateTime>"
                               "<Layout>Compact</Layout><CustomerDateOfBirth>1980-07-01T00:00:00</CustomerDateOfBirth>");
  EXPECT_EQ(zip->fCustomerZipCode, u"00100");
  EXPECT_EQ(zip->fBusinessDate, EncodeDate(2024, 1, 2));
  EXPECT_EQ(zip->fReceiptDateTime, EncodeDateTime({2024, 3, 5, 10, 0, 0, 0}));
  EXPECT_EQ(zip->fLayout, u"Compact");
  EXPECT_FALSE(zip->fDefaultLayout);
  EXPECT_EQ(zip->fCustomerDateOfBirth, EncodeDate(1980, 7, 1));
  const auto both = ReadReceipt(kEmpty + "<CustomerZIPCode>A</CustomerZIPCode><CustomerZipCode>B</CustomerZipCode>");
  EXPECT_EQ(both->fCustomerZipCode, u"A");

  // Barcodes: QRCodeMinVersion below 1 becomes 1.
  const auto codes = ReadReceipt(kEmpty +
                                 "<TrailerMessages><Barcode><Type>qrcode</Type><QRCodeMinVersion>0</QRCodeMinVersion>"
                                 "</Barcode><Barcode><Type>qrcode</Type><QRCodeMinVersion>-5</QRCodeMinVersion></Barcode>"
                                 "<Barcode><Type>qrcode</Type><QRCodeMinVersion>7</QRCodeMinVersion></Barcode><Other/>"
                                 "</TrailerMessages>");
  ASSERT_EQ(codes->fTrailerMessages.Count(), 3u);
  const int want[] = {1, 1, 7};
  for (size_t i = 0; i < 3; ++i)
    EXPECT_EQ(dynamic_cast<const kReceiptMessageBarcodeLine&>(codes->fTrailerMessages[i]).fQRCodeMinVersion, want[i]);

  // The whole document serves as well as its root element.
  auto doc = test::Request("<Receipt>" + kEmpty + "<Number>9</Number></Receipt>");
  kReceipt fromDocument;
  fromDocument.Deserialize(*doc);
  EXPECT_EQ(fromDocument.fReceiptNumber, u"9");
}

TEST(ReceiptAmounts, SignsOfEveryKind) {
  const auto r = ReadReceipt(
      "<Type>sale</Type><Lines>"
      "<ProductSale><Amount>9.99</Amount><FreeOfCharge>true</FreeOfCharge></ProductSale>"
      "<ProductReturn><Amount>5</Amount></ProductReturn>"
      "<ProductReturn><Amount>5</Amount><FreeOfCharge>1</FreeOfCharge></ProductReturn>"
      "<DiscountAmount><Amount>2</Amount></DiscountAmount>"
      "<MarkupPercentage><Percentage>10</Percentage><Amount>1.5</Amount></MarkupPercentage>"
      "<VoucherSale><Price>10</Price><FreeOfCharge>true</FreeOfCharge></VoucherSale>"
      "<VoucherRedeem><Price>3</Price><FreeOfCharge>true</FreeOfCharge></VoucherRedeem>"
      "<GiftCardRedeem><Price>4</Price></GiftCardRedeem>"
      "<SubTotal><Amount>100</Amount></SubTotal>"
      "<MarkupAmountOnSubtotal><Amount>0.25</Amount></MarkupAmountOnSubtotal>"
      "<DiscountPercentageOnSubTotal><Percentage>50</Percentage><Amount>0.75</Amount></DiscountPercentageOnSubTotal>"
      "<CollectAmount><Amount>-1</Amount></CollectAmount>"
      "</Lines><Taxes/><Payments/>");
  // The redeeming lines read no FreeOfCharge, so theirs stays false.
  const char16_t* want[] = {u"0", u"-5", u"0", u"-2", u"1.5", u"0", u"-3", u"-4", u"0", u"0.25", u"-0.75", u"-1"};
  ASSERT_EQ(r->fLines.Count(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) EXPECT_EQ(r->fLines[i].GetAmount(), Amt(want[i])) << i;
  EXPECT_FALSE(LineAs<kReceiptLineVoucherRedeem>(*r, 6).fFreeOfCharge);
  EXPECT_EQ(r->GetCalculatedAmount(), Amt(u"-14"));
  // The percentage line keeps both values; a markup is-a discount line in the class tree.
  EXPECT_NE(dynamic_cast<const kReceiptLineDiscountPercentage*>(&r->fLines[4]), nullptr);
  EXPECT_NE(dynamic_cast<const kReceiptLineDiscountAmountOnSubTotal*>(&r->fLines[9]), nullptr);
}

TEST(ReceiptAmounts, EdgeOfTheAmountRangeIsAnErrorNotAWrap) {
  const auto top = ReadReceipt(
      "<Type>sale</Type><Lines><ProductSale><Amount>922337203685477.5807</Amount></ProductSale>"
      "<ProductSale><Amount>0.0001</Amount></ProductSale></Lines><Taxes/>"
      "<Payments><Payment><Type>cash</Type><Amount>922337203685477.5807</Amount></Payment>"
      "<Payment><Type>cash</Type><Amount>1</Amount></Payment></Payments>");
  EXPECT_EQ(RaisedMessage([&] { top->GetCalculatedAmount(); }),
            "Amount 922337203685477.5807 + 0.0001 is out of range");
  EXPECT_EQ(RaisedMessage([&] { top->fPayments.TotalAmount(); }), "Amount 922337203685477.5807 + 1 is out of range");
  const auto bottom = ReadReceipt(
      "<Type>sale</Type><Lines><ProductReturn><Amount>-922337203685477.5808</Amount></ProductReturn></Lines>"
      "<Taxes/><Payments/>");
  EXPECT_EQ(RaisedMessage([&] { bottom->GetCalculatedAmount(); }),
            "Amount -(-922337203685477.5808) is out of range");
  const auto fits = ReadReceipt(
      "<Type>sale</Type><Lines><ProductReturn><Amount>922337203685477.5807</Amount></ProductReturn>"
      "<DiscountAmount><Amount>0.0001</Amount></DiscountAmount></Lines><Taxes/><Payments/>");
  EXPECT_EQ(fits->GetCalculatedAmount().Raw(), INT64_MIN);
}

TEST(ReceiptTexts, NormalisedUnlessSpecialCharactersAreSupported) {
  auto r = ReadReceipt(
      "<Type>sale</Type><Lines><ProductSale><Description>TOTALE 5\u20AC caff\u00E8</Description></ProductSale>"
      "<Text><Description>CITT\u00C0</Description></Text></Lines><Taxes/><Payments/>"
      "<TrailerMessages><Text><Value>TOTALE \u20AC</Value><Alignment>left</Alignment></Text>"
      "<Barcode><Value>TOTALE \u00E8</Value><Type>code39</Type></Barcode></TrailerMessages>");
  const auto& sale = LineAs<kReceiptLineProductSale>(*r, 0);
  EXPECT_EQ(sale.fDescription, u"TOTALE 5\u20AC caff\u00E8");  // stored as received
  EXPECT_EQ(sale.Description(), u"TOT. 5E caff ");
  EXPECT_EQ(LineAs<kReceiptLineText>(*r, 1).Description(), u"CITTA");
  EXPECT_EQ(r->fTrailerMessages[0].Value(), u"TOT. E");
  EXPECT_EQ(r->fTrailerMessages[1].Value(), u"TOTALE \u00E8");  // barcode data is never changed

  r->fSupportSpecialChars = true;
  EXPECT_EQ(sale.Description(), u"TOTALE 5\u20AC caff\u00E8");
  EXPECT_EQ(r->fTrailerMessages[0].Value(), u"TOTALE \u20AC");

  // Lines without an owner are always normalised.
  kReceiptLineText loose(nullptr);
  loose.fDescription = u"TOTALE";
  EXPECT_EQ(loose.Description(), u"TOT.");
}

}  // namespace
}  // namespace qx
