// Control characters in the text of a request never reach a frame: in every text field the
// driver sends, with and without the receipt's SupportSpecialChars, a character below 20h goes
// out as a blank. A payment description "A" ETX STX "00E10880171" ETX once framed a command of
// its own ("1088" cancelled the receipt).
#include <gtest/gtest.h>

#include "exports/registry.h"
#include "support/error.h"
#include "receipt_fixture.h"

namespace qx {
namespace {

using fpsim::EntryKind;
using fpsim::PadCut;
using testing::Payment;
using testing::ReceiptXml;
using testing::SaleLine;

struct FieldCase {
  const char* field;
  qxReceiptHandlerDocumentType document;
  std::string xml;
  std::string command;
  std::string data;  // the text of the field as it must appear in the command's data
};

const std::string kCash = Payment("Cash", "1.50");
const std::string kSale = SaleLine("Pane", "1", "1.50", "01");

const FieldCase kFields[] = {
    {"payment description", dt_Receipt,
     ReceiptXml("Sale", kSale, Payment("Cash", "1.50", "<Description>A&#3;&#2;00E10880171&#3;</Description>")), "1084",
     "01" + PadCut("A  00E10880171 ", 32)},
    {"product description", dt_Receipt, ReceiptXml("Sale", SaleLine("Pa&#3;ne&#2;", "1", "1.50", "01"), kCash), "1080",
     "01" + PadCut("Pa ne ", 32)},
    {"trailer line", dt_Receipt,
     ReceiptXml("Sale", kSale, kCash,
                "<TrailerMessages><Text><Value>Gra&#6;zie&#15;</Value><Alignment>Left</Alignment></Text>"
                "</TrailerMessages>"),
     "1078", "0120101" + PadCut("Gra zie ", 40)},
    {"customer line of an invoice", dt_Receipt,
     ReceiptXml("InvoiceSale", kSale, kCash, "<Number>7</Number><CustomerName>Ros&#17;si&#2;</CustomerName>"), "1078",
     "0160101" + PadCut("Ros si ", 40)},
    {"non-fiscal text line", dt_NFReceipt,
     "<NFReceipt><Lines><Text><Value>Buo&#2;no&#3;</Value><Alignment>Left</Alignment></Text></Lines></NFReceipt>",
     "1064", "011" + PadCut("Buo no ", 40)},
    {"non-fiscal barcode value", dt_NFReceipt,
     "<NFReceipt><Lines><Barcode><Value>&#3;CPN4711&#2;</Value><Type>Code128</Type></Barcode></Lines></NFReceipt>",
     "1075", "{ACPN4711"},
    {"display text", dt_Display,
     "<Display><Lines><Text><Value>TOT&#3;&#6;</Value><Alignment>Left</Alignment></Text></Lines></Display>", "1062",
     "011" + PadCut("TOT  ", 20)},
};

class ControlCharacters : public testing::ReceiptFixture {
 protected:
  // The document's operation run on the open device, as its export runs it; aSpecial sets the
  // document's SupportSpecialChars (which no request element sets). The error text, empty on
  // success.
  String Run(const FieldCase& aCase, bool aSpecial) {
    kReceiptPrinterHandler handler;
    handler.Deserialize(FromUtf8(Request(fHandle, aCase.xml)), {aCase.document});
    kFiscalPrinterDevice& device = *kFiscalPrinterRegistry::Instance().Find(fHandle)->fDevice;
    device.IOHandler().ResetCustomError();
    auto outcome = [](const auto& aResult) { return aResult.Error ? aResult.ErrorText + u" (error)" : String(); };
    try {
      switch (aCase.document) {
        case dt_Receipt:
          handler.fReceipt->fSupportSpecialChars = aSpecial;
          return outcome(device.Pub_PrintReceipt(handler));
        case dt_NFReceipt:
          handler.fNFReceipt->fSupportSpecialChars = aSpecial;
          return outcome(device.Pub_PrintNFReceipt(handler));
        default: return outcome(device.Pub_WriteDisplay(handler));
      }
    } catch (const Error& e) {
      return e.Message() + u" (raised)";
    }
  }
};

TEST_F(ControlCharacters, EveryTextFieldGoesOutWithBlanks) {
  for (const FieldCase& c : kFields) {
    for (const bool special : {false, true}) {
      SCOPED_TRACE(std::string(c.field) + (special ? ", SupportSpecialChars" : ""));
      fSimulator.ClearTranscript();
      EXPECT_EQ(ToUtf8(Run(c, special)), "");
      // Every frame whole: nothing outside a frame, no refusal, no byte below 20h inside one.
      for (const fpsim::TranscriptEntry& e : fSimulator.Transcript()) {
        EXPECT_NE(e.kind, EntryKind::Junk) << fpsim::DescribeEntry(e);
        EXPECT_NE(e.kind, EntryKind::Resend) << fpsim::DescribeEntry(e);
        if (e.kind != EntryKind::Frame) continue;
        for (size_t i = 1; i + 1 < e.bytes.size(); ++i)
          EXPECT_GE(static_cast<unsigned char>(e.bytes[i]), 0x20) << fpsim::DescribeEntry(e);
      }
      for (const std::string& command : Commands()) EXPECT_NE(command, "1088");
      EXPECT_NE(DataOf(c.command).find(c.data), std::string::npos) << DataOf(c.command);
    }
  }
  // One receipt for each receipt case and flag: none was cancelled.
  EXPECT_EQ(Model([](const fpsim::PrinterState& s) { return s.documents.size(); }), 8u);
}

}  // namespace
}  // namespace qx
