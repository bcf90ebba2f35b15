// The fiscal receipt flow.

#include "device/fiscal_printer_device.h"
#include "platform/locale.h"
#include "support/error.h"

namespace qx {

namespace {

// aValue with aDecimals decimals and digit grouping, in the locale's separators.
String LocaleNumber(Currency aValue, int aDecimals) {
  const String fixed = aValue.ToFixed(aDecimals);
  const size_t point = fixed.find(u'.');
  String whole = fixed.substr(0, point);
  const String fraction = point == String::npos ? String() : fixed.substr(point + 1);
  const bool negative = !whole.empty() && whole[0] == u'-';
  if (negative) whole.erase(0, 1);
  String grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped += platform::ThousandSeparator();
    grouped += whole[i];
  }
  String out = negative ? u"-" + grouped : grouped;
  if (!fraction.empty()) out += platform::DecimalSeparator() + fraction;
  return out;
}

}  // namespace

_int_PRINTFR_result kFiscalPrinterDevice::Pub_PrintReceipt(kReceiptPrinterHandler&) {
  throw Error(u"PrintReceipt is not available yet in this version of the driver");
}

bool kFiscalPrinterDevice::WeightedProductSale(kReceipt& aReceipt, kReceiptLineWeightedProductSale& aLine) {
  const String uom = LowerCase(aLine.fUOM);
  kReceiptLineText text(&aReceipt);
  text.fDescription = u" " + LocaleNumber(aLine.fQuantity, 3) + u" " + uom + u" x " + aReceipt.fCurrencyCode + u" " +
                      LocaleNumber(aLine.fPrice, 2) + u"/" + uom;
  if (!Text(aReceipt, text)) return false;
  kReceiptLineProductSale sale(&aReceipt);
  sale.fCode = aLine.fCode;
  sale.fDescription = aLine.Description();
  sale.fDepartment = aLine.fDepartment;
  sale.fTaxCode = aLine.fTaxCode;
  sale.fFreeOfCharge = aLine.fFreeOfCharge;
  sale.fQuantity = Currency::FromInt(1);
  sale.fPrice = aLine.fAmount;
  sale.fAmount = aLine.fAmount;
  return ProductSale(aReceipt, sale);
}

}  // namespace qx
