// The lines of a fiscal document: items, returns, vouchers, gift cards, deposits, discounts and
// markups, text and subtotal.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/text_functions.h"

namespace qx {

namespace {

// The adjustment codes and labels of SendAdjustment's kinds.
struct AdjustmentKind {
  const char16_t* code;
  bool onLastItem;
};
constexpr AdjustmentKind kAdjustments[] = {
    {u"0", true}, {u"0", true}, {u"1", false}, {u"1", false},
    {u"5", true}, {u"5", true}, {u"6", false}, {u"6", false},
};

}  // namespace

String kFiscalPrinter_EPSFPNAT::AddVatSuffix(StringView aDescription, StringView aTaxCode) {
  if (!fRTServerActive) return String(aDescription);
  String suffix;
  if (const kVat* vat = FindVat(aTaxCode)) {
    const String code = vat->fCode.substr(0, 2);
    suffix = vat->fRate > Currency() ? code + u"%" : u"*" + code;
  }
  return PadText(aDescription, fLineLength - 13) + u" " + suffix;
}

bool kFiscalPrinter_EPSFPNAT::SendItem(StringView aCommand, StringView aDescription, StringView aDepartment,
                                       StringView aLabel, bool aFreeOfCharge, StringView aTaxCode, Currency aPrice,
                                       Currency aQuantity) {
  const String data = u"01" + PadText(AddVatSuffix(aDescription, aTaxCode), fLineLength - 8) +
                      FitField(aQuantity, 7, 3, u"Quantity") + FitField(aPrice, 9, 2, u"Price") +
                      String(aDepartment) + u"1";
  if (!ExecuteCommand(aCommand, data, aLabel)) return false;
  if (!aFreeOfCharge) return true;
  return SendDeduction(1, u"", u"Free Of Charge Sale", aTaxCode, aDepartment, aQuantity * aPrice);
}

bool kFiscalPrinter_EPSFPNAT::SendSaleItem(StringView aDescription, StringView aDepartment, StringView aLabel,
                                           bool aFreeOfCharge, StringView aTaxCode, Currency aPrice,
                                           Currency aQuantity) {
  return SendItem(u"1080", aDescription, aDepartment, aLabel, aFreeOfCharge, aTaxCode, aPrice, aQuantity);
}

bool kFiscalPrinter_EPSFPNAT::SendReturnItem(StringView aDescription, StringView aDepartment, StringView aLabel,
                                             bool aFreeOfCharge, StringView aTaxCode, Currency aPrice,
                                             Currency aQuantity) {
  return SendItem(u"1081", aDescription, aDepartment, aLabel, aFreeOfCharge, aTaxCode, aPrice, aQuantity);
}

bool kFiscalPrinter_EPSFPNAT::SendDeduction(int32_t aType, StringView aDescription, StringView aLabel,
                                            StringView aTaxCode, StringView aDepartment, Currency aAmount) {
  const String data = u"01" + PadText(AddVatSuffix(aDescription, aTaxCode), fLineLength - 8) +
                      FitField(aAmount, 9, 2, u"Amount") + NumberField(aType) + String(aDepartment) + u"1";
  return ExecuteCommand(u"1090", data, aLabel);
}

bool kFiscalPrinter_EPSFPNAT::SendAdjustment(int32_t aKind, StringView aDescription, StringView aLabel,
                                             Currency aAmount) {
  const AdjustmentKind& kind = kAdjustments[aKind & 7];
  const String description = kind.onLastItem ? AddVatSuffix(aDescription, fLastTaxCode) : String(aDescription);
  const String data =
      u"01" + PadText(description, 32) + FitField(aAmount, 9, 2, u"Amount") + kind.code + u"00" + u"1";
  return ExecuteCommand(u"1083", data, aLabel);
}

bool kFiscalPrinter_EPSFPNAT::ProductSale(kReceipt&, kReceiptLineProductSale& aLine) {
  fLastTaxCode = aLine.fTaxCode;
  return SendSaleItem(aLine.Description(), aLine.fDepartment, u"ProductSale", aLine.fFreeOfCharge, aLine.fTaxCode,
                      aLine.fPrice, aLine.fQuantity);
}

bool kFiscalPrinter_EPSFPNAT::ProductReturn(kReceipt&, kReceiptLineProductReturn& aLine) {
  return SendReturnItem(aLine.Description(), aLine.fDepartment, u"ProductReturn", aLine.fFreeOfCharge,
                        aLine.fTaxCode, aLine.fPrice, aLine.fQuantity);
}

bool kFiscalPrinter_EPSFPNAT::VoucherSale(kReceipt&, kReceiptLineVoucherSale& aLine) {
  fLastTaxCode = aLine.fTaxCode;
  return SendSaleItem(aLine.Description(), aLine.fDepartment, u"VoucherSale[Sale]", aLine.fFreeOfCharge,
                      aLine.fTaxCode, aLine.fPrice, Currency::FromInt(1));
}

bool kFiscalPrinter_EPSFPNAT::GiftCardSale(kReceipt&, kReceiptLineGiftCardSale& aLine) {
  fLastTaxCode = aLine.fTaxCode;
  return SendSaleItem(aLine.Description(), aLine.fDepartment, u"GiftCardSale[Sale]", aLine.fFreeOfCharge,
                      aLine.fTaxCode, aLine.fPrice, Currency::FromInt(1));
}

bool kFiscalPrinter_EPSFPNAT::VoucherRedeem(kReceipt&, kReceiptLineVoucherRedeem& aLine) {
  fLastTaxCode = aLine.fTaxCode;
  return SendDeduction(2, aLine.Description(), u"VoucherRedeem", aLine.fTaxCode, aLine.fDepartment, aLine.fPrice);
}

bool kFiscalPrinter_EPSFPNAT::GiftCardRedeem(kReceipt&, kReceiptLineGiftCardRedeem& aLine) {
  fLastTaxCode = aLine.fTaxCode;
  return SendDeduction(2, aLine.Description(), u"GiftCardRedeem", aLine.fTaxCode, aLine.fDepartment, aLine.fPrice);
}

bool kFiscalPrinter_EPSFPNAT::CollectAmount(kReceipt&, kReceiptLineCollectAmount& aLine) {
  fLastTaxCode = aLine.fTaxCode;
  if (aLine.fAmount > Currency())
    return SendSaleItem(aLine.Description(), aLine.fDepartment, u"CollectAmount[Sale]", false, aLine.fTaxCode,
                        aLine.fAmount, Currency::FromInt(1));
  // A deposit given back: the printer takes its magnitude.
  return SendDeduction(0, aLine.Description(), u"CollectAmount[Redeem]", aLine.fTaxCode, aLine.fDepartment,
                       -aLine.fAmount);
}

bool kFiscalPrinter_EPSFPNAT::Text(kReceipt&, kReceiptLineText& aLine) {
  return ExecuteCommand(u"1078", u"0140001" + PadText(aLine.Description(), fLineLength), u"Text");
}

bool kFiscalPrinter_EPSFPNAT::SubTotal(kReceipt&, kReceiptLineSubtotal&) {
  return ExecuteCommand(u"1086", u"01000", u"SubTotal");
}

bool kFiscalPrinter_EPSFPNAT::DiscountAmount(kReceipt&, kReceiptLineDiscountAmount& aLine) {
  return SendAdjustment(0, aLine.Description(), u"DiscountAmount", aLine.fAmount);
}

bool kFiscalPrinter_EPSFPNAT::DiscountPercentage(kReceipt&, kReceiptLineDiscountPercentage& aLine) {
  return SendAdjustment(1, aLine.Description(), u"DiscountPercentage", aLine.fAmount);
}

bool kFiscalPrinter_EPSFPNAT::DiscountAmountOnSubtotal(kReceipt&, kReceiptLineDiscountAmountOnSubTotal& aLine) {
  return SendAdjustment(2, aLine.Description(), u"DiscountAmount", aLine.fAmount);
}

bool kFiscalPrinter_EPSFPNAT::DiscountPercentageOnSubTotal(kReceipt&,
                                                           kReceiptLineDiscountPercentageOnSubTotal& aLine) {
  return SendAdjustment(3, aLine.Description(), u"DiscountAmount", aLine.fAmount);
}

bool kFiscalPrinter_EPSFPNAT::MarkupAmount(kReceipt&, kReceiptLineMarkupAmount& aLine) {
  return SendAdjustment(4, aLine.Description(), u"MarkupAmount", aLine.fAmount);
}

bool kFiscalPrinter_EPSFPNAT::MarkupPercentage(kReceipt&, kReceiptLineMarkupPercentage& aLine) {
  return SendAdjustment(5, aLine.Description(), u"MarkupPercentage", aLine.fAmount);
}

bool kFiscalPrinter_EPSFPNAT::MarkupAmountOnSubtotal(kReceipt&, kReceiptLineMarkupAmountOnSubTotal& aLine) {
  return SendAdjustment(6, aLine.Description(), u"MarkupAmountSubtotal", aLine.fAmount);
}

bool kFiscalPrinter_EPSFPNAT::MarkupPercentageOnSubTotal(kReceipt&, kReceiptLineMarkupPercentageOnSubTotal& aLine) {
  return SendAdjustment(7, aLine.Description(), u"MarkupPercentageSubTotal", aLine.fAmount);
}

}  // namespace qx
