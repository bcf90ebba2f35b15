#include "documents/rpt_util.h"

#include <gtest/gtest.h>

#include "documents/payment_defs.h"
#include "support/text_functions.h"
#include "test_helpers.h"

namespace qx {
namespace {

using test::RaisedMessage;

// One parent element <P> holding aChildren.
struct Parent {
  explicit Parent(const std::string& aChildren) : doc(test::Request("<P>" + aChildren + "</P>")) {}
  pugi::xml_node node() const { return doc->document_element().child("P"); }
  std::unique_ptr<pugi::xml_document> doc;
};

TEST(NodeReaders, AbsentAndEmptyChildren) {
  const Parent p("<Empty/><Also></Also><Nested><X>1</X></Nested>");
  const pugi::xml_node n = p.node();
  EXPECT_EQ(krptUtil::GetNodeValueAsString(n, "Missing"), u"");
  EXPECT_EQ(krptUtil::GetNodeValueAsString(n, "Empty"), u"");
  EXPECT_EQ(krptUtil::GetNodeValueAsCurrency(n, "Missing"), Currency());
  EXPECT_EQ(krptUtil::GetNodeValueAsCurrency(n, "Also"), Currency());
  EXPECT_EQ(krptUtil::GetNodeValueAsInteger(n, "Missing"), 0);
  EXPECT_EQ(krptUtil::GetNodeValueAsInteger(n, "Empty"), 0);
  EXPECT_EQ(krptUtil::GetNodeValueAsDateTime(n, "Missing"), 0.0);
  EXPECT_TRUE(krptUtil::GetNodeValueAsBoolean(n, "Missing", true));
  EXPECT_FALSE(krptUtil::GetNodeValueAsBoolean(n, "Missing", false));
  // Present but empty: the empty text is no boolean and no date-time.
  EXPECT_EQ(RaisedMessage([&] { krptUtil::GetNodeValueAsBoolean(n, "Empty", true); }),
            "Error in processing node Empty as boolean.\r\n'' is not a valid boolean value");
  EXPECT_EQ(RaisedMessage([&] { krptUtil::GetNodeValueAsDateTime(n, "Also"); }),
            "Error in processing node Also as datetime.\r\nDateTime Format invalid: []");
  // Names match exactly: "empty" is not "Empty".
  EXPECT_TRUE(krptUtil::GetNodeValueAsBoolean(n, "empty", true));
}

TEST(NodeReaders, ValuesAndFailureMessages) {
  const Parent p(
      "<S>  padded </S><C>12.5</C><Comma>12,50</Comma><Round>1.23455</Round><I>-42</I><Big>2147483648</Big>"
      "<Max>2147483647</Max><Min>-2147483648</Min><F>1.5</F><D>2024-03-05T14:07:09.042</D>"
      "<BadD>05/03/2024</BadD><CMax>922337203685477.5807</CMax><COver>922337203685477.5808</COver>"
      "<Cdata><![CDATA[<b>&x]]></Cdata><Esc>a &amp; b</Esc><Nested><X>1</X></Nested>");
  const pugi::xml_node n = p.node();
  EXPECT_EQ(krptUtil::GetNodeValueAsString(n, "S"), u"  padded ");  // no trimming
  EXPECT_EQ(krptUtil::GetNodeValueAsString(n, "Cdata"), u"<b>&x");
  EXPECT_EQ(krptUtil::GetNodeValueAsString(n, "Esc"), u"a & b");
  EXPECT_EQ(krptUtil::GetNodeValueAsCurrency(n, "C").Raw(), 125000);
  EXPECT_EQ(krptUtil::GetNodeValueAsCurrency(n, "Round").Raw(), 12346);
  EXPECT_EQ(krptUtil::GetNodeValueAsCurrency(n, "CMax").Raw(), INT64_MAX);
  EXPECT_EQ(krptUtil::GetNodeValueAsInteger(n, "I"), -42);
  EXPECT_EQ(krptUtil::GetNodeValueAsInteger(n, "Max"), INT32_MAX);
  EXPECT_EQ(krptUtil::GetNodeValueAsInteger(n, "Min"), INT32_MIN);
  EXPECT_EQ(krptUtil::GetNodeValueAsDateTime(n, "D"), EncodeDateTime({2024, 3, 5, 14, 7, 9, 42}));

  struct Case { std::function<void()> read; const char* message; };
  const Case cases[] = {
      {[&] { krptUtil::GetNodeValueAsCurrency(n, "Comma"); },
       "Error in processing node Comma as currency.\r\n'12,50' is not a valid floating point value"},
      {[&] { krptUtil::GetNodeValueAsCurrency(n, "COver"); },
       "Error in processing node COver as currency.\r\n'922337203685477.5808' is not a valid floating point value"},
      {[&] { krptUtil::GetNodeValueAsInteger(n, "Big"); },
       "Error in processing node Big as integer.\r\n'2147483648' is not a valid integer value"},
      {[&] { krptUtil::GetNodeValueAsInteger(n, "F"); },
       "Error in processing node F as integer.\r\n'1.5' is not a valid integer value"},
      {[&] { krptUtil::GetNodeValueAsDateTime(n, "BadD"); },
       "Error in processing node BadD as datetime.\r\nDateTime Format invalid: [05/03/2024]"},
      {[&] { krptUtil::GetNodeValueAsBoolean(n, "S", false); },
       "Error in processing node S as boolean.\r\n'  padded ' is not a valid boolean value"},
      {[&] { krptUtil::GetNodeValueAsString(n, "Nested"); },
       "Error in processing node Nested as string.\r\nElement \"Nested\" does not contain a single text node"},
      {[&] { krptUtil::GetNodeValueAsCurrency(n, "Nested"); },
       "Error in processing node Nested as currency.\r\nElement \"Nested\" does not contain a single text node"},
  };
  for (const Case& c : cases) EXPECT_EQ(RaisedMessage(c.read), c.message);
}

TEST(NodeReaders, Booleans) {
  struct Case { const char16_t* text; int want; };  // -1: not a boolean
  const Case cases[] = {{u"true", 1},  {u"TRUE", 1},   {u"False", 0}, {u"1", 1},    {u"0", 0},
                        {u"-3", 1},    {u"0.0", 0},    {u"2.5", 1},   {u"1e3", 1},  {u" 0 ", 0},
                        {u"yes", -1},  {u"", -1},      {u"t", -1},    {u"1,0", -1}, {u" true", -1},
                        {u"inf", -1},  {u"nan", -1},   {u"0x1", -1},  {u"-", -1},   {u".", -1}};
  for (const Case& c : cases) {
    if (c.want < 0) {
      EXPECT_EQ(RaisedMessage([&] { krptUtil::TextToBoolean(c.text); }),
                "'" + ToUtf8(c.text) + "' is not a valid boolean value");
    } else {
      EXPECT_EQ(krptUtil::TextToBoolean(c.text), c.want == 1) << ToUtf8(c.text);
    }
  }
}

// Every enumeration: each keyword reads back in three letter cases and writes out again; one bad
// text gives the enumeration's message (or its fallback).
struct EnumCase {
  const char* name;
  std::vector<std::u16string> keywords;          // in ordinal order, "" for a value without text
  std::function<int(StringView)> decode;
  std::function<String(int)> toText;
  const char16_t* pattern;  // the failure message; nullptr: the enumeration never fails
  int fallback;
};

template <typename E>
EnumCase Strict(const char* aName, std::vector<std::u16string> aKeywords, E (*aDecode)(StringView),
                const char16_t* aPattern) {
  return {aName, std::move(aKeywords), [aDecode](StringView t) { return static_cast<int>(aDecode(t)); },
          [](int v) { return krptUtil::ToText(static_cast<E>(v)); }, aPattern, -1};
}

template <typename E>
EnumCase Lenient(const char* aName, std::vector<std::u16string> aKeywords, E (*aDecode)(StringView), E aFallback) {
  return {aName, std::move(aKeywords), [aDecode](StringView t) { return static_cast<int>(aDecode(t)); },
          [](int v) { return krptUtil::ToText(static_cast<E>(v)); }, nullptr, static_cast<int>(aFallback)};
}

String Capitalised(StringView aText) {
  String s(aText);
  if (!s.empty()) s[0] = UpperCase(s.substr(0, 1))[0];
  return s;
}

TEST(EnumerationTexts, EveryKeywordBothWaysAndTheFailure) {
  const EnumCase cases[] = {
      Strict("qxReceiptType", {u"sale", u"refund", u"void", u"invoicesale", u"invoicesalefromreceipt"},
             &krptUtil::DecodeReceiptType, u"ReceiptType %s is invalid"),
      Strict("qxReceiptLineType",
             {u"productsale", u"productreturn", u"weightedproductsale", u"vouchersale", u"voucherredeem",
              u"giftcardsale", u"giftcardredeem", u"subtotal", u"text", u"discountamount", u"discountpercentage",
              u"discountamountonsubtotal", u"discountpercentageonsubtotal", u"markupamount", u"markuppercentage",
              u"markupamountonsubtotal", u"markuppercentageonsubtotal", u"collectamount"},
             &krptUtil::DecodeLineType, u"LineType %s is invalid"),
      Strict("qxReceiptPaymentType",
             {u"cash", u"cheque", u"creditcard", u"debitcard", u"credit", u"creditonproducts", u"creditonservices",
              u"giftcard", u"voucher", u"mealvoucher", u"nhscard", u"change"},
             &krptUtil::DecodePaymentType, u"PaymentType %s is invalid"),
      Strict("qxReceiptTaxType", {u"vat", u"salestax"}, &krptUtil::DecodeTaxType, u"TaxType %s is invalid"),
      Lenient("qxReceiptReferenceType", {u"", u"eftreceipt", u"notavailable", u"empties"},
              &krptUtil::DecodeReferenceType, rrt_OriginalReceipt),
      Strict("qxReceiptMessageLineAlignment", {u"", u"right", u"center", u"left"}, &krptUtil::DecodeAlignment,
             u"Alignment %s is invalid"),
      Strict("qxReceiptMessageBarcodeType",
             {u"ean13", u"ean8", u"code39", u"code128", u"qrcode", u"upca", u"upce", u"interleaved2of5"},
             &krptUtil::DecodeBarcodeType, u"BarcodeType %s is invalid"),
      Strict("qxReceiptMessageLineEffect",
             {u"bold", u"italic", u"underline", u"doubleheight", u"doublewidth", u"doublesize", u"invertcolors",
              u"condensed"},
             &krptUtil::DecodeEffect, u"Effect %s is invalid"),
      Strict("qxReceiptMessageImageSource", {u"resource", u"filesystem"}, &krptUtil::DecodeImageSource,
             u"Image Source %s is invalid"),
      Lenient("qxReceiptLineAttribute", {u"product", u"service"}, &krptUtil::DecodeLineAttribute, rla_Service),
      Strict("qxEJReportType", {u"zreport", u"fiscalreceipt", u"nonfiscalreceipt", u"creditnote", u"invoice"},
             &krptUtil::DecodeEJReportType, u"ReportType %s is invalid"),
      Strict("qxEJReportDestination", {u"printer", u"memory"}, &krptUtil::DecodeEJReportDestination,
             u"ReportDestination %s is invalid"),
      Strict("qxEJFilesRequestType", {u"xml"}, &krptUtil::DecodeEJRequestType, u"ReferenceType %s is invalid"),
      Lenient("qxDepartmentSalesType", {u"product", u"service"}, &krptUtil::DecodeSalesType, st_Product),
  };
  for (const EnumCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (size_t v = 0; v < c.keywords.size(); ++v) {
      const String& k = c.keywords[v];
      EXPECT_EQ(c.toText(static_cast<int>(v)), k);
      if (k.empty()) continue;
      for (const String& text : {k, UpperCase(k), Capitalised(k)}) {
        EXPECT_EQ(c.decode(text), static_cast<int>(v)) << ToUtf8(text);
      }
      // No trimming: a blank in front matches nothing.
      if (c.pattern) {
        EXPECT_EQ(RaisedMessage([&] { c.decode(u" " + k); }), ToUtf8(FormatText(c.pattern, {u" " + k})));
      } else {
        EXPECT_EQ(c.decode(u" " + k), c.fallback);
      }
    }
    // A wrong word is reported lower-cased.
    if (c.pattern) {
      EXPECT_EQ(RaisedMessage([&] { c.decode(u"Middle"); }), ToUtf8(FormatText(c.pattern, {u"middle"})));
    } else {
      EXPECT_EQ(c.decode(u"Middle"), c.fallback);
      EXPECT_EQ(c.decode(u""), c.fallback);
    }
  }
}

TEST(EnumerationTexts, EmptyTextLeavesTwoBlanks) {
  EXPECT_EQ(RaisedMessage([] { krptUtil::DecodeAlignment(u""); }), "Alignment  is invalid");
  EXPECT_EQ(RaisedMessage([] { krptUtil::DecodeReceiptType(u""); }), "ReceiptType  is invalid");
  EXPECT_EQ(RaisedMessage([] { krptUtil::DecodeLineType(u"Ünknown"); }), "LineType Ünknown is invalid");
  EXPECT_EQ(krptUtil::DecodeLineType(u"ProductSale"), rlt_ProductSale);
  EXPECT_EQ(krptUtil::DecodeLineType(u"PRODUCTSALE"), rlt_ProductSale);
}

TEST(EnumerationTexts, PrintLocationIsCaseSensitive) {
  EXPECT_EQ(krptUtil::DecodePrintLocation(u"ECR", pl_EFT), pl_ECR);
  EXPECT_EQ(krptUtil::DecodePrintLocation(u"EFT", pl_ECR), pl_EFT);
  EXPECT_EQ(krptUtil::DecodePrintLocation(u"", pl_EFT), pl_EFT);
  EXPECT_EQ(krptUtil::ToText(pl_ECR), u"ECR");
  EXPECT_EQ(krptUtil::ToText(pl_EFT), u"EFT");
  EXPECT_EQ(RaisedMessage([] { krptUtil::DecodePrintLocation(u"eft", pl_ECR); }),
            "Payment Location eft invalid. Allowed values are: ECR,EFT.");
  EXPECT_EQ(RaisedMessage([] { krptUtil::DecodePrintLocation(u" ECR", pl_ECR); }),
            "Payment Location  ECR invalid. Allowed values are: ECR,EFT.");
}

TEST(EnumerationTexts, EffectLists) {
  using Set = qxReceiptMessageLineEffectSet;
  EXPECT_EQ(krptUtil::DecodeEffects(u""), Set());
  EXPECT_EQ(krptUtil::DecodeEffects(u"bold,underline"), (Set{le_bold, le_underline}));
  EXPECT_EQ(krptUtil::DecodeEffects(u"Bold,"), Set{le_bold});  // a trailing comma is harmless
  EXPECT_EQ(krptUtil::DecodeEffects(u"bold,,nonsense"), Set{le_bold});  // nothing after two commas
  EXPECT_EQ(krptUtil::DecodeEffects(u",bold"), Set());
  EXPECT_EQ(krptUtil::DecodeEffects(u"condensed,invertcolors,bold"), (Set{le_condensed, le_invertcolors, le_bold}));
  EXPECT_EQ(RaisedMessage([] { krptUtil::DecodeEffects(u"bold, italic"); }), "Effect  italic is invalid");
  EXPECT_EQ(krptUtil::ToText(Set{le_underline, le_bold}), u"bold,underline");
  EXPECT_EQ(krptUtil::DecodeEffects(krptUtil::ToText(Set::FromBits(0xFF))), Set::FromBits(0xFF));
}

TEST(NormalizeText, PrintableForm) {
  struct Case { const char16_t* in; const char16_t* out; };
  const Case cases[] = {
      {u"TOTALE", u"TOT."},
      {u"SUBTOTALE TOTALE", u"SUBTOT. TOT."},
      {u"Totale", u"Totale"},  // case-sensitive
      {u"TOTALÈ", u"TOT."},  // the letters are replaced first
      {u"5\u20AC", u"5E"},
      {u"ÀÙÈÉÒÖÇÏÌ", u"AUEEOOCII"},
      {u"caffè città", u"caff  citt "},  // lower-case accented letters become blanks
      {u"a\tb\r\n\u007F", u"a b  \u007F"},
      {u"\U0001F600", u"  "},  // two UTF-16 units, two blanks
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(krptUtil::NormalizeText(c.in), c.out) << ToUtf8(c.in);
}

TEST(PaymentTexts, NetworksAndTransactionTypes) {
  const char16_t* networks[] = {
      u"bank",      u"cheque",    u"visa",       u"amex",       u"mastercard", u"jcb",       u"cup",
      u"diners",    u"maestro",   u"NHS",        u"edenred",    u"day",        u"sodexo",    u"pellegrini",
      u"bluticket", u"jakala",    u"miglunch",   u"alipay",     u"discover",   u"doku",      u"dragonpay",
      u"molpay",    u"vpay",      u"amazonpay",  u"applepay",   u"samsungpay", u"paypal",    u"yandex",
      u"quiticket", u"repas",     u"ristomat",   u"agape",      u"lunchtime",  u"quiwelfare", u"ep",
      u"cir",       u"gemeaz",    u"satispay",   u"jiffy",      u"bitcoin",    u"tinaba",    u"scalapay",
      u"unrecognized", u"other"};
  static_assert(std::size(networks) == 44);
  for (int i = 0; i < 44; ++i) EXPECT_EQ(DecodeNetwork(static_cast<qxPaymentNetwork>(i)), networks[i]) << i;
  EXPECT_EQ(DecodeNetwork(qxPaymentNetwork::Nexi), u"unrecognized");
  EXPECT_EQ(DecodeNetwork(static_cast<qxPaymentNetwork>(44)), u"unrecognized");
  EXPECT_EQ(DecodeNetwork(static_cast<qxPaymentNetwork>(-1)), u"unrecognized");

  const char16_t* types[] = {u"CHIP", u"MAGSTRIPE", u"MANUAL", u"CLESS", u"CLESSMAGSTRIPE", u"CLESSCHIP", u"", u"OTHER"};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(DecodeTransactionType(static_cast<qxPaymentTransactionType>(i)), types[i]) << i;
  EXPECT_EQ(DecodeTransactionType(ptt_RFID), u"");
  EXPECT_EQ(DecodeTransactionType(static_cast<qxPaymentTransactionType>(8)), u"");
}

}  // namespace
}  // namespace qx
