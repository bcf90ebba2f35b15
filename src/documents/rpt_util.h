// Reading values out of request XML: the five node readers, the text of every enumeration of the
// request vocabulary and the normalisation of texts for printers without special characters.
// Everything here is stateless and may be called from any thread. Failures raise qx::Error
// with the message texts that the caller of an export receives.
#pragma once

#include <pugixml.hpp>

#include "documents/enumerations.h"
#include "support/currency.h"
#include "support/date_time.h"
#include "support/text.h"

namespace qx {

class krptUtil {
 public:
  krptUtil() = delete;

  // Node readers. The child is the first direct child element named exactly aNodeName; its
  // text is taken as the parser delivers it. Absent child: empty / aDefaultValue / 0 / 0 / 0.
  // A present child without text gives "" for strings and 0 for amounts and integers, and
  // fails for booleans and date-times. Failures read
  // "Error in processing node <name> as <kind>.\r\n" + the message of the conversion.
  static String GetNodeValueAsString(pugi::xml_node aParentNode, const char* aNodeName);
  static bool GetNodeValueAsBoolean(pugi::xml_node aParentNode, const char* aNodeName, bool aDefaultValue);
  static Currency GetNodeValueAsCurrency(pugi::xml_node aParentNode, const char* aNodeName);
  static int32_t GetNodeValueAsInteger(pugi::xml_node aParentNode, const char* aNodeName);
  static TDateTime GetNodeValueAsDateTime(pugi::xml_node aParentNode, const char* aNodeName);

  // The text of one element: "" without children, the text of its one text or CDATA child, and
  // otherwise the error "Element "<name>" does not contain a single text node".
  static String NodeText(pugi::xml_node aNode);

  // A number (0 is false, any other number true) or "true"/"false" in any letter case; raises
  // "'<text>' is not a valid boolean value".
  static bool TextToBoolean(StringView aText);

  // Enumeration readers: the text is lower-cased (ASCII) and compared with the keywords, without
  // trimming; no match raises the enumeration's message with the lower-cased text.
  static qxReceiptType DecodeReceiptType(StringView aText);
  static qxReceiptLineType DecodeLineType(StringView aText);
  static qxReceiptPaymentType DecodePaymentType(StringView aText);
  static qxReceiptTaxType DecodeTaxType(StringView aText);
  static qxReceiptReferenceType DecodeReferenceType(StringView aText);  // never fails
  static qxReceiptMessageLineAlignment DecodeAlignment(StringView aText);
  static qxReceiptMessageBarcodeType DecodeBarcodeType(StringView aText);
  static qxReceiptMessageLineEffect DecodeEffect(StringView aText);
  // Comma-separated effects; reading stops at the first empty field.
  static qxReceiptMessageLineEffectSet DecodeEffects(StringView aText);
  static qxReceiptMessageImageSource DecodeImageSource(StringView aText);
  static qxReceiptLineAttribute DecodeLineAttribute(StringView aText);  // never fails
  static qxEJReportType DecodeEJReportType(StringView aText);
  static qxEJReportDestination DecodeEJReportDestination(StringView aText);
  static qxEJFilesRequestType DecodeEJRequestType(StringView aText);
  // The department table's sales type: "service" in any letter case, anything else is a product.
  static qxDepartmentSalesType DecodeSalesType(StringView aText);
  // The payment's print location: exactly "ECR" or "EFT"; an empty text keeps aCurrent.
  static QxPrintLocation DecodePrintLocation(StringView aText, QxPrintLocation aCurrent);

  // The keyword of each value as the readers accept it (lower case; "ECR"/"EFT" for the print
  // location); "" for the values without a text (la_none, rrt_OriginalReceipt).
  static String ToText(qxReceiptType aValue);
  static String ToText(qxReceiptLineType aValue);
  static String ToText(qxReceiptPaymentType aValue);
  static String ToText(qxReceiptTaxType aValue);
  static String ToText(qxReceiptReferenceType aValue);
  static String ToText(qxReceiptMessageLineAlignment aValue);
  static String ToText(qxReceiptMessageBarcodeType aValue);
  static String ToText(qxReceiptMessageLineEffect aValue);
  static String ToText(qxReceiptMessageLineEffectSet aValue);  // "bold,underline"
  static String ToText(qxReceiptMessageImageSource aValue);
  static String ToText(qxReceiptLineAttribute aValue);
  static String ToText(qxEJReportType aValue);
  static String ToText(qxEJReportDestination aValue);
  static String ToText(qxEJFilesRequestType aValue);
  static String ToText(qxDepartmentSalesType aValue);
  static String ToText(QxPrintLocation aValue);

  // The printable form of a text: the accented capitals and the euro sign become their plain
  // letter, the word TOTALE becomes TOT., and every other character outside 32..127 a blank.
  static String NormalizeText(StringView aText);
};

}  // namespace qx
