#include "fpsim/printer_model.h"

#include <cmath>

#include "fpsim/model_helpers.h"

namespace qx::fpsim {

using namespace model;

const PrinterModel::Command PrinterModel::kCommands[] = {
    // Status, clock and parameters.
    {"2050", &PrinterModel::DailyData, false},
    {"4201", &PrinterModel::GetClockCommand, false},
    {"4001", &PrinterModel::SetClockCommand, false},
    {"1074", &PrinterModel::PrinterStatus, false},
    {"1138", &PrinterModel::RtStatus, false},
    {"3217", &PrinterModel::SerialNumber, false},
    {"1088", &PrinterModel::ResetCommand, false},
    {"4214", &PrinterModel::GetS14, false},
    {"4215", &PrinterModel::GetS15, false},
    {"4014", &PrinterModel::SetS14, false},
    {"4015", &PrinterModel::SetS15, false},
    // Fiscal documents.
    {"9205", &PrinterModel::VoidRefundCheck, false},
    {"1085", &PrinterModel::BeginSale, true},
    {"1078", &PrinterModel::PrintLine, true},
    {"4025", &PrinterModel::SetInvoiceNumber, false},
    {"1089", &PrinterModel::BeginInvoice, true},
    {"1052", &PrinterModel::BeginInvoiceFromReceipt, true},
    {"1135", &PrinterModel::SetLotteryCode, false},
    {"1080", &PrinterModel::SaleItem, true},
    {"1081", &PrinterModel::ReturnItem, true},
    {"1090", &PrinterModel::Deduction, true},
    {"1083", &PrinterModel::Adjustment, true},
    {"1086", &PrinterModel::Subtotal, true},
    {"1084", &PrinterModel::Payment, true},
    {"1087", &PrinterModel::EndReceipt, true},
    {"1070", &PrinterModel::NextReceiptNumber, false},
    {"2052", &PrinterModel::GrandTotal, false},
    // Non-fiscal documents, display, drawer, reprint.
    {"1063", &PrinterModel::BeginNonFiscal, true},
    {"1064", &PrinterModel::NonFiscalLine, true},
    {"1075", &PrinterModel::Barcode, true},
    {"1065", &PrinterModel::EndNonFiscal, true},
    {"1062", &PrinterModel::Display, false},
    {"1050", &PrinterModel::OpenDrawer, false},
    {"1047", &PrinterModel::ReprintLast, true},
    {"3098", &PrinterModel::ReprintByNumber, true},
    // Journal and lottery.
    {"4038", &PrinterModel::JournalLogin, false},
    {"3103", &PrinterModel::JournalRead, false},
    {"9218", &PrinterModel::LotteryStatus, false},
    // Tables.
    {"4205", &PrinterModel::GetVat, false},
    {"4005", &PrinterModel::SetVat, false},
    {"4237", &PrinterModel::GetActivity, false},
    {"4037", &PrinterModel::SetActivity, false},
    {"4202", &PrinterModel::GetDepartment, false},
    {"4002", &PrinterModel::SetDepartment, false},
    // Reports.
    {"2001", &PrinterModel::XReport, true},
    {"3001", &PrinterModel::ZReport, true},
};

std::string DocTypeName(DocType aType) {
  switch (aType) {
    case DocType::Sale: return "sale";
    case DocType::Refund: return "refund";
    case DocType::Void: return "void";
    case DocType::Invoice: return "invoice";
  }
  return "?";
}

PrinterModel::PrinterModel(const SimulatorConfig& aConfig) {
  PrinterState& s = fState;
  s.serial = aConfig.serial;
  s.firmware = PadCut(aConfig.firmware, 5);
  s.fiscalMode = aConfig.fiscalMode;
  s.webRoot = aConfig.webRoot;

  // Parameters: everything "0" / "00" except the handshake, the line length and the settings
  // that the driver writes when it starts (so that its writes are visible).
  s.s14.fill('0');
  s.s14[13] = '1';
  s.s14[27] = '1';
  s.s14[51] = '1';
  s.s14[58] = '1';
  s.s14[59] = '1';
  s.s15.fill("00");
  s.s15[27] = "01";
  for (const auto& [n, v] : aConfig.s14)
    if (n >= 1 && n <= 99 && v.size() == 1) s.s14[n] = v[0];
  for (const auto& [n, v] : aConfig.s15)
    if (n >= 1 && n <= 99 && v.size() == 2) s.s15[n] = v;

  s.vatRates = {0, 2200, 1000, 500, 400, 0, 0, 0, 0, 0};
  for (const auto& [slot, rate] : aConfig.vatRates)
    if (slot >= 1 && slot <= 9) s.vatRates[slot] = rate;

  for (int n = 1; n <= 99; ++n) {
    Department& d = s.departments[n];
    d.description = PadCut("REPARTO " + Digits(n, 2), 20);
    d.vatSlot = n <= 4 ? n : 1;
  }
  for (const auto& [n, c] : aConfig.departments) {
    if (n < 1 || n > 99) continue;
    Department& d = s.departments[n];
    d.description = PadCut(c.description, 20);
    d.vatSlot = c.vatSlot;
    d.service = c.service;
    d.activity = c.activity;
  }
  for (const auto& [n, a] : aConfig.activities)
    if (n >= 1 && n <= 3) s.activities[n] = {PadCut(a.code, 6), a.ventilazione};

  s.header = {"NEGOZIO DI PROVA", "VIA ROMA 1 - 00100 ROMA", "P.IVA 01234567890"};
  if (!aConfig.header.empty()) {
    s.header.clear();
    for (const auto& [n, text] : aConfig.header) s.header.push_back(text);
  }

  s.clockOffsetMs = aConfig.clockOffsetSeconds * 1000;
  if (aConfig.clock)
    SetClock(*aConfig.clock, aConfig.clockFrozen);
  else if (aConfig.clockFrozen)
    SetClock(Clock(), true);

  s.localPassword = aConfig.localPassword;
  s.eftResult = aConfig.eftResult;
  s.drawerAutoClose = aConfig.drawerAutoClose;
  s.paper = aConfig.paper;
  // A day that already has sales (their records are not kept).
  s.day.documents = aConfig.dayDocuments;
  s.day.salesCount = aConfig.dayDocuments;
}

TDateTime PrinterModel::Clock() const {
  if (fState.clockFrozen) return fState.frozenClock;
  return Now() + static_cast<double>(fState.clockOffsetMs) / kMSecsPerDay;
}

void PrinterModel::SetClock(TDateTime aValue, bool aFrozen) {
  fState.clockFrozen = aFrozen;
  fState.frozenClock = aValue;
  fState.clockOffsetMs = static_cast<int64_t>(std::llround((aValue - Now()) * kMSecsPerDay));
}

RegisteredCounts PrinterModel::Registered() const {
  RegisteredCounts counts;
  for (const DocumentRecord& r : fState.documents) {
    switch (r.type) {
      case DocType::Sale: counts.sales++; break;
      case DocType::Refund: counts.refunds++; break;
      case DocType::Void: counts.voids++; break;
      case DocType::Invoice: counts.invoices++; break;
    }
  }
  counts.nonFiscal = fState.nonFiscalNumber;
  counts.zReports = fState.zNumber;
  return counts;
}

size_t PrinterModel::LineLength() const { return fState.s14[51] == '0' ? 46 : 40; }
bool PrinterModel::DriverAcks() const { return fState.s14[27] == '1'; }
bool PrinterModel::ExplicitEnd() const { return fState.s14[29] == '1'; }
bool PrinterModel::Training() const { return fState.s14[1] == '1'; }

bool PrinterModel::PaperBlocked() const {
  return fState.paper == PaperState::End || fState.paper == PaperState::CoverOpen;
}

Reply PrinterModel::Execute(std::string_view aCommand, std::string_view aData) {
  try {
    for (const Command& c : kCommands) {
      if (aCommand != c.code) continue;
      if (c.prints && PaperBlocked()) return Fail(kErrPaper);
      return (this->*c.handler)(aData);
    }
    return Fail(kErrNotExpected);
  } catch (...) {
    // A handler only throws on a value it failed to validate; the printer refuses the value.
    return Fail(kErrBadValue);
  }
}

void PrinterModel::Print(std::string_view aLine) {
  std::string line(aLine);
  for (char& c : line)
    if (c == '\x7F') c = ' ';
  line = TrimRightBlanks(line);
  if (fState.fiscal)
    fState.fiscal->printed.push_back(line);
  else if (fState.nonFiscalOpen)
    fState.nonFiscalLines.push_back(line);
  fPaper.Add(std::move(line));
}

std::vector<std::string> PrinterModel::ShopHeader() const {
  std::vector<std::string> lines;
  for (const std::string& text : fState.header) lines.push_back(Centered(text, LineLength()));
  return lines;
}

std::string PrinterModel::ClosingLine(TDateTime aWhen, int aClosing, int aNumber) const {
  const DateTimeParts p = DecodeDateTime(aWhen);
  const std::string date = Digits(p.Day, 2) + "-" + Digits(p.Month, 2) + "-" + Digits(p.Year, 4) + " " +
                           Digits(p.Hour, 2) + ":" + Digits(p.Minute, 2);
  return Columns(date, "DOC.N. " + Digits(aClosing, 4) + "-" + Digits(aNumber, 4), LineLength());
}

std::string PrinterModel::SerialLine() const { return fState.fiscalMode + " " + fState.serial; }

}  // namespace qx::fpsim
