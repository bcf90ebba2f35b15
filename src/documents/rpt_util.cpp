#include "documents/rpt_util.h"

#include <span>

#include "support/error.h"
#include "support/text_functions.h"

namespace qx {

namespace {

template <typename E>
struct Keyword {
  E Value;
  const char16_t* Text;
};

constexpr Keyword<qxReceiptType> kReceiptTypes[] = {{rt_Sale, u"sale"},
                                                    {rt_Refund, u"refund"},
                                                    {rt_Void, u"void"},
                                                    {rt_InvoiceSale, u"invoicesale"},
                                                    {rt_InvoiceSaleFromReceipt, u"invoicesalefromreceipt"}};

constexpr Keyword<qxReceiptLineType> kLineTypes[] = {
    {rlt_ProductSale, u"productsale"},
    {rlt_ProductReturn, u"productreturn"},
    {rlt_WeightedProductSale, u"weightedproductsale"},
    {rlt_VoucherSale, u"vouchersale"},
    {rlt_VoucherRedeem, u"voucherredeem"},
    {rlt_GiftCardSale, u"giftcardsale"},
    {rlt_GiftCardRedeem, u"giftcardredeem"},
    {rlt_SubTotal, u"subtotal"},
    {rlt_Text, u"text"},
    {rlt_DiscountAmount, u"discountamount"},
    {rlt_DiscountPercentage, u"discountpercentage"},
    {rlt_DiscountAmountOnSubtotal, u"discountamountonsubtotal"},
    {rlt_DiscountPercentageOnSubTotal, u"discountpercentageonsubtotal"},
    {rlt_MarkupAmount, u"markupamount"},
    {rlt_MarkupPercentage, u"markuppercentage"},
    {rlt_MarkupAmountOnSubtotal, u"markupamountonsubtotal"},
    {rlt_MarkupPercentageOnSubTotal, u"markuppercentageonsubtotal"},
    {rlt_CollectAmount, u"collectamount"}};

constexpr Keyword<qxReceiptPaymentType> kPaymentTypes[] = {
    {rpt_Cash, u"cash"},
    {rpt_Cheque, u"cheque"},
    {rpt_CreditCard, u"creditcard"},
    {rpt_DebitCard, u"debitcard"},
    {rpt_Credit, u"credit"},
    {rpt_CreditOnProducts, u"creditonproducts"},
    {rpt_CreditOnServices, u"creditonservices"},
    {Rpt_GiftCard, u"giftcard"},
    {Rpt_Voucher, u"voucher"},
    {Rpt_MealVoucher, u"mealvoucher"},
    {Rpt_NHSCard, u"nhscard"},
    {Rpt_Change, u"change"}};

constexpr Keyword<qxReceiptTaxType> kTaxTypes[] = {{tt_VAT, u"vat"}, {tt_SalesTax, u"salestax"}};

constexpr Keyword<qxReceiptReferenceType> kReferenceTypes[] = {
    {rrt_EFTReceipt, u"eftreceipt"}, {rrt_NotAvailable, u"notavailable"}, {rrt_Empties, u"empties"}};

constexpr Keyword<qxReceiptMessageLineAlignment> kAlignments[] = {
    {la_right, u"right"}, {la_center, u"center"}, {la_left, u"left"}};

constexpr Keyword<qxReceiptMessageBarcodeType> kBarcodeTypes[] = {
    {bt_EAN13, u"ean13"}, {bt_EAN8, u"ean8"}, {bt_CODE39, u"code39"}, {bt_CODE128, u"code128"},
    {bt_QRCODE, u"qrcode"}, {bt_UPCA, u"upca"}, {bt_UPCE, u"upce"}, {bt_Interleaved2Of5, u"interleaved2of5"}};

constexpr Keyword<qxReceiptMessageLineEffect> kEffects[] = {
    {le_bold, u"bold"},           {le_italic, u"italic"},         {le_underline, u"underline"},
    {le_doubleheight, u"doubleheight"}, {le_doublewidth, u"doublewidth"}, {le_doublesize, u"doublesize"},
    {le_invertcolors, u"invertcolors"}, {le_condensed, u"condensed"}};

constexpr Keyword<qxReceiptMessageImageSource> kImageSources[] = {{is_Resource, u"resource"},
                                                                  {is_FileSystem, u"filesystem"}};

constexpr Keyword<qxReceiptLineAttribute> kLineAttributes[] = {{rla_Product, u"product"},
                                                               {rla_Service, u"service"}};

constexpr Keyword<qxEJReportType> kEJReportTypes[] = {{ejrt_ZReport, u"zreport"},
                                                      {ejrt_FiscalReceipt, u"fiscalreceipt"},
                                                      {ejrt_NonFiscalReceipt, u"nonfiscalreceipt"},
                                                      {ejrt_CreditNote, u"creditnote"},
                                                      {ejrt_Invoice, u"invoice"}};

constexpr Keyword<qxEJReportDestination> kEJReportDestinations[] = {{rd_Printer, u"printer"},
                                                                    {rd_Memory, u"memory"}};

constexpr Keyword<qxEJFilesRequestType> kEJRequestTypes[] = {{ej_xml, u"xml"}};

constexpr Keyword<qxDepartmentSalesType> kSalesTypes[] = {{st_Product, u"product"}, {st_Service, u"service"}};

constexpr Keyword<QxPrintLocation> kPrintLocations[] = {{pl_ECR, u"ECR"}, {pl_EFT, u"EFT"}};

template <typename E>
bool FindKeyword(std::span<const Keyword<E>> aTable, StringView aLowerText, E& aValue) {
  for (const Keyword<E>& k : aTable) {
    if (aLowerText == k.Text) {
      aValue = k.Value;
      return true;
    }
  }
  return false;
}

// Strict reading: no match raises aPattern with the lower-cased text for %s.
template <typename E>
E Decode(std::span<const Keyword<E>> aTable, StringView aText, StringView aPattern) {
  const String lower = LowerCase(aText);
  E value{};
  if (!FindKeyword(aTable, StringView(lower), value)) throw Error(FormatText(aPattern, {lower}));
  return value;
}

template <typename E>
E DecodeOr(std::span<const Keyword<E>> aTable, StringView aText, E aFallback) {
  const String lower = LowerCase(aText);
  E value = aFallback;
  return FindKeyword(aTable, StringView(lower), value) ? value : aFallback;
}

template <typename E>
String KeywordOf(std::span<const Keyword<E>> aTable, E aValue) {
  for (const Keyword<E>& k : aTable) {
    if (k.Value == aValue) return k.Text;
  }
  return String();
}

// Decimal number syntax: optional sign, digits with an optional "." part, optional exponent;
// blanks around it are allowed. aZero tells whether every digit of the mantissa is 0.
bool ParseNumber(StringView aText, bool& aZero) {
  size_t i = 0, n = aText.size();
  while (i < n && aText[i] == u' ') ++i;
  while (n > i && aText[n - 1] == u' ') --n;
  if (i < n && (aText[i] == u'+' || aText[i] == u'-')) ++i;
  size_t digits = 0;
  aZero = true;
  auto isDigit = [&](size_t k) { return k < n && aText[k] >= u'0' && aText[k] <= u'9'; };
  for (; isDigit(i); ++i, ++digits) aZero = aZero && aText[i] == u'0';
  if (i < n && aText[i] == u'.') {
    for (++i; isDigit(i); ++i, ++digits) aZero = aZero && aText[i] == u'0';
  }
  if (digits == 0) return false;
  if (i < n && (aText[i] == u'e' || aText[i] == u'E')) {
    ++i;
    if (i < n && (aText[i] == u'+' || aText[i] == u'-')) ++i;
    if (!isDigit(i)) return false;
    while (isDigit(i)) ++i;
  }
  return i == n;
}

[[noreturn]] void RaiseNodeError(const char* aNodeName, StringView aKind, const Error& aCause) {
  throw Error(u"Error in processing node " + FromUtf8(aNodeName) + u" as " + String(aKind) + u".\r\n" +
              aCause.Message());
}

// Values are nearly always ASCII: those are widened directly, the rest goes through FromUtf8.
String TextOf(const char* aUtf8) {
  const std::string_view text(aUtf8);
  unsigned char any = 0;
  for (const char c : text) any |= static_cast<unsigned char>(c);
  if (any >= 0x80) return FromUtf8(text);
  return String(text.begin(), text.end());
}

}  // namespace

String krptUtil::NodeText(pugi::xml_node aNode) {
  const pugi::xml_node first = aNode.first_child();
  if (!first) return String();
  if (!first.next_sibling() && (first.type() == pugi::node_pcdata || first.type() == pugi::node_cdata))
    return TextOf(first.value());
  throw Error(u"Element \"" + FromUtf8(aNode.name()) + u"\" does not contain a single text node");
}

bool krptUtil::TextToBoolean(StringView aText) {
  bool zero = false;
  if (ParseNumber(aText, zero)) return !zero;
  if (SameText(aText, u"true")) return true;
  if (SameText(aText, u"false")) return false;
  throw Error(u"'" + String(aText) + u"' is not a valid boolean value");
}

String krptUtil::GetNodeValueAsString(pugi::xml_node aParentNode, const char* aNodeName) {
  const pugi::xml_node child = aParentNode.child(aNodeName);
  if (!child) return String();
  try {
    return NodeText(child);
  } catch (const Error& e) {
    RaiseNodeError(aNodeName, u"string", e);
  }
}

bool krptUtil::GetNodeValueAsBoolean(pugi::xml_node aParentNode, const char* aNodeName, bool aDefaultValue) {
  const pugi::xml_node child = aParentNode.child(aNodeName);
  if (!child) return aDefaultValue;
  try {
    return TextToBoolean(NodeText(child));
  } catch (const Error& e) {
    RaiseNodeError(aNodeName, u"boolean", e);
  }
}

Currency krptUtil::GetNodeValueAsCurrency(pugi::xml_node aParentNode, const char* aNodeName) {
  const pugi::xml_node child = aParentNode.child(aNodeName);
  if (!child) return Currency();
  try {
    const String text = NodeText(child);
    return text.empty() ? Currency() : Currency::FromText(text);
  } catch (const Error& e) {
    RaiseNodeError(aNodeName, u"currency", e);
  }
}

int32_t krptUtil::GetNodeValueAsInteger(pugi::xml_node aParentNode, const char* aNodeName) {
  const pugi::xml_node child = aParentNode.child(aNodeName);
  if (!child) return 0;
  try {
    const String text = NodeText(child);
    return text.empty() ? 0 : StrToInt(text);
  } catch (const Error& e) {
    RaiseNodeError(aNodeName, u"integer", e);
  }
}

TDateTime krptUtil::GetNodeValueAsDateTime(pugi::xml_node aParentNode, const char* aNodeName) {
  const pugi::xml_node child = aParentNode.child(aNodeName);
  if (!child) return 0;
  try {
    return TextToDateTime(NodeText(child));
  } catch (const Error& e) {
    RaiseNodeError(aNodeName, u"datetime", e);
  }
}

qxReceiptType krptUtil::DecodeReceiptType(StringView aText) {
  return Decode<qxReceiptType>(kReceiptTypes, aText, u"ReceiptType %s is invalid");
}
qxReceiptLineType krptUtil::DecodeLineType(StringView aText) {
  return Decode<qxReceiptLineType>(kLineTypes, aText, u"LineType %s is invalid");
}
qxReceiptPaymentType krptUtil::DecodePaymentType(StringView aText) {
  return Decode<qxReceiptPaymentType>(kPaymentTypes, aText, u"PaymentType %s is invalid");
}
qxReceiptTaxType krptUtil::DecodeTaxType(StringView aText) {
  return Decode<qxReceiptTaxType>(kTaxTypes, aText, u"TaxType %s is invalid");
}
qxReceiptReferenceType krptUtil::DecodeReferenceType(StringView aText) {
  return DecodeOr<qxReceiptReferenceType>(kReferenceTypes, aText, rrt_OriginalReceipt);
}
qxReceiptMessageLineAlignment krptUtil::DecodeAlignment(StringView aText) {
  return Decode<qxReceiptMessageLineAlignment>(kAlignments, aText, u"Alignment %s is invalid");
}
qxReceiptMessageBarcodeType krptUtil::DecodeBarcodeType(StringView aText) {
  return Decode<qxReceiptMessageBarcodeType>(kBarcodeTypes, aText, u"BarcodeType %s is invalid");
}
qxReceiptMessageLineEffect krptUtil::DecodeEffect(StringView aText) {
  return Decode<qxReceiptMessageLineEffect>(kEffects, aText, u"Effect %s is invalid");
}
qxReceiptMessageImageSource krptUtil::DecodeImageSource(StringView aText) {
  return Decode<qxReceiptMessageImageSource>(kImageSources, aText, u"Image Source %s is invalid");
}
qxReceiptLineAttribute krptUtil::DecodeLineAttribute(StringView aText) {
  return DecodeOr<qxReceiptLineAttribute>(kLineAttributes, aText, rla_Service);
}
qxEJReportType krptUtil::DecodeEJReportType(StringView aText) {
  return Decode<qxEJReportType>(kEJReportTypes, aText, u"ReportType %s is invalid");
}
qxEJReportDestination krptUtil::DecodeEJReportDestination(StringView aText) {
  return Decode<qxEJReportDestination>(kEJReportDestinations, aText, u"ReportDestination %s is invalid");
}
qxEJFilesRequestType krptUtil::DecodeEJRequestType(StringView aText) {
  // The message names ReferenceType: callers match on this text.
  return Decode<qxEJFilesRequestType>(kEJRequestTypes, aText, u"ReferenceType %s is invalid");
}
qxDepartmentSalesType krptUtil::DecodeSalesType(StringView aText) {
  return SameText(aText, u"service") ? st_Service : st_Product;
}

QxPrintLocation krptUtil::DecodePrintLocation(StringView aText, QxPrintLocation aCurrent) {
  if (aText.empty()) return aCurrent;
  for (const Keyword<QxPrintLocation>& k : kPrintLocations) {
    if (aText == k.Text) return k.Value;  // case-sensitive, unlike the other enumerations
  }
  throw Error(u"Payment Location " + String(aText) + u" invalid. Allowed values are: ECR,EFT.");
}

qxReceiptMessageLineEffectSet krptUtil::DecodeEffects(StringView aText) {
  qxReceiptMessageLineEffectSet effects;
  size_t start = 0;
  while (start < aText.size()) {
    size_t end = aText.find(u',', start);
    if (end == StringView::npos) end = aText.size();
    if (end == start) break;  // an empty field ends the list
    effects.Include(DecodeEffect(aText.substr(start, end - start)));
    start = end + 1;
  }
  return effects;
}

String krptUtil::ToText(qxReceiptType aValue) { return KeywordOf<qxReceiptType>(kReceiptTypes, aValue); }
String krptUtil::ToText(qxReceiptLineType aValue) { return KeywordOf<qxReceiptLineType>(kLineTypes, aValue); }
String krptUtil::ToText(qxReceiptPaymentType aValue) {
  return KeywordOf<qxReceiptPaymentType>(kPaymentTypes, aValue);
}
String krptUtil::ToText(qxReceiptTaxType aValue) { return KeywordOf<qxReceiptTaxType>(kTaxTypes, aValue); }
String krptUtil::ToText(qxReceiptReferenceType aValue) {
  return KeywordOf<qxReceiptReferenceType>(kReferenceTypes, aValue);
}
String krptUtil::ToText(qxReceiptMessageLineAlignment aValue) {
  return KeywordOf<qxReceiptMessageLineAlignment>(kAlignments, aValue);
}
String krptUtil::ToText(qxReceiptMessageBarcodeType aValue) {
  return KeywordOf<qxReceiptMessageBarcodeType>(kBarcodeTypes, aValue);
}
String krptUtil::ToText(qxReceiptMessageLineEffect aValue) {
  return KeywordOf<qxReceiptMessageLineEffect>(kEffects, aValue);
}
String krptUtil::ToText(qxReceiptMessageLineEffectSet aValue) {
  String out;
  for (const Keyword<qxReceiptMessageLineEffect>& k : kEffects) {
    if (!aValue.Contains(k.Value)) continue;
    if (!out.empty()) out += u',';
    out += k.Text;
  }
  return out;
}
String krptUtil::ToText(qxReceiptMessageImageSource aValue) {
  return KeywordOf<qxReceiptMessageImageSource>(kImageSources, aValue);
}
String krptUtil::ToText(qxReceiptLineAttribute aValue) {
  return KeywordOf<qxReceiptLineAttribute>(kLineAttributes, aValue);
}
String krptUtil::ToText(qxEJReportType aValue) { return KeywordOf<qxEJReportType>(kEJReportTypes, aValue); }
String krptUtil::ToText(qxEJReportDestination aValue) {
  return KeywordOf<qxEJReportDestination>(kEJReportDestinations, aValue);
}
String krptUtil::ToText(qxEJFilesRequestType aValue) {
  return KeywordOf<qxEJFilesRequestType>(kEJRequestTypes, aValue);
}
String krptUtil::ToText(qxDepartmentSalesType aValue) {
  return KeywordOf<qxDepartmentSalesType>(kSalesTypes, aValue);
}
String krptUtil::ToText(QxPrintLocation aValue) { return KeywordOf<QxPrintLocation>(kPrintLocations, aValue); }

String krptUtil::NormalizeText(StringView aText) {
  String text(aText);
  for (char16_t& c : text) {
    switch (c) {
      case u'\u00C0': c = u'A'; break;  // À
      case u'\u00D9': c = u'U'; break;  // Ù
      case u'\u00C8':                   // È
      case u'\u00C9':                   // É
      case u'\u20AC': c = u'E'; break;  // the euro sign
      case u'\u00D2':                   // Ò
      case u'\u00D6': c = u'O'; break;  // Ö
      case u'\u00C7': c = u'C'; break;  // Ç
      case u'\u00CF':                   // Ï
      case u'\u00CC': c = u'I'; break;  // Ì
      default: break;
    }
  }
  // After the letters, so that TOTALÈ also becomes TOT.
  if (text.find(u"TOTALE") != String::npos) text = ReplaceAll(text, u"TOTALE", u"TOT.");
  for (char16_t& c : text) {
    if (c < 32 || c > 127) c = u' ';
  }
  return text;
}

}  // namespace qx
