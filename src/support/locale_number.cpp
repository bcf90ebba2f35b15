#include "support/locale_number.h"

#include "platform/locale.h"

namespace qx {

String FormatLocaleNumber(Currency aValue, int aDecimals, bool aGrouping) {
  const String fixed = aValue.ToFixed(aDecimals);
  const size_t point = fixed.find(u'.');
  String whole = fixed.substr(0, point);
  const String fraction = point == String::npos ? String() : fixed.substr(point + 1);
  const bool negative = !whole.empty() && whole[0] == u'-';
  if (negative) whole.erase(0, 1);
  String grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (aGrouping && i > 0 && (whole.size() - i) % 3 == 0) grouped += platform::ThousandSeparator();
    grouped += whole[i];
  }
  String out = negative ? u"-" + grouped : grouped;
  if (!fraction.empty()) out += platform::DecimalSeparator() + fraction;
  return out;
}

}  // namespace qx
