#include "rtserver/rt_server_epson.h"

#include <cstdio>
#include <cstring>

#include "documents/receipt.h"
#include "documents/rpt_util.h"
#include "support/date_time.h"
#include "support/error.h"
#include "support/locale_number.h"

namespace qx {

using platform::CompanionInput;
using platform::FindEntry;
using platform::TakeCompanionText;

namespace {

// The server's VAT identifier of a tax code; codes it does not know go as the standard rate.
const char* VatId(StringView aTaxCode) {
  static const struct {
    const char16_t* fCode;
    const char* fId;
  } kVatIds[] = {{u"N4", "0"},  {u"2200", "1"}, {u"1000", "2"}, {u"0400", "3"}, {u"0500", "4"},
                 {u"N1", "10"}, {u"N2", "11"},  {u"N3", "12"},  {u"N5", "13"},  {u"N6", "14"}};
  for (const auto& entry : kVatIds)
    if (aTaxCode == entry.fCode) return entry.fId;
  return "1";
}

const char* PaymentType(qxReceiptPaymentType aType) {
  switch (aType) {
    case rpt_Cash: return "0";
    case rpt_Cheque: return "1";
    case rpt_CreditCard:
    case rpt_DebitCard: return "2";
    case Rpt_MealVoucher: return "3";
    case rpt_CreditOnServices: return "4";
    case rpt_Credit:
    case rpt_CreditOnProducts: return "5";
    case Rpt_NHSCard: return "7";
    case Rpt_GiftCard:
    case Rpt_Voucher: return "8";
    case Rpt_Change: break;
  }
  return "0";
}

std::string Fixed(Currency aValue, int aDecimals) { return ToUtf8(aValue.ToFixed(aDecimals)); }

// A referenced number as four digits: "0" in front makes an empty text read as 0, and only the
// last four digits of a longer number are kept.
std::string FourDigits(StringView aNumber) {
  const int32_t value = StrToInt(u"0" + String(aNumber));
  char text[16];
  std::snprintf(text, sizeof text, "%04d", static_cast<int>(value % 10000));
  return text;
}

std::string YearMonthDay(TDateTime aDate) {
  const DateTimeParts p = DecodeDateTime(aDate);
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", p.Year, p.Month, p.Day);
  return text;
}

void Set(pugi::xml_node aNode, const char* aName, const std::string& aValue) {
  aNode.append_attribute(aName).set_value(aValue.c_str());
}

void Set(pugi::xml_node aNode, const char* aName, StringView aValue) { Set(aNode, aName, ToUtf8(aValue)); }

void Set(pugi::xml_node aNode, const char* aName, const char* aValue) { aNode.append_attribute(aName).set_value(aValue); }

}  // namespace

kRTServer_Epson::kRTServer_Epson(StringView aDLLName)
    : fReceiptInfo(std::make_unique<kRTServerReceiptInfo>()),
      fTillReportInfo(std::make_unique<kRTServerTillReportInfo>()) {
  const String name = aDLLName.empty() ? String(kDefaultLibrary) : String(aDLLName);
  fDLLHandle = platform::LoadCompanionLibrary(platform::NativeLibraryFileName(name));
  fOpenTill = FindEntry<tRTServer_OPENTILL>(fDLLHandle, "OPENTILL");
  if (fOpenTill == nullptr) throw Error(u"OPENTILL function not found in QXRS_EPSRT90_20.dll");
  fSignReceipt = FindEntry<tRTServer_SIGNRECEIPT>(fDLLHandle, "SIGNRECEIPT");
  if (fSignReceipt == nullptr) throw Error(u"SIGNRECEIPT function not found in QXRS_EPSRT90_20.dll");
  fCloseTill = FindEntry<tRTServer_CLOSETILL>(fDLLHandle, "CLOSETILL");
  if (fCloseTill == nullptr) throw Error(u"CLOSETILL function not found in QXRS_EPSRT90_20.dll");
  fXReport = FindEntry<tRTServer_XREPORT>(fDLLHandle, "XREPORT");
}

kRTServer_Epson::~kRTServer_Epson() = default;

bool kRTServer_Epson::OpenTill(StringView aBaseAddress, int32_t aPort, StringView aTillId, StringView aPassword,
                               StringView aUserName) {
  const CompanionInput address(aBaseAddress);
  const CompanionInput user(aUserName);
  const CompanionInput password(aPassword);
  const CompanionInput till(aTillId);
  Bstr error = nullptr;
  const int16_t result = fOpenTill(address.Get(), aPort, user.Get(), password.Get(), till.Get(), &error);
  fLastErrorMessage = TakeCompanionText(error);
  if (result != 0) return false;
  fTillOpened = true;
  return true;
}

pugi::xml_node kRTServer_Epson::AddCommand(const char* aName) {
  pugi::xml_node command = fCommandNode.append_child(aName);
  Set(command, "operator", "01");
  return command;
}

void kRTServer_Epson::BuildXMLReceipt(const kReceipt& aReceipt) {
  fReceipt = &aReceipt;
  fTrailerLineNumber = 0;
  fLastTaxCode.clear();
  fXmlReceipt = std::make_unique<pugi::xml_document>();
  pugi::xml_node declaration = fXmlReceipt->append_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value("1.0");
  declaration.append_attribute("encoding").set_value("utf-8");
  fCommandNode = fXmlReceipt->append_child("printerFiscalReceipt");
  AddHeader();
  // The lottery code without blanks and control characters around it.
  const String lottery = Trim(aReceipt.fLotteryIdCode);
  if (!lottery.empty()) Set(AddCommand("printRecLotteryID"), "lotteryID", lottery);
  for (size_t i = 0; i < aReceipt.fLines.Count(); ++i) AddLine(aReceipt.fLines[i]);
  AddPayments();
  AddTrailer();
  AddCommand("endFiscalReceipt");
}

void kRTServer_Epson::AddHeader() {
  const kReceipt& receipt = *fReceipt;
  pugi::xml_node begin = AddCommand("beginFiscalReceipt");
  const qxReceiptType type = receipt.fReceiptType;
  Set(begin, "docType", type == rt_Refund ? "1" : type == rt_Void ? "3" : "0");
  if (type != rt_Refund && type != rt_Void) return;
  const qxOriginalReceipt& original = receipt.fOriginalReceipt;
  switch (original.ReferenceType) {
    case rrt_OriginalReceipt:
      Set(begin, "refZRepNum", FourDigits(original.EJClosingNumber));
      Set(begin, "refRecNum", FourDigits(original.ReceiptNumber));
      break;
    case rrt_EFTReceipt: Set(begin, "refRefundVoidType", "POS"); break;
    case rrt_NotAvailable: Set(begin, "refRefundVoidType", "ND"); break;
    case rrt_Empties: Set(begin, "refRefundVoidType", "VR"); break;
  }
  Set(begin, "refDate", YearMonthDay(original.ReceiptDateTime));
  if (!original.ServerSerialNumber.empty()) {
    Set(begin, "refTillID", original.DeviceSerialNumber);
    Set(begin, "refServerID", original.ServerSerialNumber);
  } else {
    Set(begin, "refServerID", original.DeviceSerialNumber);
  }
}

void kRTServer_Epson::AddFreeItem(const String& aTaxCode, const Currency& aAmount) {
  pugi::xml_node adjustment = AddCommand("printRecItemAdjustment");
  Set(adjustment, "adjustmentType", "11");
  Set(adjustment, "amount", Fixed(aAmount, 2));
  Set(adjustment, "vatID", VatId(aTaxCode));
}

void kRTServer_Epson::AddLine(const kReceiptLine& aLine) {
  // An item: description, quantity, unit price and VAT; type "S"/"B" only where given.
  const auto item = [this](const char* aCommand, const String& aDescription, const std::string& aQuantity,
                           const std::string& aUnitPrice, const String& aTaxCode, const char* aType) {
    pugi::xml_node node = AddCommand(aCommand);
    Set(node, "description", aDescription);
    Set(node, "quantity", aQuantity);
    Set(node, "unitPrice", aUnitPrice);
    Set(node, "vatID", VatId(aTaxCode));
    if (aType != nullptr) Set(node, "type", aType);
    Set(node, "justification", "1");
  };
  const auto adjustment = [this](const char* aCommand, const char* aType, const String* aDescription,
                                 Currency aAmount, const String* aTaxCode) {
    pugi::xml_node node = AddCommand(aCommand);
    Set(node, "adjustmentType", aType);
    if (aDescription != nullptr) Set(node, "description", *aDescription);
    Set(node, "amount", Fixed(aAmount, 2));
    if (aTaxCode != nullptr) Set(node, "vatID", VatId(*aTaxCode));
  };
  const auto message = [this](const char* aType, const std::string& aIndex, const String& aText) {
    pugi::xml_node node = AddCommand("printRecMessage");
    Set(node, "messageType", aType);
    Set(node, "index", aIndex);
    Set(node, "font", "1");
    Set(node, "message", aText);
  };

  // A discount or markup: its computed amount (never its percentage); an item adjustment goes to
  // the VAT of the last item, a subtotal adjustment to none.
  const auto priced = [this, &adjustment](const auto& aPriced, const char* aCommand, const char* aType) {
    const String description = aPriced.Description();
    const bool onItem = std::strcmp(aCommand, "printRecItemAdjustment") == 0;
    adjustment(aCommand, aType, &description, aPriced.fAmount, onItem ? &fLastTaxCode : nullptr);
  };

  switch (aLine.fLineType) {
    case rlt_ProductSale:
    case rlt_ProductReturn: {
      const auto& line = static_cast<const kReceiptLineProductSale&>(aLine);
      item(aLine.fLineType == rlt_ProductSale ? "printRecItem" : "printRecRefund", line.Description(),
           Fixed(line.fQuantity, 3), Fixed(line.fPrice, 3), line.fTaxCode, line.fAttribute == rla_Service ? "S" : "B");
      fLastTaxCode = line.fTaxCode;
      if (line.fFreeOfCharge) AddFreeItem(line.fTaxCode, line.fQuantity * line.fPrice);
      break;
    }
    case rlt_WeightedProductSale: {
      const auto& line = static_cast<const kReceiptLineWeightedProductSale&>(aLine);
      const String uom = LowerCase(line.fUOM);
      message("4", "1",
              krptUtil::NormalizeText(u" " + FormatLocaleNumber(line.fQuantity, 3, true) + u" " + uom + u" x " +
                                      fReceipt->fCurrencyCode + u" " + FormatLocaleNumber(line.fPrice, 2, true) +
                                      u"/" + uom));
      item("printRecItem", line.Description(), Fixed(Currency::FromInt(1), 3), Fixed(line.fAmount, 3), line.fTaxCode,
           "B");
      if (line.fFreeOfCharge) AddFreeItem(line.fTaxCode, line.fAmount);
      break;
    }
    case rlt_VoucherSale: {
      const auto& line = static_cast<const kReceiptLineVoucherSale&>(aLine);
      item("printRecItem", line.Description(), "1", Fixed(line.fPrice, 3), line.fTaxCode, nullptr);
      if (line.fFreeOfCharge) AddFreeItem(line.fTaxCode, line.fPrice);
      break;
    }
    case rlt_GiftCardSale: {
      const auto& line = static_cast<const kReceiptLineGiftCardSale&>(aLine);
      item("printRecItem", line.Description(), "1", Fixed(line.fPrice, 3), line.fTaxCode, "B");
      if (line.fFreeOfCharge) AddFreeItem(line.fTaxCode, line.fPrice);
      break;
    }
    case rlt_VoucherRedeem: {
      const auto& line = static_cast<const kReceiptLineVoucherSale&>(aLine);
      adjustment("printRecItemAdjustment", "12", nullptr, line.fPrice, &line.fTaxCode);
      break;
    }
    case rlt_GiftCardRedeem: {
      const auto& line = static_cast<const kReceiptLineGiftCardSale&>(aLine);
      adjustment("printRecItemAdjustment", "12", nullptr, line.fPrice, &line.fTaxCode);
      break;
    }
    case rlt_CollectAmount: {
      const auto& line = static_cast<const kReceiptLineCollectAmount&>(aLine);
      if (line.fAmount > Currency())
        item("printRecItem", line.Description(), "1", Fixed(line.fAmount, 3), line.fTaxCode, "B");
      else
        adjustment("printRecItemAdjustment", "10", nullptr, -line.fAmount, &line.fTaxCode);
      break;
    }
    case rlt_SubTotal: AddCommand("printRecSubtotal"); break;
    case rlt_Text:
      message("4", "1", static_cast<const kReceiptLineText&>(aLine).Description());
      break;
    case rlt_DiscountAmount:
      priced(static_cast<const kReceiptLineDiscountAmount&>(aLine), "printRecItemAdjustment", "0");
      break;
    case rlt_MarkupAmount:
      priced(static_cast<const kReceiptLineDiscountAmount&>(aLine), "printRecItemAdjustment", "5");
      break;
    case rlt_DiscountPercentage:
      priced(static_cast<const kReceiptLineDiscountPercentage&>(aLine), "printRecItemAdjustment", "0");
      break;
    case rlt_MarkupPercentage:
      priced(static_cast<const kReceiptLineDiscountPercentage&>(aLine), "printRecItemAdjustment", "5");
      break;
    case rlt_DiscountAmountOnSubtotal:
      priced(static_cast<const kReceiptLineDiscountAmount&>(aLine), "printRecSubtotalAdjustment", "1");
      break;
    case rlt_MarkupAmountOnSubtotal:
      priced(static_cast<const kReceiptLineDiscountAmount&>(aLine), "printRecSubtotalAdjustment", "6");
      break;
    case rlt_DiscountPercentageOnSubTotal:
      priced(static_cast<const kReceiptLineDiscountPercentage&>(aLine), "printRecSubtotalAdjustment", "1");
      break;
    case rlt_MarkupPercentageOnSubTotal:
      priced(static_cast<const kReceiptLineDiscountPercentage&>(aLine), "printRecSubtotalAdjustment", "6");
      break;
  }
}

void kRTServer_Epson::AddPayments() {
  const kReceipt& receipt = *fReceipt;
  for (size_t i = 0; i < receipt.fPayments.Count(); ++i) {
    const kReceiptPaymentLine& payment = receipt.fPayments[i];
    if (payment.fPaymentType == Rpt_Change) continue;
    pugi::xml_node total = AddCommand("printRecTotal");
    // An invoiced receipt is paid as "6" whatever the means.
    Set(total, "paymentType", receipt.fToBeInvoiced ? "6" : PaymentType(payment.fPaymentType));
    Set(total, "description", payment.fDescription);
    Set(total, "payment", Fixed(payment.fAmount, 2));
    if (payment.fPaymentType == Rpt_MealVoucher) {
      Set(total, "quantity", ToUtf8(IntToStr(payment.fQuantity.Raw() / Currency::kScale)));
      Set(total, "unitPrice", Fixed(payment.fUnitPrice, 2));
    }
  }
}

void kRTServer_Epson::AddTrailer() {
  // Servers of 2018 on print no trailer messages of their own.
  if (DecodeDateTime(Now()).Year >= 2018) return;
  const kReceipt& receipt = *fReceipt;
  for (size_t i = 0; i < receipt.fTrailerMessages.Count(); ++i) {
    const auto* text = dynamic_cast<const kReceiptMessageTextLine*>(&receipt.fTrailerMessages[i]);
    if (text == nullptr) continue;
    pugi::xml_node node = AddCommand("printRecMessage");
    Set(node, "messageType", "3");
    Set(node, "index", ToUtf8(IntToStr(++fTrailerLineNumber)));
    Set(node, "font", "1");
    Set(node, "message", text->Value());
  }
}

String kRTServer_Epson::XmlReceipt() const {
  if (!fXmlReceipt) return String();
  struct Writer : pugi::xml_writer {
    std::string fText;
    void write(const void* aData, size_t aSize) override { fText.append(static_cast<const char*>(aData), aSize); }
  } writer;
  fXmlReceipt->document_element().print(writer, "", pugi::format_raw);
  return FromUtf8(writer.fText);
}

bool kRTServer_Epson::SignReceipt() {
  const CompanionInput request(XmlReceipt());
  Bstr answer = nullptr;
  Bstr error = nullptr;
  const int16_t result = fSignReceipt(request.Get(), &answer, &error);
  const String answerText = TakeCompanionText(answer);
  fLastErrorMessage = TakeCompanionText(error);
  // A refusal without an answer leaves nothing to read: the receipt fails as not signed.
  if (result != 0 && answerText.empty()) return false;
  fReceiptInfo->DeSerialize(answerText);
  return result == 0;
}

bool kRTServer_Epson::TillReport(tRTServer_XREPORT aEntry) {
  Bstr answer = nullptr;
  Bstr error = nullptr;
  const int16_t result = aEntry(&answer, &error);
  const String answerText = TakeCompanionText(answer);
  fLastErrorMessage = TakeCompanionText(error);
  if (result != 0) return false;
  fTillOpened = false;
  fTillReportInfo->DeSerialize(answerText);
  return true;
}

bool kRTServer_Epson::XReport() {
  if (fXReport == nullptr) throw Error(u"XREPORT function not found in QXRS_EPSRT90_20.dll");
  return TillReport(fXReport);
}

bool kRTServer_Epson::CloseTill() { return TillReport(fCloseTill); }

}  // namespace qx
