#include "support/text_functions.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "support/error.h"

namespace qx {

namespace {

String TwoDigits(int aValue) { return PadLeft(IntToStr(aValue), 2, u'0'); }

// 1-based copy that tolerates positions past the end, like the text functions' callers expect.
StringView Copy(StringView aText, size_t aPos, size_t aCount) {
  if (aPos < 1 || aPos > aText.size()) return {};
  return aText.substr(aPos - 1, aCount);
}

// Shared tail of the three FormatNumberField forms: aFixed is the number written with its
// decimals and "." as the point.
String FinishNumberField(String aFixed, bool aNegative, int32_t aWidth, bool aWithSign,
                         StringView aSeparator) {
  if (aWidth <= 0) return String();
  // With a sign field the sign goes only in front: a minus left inside the digits would give
  // "-000-1250", which no reader of the field can take.
  if (aWithSign && !aFixed.empty() && aFixed[0] == u'-') aFixed.erase(0, 1);
  String text = ReplaceAll(aFixed, u".", aSeparator);
  text = Trim(text);
  text = String(static_cast<size_t>(aWidth), u'0') + text;
  text = text.substr(text.size() - static_cast<size_t>(aWidth));
  if (aWithSign) text[0] = aNegative ? u'-' : u'+';
  return text;
}

}  // namespace

String DateTimeToText(bool aWithMilliseconds, TDateTime aDateTime) {
  const DateTimeParts p = DecodeDateTime(aDateTime);
  String out = PadLeft(IntToStr(p.Year), 4, u'0') + u"-" + TwoDigits(p.Month) + u"-" + TwoDigits(p.Day) +
               u"T" + TwoDigits(p.Hour) + u":" + TwoDigits(p.Minute) + u":" + TwoDigits(p.Second);
  if (aWithMilliseconds) out += u"." + PadLeft(IntToStr(p.Millisecond), 3, u'0');
  return out;
}

String PrintedDate(TDateTime aDate) {
  const DateTimeParts p = DecodeDateTime(aDate);
  return TwoDigits(p.Day) + u"-" + TwoDigits(p.Month) + u"-" + PadLeft(IntToStr(p.Year), 4, u'0');
}

String PrintedDateTime(TDateTime aDateTime, bool aSeconds) {
  const DateTimeParts p = DecodeDateTime(aDateTime);
  String out = PrintedDate(aDateTime) + u" " + TwoDigits(p.Hour) + u":" + TwoDigits(p.Minute);
  if (aSeconds) out += u":" + TwoDigits(p.Second);
  return out;
}

TDateTime TextToDateTime(StringView aText) {
  DateTimeParts p;
  const bool ok = TryStrToInt(Copy(aText, 1, 4), p.Year) && TryStrToInt(Copy(aText, 6, 2), p.Month) &&
                  TryStrToInt(Copy(aText, 9, 2), p.Day) && TryStrToInt(Copy(aText, 12, 2), p.Hour) &&
                  TryStrToInt(Copy(aText, 15, 2), p.Minute) && TryStrToInt(Copy(aText, 18, 2), p.Second);
  p.Millisecond = StrToIntDef(Copy(aText, 21, 3), 0);
  TDateTime value = 0;
  if (!ok || !TryEncodeDateTime(p, value)) throw Error(u"DateTime Format invalid: [" + String(aText) + u"]");
  return value;
}

Currency RoundAmount(Currency aValue) {
  const int64_t count = aValue.Raw();
  const int64_t r = count % 100;  // carries the sign of count
  int64_t result = count - r;
  if (r >= 50) result += 100;
  if (r <= -50) result -= 100;
  return Currency::FromRaw(result);
}

String FormatNumberField(double aValue, int32_t aWidth, int32_t aDecimals, bool aWithSign,
                         StringView aSeparator) {
  if (aDecimals < 0) aDecimals = 0;
  if (aDecimals > 30) aDecimals = 30;
  if (!std::isfinite(aValue)) aValue = 0;
  const int n = std::snprintf(nullptr, 0, "%.*f", static_cast<int>(aDecimals), aValue);
  std::string fixed(static_cast<size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(fixed.data(), fixed.size() + 1, "%.*f", static_cast<int>(aDecimals), aValue);
  return FinishNumberField(String(fixed.begin(), fixed.end()), aValue < 0, aWidth, aWithSign, aSeparator);
}

String FormatNumberField(Currency aValue, int32_t aWidth, int32_t aDecimals, bool aWithSign,
                         StringView aSeparator) {
  // Up to four decimals the amount is written exactly; more decimals only add zeros.
  if (aDecimals < 0) aDecimals = 0;
  String fixed = aValue.ToFixed(aDecimals > 4 ? 4 : aDecimals);
  if (aDecimals > 4) fixed.append(static_cast<size_t>(aDecimals - 4), u'0');
  return FinishNumberField(fixed, aValue < Currency(), aWidth, aWithSign, aSeparator);
}

String FormatNumberField(StringView aValue, int32_t aWidth, int32_t aDecimals, bool aWithSign,
                         StringView aSeparator) {
  return FormatNumberField(Currency::FromText(aValue), aWidth, aDecimals, aWithSign, aSeparator);
}

String GetTextField(StringView aText, int32_t aIndex, char16_t aSeparator, bool aToEnd) {
  if (aIndex < 1) return String();
  size_t start = 0;
  for (int32_t field = 1; field < aIndex; ++field) {
    const size_t hit = aText.find(aSeparator, start);
    if (hit == StringView::npos) return String();
    start = hit + 1;
  }
  if (aToEnd) return String(aText.substr(start));
  const size_t end = aText.find(aSeparator, start);
  return String(aText.substr(start, end == StringView::npos ? StringView::npos : end - start));
}

}  // namespace qx
