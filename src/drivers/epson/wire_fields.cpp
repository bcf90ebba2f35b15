// Fixed-width numeric fields that refuse values too wide for them.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/error.h"
#include "support/text_functions.h"

namespace qx {

namespace {

// Digits of the value written with its decimals and without point, leading zeros removed.
size_t SignificantDigits(Currency aValue, int32_t aDecimals) {
  const Currency magnitude = aValue < Currency() ? Currency() - aValue : aValue;
  const String digits = FormatNumberField(magnitude, 40, aDecimals);
  const size_t first = digits.find_first_not_of(u'0');
  return first == String::npos ? 0 : digits.size() - first;
}

[[noreturn]] void Overflow(StringView aFieldName, StringView aValueText, int32_t aWidth) {
  throw Error(u"The value " + String(aValueText) + u" of " + String(aFieldName) + u" does not fit its field of " +
              IntToStr(aWidth) + u" digits");
}

}  // namespace

String kFiscalPrinter_EPSFPNAT::FitField(Currency aValue, int32_t aWidth, int32_t aDecimals, StringView aFieldName) {
  if (aValue < Currency() || SignificantDigits(aValue, aDecimals) > static_cast<size_t>(aWidth))
    Overflow(aFieldName, CurrencyToText(aValue), aWidth);
  return FormatNumberField(aValue, aWidth, aDecimals);
}

String kFiscalPrinter_EPSFPNAT::FitField(int64_t aValue, int32_t aWidth, StringView aFieldName) {
  const String digits = IntToStr(aValue);
  if (aValue < 0 || digits.size() > static_cast<size_t>(aWidth)) Overflow(aFieldName, digits, aWidth);
  return String(static_cast<size_t>(aWidth) - digits.size(), u'0') + digits;
}

}  // namespace qx
