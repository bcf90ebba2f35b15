#include "support/locale_number.h"

#include "platform/locale.h"

namespace qx {

String FormatGroupedNumber(Currency aValue, int aDecimals, char16_t aDecimal, char16_t aThousand) {
  const String fixed = aValue.ToFixed(aDecimals);
  const size_t point = fixed.find(u'.');
  String whole = fixed.substr(0, point);
  const String fraction = point == String::npos ? String() : fixed.substr(point + 1);
  const bool negative = !whole.empty() && whole[0] == u'-';
  if (negative) whole.erase(0, 1);
  String out = negative ? u"-" : u"";
  for (size_t i = 0; i < whole.size(); ++i) {
    if (aThousand != 0 && i > 0 && (whole.size() - i) % 3 == 0) out += aThousand;
    out += whole[i];
  }
  if (!fraction.empty()) out += aDecimal + fraction;
  return out;
}

String FormatLocaleNumber(Currency aValue, int aDecimals, bool aGrouping) {
  return FormatGroupedNumber(aValue, aDecimals, platform::DecimalSeparator(),
                             aGrouping ? platform::ThousandSeparator() : char16_t(0));
}

}  // namespace qx
