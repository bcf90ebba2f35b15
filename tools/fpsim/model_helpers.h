// Field helpers shared by the command families of the printer model.
#pragma once

#include <string>
#include <string_view>

#include "fpsim/field_text.h"
#include "fpsim/printer_model.h"

namespace qx::fpsim::model {

inline Reply Fail(int aCode) { return Reply{aCode, {}, {}}; }
inline Reply Ok(std::string aData = {}) { return Reply{0, std::move(aData), {}}; }

// aLength characters from 0-based aStart, or an empty text when the data is too short.
inline std::string_view Part(std::string_view aData, size_t aStart, size_t aLength) {
  if (aStart >= aData.size()) return {};
  return aData.substr(aStart, aLength);
}

// A digits-only field of exactly aLength characters.
inline bool NumberField(std::string_view aData, size_t aStart, size_t aLength, int64_t& aValue) {
  const std::string_view text = Part(aData, aStart, aLength);
  return text.size() == aLength && ParseDigits(text, aValue);
}

// Only decimal digits, any length (ParseDigits stops at 18).
inline bool AllDigits(std::string_view aText) {
  if (aText.empty()) return false;
  for (char c : aText)
    if (c < '0' || c > '9') return false;
  return true;
}

// The tax inside a gross amount at a rate in hundredths, rounded half away from zero.
inline Currency VatIn(Currency aGross, int aRate) {
  const int64_t scaled = CurrencyToCents(aGross) * aRate * 2 / (10000 + aRate);  // twice the tax
  return CentsToCurrency((scaled + (scaled >= 0 ? 1 : -1)) / 2);
}

// "22,00"
inline std::string Rate(int aHundredths) {
  return std::to_string(aHundredths / 100) + "," + Digits(aHundredths % 100, 2);
}

// The VAT column of an item line: "22%", "5,50%", or the short name of a VAT nature.
inline std::string VatColumn(int aSlot, int aHundredths) {
  switch (aSlot) {
    case 0: return "ES";
    case 10: return "EE";
    case 11: return "NS";
    case 12: return "NI";
    case 13: return "RM";
    case 14: return "AL";
    default: break;
  }
  if (aHundredths % 100 == 0) return std::to_string(aHundredths / 100) + "%";
  return Rate(aHundredths) + "%";
}

}  // namespace qx::fpsim::model
