#include "fpsim/field_text.h"

#include <cmath>

namespace qx::fpsim {

std::string Digits(int64_t aValue, size_t aWidth) {
  const uint64_t magnitude = aValue < 0 ? 0 - static_cast<uint64_t>(aValue) : static_cast<uint64_t>(aValue);
  std::string text = std::to_string(magnitude);
  if (text.size() < aWidth) text.insert(0, aWidth - text.size(), '0');
  return text.substr(text.size() - aWidth);
}

bool ParseDigits(std::string_view aText, int64_t& aValue) {
  if (aText.empty() || aText.size() > 18) return false;
  int64_t value = 0;
  for (char c : aText) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  aValue = value;
  return true;
}

std::string PadCut(std::string_view aText, size_t aWidth) {
  std::string text(aText.substr(0, aWidth));
  text.resize(aWidth, ' ');
  return text;
}

std::string TrimRightBlanks(std::string_view aText) {
  size_t end = aText.size();
  while (end > 0 && (aText[end - 1] == ' ' || aText[end - 1] == '\x7F')) --end;
  return std::string(aText.substr(0, end));
}

std::string TrimBlanks(std::string_view aText) {
  size_t begin = 0;
  while (begin < aText.size() && aText[begin] == ' ') ++begin;
  return TrimRightBlanks(aText.substr(begin));
}

std::string Centered(std::string_view aText, size_t aWidth) {
  if (aText.size() >= aWidth) return std::string(aText);
  return std::string((aWidth - aText.size()) / 2, ' ') + std::string(aText);
}

std::string Columns(std::string_view aLeft, std::string_view aRight, size_t aWidth, size_t aMinGap) {
  std::string line(aLeft);
  size_t gap = aMinGap;
  if (line.size() + aMinGap + aRight.size() < aWidth) gap = aWidth - line.size() - aRight.size();
  line.append(gap, ' ');
  line += aRight;
  return line;
}

Currency CentsToCurrency(int64_t aCents) { return Currency::FromRaw(aCents * 100); }

int64_t CurrencyToCents(Currency aValue) {
  const int64_t raw = aValue.Raw();
  return raw >= 0 ? (raw + 50) / 100 : -((-raw + 50) / 100);
}

std::string ItalianAmount(Currency aValue) {
  const int64_t cents = CurrencyToCents(aValue);
  const int64_t units = (cents < 0 ? -cents : cents) / 100;
  std::string digits = std::to_string(units);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += '.';
    grouped += digits[i];
  }
  return (cents < 0 ? "-" : "") + grouped + "," + Digits((cents < 0 ? -cents : cents) % 100, 2);
}

std::string DdMmYy(TDateTime aValue) {
  const DateTimeParts p = DecodeDateTime(aValue);
  return Digits(p.Day, 2) + Digits(p.Month, 2) + Digits(p.Year % 100, 2);
}

std::string DdMmYyyy(TDateTime aValue) {
  const DateTimeParts p = DecodeDateTime(aValue);
  return Digits(p.Day, 2) + Digits(p.Month, 2) + Digits(p.Year, 4);
}

std::string HhNn(TDateTime aValue) {
  const DateTimeParts p = DecodeDateTime(aValue);
  return Digits(p.Hour, 2) + Digits(p.Minute, 2);
}

bool ParseWireDate(std::string_view aText, int aYearDigits, TDateTime& aDate) {
  if (aText.size() != static_cast<size_t>(4 + aYearDigits)) return false;
  int64_t day = 0, month = 0, year = 0;
  if (!ParseDigits(aText.substr(0, 2), day) || !ParseDigits(aText.substr(2, 2), month) ||
      !ParseDigits(aText.substr(4), year))
    return false;
  if (aYearDigits == 2) year += 2000;
  DateTimeParts parts;
  parts.Year = static_cast<int>(year);
  parts.Month = static_cast<int>(month);
  parts.Day = static_cast<int>(day);
  parts.Hour = 0;
  return TryEncodeDateTime(parts, aDate);
}

}  // namespace qx::fpsim
