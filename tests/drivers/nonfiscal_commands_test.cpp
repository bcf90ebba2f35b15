// Non-fiscal receipts, barcodes, the customer display, the drawer, the electronic payment and
// the reprints of the Epson driver against the simulator, with the exact frames sent.
#include <gtest/gtest.h>

#include <algorithm>

#include "epson_fixture.h"
#include "sent_frames.h"
#include "support/error.h"

namespace qx {
namespace {

using testing::SentFrames;

bool PaperHas(const fpsim::Simulator& aSimulator, const std::string& aText) {
  const std::vector<std::string> paper = aSimulator.Paper();
  return std::any_of(paper.begin(), paper.end(),
                     [&](const std::string& aLine) { return aLine.find(aText) != std::string::npos; });
}

kReceiptMessageTextLine& AddText(kReceiptMessageLines& aLines, const String& aValue,
                                 qxReceiptMessageLineAlignment aAlignment = la_left, int32_t aSize = 0) {
  auto& line = aLines.Add(std::make_unique<kReceiptMessageTextLine>());
  line.fValue = aValue;
  line.fAlignment = aAlignment;
  line.fSize = aSize;
  return line;
}

std::unique_ptr<kReceiptMessageBarcodeLine> MakeBarcode(qxReceiptMessageBarcodeType aType, const String& aValue) {
  auto line = std::make_unique<kReceiptMessageBarcodeLine>();
  line->fBarcodeType = aType;
  line->fValue = aValue;
  return line;
}

class NonFiscalCommands : public testing::EpsonFixture {
 protected:
  kNFReceipt fNF;
};

TEST_F(NonFiscalCommands, ReceiptWithTextLinesAndBarcodes) {
  ASSERT_TRUE(fDevice->BeginNoFiscalReceipt(fNF));
  kReceiptMessageLines lines;
  AddText(lines, u"", la_left, 0);
  AddText(lines, u"TITOLO", la_center, 3);
  AddText(lines, u"FINE", la_right, 7);
  for (kReceiptMessageLine& line : lines)
    ASSERT_TRUE(fDevice->PrintNoFiscalMessageTextLine(nullptr, dynamic_cast<kReceiptMessageTextLine&>(line)));
  for (auto [type, value] : {std::pair{bt_QRCODE, u"ABC  "}, std::pair{bt_CODE128, u" 123 "},
                             std::pair{bt_EAN13, u"4006381333931"}, std::pair{bt_EAN8, u"9638507"},
                             std::pair{bt_CODE39, u"AB-12"}, std::pair{bt_UPCA, u"03600029145"},
                             std::pair{bt_UPCE, u"0123456"}, std::pair{bt_Interleaved2Of5, u"1234"}}) {
    auto line = MakeBarcode(type, value);
    ASSERT_TRUE(fDevice->PrintNoFiscalMessageBarcode(nullptr, *line)) << ToUtf8(IO().ErrorMessage());
  }
  ASSERT_TRUE(fDevice->EndNoFiscalReceipt(fNF));

  const std::vector<std::string> expected = {
      "107401",
      "106301",
      "106401" "1" "\x7F" + std::string(39, ' '),
      "106401" "3" + std::string(17, ' ') + "TITOLO" + std::string(17, ' '),
      "106401" "1" + std::string(36, ' ') + "FINE",
      "1075" "01" "001" "0" "006" "0" "2" "00" "92" "ABC",
      "1075" "01" "901" "1" "050" "2" "1" "00" "73" "{A123",
      "1075" "01" "901" "3" "050" "2" "1" "00" "67" "4006381333931",
      "1075" "01" "901" "1" "050" "2" "1" "00" "68" "9638507",
      "1075" "01" "901" "1" "050" "2" "1" "00" "69" "AB-12",
      "1075" "01" "901" "1" "050" "2" "1" "00" "65" "03600029145",
      "1075" "01" "901" "1" "050" "2" "1" "00" "66" "0123456",
      "1075" "01" "901" "1" "050" "2" "1" "00" "73" "{A1234",
      "106501"};
  EXPECT_EQ(SentFrames(fSimulator), expected);
  // On paper a person recognises the symbols by a placeholder naming type and value.
  EXPECT_TRUE(PaperHas(fSimulator, "[QRCODE ABC]"));
  EXPECT_TRUE(PaperHas(fSimulator, "[CODE128 123]"));
  EXPECT_TRUE(PaperHas(fSimulator, "[EAN13 4006381333931]"));
}

// An empty value prints the placeholder 7Fh at the line's start whatever the alignment; a value
// of blanks is aligned like any text (its placeholder too).
TEST_F(NonFiscalCommands, EmptyTextLineIsNotAligned) {
  const struct {
    String value;
    qxReceiptMessageLineAlignment alignment;
    std::string data;
  } cases[] = {
      {u"", la_center, "011" "\x7F" + std::string(39, ' ')},
      {u"", la_right, "011" "\x7F" + std::string(39, ' ')},
      {u"", la_left, "011" "\x7F" + std::string(39, ' ')},
      {u"   ", la_center, "011" + std::string(19, ' ') + "\x7F" + std::string(20, ' ')},
      {u"  ", la_right, "011" + std::string(39, ' ') + "\x7F"},
  };
  ASSERT_TRUE(fDevice->BeginNoFiscalReceipt(fNF));
  for (const auto& c : cases) {
    kReceiptMessageLines lines;
    kReceiptMessageTextLine& line = AddText(lines, c.value, c.alignment);
    fSimulator.ClearTranscript();
    ASSERT_TRUE(fDevice->PrintNoFiscalMessageTextLine(nullptr, line));
    EXPECT_EQ(SentFrames(fSimulator), std::vector<std::string>{"1064" + c.data})
        << "value '" << ToUtf8(c.value) << "' alignment " << c.alignment;
  }
}

TEST_F(NonFiscalCommands, BarcodeValuesThePrinterCannotTakeSendNothing) {
  const struct {
    qxReceiptMessageBarcodeType type;
    String value;
    std::string message;
  } cases[] = {
      {bt_QRCODE, u"   ", "The QRCODE barcode value is empty"},
      {bt_QRCODE, String(2023, u'X'), "has 2023 characters; the type takes 1 to 2022"},
      {bt_QRCODE, u"A\x02" u"B", "holds a character outside printable characters"},
      {bt_EAN13, u"400638133393", ""},  // 12 digits: the printer adds the check digit
      {bt_EAN13, u"40063813339311", "has 14 characters; the type takes 12 or 13"},
      {bt_EAN13, u"40063813339X1", "holds a character outside digits"},
      {bt_EAN8, u"123", "has 3 characters; the type takes 7 or 8"},
      {bt_UPCE, u"012345678", "has 9 characters; the type takes 6 to 8, 11 or 12"},
      {bt_CODE39, u"abc", "holds a character outside digits, capital letters"},
      {bt_CODE128, u"abc", "holds a character outside digits, capital letters"},
      {bt_CODE128, String(41, u'1'), "has 41 characters; the type takes 1 to 40"},
      {bt_Interleaved2Of5, u"12ab", "The Interleaved2Of5 barcode value '12ab' holds a character outside"},
  };
  for (const auto& c : cases) {
    if (c.message.empty()) {
      EXPECT_NO_THROW(kFiscalPrinter_EPSFPNAT::BarcodeFields(c.type, c.value));
      continue;
    }
    fSimulator.ClearTranscript();
    auto line = MakeBarcode(c.type, c.value);
    try {
      fDevice->PrintNoFiscalMessageBarcode(nullptr, *line);
      ADD_FAILURE() << "no error for " << ToUtf8(c.value);
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_TRUE(fSimulator.FramesReceived().empty());
  }
}

// The longest QR code fills the printer's frame of 2048 bytes from STX to ETX.
TEST_F(NonFiscalCommands, TheLongestQRCodeFillsOneFrame) {
  ASSERT_TRUE(fDevice->BeginNoFiscalReceipt(fNF));
  const String value = String(2021, u'Q') + u"~";
  auto line = MakeBarcode(bt_QRCODE, value);
  ASSERT_TRUE(fDevice->PrintNoFiscalMessageBarcode(nullptr, *line)) << ToUtf8(IO().ErrorMessage());
  const std::vector<std::string> frames = fSimulator.FramesReceived();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.back().size(), 2048u);  // STX to ETX
  EXPECT_TRUE(PaperHas(fSimulator, "QQQ~]"));
}

TEST_F(NonFiscalCommands, AnOpenDocumentIsCancelledFirst) {
  fSimulator.WithModel([](fpsim::PrinterModel& m) { m.State().nonFiscalOpen = true; });
  ASSERT_TRUE(fDevice->BeginNoFiscalReceipt(fNF));
  EXPECT_EQ(SentFrames(fSimulator), (std::vector<std::string>{"107401", "108801", "106301"}));
}

TEST_F(NonFiscalCommands, DisplayClearWriteAndCut) {
  ASSERT_TRUE(fDevice->ClearDisplay());
  kReceiptMessageLines lines;
  AddText(lines, u"BENVENUTI", la_center);
  AddText(lines, u"IMPORTO 12,50", la_right);
  AddText(lines, u"A THIRD LINE", la_left);  // the display has two
  ASSERT_TRUE(fDevice->WriteDisplay(lines));
  ASSERT_TRUE(fDevice->OpenDrawer(3));
  EXPECT_EQ(SentFrames(fSimulator),
            (std::vector<std::string>{"1062011" + std::string(40, ' ') + "00",
                                      "1062011" "     BENVENUTI      " "       IMPORTO 12,50" "00",
                                      "105001"}));
  const auto state = fSimulator.WithModel([](fpsim::PrinterModel& m) { return m.State(); });
  EXPECT_EQ(state.display, "     BENVENUTI             IMPORTO 12,50");
  EXPECT_TRUE(state.drawerOpen);
}

TEST_F(NonFiscalCommands, ReprintFrames) {
  const TDateTime march2 = EncodeDate(2025, 3, 2);
  const struct {
    qxReceiptType type;
    String number;
    std::string frame;
    std::string label;
  } cases[] = {
      {rt_Sale, u"0", "104701", "*ReprintLastReceipt*"},
      {rt_Refund, u"", "104701", "*ReprintLastReceipt*"},
      {rt_Sale, u"17", "309801" "020325" "0017" "0017", "*ReprintReceiptByNumber*"},
      {rt_Void, u" 9 ", "309801" "020325" "0009" "0009", "*ReprintReceiptByNumber*"},
      {rt_InvoiceSale, u"5", "30980102" "020325" "0005" "0005" "0" "00", "*ReprintInvoiceByNumber*"},
      {rt_InvoiceSaleFromReceipt, u"12", "30980102" "020325" "0012" "0012" "0" "00", "*ReprintInvoiceByNumber*"},
  };
  for (const auto& c : cases) {
    fSimulator.ClearTranscript();
    kReceiptReference reference;
    reference.fReceiptType = c.type;
    reference.fReceiptNumber = c.number;
    reference.fReceiptDateTime = march2;
    fDevice->Reprint(reference);  // the printer has no such document: only the frame matters
    // The printer's state first: a fiscal document left open would refuse the reprint.
    EXPECT_EQ(SentFrames(fSimulator), (std::vector<std::string>{"107401", c.frame}));
  }
  kReceiptReference bad;
  bad.fReceiptType = static_cast<qxReceiptType>(7);
  EXPECT_THROW(
      {
        try {
          fDevice->Reprint(bad);
        } catch (const Error& e) {
          EXPECT_EQ(e.Message(), u"Receipt Type is not valid for reprint");
          throw;
        }
      },
      Error);
  kReceiptReference notANumber;
  notANumber.fReceiptNumber = u"12a";
  EXPECT_THROW(fDevice->Reprint(notANumber), Error);
  kReceiptReference tooWide;
  tooWide.fReceiptNumber = u"12345";
  EXPECT_THROW(fDevice->Reprint(tooWide), Error);
}

class PaymentCommands : public testing::EpsonFixture {
 protected:
  void SetUp() override {
    EpsonFixture::SetUp();
    fDevice->fPayWithoutCopiesWaitMs = 0;
  }
};

TEST_F(PaymentCommands, ApprovedWithTwoCopies) {
  kPaymentReceipt payment;
  payment.fAmount = Currency::FromText(u"12.5");
  payment.fCopies = 2;
  ASSERT_TRUE(fDevice->Pay(payment));
  const std::vector<std::string> copy = {"107401", "106301", "10780180001", "106501"};
  std::vector<std::string> expected = {"107401", "108401" "000001250" "2" "01" "1"};
  expected.insert(expected.end(), copy.begin(), copy.end());
  expected.insert(expected.end(), copy.begin(), copy.end());
  EXPECT_EQ(SentFrames(fSimulator), expected);
  // The terminal's answer: terminal id, "01", result "00", authorisation, amount.
  ASSERT_EQ(payment.fRawResponse.size(), 27u);
  EXPECT_EQ(payment.fRawResponse.substr(0, 12), u"TERM000101" u"00");
  EXPECT_TRUE(PaperHas(fSimulator, "PAGAMENTO ELETTRONICO"));
}

TEST_F(PaymentCommands, RefusedIsFalseWithoutErrorAndWithoutCopies) {
  fSimulator.WithModel([](fpsim::PrinterModel& m) { m.State().eftResult = "05"; });
  kPaymentReceipt payment;
  payment.fAmount = Currency::FromText(u"3");
  payment.fCopies = 1;
  EXPECT_FALSE(fDevice->Pay(payment));
  EXPECT_FALSE(IO().ErrorFound());
  EXPECT_EQ(payment.fRawResponse.substr(10, 2), u"05");
  EXPECT_EQ(SentFrames(fSimulator).size(), 2u);
}

TEST_F(PaymentCommands, PrinterErrorAndBadAmount) {
  fSimulator.AddFault("1084:error=38");
  kPaymentReceipt payment;
  payment.fAmount = Currency::FromText(u"3");
  payment.fRawResponse = u"old";
  EXPECT_FALSE(fDevice->Pay(payment));
  EXPECT_EQ(IO().ErrorMessage(), u"EFT-POS in ERRORE");
  EXPECT_EQ(payment.fRawResponse, u"");
  payment.fAmount = Currency::FromText(u"-3");
  EXPECT_THROW(fDevice->Pay(payment), Error);
  payment.fAmount = Currency::FromText(u"10000000");  // 11 digits with its cents
  EXPECT_THROW(fDevice->Pay(payment), Error);
}

}  // namespace
}  // namespace qx
