#include "fpsim/printer_config.h"

#include "fpsim/field_text.h"
#include "support/currency.h"
#include "support/error.h"

namespace qx::fpsim {

namespace {

[[noreturn]] void BadValue(std::string_view aKey, std::string_view aValue, std::string_view aWhy) {
  throw Error("bad value '" + std::string(aValue) + "' for " + std::string(aKey) + ": " + std::string(aWhy));
}

int64_t Integer64(std::string_view aKey, std::string_view aText, int64_t aMin, int64_t aMax) {
  int64_t value = 0;
  if (!ParseDigits(aText, value) || value < aMin || value > aMax)
    BadValue(aKey, aText, "expected a number from " + std::to_string(aMin) + " to " + std::to_string(aMax));
  return value;
}

int Integer(std::string_view aKey, std::string_view aText, int aMin, int aMax) {
  return static_cast<int>(Integer64(aKey, aText, aMin, aMax));
}

bool Boolean(std::string_view aKey, std::string_view aText) {
  if (aText == "true" || aText == "1" || aText == "yes" || aText == "on") return true;
  if (aText == "false" || aText == "0" || aText == "no" || aText == "off") return false;
  BadValue(aKey, aText, "expected true or false");
}

std::vector<std::string> SplitFields(std::string_view aText) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const size_t semi = aText.find(';', start);
    fields.push_back(TrimBlanks(aText.substr(start, semi == std::string_view::npos ? std::string_view::npos : semi - start)));
    if (semi == std::string_view::npos) break;
    start = semi + 1;
  }
  return fields;
}

int RateHundredths(std::string_view aKey, std::string_view aText) {
  Currency rate;
  if (!Currency::TryFromText(String(aText.begin(), aText.end()), rate) || rate < Currency() ||
      rate >= Currency::FromInt(100))
    BadValue(aKey, aText, "expected a rate from 0 to 99.99, as 22.00");
  return static_cast<int>(CurrencyToCents(rate));
}

// "yyyy-mm-dd hh:nn[:ss]"
TDateTime ClockValue(std::string_view aKey, std::string_view aText) {
  const std::string t(aText);
  DateTimeParts p;
  int64_t v[6] = {0, 0, 0, 0, 0, 0};
  const bool shape = (t.size() == 16 || t.size() == 19) && t[4] == '-' && t[7] == '-' && t[10] == ' ' &&
                     t[13] == ':' && (t.size() == 16 || t[16] == ':');
  if (!shape || !ParseDigits(aText.substr(0, 4), v[0]) || !ParseDigits(aText.substr(5, 2), v[1]) ||
      !ParseDigits(aText.substr(8, 2), v[2]) || !ParseDigits(aText.substr(11, 2), v[3]) ||
      !ParseDigits(aText.substr(14, 2), v[4]) || (t.size() == 19 && !ParseDigits(aText.substr(17, 2), v[5])))
    BadValue(aKey, aText, "expected yyyy-mm-dd hh:nn or yyyy-mm-dd hh:nn:ss");
  p.Year = static_cast<int>(v[0]);
  p.Month = static_cast<int>(v[1]);
  p.Day = static_cast<int>(v[2]);
  p.Hour = static_cast<int>(v[3]);
  p.Minute = static_cast<int>(v[4]);
  p.Second = static_cast<int>(v[5]);
  TDateTime value = 0;
  if (!TryEncodeDateTime(p, value)) BadValue(aKey, aText, "not a valid date and time");
  return value;
}

// "s14.27" -> 27
bool IndexedKey(std::string_view aKey, std::string_view aPrefix, int& aIndex) {
  if (aKey.size() <= aPrefix.size() || aKey.substr(0, aPrefix.size()) != aPrefix) return false;
  aIndex = Integer(aKey, aKey.substr(aPrefix.size()), 0, 99);
  return true;
}

}  // namespace

void ApplySetting(SimulatorConfig& aConfig, std::string_view aKey, std::string_view aValue) {
  int n = 0;
  if (aKey == "serial") {
    if (aValue.size() != 11) BadValue(aKey, aValue, "the serial number has 11 characters, as 99MEB012345");
    aConfig.serial = std::string(aValue);
  } else if (aKey == "firmware") {
    if (aValue.empty() || aValue.size() > 5) BadValue(aKey, aValue, "1 to 5 characters, as 5.010");
    aConfig.firmware = PadCut(aValue, 5);
  } else if (aKey == "web_root") {
    aConfig.webRoot = std::string(aValue);
  } else if (aKey == "mode") {
    if (aValue != "RT" && aValue != "MF") BadValue(aKey, aValue, "expected RT or MF");
    aConfig.fiscalMode = std::string(aValue);
  } else if (IndexedKey(aKey, "s14.", n)) {
    if (n < 1 || aValue.size() != 1) BadValue(aKey, aValue, "S14 parameters 1-99 hold one character");
    aConfig.s14[n] = std::string(aValue);
  } else if (IndexedKey(aKey, "s15.", n)) {
    if (n < 1 || aValue.size() != 2) BadValue(aKey, aValue, "S15 parameters 1-99 hold two characters");
    aConfig.s15[n] = std::string(aValue);
  } else if (IndexedKey(aKey, "vat.", n)) {
    if (n < 1 || n > 9) BadValue(aKey, aValue, "VAT slots are 1 to 9");
    aConfig.vatRates[n] = RateHundredths(aKey, aValue);
  } else if (IndexedKey(aKey, "department.", n)) {
    const std::vector<std::string> f = SplitFields(aValue);
    if (n < 1 || f.size() != 4 || (f[2] != "product" && f[2] != "service"))
      BadValue(aKey, aValue, "expected description;vat-slot;product|service;activity for departments 1-99");
    DepartmentConfig d;
    d.description = f[0];
    d.vatSlot = Integer(aKey, f[1], 0, 14);
    d.service = f[2] == "service";
    d.activity = Integer(aKey, f[3], 0, 3);
    aConfig.departments[n] = d;
  } else if (IndexedKey(aKey, "activity.", n)) {
    const std::vector<std::string> f = SplitFields(aValue);
    if (n < 1 || n > 3 || f.size() != 2 || f[0].size() > 6)
      BadValue(aKey, aValue, "expected code;0|1 (code up to 6 characters) for activities 1-3");
    aConfig.activities[n] = {PadCut(f[0], 6), Boolean(aKey, f[1])};
  } else if (IndexedKey(aKey, "header.", n)) {
    if (n < 1 || n > 9) BadValue(aKey, aValue, "header lines are 1 to 9");
    aConfig.header[n] = std::string(aValue);
  } else if (aKey == "clock") {
    aConfig.clock = ClockValue(aKey, aValue);
  } else if (aKey == "clock_offset") {
    const bool negative = !aValue.empty() && aValue[0] == '-';
    const int64_t seconds = Integer64(aKey, negative ? aValue.substr(1) : aValue, 0, int64_t{100} * 366 * 86400);
    aConfig.clockOffsetSeconds = negative ? -seconds : seconds;
  } else if (aKey == "clock_frozen") {
    aConfig.clockFrozen = Boolean(aKey, aValue);
  } else if (aKey == "password") {
    aConfig.localPassword = std::string(aValue);
  } else if (aKey == "eft_result") {
    int64_t ignored = 0;
    if (aValue.size() != 2 || !ParseDigits(aValue, ignored)) BadValue(aKey, aValue, "two digits, 00 approves");
    aConfig.eftResult = std::string(aValue);
  } else if (aKey == "drawer_auto_close") {
    aConfig.drawerAutoClose = Integer(aKey, aValue, 0, 1000000);
  } else if (aKey == "paper") {
    if (aValue == "ok") aConfig.paper = PaperState::Ok;
    else if (aValue == "near-end") aConfig.paper = PaperState::NearEnd;
    else if (aValue == "end") aConfig.paper = PaperState::End;
    else if (aValue == "cover-open") aConfig.paper = PaperState::CoverOpen;
    else BadValue(aKey, aValue, "expected ok, near-end, end or cover-open");
  } else if (aKey == "day_documents") {
    aConfig.dayDocuments = Integer(aKey, aValue, 0, 9999);
  } else if (aKey == "fault") {
    aConfig.faults.push_back(ParseFault(aValue));
  } else {
    throw Error("unknown setting '" + std::string(aKey) + "'");
  }
}

}  // namespace qx::fpsim
