// Status, clock, reset and the S14/S15 parameter tables.
#include <cmath>

#include "fpsim/model_helpers.h"

namespace qx::fpsim {

using namespace model;

// "2050": positions 1-4 the selector asked, 5-15 the day's sales (11 digits, 2 decimals),
// 16-24 the fiscal documents of the day.
Reply PrinterModel::DailyData(std::string_view aData) {
  int64_t selector = 0;
  if (aData.size() != 4 || !ParseDigits(aData, selector)) return Fail(kErrBadValue);
  return Ok(std::string(aData) + Digits(CurrencyToCents(fState.day.sales), 11) + Digits(fState.day.documents, 9));
}

// "4201": ddmmyyhhnn then the seconds.
Reply PrinterModel::GetClockCommand(std::string_view) {
  const DateTimeParts p = DecodeDateTime(Clock());
  return Ok(Digits(p.Day, 2) + Digits(p.Month, 2) + Digits(p.Year % 100, 2) + Digits(p.Hour, 2) +
            Digits(p.Minute, 2) + Digits(p.Second, 2));
}

// "4001": ddmmyyhhnn + seconds (the driver sends "00").
Reply PrinterModel::SetClockCommand(std::string_view aData) {
  int64_t v[6] = {0, 0, 0, 0, 0, 0};
  if (aData.size() != 12) return Fail(kErrBadValue);
  for (int i = 0; i < 6; ++i)
    if (!NumberField(aData, static_cast<size_t>(i) * 2, 2, v[i])) return Fail(kErrBadValue);
  DateTimeParts p;
  p.Day = static_cast<int>(v[0]);
  p.Month = static_cast<int>(v[1]);
  p.Year = 2000 + static_cast<int>(v[2]);
  p.Hour = static_cast<int>(v[3]);
  p.Minute = static_cast<int>(v[4]);
  p.Second = static_cast<int>(v[5]);
  TDateTime value = 0;
  if (!TryEncodeDateTime(p, value)) return Fail(kErrBadDate);
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  // The fiscal memory is in date order: no day before the last Z report or document.
  TDateTime last = fState.lastZ;
  if (!fState.documents.empty() && fState.documents.back().when > last) last = fState.documents.back().when;
  if (std::floor(value) < std::floor(last)) return Fail(kErrDateEarlier);
  SetClock(value, fState.clockFrozen);
  return Ok();
}

// "1074": positions 1-2 "01", 3-7 firmware, 8-12 "00000", 13-17 the five status characters:
// paper ("0" ok, "2" near end, "3" end or cover open), "0", drawer ("0" open, "1" closed),
// document ("1" none, "2" non-fiscal, "3" fiscal, "4" fiscal in payment), "0".
Reply PrinterModel::PrinterStatus(std::string_view) {
  PrinterState& s = fState;
  char paper = '0';
  if (s.paper == PaperState::NearEnd) paper = '2';
  if (s.paper == PaperState::End || s.paper == PaperState::CoverOpen) paper = '3';
  char document = '1';
  if (s.nonFiscalOpen) document = '2';
  if (s.fiscal) document = s.fiscal->inPayment ? '4' : '3';
  std::string status{paper, '0', s.drawerOpen ? '0' : '1', document, '0'};
  // A drawer that the cashier closes: it reads open for a few status reads.
  if (s.drawerOpen && s.drawerAutoClose > 0 && --s.drawerReadsLeft <= 0) s.drawerOpen = false;
  return Ok("01" + s.firmware + "00000" + status);
}

// "1138": positions 1-2 "01", 3 the serial character, 4-5 the RT main state ("01" MF,
// "02" RT), 6-38 zeros, 39 the training flag.
Reply PrinterModel::RtStatus(std::string_view) {
  const std::string serial = PadCut(fState.serial, 11);
  return Ok("01" + serial.substr(2, 1) + (fState.fiscalMode == "RT" ? "02" : "01") + std::string(33, '0') +
            (Training() ? "1" : "0"));
}

// "3217": positions 1-2 "00", 3-8 the serial's last six characters, 9-10 its fourth and fifth,
// 11-12 its first two (the third comes with "1138").
Reply PrinterModel::SerialNumber(std::string_view) {
  const std::string serial = PadCut(fState.serial, 11);
  return Ok("00" + serial.substr(5, 6) + serial.substr(3, 2) + serial.substr(0, 2));
}

// "1088": cancels the open document.
Reply PrinterModel::ResetCommand(std::string_view) {
  PrinterState& s = fState;
  if (s.fiscal) {
    Print(Centered("*** DOCUMENTO ANNULLATO ***", LineLength()));
    s.fiscal.reset();
  }
  if (s.nonFiscalOpen) {
    Print(Centered("*** ANNULLATO ***", LineLength()));
    s.nonFiscalOpen = false;
    s.nonFiscalLines.clear();
  }
  s.pendingHeader.clear();
  s.customer.clear();
  s.journalReading = false;
  return Ok();
}

namespace {

bool ParameterNumber(std::string_view aData, int& aNumber) {
  int64_t n = 0;
  if (!NumberField(aData, 0, 2, n) || n < 1) return false;
  aNumber = static_cast<int>(n);
  return true;
}

bool Printable(std::string_view aText) {
  for (char c : aText)
    if (c < ' ' || c > '~') return false;
  return true;
}

}  // namespace

// "4214": positions 1-2 the parameter number, 3 its value.
Reply PrinterModel::GetS14(std::string_view aData) {
  int n = 0;
  if (aData.size() != 2 || !ParameterNumber(aData, n)) return Fail(kErrBadValue);
  return Ok(std::string(aData) + fState.s14[n]);
}

// "4215": positions 1-2 the parameter number, 3-4 its value.
Reply PrinterModel::GetS15(std::string_view aData) {
  int n = 0;
  if (aData.size() != 2 || !ParameterNumber(aData, n)) return Fail(kErrBadValue);
  return Ok(std::string(aData) + fState.s15[n]);
}

Reply PrinterModel::SetS14(std::string_view aData) {
  int n = 0;
  if (aData.size() != 3 || !ParameterNumber(aData, n) || !Printable(aData.substr(2))) return Fail(kErrBadValue);
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  fState.s14[n] = aData[2];
  return Ok();
}

Reply PrinterModel::SetS15(std::string_view aData) {
  int n = 0;
  if (aData.size() != 4 || !ParameterNumber(aData, n) || !Printable(aData.substr(2))) return Fail(kErrBadValue);
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  fState.s15[n] = std::string(aData.substr(2));
  return Ok();
}

}  // namespace qx::fpsim
