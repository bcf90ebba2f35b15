// The non-fiscal receipt: its begin and end, its text lines and its barcodes.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "drivers/epson/slow_command.h"
#include "support/error.h"
#include "support/text_functions.h"

namespace qx {

namespace {

// Ending the receipt makes the printer print its closing lines and cut the paper.
constexpr int32_t kEndReadTimeout = 3000;

// What one barcode type accepts: the value's characters and its length range.
struct BarcodeRule {
  const char16_t* name;
  const char16_t* fields;  // the fixed fields before the value
  const char16_t* prefix;  // sent before the value
  size_t minLength;
  size_t maxLength;
  const char16_t* lengths;  // for the message
  bool (*accepts)(char16_t);
  const char16_t* charset;  // for the message
};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
// Code 39: digits, capitals, blank and - . $ / + % *.
bool IsCode39(char16_t c) {
  return IsDigit(c) || (c >= u'A' && c <= u'Z') || StringView(u" -.$/+%*").find(c) != StringView::npos;
}
// Code 128 code set A without its control characters: blank to underscore (no small letters).
bool IsCode128A(char16_t c) { return c >= 0x20 && c <= 0x5F; }
// The QR data travels inside the frame: no control characters, nothing the line cannot carry.
bool IsQRText(char16_t c) { return (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF); }

// The printer takes a frame of at most 2048 bytes from STX to ETX; eleven of them are the frame's
// own (STX, frame number, "E", command, checksum, ETX) and fifteen the fixed QR fields. A QR
// character is one byte (IsQRText).
constexpr size_t kMaxFrameBytes = 2048;
constexpr size_t kMaxQRLength = kMaxFrameBytes - 11 - 15;
static_assert(kMaxQRLength == 2022, "the length range text of the QR rule");

// The fixed fields of each type, as the printer takes them, then what the value may hold.
constexpr const char16_t* kLinearDigits = u"digits";
constexpr const char16_t* kCode39Set = u"digits, capital letters, blank and - . $ / + % *";
constexpr const char16_t* kCode128Set = u"digits, capital letters, blank and punctuation";

const BarcodeRule& RuleOf(qxReceiptMessageBarcodeType aType) {
  static const BarcodeRule kQR{
      u"QRCODE", u"01" u"001" u"0" u"006" u"0" u"2" u"00" u"92", u"", 1, kMaxQRLength, u"1 to 2022", IsQRText,
      u"printable characters"};
  static const BarcodeRule kEAN13{
      u"EAN13", u"01" u"901" u"3" u"050" u"2" u"1" u"00" u"67", u"", 12, 13, u"12 or 13", IsDigit, kLinearDigits};
  static const BarcodeRule kEAN8{
      u"EAN8", u"01" u"901" u"1" u"050" u"2" u"1" u"00" u"68", u"", 7, 8, u"7 or 8", IsDigit, kLinearDigits};
  static const BarcodeRule kCODE39{
      u"CODE39", u"01" u"901" u"1" u"050" u"2" u"1" u"00" u"69", u"", 1, 40, u"1 to 40", IsCode39, kCode39Set};
  static const BarcodeRule kUPCA{
      u"UPCA", u"01" u"901" u"1" u"050" u"2" u"1" u"00" u"65", u"", 11, 12, u"11 or 12", IsDigit, kLinearDigits};
  static const BarcodeRule kUPCE{
      u"UPCE", u"01" u"901" u"1" u"050" u"2" u"1" u"00" u"66", u"", 6, 12, u"6 to 8, 11 or 12", IsDigit,
      kLinearDigits};
  static const BarcodeRule kCODE128{
      u"CODE128", u"01" u"901" u"1" u"050" u"2" u"1" u"00" u"73", u"{A", 1, 40, u"1 to 40", IsCode128A,
      kCode128Set};
  // Interleaved 2 of 5 travels as Code 128 and takes what Code 128 takes.
  static const BarcodeRule kI2OF5{
      u"Interleaved2Of5", u"01" u"901" u"1" u"050" u"2" u"1" u"00" u"73", u"{A", 1, 40, u"1 to 40", IsCode128A,
      kCode128Set};
  switch (aType) {
    case bt_QRCODE: return kQR;
    case bt_EAN13: return kEAN13;
    case bt_EAN8: return kEAN8;
    case bt_CODE39: return kCODE39;
    case bt_UPCA: return kUPCA;
    case bt_UPCE: return kUPCE;
    case bt_CODE128: return kCODE128;
    case bt_Interleaved2Of5: return kI2OF5;
  }
  throw Error(u"Barcode type " + IntToStr(static_cast<int64_t>(aType)) + u" is not supported");
}

String Quoted(StringView aValue) { return u"'" + String(aValue) + u"'"; }

}  // namespace

String kFiscalPrinter_EPSFPNAT::BarcodeFields(qxReceiptMessageBarcodeType aType, StringView aValue) {
  const BarcodeRule& rule = RuleOf(aType);
  String value;
  if (aType == bt_QRCODE) {
    const size_t last = aValue.find_last_not_of(u' ');
    value = last == StringView::npos ? String() : String(aValue.substr(0, last + 1));
  } else {
    value = Trim(aValue);
  }
  const String what = String(u"The ") + rule.name + u" barcode value " + Quoted(value);
  if (value.empty()) throw Error(String(u"The ") + rule.name + u" barcode value is empty");
  // UPC-E takes its short forms (6 to 8 digits) or the full UPC-A form (11 or 12).
  const bool upceGap = aType == bt_UPCE && value.size() > 8 && value.size() < 11;
  if (value.size() < rule.minLength || value.size() > rule.maxLength || upceGap)
    throw Error(what + u" has " + IntToStr(static_cast<int64_t>(value.size())) + u" characters; the type takes " +
                rule.lengths);
  for (const char16_t c : value)
    if (!rule.accepts(c)) throw Error(what + u" holds a character outside " + rule.charset);
  return String(rule.fields) + rule.prefix + value;
}

bool kFiscalPrinter_EPSFPNAT::BeginNoFiscalReceipt(kNFReceipt& aNFReceipt) {
  // A barcode the printer cannot take is refused before the receipt is begun: a bad request
  // leaves no half-printed receipt behind.
  for (const kReceiptMessageLine& line : aNFReceipt.fLines)
    if (const auto* barcode = dynamic_cast<const kReceiptMessageBarcodeLine*>(&line))
      BarcodeFields(barcode->fBarcodeType, barcode->fValue);
  // The header and footer lines of the document are not printed: only its lines, one by one.
  if (!CloseOpenDocument()) return false;
  return ExecuteCommand(u"1063", u"01", u"BeginNoFiscalReceipt");
}

bool kFiscalPrinter_EPSFPNAT::PrintNoFiscalMessageTextLine(kReceipt*, kReceiptMessageTextLine& aLine) {
  // An empty value is the placeholder alone at the line's start; a value of blanks is aligned.
  const String value = aLine.Value();
  const String text = value.empty() ? String(1, char16_t(0x7F)) : AlignText(value, aLine.fAlignment);
  const String size = aLine.fSize >= 2 && aLine.fSize <= 4 ? IntToStr(aLine.fSize) : String(u"1");
  return ExecuteCommand(u"1064", u"01" + size + PadText(text, fLineLength), u"PrintNoFiscalMessageTextLine");
}

bool kFiscalPrinter_EPSFPNAT::PrintNoFiscalMessageBarcode(kReceipt*, kReceiptMessageBarcodeLine& aLine) {
  return ExecuteCommand(u"1075", BarcodeFields(aLine.fBarcodeType, aLine.fValue), u"PrintNoFiscalMessageBarcode");
}

bool kFiscalPrinter_EPSFPNAT::EndNoFiscalReceipt(kNFReceipt&) {
  const SlowCommandTimeout slow(*fIOHandler, kEndReadTimeout);
  return NoteCommit(ExecuteCommand(u"1065", u"01", u"EndNoFiscalReceipt"));
}

}  // namespace qx
