// The VAT, economic-activity and department tables.
#include "fpsim/model_helpers.h"

namespace qx::fpsim {

using namespace model;

namespace {

bool Index(std::string_view aData, int aMax, int& aIndex) {
  int64_t n = 0;
  if (!NumberField(aData, 0, 2, n) || n < 1 || n > aMax) return false;
  aIndex = static_cast<int>(n);
  return true;
}

}  // namespace

// "4205": positions 1-2 the slot, 3-6 the rate (2 decimals, "0000" empty).
Reply PrinterModel::GetVat(std::string_view aData) {
  int slot = 0;
  if (aData.size() != 2 || !Index(aData, 9, slot)) return Fail(kErrBadValue);
  return Ok(std::string(aData) + Digits(fState.vatRates[slot], 4));
}

// "4005": slot (2) + rate (4) + "00".
Reply PrinterModel::SetVat(std::string_view aData) {
  int slot = 0;
  int64_t rate = 0;
  if (aData.size() != 8 || !Index(aData, 9, slot) || !NumberField(aData, 2, 4, rate)) return Fail(kErrBadValue);
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  if (fState.day.documents > 0) return Fail(kErrNotNow);  // the day must be closed first
  fState.vatRates[slot] = static_cast<int>(rate);
  return Ok();
}

// "4237": positions 1-2 the activity, 3-8 its code, 9 "1" with VAT apportionment, then "1" and
// nine blanks (as the record is written).
Reply PrinterModel::GetActivity(std::string_view aData) {
  int n = 0;
  if (aData.size() != 2 || !Index(aData, 3, n)) return Fail(kErrBadValue);
  const Activity& a = fState.activities[n];
  return Ok(std::string(aData) + a.code + (a.ventilazione ? "1" : "0") + "1" + std::string(9, ' '));
}

// "4037": activity (2) + code (6) + apportionment (1) + "1" + nine blanks.
Reply PrinterModel::SetActivity(std::string_view aData) {
  int n = 0;
  if (aData.size() != 19 || !Index(aData, 3, n) || (aData[8] != '0' && aData[8] != '1') ||
      aData.substr(9) != "1" + std::string(9, ' '))
    return Fail(kErrBadValue);
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  if (fState.day.documents > 0) return Fail(kErrNotNow);
  fState.activities[n] = {std::string(aData.substr(2, 6)), aData[8] == '1'};
  return Ok();
}

// "4202": the department record as written (positions 1-70), then "0" and the activity at
// positions 72-73: 1-2 number, 3-22 description, 23-49 the limits, 50 "0", 51-52 VAT slot,
// 53-65 zeros, 66-67 blanks, 68 sales type, 69-71 "000", 72-73 activity.
Reply PrinterModel::GetDepartment(std::string_view aData) {
  int n = 0;
  if (aData.size() != 2 || !Index(aData, 99, n)) return Fail(kErrBadValue);
  const Department& d = fState.departments[n];
  return Ok(std::string(aData) + PadCut(d.description, 20) + PadCut(d.limits, 27) + "0" + Digits(d.vatSlot, 2) +
            std::string(13, '0') + "  " + (d.service ? "1" : "0") + "000" + Digits(d.activity, 2));
}

// "4002": the 72-character department record: 1-2 number, 3-22 description, 23-49 the limits,
// 50 "0", 51-52 VAT slot, 53-65 zeros, 66-67 blanks, 68 sales type, 69-70 "00", 71-72 activity.
Reply PrinterModel::SetDepartment(std::string_view aData) {
  int n = 0;
  int64_t slot = 0, activity = 0;
  if (aData.size() != 72 || !Index(aData, 99, n) || !AllDigits(aData.substr(22, 28)) || aData[49] != '0' ||
      !NumberField(aData, 50, 2, slot) || slot > 14 || aData.substr(52, 13) != std::string(13, '0') ||
      aData.substr(65, 2) != "  " || (aData[67] != '0' && aData[67] != '1') || aData.substr(68, 2) != "00" ||
      !NumberField(aData, 70, 2, activity) || activity > 3)
    return Fail(kErrBadValue);
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  if (fState.day.documents > 0) return Fail(kErrNotNow);
  Department& d = fState.departments[n];
  d.description = std::string(aData.substr(2, 20));
  d.limits = std::string(aData.substr(22, 27));
  d.vatSlot = static_cast<int>(slot);
  d.service = aData[67] == '1';
  d.activity = static_cast<int>(activity);
  return Ok();
}

}  // namespace qx::fpsim
