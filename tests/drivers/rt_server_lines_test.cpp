// RT-server mode on the printer: the header lines sent before the sale is opened, the footer
// lines before each payment, and how the simulated printer puts them on paper.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>

#include "epson_fixture.h"
#include "fpsim/field_text.h"
#include "platform/locale.h"
#include "sent_frames.h"

namespace qx {
namespace {

using fpsim::PadCut;
using fpsim::TrimRightBlanks;

// aText centred in aWidth: the extra blank of an odd difference goes to the right; a text as
// wide or wider stays as it is.
std::string Centred(const std::string& aText, size_t aWidth) {
  if (aText.size() >= aWidth) return aText;
  const size_t left = (aWidth - aText.size()) / 2;
  return PadCut(std::string(left, ' ') + aText, aWidth);
}
std::string EmptyLine(size_t aWidth) { return "\x7F" + std::string(aWidth - 1, ' '); }

// Header line n ("011" nn "0" "2" text) and footer line n ("012" nn "0" size text) as sent.
std::string Header(int aNumber, const std::string& aText) {
  return "1078011" + fpsim::Digits(aNumber, 2) + "02" + aText;
}
std::string Footer(int aNumber, char aSize, const std::string& aText) {
  return "1078012" + fpsim::Digits(aNumber, 2) + "0" + std::string(1, aSize) + aText;
}

class RtServerLines : public testing::EpsonFixture {
 protected:
  void SetUp() override {
    EpsonFixture::SetUp();
    fDevice->fRTServerActive = true;
    pugi::xml_document xml;
    xml.load_string(
        "<R><Receipt><Type>Sale</Type><References><OriginalReceipt><ReceiptNumber>12</ReceiptNumber>"
        "<EJClosingNumber>34</EJClosingNumber><ReceiptDateTime>2025-01-05T10:20:00</ReceiptDateTime>"
        "</OriginalReceipt></References><Lines/><Taxes/><Payments/></Receipt></R>");
    fReceipt.Deserialize(xml.document_element());
    kRTServerReceiptInfo& info = fDevice->fRTServerReceiptInfo;
    info.fVATTotal = Currency::FromText(u"1234.5");
    info.fRTTillId = u"STV-0001";
    info.fRTServerSerialNumber = u"99SEA012345";
    info.fRTSignature = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345" u"67890abc";  // 40 characters
    info.fRTnDoc = 12;
    info.fRTzRep = 34;
  }

  // The frames of BeginFiscalReceipt for a request of aType, after the open-document check.
  std::vector<std::string> Begin(qxReceiptType aType) {
    fReceipt.fReceiptType = aType;
    fSimulator.ClearTranscript();
    EXPECT_TRUE(fDevice->BeginFiscalReceipt(fReceipt));
    std::vector<std::string> sent = testing::SentFrames(fSimulator);
    EXPECT_EQ(sent.front(), "107401");
    sent.erase(sent.begin());
    return sent;
  }

  // A sold item of 10.00, so that payments have something to pay.
  void SellTenEuros() {
    kReceiptLineProductSale sale(&fReceipt);
    sale.fDescription = u"Pane";
    sale.fQuantity = Currency::FromInt(1);
    sale.fPrice = Currency::FromInt(10);
    sale.fDepartment = u"01";
    sale.fTaxCode = u"2200";
    ASSERT_TRUE(fDevice->ProductSale(fReceipt, sale));
  }

  bool Pay(qxReceiptPaymentType aType, int aEuros) {
    kReceiptPaymentLine payment(&fReceipt);
    payment.fPaymentType = aType;
    payment.fAmount = Currency::FromInt(aEuros);
    return fDevice->Total(fReceipt, payment);
  }

  // The footer the info of SetUp gives at line length aWidth, with line 1 as given.
  static std::vector<std::string> ExpectedFooter(size_t aWidth, const std::string& aLine1) {
    return {Footer(1, '3', aLine1),
            Footer(2, '2', EmptyLine(aWidth)),
            Footer(3, '2', Centred("Documento N: 0034-0012", aWidth)),
            Footer(4, '2', Centred("Matricola Cassa: STV-0001", aWidth)),
            Footer(5, '2', Centred("Matricola Server RT: 99SEA012345", aWidth)),
            Footer(6, '1', EmptyLine(aWidth)),
            Footer(7, '1', Centred("----------- Firma Elettronica -----------", aWidth)),
            Footer(8, '1', Centred("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", aWidth)),
            Footer(9, '1', Centred("67890abc", aWidth)),
            Footer(10, '1', EmptyLine(aWidth)),
            Footer(11, '1', Centred("Non valido ai fini fiscali", aWidth)),
            Footer(12, '1', Centred("ai sensi dell'art.2 del", aWidth)),
            Footer(13, '1', Centred("d.lgs. n. 127/2015", aWidth))};
  }

  static std::string Amount(const std::string& aWhole, const std::string& aCents) {
    const std::string thousand = ToUtf8(String(1, platform::ThousandSeparator()));
    std::string grouped = aWhole;
    if (grouped.size() > 3) grouped.insert(grouped.size() - 3, thousand);
    return grouped + ToUtf8(String(1, platform::DecimalSeparator())) + aCents;
  }

  kReceipt fReceipt;
};

// The document kind by the request's type; the printer opens a sale whatever the type. Line 1
// has 9 blanks before it at 40 characters, the reference is "N. 0034-0012 del 05-01-2025"
// centred, and the column titles run past the line length (46 characters at 40).
TEST_F(RtServerLines, HeaderOfSaleRefundAndVoid) {
  const std::string title = std::string(9, ' ') + "DOCUMENTO  COMMERCIALE" + std::string(9, ' ');
  const std::string columns = PadCut("DESCRIZIONE", 34) + "IVA   Prezzo";
  const std::string reference = std::string(6, ' ') + "N. 0034-0012 del 05-01-2025" + std::string(7, ' ');
  const std::string referenceTitle = Centred("Documento di Riferimento", 40);

  EXPECT_EQ(Begin(rt_Sale), (std::vector<std::string>{Header(1, title),
                                                      Header(2, Centred("di vendita o prestazione", 40)),
                                                      Header(3, EmptyLine(40)), Header(4, columns), "108501"}));
  fDevice->Reset();
  EXPECT_EQ(Begin(rt_Refund),
            (std::vector<std::string>{Header(1, title), Header(2, Centred("emesso  per RESO", 40)),
                                      Header(3, EmptyLine(40)), Header(4, referenceTitle), Header(5, reference),
                                      Header(6, EmptyLine(40)), Header(7, columns), "108501"}));
  EXPECT_EQ(fReceipt.fReceiptType, rt_Sale);
  fDevice->Reset();
  EXPECT_EQ(Begin(rt_Void),
            (std::vector<std::string>{Header(1, title), Header(2, Centred("emesso  per ANNULLAMENTO", 40)),
                                      Header(3, EmptyLine(40)), Header(4, referenceTitle), Header(5, reference),
                                      Header(6, EmptyLine(40)), Header(7, columns), "108501"}));
  // An invoice has no line 2: the lines after it keep their numbers.
  for (const qxReceiptType type : {rt_InvoiceSale, rt_InvoiceSaleFromReceipt}) {
    fDevice->Reset();
    EXPECT_EQ(Begin(type), (std::vector<std::string>{Header(1, title), Header(3, EmptyLine(40)), Header(4, columns),
                                                     "108501"}))
        << type;
  }
}

TEST_F(RtServerLines, HeaderAtLineLength46) {
  fDevice->fLineLength = 46;
  EXPECT_EQ(Begin(rt_Sale),
            (std::vector<std::string>{Header(1, Centred("DOCUMENTO  COMMERCIALE", 46)),
                                      Header(2, Centred("di vendita o prestazione", 46)), Header(3, EmptyLine(46)),
                                      Header(4, PadCut("DESCRIZIONE", 40) + "IVA   Prezzo"), "108501"}));
}

// Before each payment the thirteen footer lines; the 40-character signature is split 32 + 8.
TEST_F(RtServerLines, FooterBeforeEveryPayment) {
  Begin(rt_Sale);
  SellTenEuros();
  fSimulator.ClearTranscript();
  ASSERT_TRUE(Pay(rpt_Cash, 4));
  ASSERT_TRUE(Pay(rpt_CreditCard, 6));
  std::vector<std::string> expected = ExpectedFooter(40, PadCut("di cui IVA", 32) + Amount("1234", "50"));
  expected.push_back("1084" "01" + PadCut("", 32) + "000000400" "000" "1");
  const std::vector<std::string> footer(expected.begin(), expected.end() - 1);
  expected.insert(expected.end(), footer.begin(), footer.end());
  expected.push_back("1084" "01" + PadCut("", 32) + "000000600" "201" "1");
  expected.push_back("2052");
  EXPECT_EQ(testing::SentFrames(fSimulator), expected);

  // The printer keeps the lines by number: the second footer replaces the first, and the paper
  // shows it once, after the payments.
  const std::vector<std::string> paper = fSimulator.Paper();
  EXPECT_EQ(std::count(paper.begin(), paper.end(), TrimRightBlanks(Centred("d.lgs. n. 127/2015", 40))), 1);
  const auto header = std::find(paper.begin(), paper.end(), TrimRightBlanks(Centred("DOCUMENTO  COMMERCIALE", 40)));
  const auto signature = std::find(paper.begin(), paper.end(), TrimRightBlanks(Centred("67890abc", 40)));
  EXPECT_TRUE(header != paper.end() && signature != paper.end() && header < signature);

  const std::string log = CloseAndReadLog();
  for (const char* label : {"*SetRTServerHeader-1*", "*SetRTServerHeader-4*", "*SetRTServerFooter-1*",
                            "*SetRTServerFooter-13*"})
    EXPECT_NE(log.find(label), std::string::npos) << label;
}

// The VAT amount closes line 1 exactly at the line length, in the regional number format.
TEST_F(RtServerLines, VatLineInTheRegionalFormat) {
  struct Case {
    int width;
    const char* vat;
    std::string line1;
  } cases[] = {
      {40, "0", PadCut("di cui IVA", 36) + Amount("0", "00")},
      {46, "0", PadCut("di cui IVA", 42) + Amount("0", "00")},
      {46, "1234.5", PadCut("di cui IVA", 38) + Amount("1234", "50")},
  };
  Begin(rt_Sale);  // the printer takes these lines into an open document
  for (const Case& c : cases) {
    fDevice->fLineLength = c.width;
    fDevice->fRTServerReceiptInfo.fVATTotal = Currency::FromText(FromUtf8(c.vat));
    fSimulator.ClearTranscript();
    EXPECT_TRUE(fDevice->SetRTServerFooter());
    EXPECT_EQ(testing::SentFrames(fSimulator), ExpectedFooter(c.width, c.line1)) << c.width << " " << c.vat;
  }
}

// A failing line ends the set, and the sale or the payment goes ahead all the same.
TEST_F(RtServerLines, FailingLineEndsTheSetButNotTheDocument) {
  fSimulator.AddFault("1078:error=13");
  const std::vector<std::string> begun = Begin(rt_Sale);
  ASSERT_EQ(begun.size(), 2u);
  EXPECT_EQ(begun[1], "108501");
  SellTenEuros();
  fSimulator.ClearTranscript();
  fSimulator.AddFault("1078:error=13");
  EXPECT_TRUE(Pay(rpt_Cash, 10));
  const std::vector<std::string> sent = testing::SentFrames(fSimulator);
  ASSERT_EQ(sent.size(), 3u);  // footer line 1, the payment, the closing number
  EXPECT_EQ(sent[0].substr(0, 9), "107801201");
  EXPECT_EQ(sent[1].substr(0, 4), "1084");
}

// A reference number wider than four digits is printed whole: the receipt is signed already.
TEST_F(RtServerLines, WideReferenceIsPrintedWhole) {
  fReceipt.fOriginalReceipt.ReceiptNumber = u"12345";
  fReceipt.fOriginalReceipt.EJClosingNumber = u"12";
  const std::vector<std::string> begun = Begin(rt_Refund);
  ASSERT_GE(begun.size(), 5u);
  EXPECT_NE(begun[4].find("N. 0012-12345 del "), std::string::npos) << begun[4];
}

// The shop's trailer messages start after the thirteen footer lines, which are set before the
// payment and would otherwise replace the first four of them.
TEST_F(RtServerLines, TrailerMessagesFollowTheFooterLines) {
  Begin(rt_Sale);
  SellTenEuros();
  kReceiptMessageTextLine thanks(&fReceipt);
  thanks.fValue = u"Grazie";
  thanks.fAlignment = la_left;
  fSimulator.ClearTranscript();
  ASSERT_TRUE(fDevice->PrintTrailerMessageTextLine(fReceipt, thanks));
  ASSERT_TRUE(Pay(rpt_Cash, 10));
  const std::vector<std::string> sent = testing::SentFrames(fSimulator);
  ASSERT_GE(sent.size(), 15u);
  EXPECT_EQ(sent[0].substr(0, 10), "1078012140") << sent[0];
  EXPECT_EQ(sent[13].substr(0, 10), "1078012130") << sent[13];
  bool printed = false;
  for (const std::string& line : fSimulator.Paper()) printed = printed || line.find("Grazie") != std::string::npos;
  EXPECT_TRUE(printed);
}

}  // namespace
}  // namespace qx
