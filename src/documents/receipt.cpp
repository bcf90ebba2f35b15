#include "documents/receipt.h"

#include <memory>
#include <type_traits>

#include "documents/amount_arithmetic.h"
#include "documents/message_line_reader.h"
#include "documents/request_xml.h"
#include "documents/rpt_util.h"
#include "support/error.h"

namespace qx {

namespace {

using U = krptUtil;

String Str(pugi::xml_node aNode, const char* aName) { return U::GetNodeValueAsString(aNode, aName); }
Currency Amount(pugi::xml_node aNode, const char* aName) { return U::GetNodeValueAsCurrency(aNode, aName); }

template <typename T>
std::unique_ptr<kReceiptLine> ReadProduct(pugi::xml_node aNode, kReceipt* aOwner) {
  auto line = std::make_unique<T>(aOwner);
  line->fCode = Str(aNode, "Code");
  line->fDescription = Str(aNode, "Description");
  line->fQuantity = Amount(aNode, "Quantity");
  line->fUOM = Str(aNode, "UOM");
  line->fDepartment = Str(aNode, "Department");
  line->fTaxCode = Str(aNode, "TaxCode");
  line->fPrice = Amount(aNode, "Price");
  line->fAmount = Amount(aNode, "Amount");
  if constexpr (std::is_same_v<T, kReceiptLineWeightedProductSale>) line->fTare = Amount(aNode, "Tare");
  line->fFreeOfCharge = U::GetNodeValueAsBoolean(aNode, "FreeOfCharge", false);
  line->fAttribute = U::DecodeLineAttribute(Str(aNode, "Attribute"));
  return line;
}

// Vouchers and gift cards; the redeeming lines carry no FreeOfCharge.
template <typename T>
std::unique_ptr<kReceiptLine> ReadVoucher(pugi::xml_node aNode, kReceipt* aOwner, bool aWithFreeOfCharge) {
  auto line = std::make_unique<T>(aOwner);
  line->fCode = Str(aNode, "Code");
  line->fDescription = Str(aNode, "Description");
  line->fDepartment = Str(aNode, "Department");
  line->fTaxCode = Str(aNode, "TaxCode");
  line->fPrice = Amount(aNode, "Price");
  if (aWithFreeOfCharge) line->fFreeOfCharge = U::GetNodeValueAsBoolean(aNode, "FreeOfCharge", false);
  return line;
}

template <typename T>
std::unique_ptr<kReceiptLine> ReadAdjustment(pugi::xml_node aNode, kReceipt* aOwner) {
  auto line = std::make_unique<T>(aOwner);
  line->fAmount = Amount(aNode, "Amount");
  line->fDescription = Str(aNode, "Description");
  return line;
}

template <typename T>
std::unique_ptr<kReceiptLine> ReadPercentage(pugi::xml_node aNode, kReceipt* aOwner) {
  auto line = std::make_unique<T>(aOwner);
  line->fPercentage = Amount(aNode, "Percentage");
  line->fAmount = Amount(aNode, "Amount");
  line->fDescription = Str(aNode, "Description");
  return line;
}

std::unique_ptr<kReceiptLine> ReadLine(pugi::xml_node aNode, qxReceiptLineType aType, kReceipt* aOwner) {
  switch (aType) {
    case rlt_ProductSale: return ReadProduct<kReceiptLineProductSale>(aNode, aOwner);
    case rlt_ProductReturn: return ReadProduct<kReceiptLineProductReturn>(aNode, aOwner);
    case rlt_WeightedProductSale: return ReadProduct<kReceiptLineWeightedProductSale>(aNode, aOwner);
    case rlt_VoucherSale: return ReadVoucher<kReceiptLineVoucherSale>(aNode, aOwner, true);
    case rlt_VoucherRedeem: return ReadVoucher<kReceiptLineVoucherRedeem>(aNode, aOwner, false);
    case rlt_GiftCardSale: return ReadVoucher<kReceiptLineGiftCardSale>(aNode, aOwner, true);
    case rlt_GiftCardRedeem: return ReadVoucher<kReceiptLineGiftCardRedeem>(aNode, aOwner, false);
    case rlt_SubTotal: {
      auto line = std::make_unique<kReceiptLineSubtotal>(aOwner);
      line->fAmount = Amount(aNode, "Amount");
      return line;
    }
    case rlt_Text: {
      auto line = std::make_unique<kReceiptLineText>(aOwner);
      line->fDescription = Str(aNode, "Description");
      return line;
    }
    case rlt_DiscountAmount: return ReadAdjustment<kReceiptLineDiscountAmount>(aNode, aOwner);
    case rlt_DiscountAmountOnSubtotal: return ReadAdjustment<kReceiptLineDiscountAmountOnSubTotal>(aNode, aOwner);
    case rlt_MarkupAmount: return ReadAdjustment<kReceiptLineMarkupAmount>(aNode, aOwner);
    case rlt_MarkupAmountOnSubtotal: return ReadAdjustment<kReceiptLineMarkupAmountOnSubTotal>(aNode, aOwner);
    case rlt_DiscountPercentage: return ReadPercentage<kReceiptLineDiscountPercentage>(aNode, aOwner);
    case rlt_DiscountPercentageOnSubTotal:
      return ReadPercentage<kReceiptLineDiscountPercentageOnSubTotal>(aNode, aOwner);
    case rlt_MarkupPercentage: return ReadPercentage<kReceiptLineMarkupPercentage>(aNode, aOwner);
    case rlt_MarkupPercentageOnSubTotal:
      return ReadPercentage<kReceiptLineMarkupPercentageOnSubTotal>(aNode, aOwner);
    case rlt_CollectAmount: {
      auto line = std::make_unique<kReceiptLineCollectAmount>(aOwner);
      line->fDescription = Str(aNode, "Description");
      line->fDepartment = Str(aNode, "Department");
      line->fTaxCode = Str(aNode, "TaxCode");
      line->fAmount = Amount(aNode, "Amount");
      return line;
    }
  }
  throw Error(u"LineType " + IntToStr(aType) + u" is invalid");  // not reached: DecodeLineType checks
}

}  // namespace

void kReceipt::Deserialize(pugi::xml_node aRoot) {
  const pugi::xml_node receipt = RequiredChild(RequestRoot(aRoot), "Receipt", u"Receipt node not found");
  ReadHeader(receipt);
  ReadOriginalReceipt(receipt);
  if (const pugi::xml_node headers = receipt.child("Headers")) {
    for (pugi::xml_node h = headers.first_child(); h; h = h.next_sibling()) {
      if (h.type() == pugi::node_element) fHeaders.push_back(U::NodeText(h));
    }
  }
  ReadLines(receipt);
  ReadTaxes(receipt);
  ReadPayments(receipt);
  ReadMessageLines(receipt);
}

void kReceipt::ReadHeader(pugi::xml_node aReceipt) {
  // The order of the reads decides which error a faulty request reports.
  fLayout = Str(aReceipt, "Layout");
  fDefaultLayout = fLayout.empty();
  if (fDefaultLayout) fLayout = u"DocumentLayout";
  fBusinessDate = U::GetNodeValueAsDateTime(aReceipt, aReceipt.child("BusinessDate") ? "BusinessDate" : "DateTime");
  fReceiptType = U::DecodeReceiptType(Str(aReceipt, "Type"));
  fReceiptSubType = Str(aReceipt, "SubType");
  fReceiptTypeDescription = Str(aReceipt, "ReceiptTypeDescription");
  fExternalReference = Str(aReceipt, "ExternalReference");
  fStoreCode = Str(aReceipt, "StoreCode");
  fStoreAddress = Str(aReceipt, "StoreAddress");
  fStoreZipCode = Str(aReceipt, "StoreZipCode");
  fStoreCity = Str(aReceipt, "StoreCity");
  fTillCode = Str(aReceipt, "TillCode");
  fReceiptNumber = Str(aReceipt, "Number");
  fReceiptDateTime = U::GetNodeValueAsDateTime(aReceipt, "DateTime");
  fReceiptZReportNumber = Str(aReceipt, "ZReportNumber");
  fDeviceSerialNumber = Str(aReceipt, "DeviceSerialNumber");
  fInvoiceNumber = Str(aReceipt, "InvoiceNumber");
  fInvoiceDateTime = U::GetNodeValueAsDateTime(aReceipt, "InvoiceDateTime");
  fTotalAmount = Amount(aReceipt, "TotalAmount");
  fTipAmount = Amount(aReceipt, "TipAmount");
  fCountryCode = Str(aReceipt, "CountryCode");
  fFiscalAreaCode = Str(aReceipt, "FiscalAreaCode");
  fCompanyCode = Str(aReceipt, "CompanyCode");
  fCompanyTaxCode = Str(aReceipt, "CompanyTaxCode");
  fOperatorCode = Str(aReceipt, "OperatorCode");
  fReceiptBarcode = Str(aReceipt, "ReceiptBarcode");
  fCurrencyCode = Str(aReceipt, "CurrencyCode");
  fCustomerCode = Str(aReceipt, "CustomerCode");
  fCustomerCard = Str(aReceipt, "CustomerCard");
  fCustomerBusinessName = Str(aReceipt, "CustomerBusinessName");
  fCustomerName = Str(aReceipt, "CustomerName");
  fCustomerSurname = Str(aReceipt, "CustomerSurname");
  fCustomerAddress = Str(aReceipt, "CustomerAddress");
  // Both spellings are in use; the upper-case one wins when it has a text.
  fCustomerZipCode = Str(aReceipt, "CustomerZIPCode");
  if (fCustomerZipCode.empty()) fCustomerZipCode = Str(aReceipt, "CustomerZipCode");
  fCustomerCity = Str(aReceipt, "CustomerCity");
  fCustomerProvince = Str(aReceipt, "CustomerProvince");
  fCustomerCountry = Str(aReceipt, "CustomerCountry");
  fCustomerTaxCode = Str(aReceipt, "CustomerTaxCode");
  fCustomerIdNumber = Str(aReceipt, "CustomerIdNumber");
  fCustomerDateOfBirth = U::GetNodeValueAsDateTime(aReceipt, "CustomerDateOfBirth");
  fLotteryIdCode = Str(aReceipt, "LotteryIdCode");
  fToBeInvoiced = U::GetNodeValueAsBoolean(aReceipt, "ToBeInvoiced", false);
}

void kReceipt::ReadOriginalReceipt(pugi::xml_node aReceipt) {
  const pugi::xml_node original = aReceipt.child("References").child("OriginalReceipt");
  if (!original) return;
  qxOriginalReceipt& o = fOriginalReceipt;
  o.ReceiptDateTime = U::GetNodeValueAsDateTime(original, "ReceiptDateTime");
  o.ReceiptNumber = Str(original, "ReceiptNumber");
  o.DeviceSerialNumber = Str(original, "DeviceSerialNumber");
  o.ServerSerialNumber = Str(original, "ServerSerialNumber");
  o.EJNumber = Str(original, "EJNumber");
  o.EJClosingNumber = Str(original, "EJClosingNumber");
  o.ExcludeFPCheck = U::GetNodeValueAsBoolean(original, "ExcludeFPCheck", false);
  o.ReferenceType = U::DecodeReferenceType(Str(original, "ReferenceType"));
  o.InvoiceNumber = Str(original, "InvoiceNumber");
  o.InvoiceDateTime = U::GetNodeValueAsDateTime(original, "InvoiceDateTime");
}

void kReceipt::ReadLines(pugi::xml_node aReceipt) {
  const pugi::xml_node lines = RequiredChild(aReceipt, "Lines", u"Unable to find Lines node ");
  for (pugi::xml_node n = lines.first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element) continue;
    const qxReceiptLineType type = U::DecodeLineType(FromUtf8(n.name()));
    std::unique_ptr<kReceiptLine> line = ReadLine(n, type, this);
    line->fLineType = type;
    fLines.Add(std::move(line));
  }
}

void kReceipt::ReadTaxes(pugi::xml_node aReceipt) {
  const pugi::xml_node taxes = RequiredChild(aReceipt, "Taxes", u"Unable to find Taxes node ");
  for (pugi::xml_node n = taxes.child("Tax"); n; n = n.next_sibling("Tax")) {
    auto tax = std::make_unique<kReceiptTaxLine>(this);
    tax->fTaxType = U::DecodeTaxType(Str(n, "Type"));
    tax->fTaxCode = Str(n, "Code");
    tax->fTaxDescription = Str(n, "Description");
    tax->fTaxRate = Amount(n, "Rate");
    tax->fTaxableAmount = Amount(n, "TaxableAmount");
    tax->fTaxAmount = Amount(n, "TaxAmount");
    tax->fTotalAmount = Amount(n, "TotalAmount");
    fTaxes.Add(std::move(tax));
  }
}

void kReceipt::ReadPayments(pugi::xml_node aReceipt) {
  const pugi::xml_node payments = RequiredChild(aReceipt, "Payments", u"Unable to find Payments node ");
  for (pugi::xml_node n = payments.child("Payment"); n; n = n.next_sibling("Payment")) {
    auto payment = std::make_unique<kReceiptPaymentLine>(this);
    payment->fPaymentType = U::DecodePaymentType(Str(n, "Type"));
    payment->fDescription = Str(n, "Description");
    payment->fAmount = Amount(n, "Amount");
    payment->fCurrency = Str(n, "Currency");
    payment->fQuantity = Amount(n, "Quantity");
    payment->fUnitPrice = Amount(n, "UnitPrice");
    fPayments.Add(std::move(payment));
  }
}

void kReceipt::ReadMessageLines(pugi::xml_node aReceipt) {
  // Trailer before leader; the receipt's text lines carry no effects and its image lines only
  // their alignment.
  const MessageLineFormat format;
  if (const pugi::xml_node trailer = aReceipt.child("TrailerMessages"))
    qx::ReadMessageLines(trailer, format, this, nullptr, rs_lead, fTrailerMessages);
  if (const pugi::xml_node leader = aReceipt.child("LeaderLines"))
    qx::ReadMessageLines(leader, format, this, nullptr, rs_lead, fLeaderLines);
}

Currency kReceipt::GetCalculatedAmount() const {
  Currency total;
  for (const kReceiptLine& line : fLines) total = CheckedAdd(total, line.GetAmount());
  return total;
}

}  // namespace qx
