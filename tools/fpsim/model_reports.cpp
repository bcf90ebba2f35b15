// The X report (reading) and the Z report (closing of the fiscal day).
#include "fpsim/model_helpers.h"
#include "fpsim/rt_data_files.h"

namespace qx::fpsim {

using namespace model;

namespace {

// A short seal over the report's lines, printed after "SIGILLO FISCALE: ".
std::string Seal(const std::vector<std::string>& aLines) {
  uint64_t hash = 1469598103934665603ull;
  for (const std::string& line : aLines) {
    for (unsigned char c : line) hash = (hash ^ c) * 1099511628211ull;
    hash = (hash ^ '\n') * 1099511628211ull;
  }
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (int i = 0; i < 16; ++i) text += kHex[(hash >> (60 - 4 * i)) & 15];
  return text;
}

}  // namespace

// The report body. Labels and layout are those a Z-report reader of the journal looks for:
// a block starts at "RAPPORTO   FISCALE" (MF) or "Chiusura Giornaliera" (RT), the date line is
// "dd-mm-yy  hh:nn", "TOTALE GIORNO" and "GRAN TOTALE" are followed by at least two blanks,
// values are the last word with "," decimals and "." thousands, and "SIGILLO FISCALE: " ends
// the block.
std::vector<std::string> PrinterModel::ReportLines(bool aZReport) const {
  const PrinterState& s = fState;
  const size_t L = LineLength();
  const bool mf = s.fiscalMode != "RT";
  std::vector<std::string> lines = ShopHeader();
  if (aZReport)
    lines.push_back(Centered(mf ? "RAPPORTO   FISCALE" : "Chiusura Giornaliera", L));
  else
    lines.push_back(Centered("LETTURA GIORNALIERA", L));
  const DateTimeParts p = DecodeDateTime(Clock());
  lines.push_back(Digits(p.Day, 2) + "-" + Digits(p.Month, 2) + "-" + Digits(p.Year % 100, 2) + "  " +
                  Digits(p.Hour, 2) + ":" + Digits(p.Minute, 2));
  lines.push_back(Columns(mf ? "SCONTRINI FISCALI" : "NUMERO DOCUMENTI COMMERCIALI", std::to_string(s.day.salesCount), L));
  lines.push_back(Columns("NUMERO SCONTRINI NOTE di CREDITO", std::to_string(s.day.refundsCount), L));
  lines.push_back(Columns("NUMERO ANNULLAMENTI", std::to_string(s.day.voidsCount), L));
  for (const auto& [rate, gross] : s.day.vatGross) {
    lines.push_back(Columns("IVA " + Rate(rate) + "%", ItalianAmount(gross), L));
    lines.push_back(Columns("  IMPOSTA " + Rate(rate) + "%", ItalianAmount(VatIn(gross, rate)), L));
  }
  lines.push_back(Columns("TOTALE SCONTI", ItalianAmount(s.day.discounts), L));
  lines.push_back(Columns("TOTALE RESI", ItalianAmount(s.day.returns), L));
  lines.push_back(Columns("TOTALE GIORNO NOTE di CREDITO", ItalianAmount(s.day.refunds), L));
  lines.push_back(Columns("TOTALE GIORNO ANNULLAMENTI", ItalianAmount(s.day.voids), L));
  lines.push_back(Columns("TOTALE GIORNO", ItalianAmount(s.day.sales), L, 2));
  lines.push_back(Columns("GRAN TOTALE NOTE di CREDITO", ItalianAmount(s.grandRefunds), L));
  lines.push_back(Columns("GRAN TOTALE ANNULLAMENTI", ItalianAmount(s.grandVoids), L));
  lines.push_back(Columns("GRAN TOTALE", ItalianAmount(s.grandSales), L, 2));
  if (aZReport) {
    lines.push_back(Columns("NUMERO AZZERAMENTI", Digits(s.zNumber + 1, 4), L));
    lines.push_back("SIGILLO FISCALE: " + Seal(lines));
  }
  lines.push_back(SerialLine());
  return lines;
}

Reply PrinterModel::XReport(std::string_view) {
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  for (const std::string& line : ReportLines(false)) Print(line);
  return Ok();
}

// Closes the fiscal day: prints and journals the report, advances the Z number, empties the day
// (document numbers start again from 1) and marks the day's lottery receipts as sent.
Reply PrinterModel::ZReport(std::string_view) {
  PrinterState& s = fState;
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  const std::vector<std::string> lines = ReportLines(true);
  for (const std::string& line : lines) Print(line);
  const TDateTime now = Clock();
  s.journal.Add({JournalKind::ZReport, now, s.zNumber + 1, lines});
  if (!s.webRoot.empty() && s.fiscalMode == "RT") WriteRTDataFiles(s.webRoot, s, s.zNumber + 1, now);
  s.zNumber++;
  s.lastZ = now;
  for (DocumentRecord& r : s.documents) {
    if (r.closing != s.zNumber || r.lotteryState != "01") continue;
    r.lotteryState = "00";
    r.lotteryReferenceId = s.serial + Digits(r.closing, 4) + Digits(r.number, 4) + DdMmYyyy(r.when);
  }
  s.day = DayTotals{};
  return Ok();
}

}  // namespace qx::fpsim
