// Non-fiscal documents, barcodes, the customer display, the drawer, the electronic payment
// and reprints.
#include <cmath>

#include "fpsim/model_helpers.h"

namespace qx::fpsim {

using namespace model;

Reply PrinterModel::BeginNonFiscal(std::string_view) {
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  fState.nonFiscalOpen = true;
  fState.nonFiscalLines.clear();
  for (const std::string& line : ShopHeader()) Print(line);
  Print(Centered("DOCUMENTO GESTIONALE", LineLength()));
  return Ok();
}

// "1064": "01" + size (1) + text.
Reply PrinterModel::NonFiscalLine(std::string_view aData) {
  if (aData.size() < 3 || aData[2] < '1' || aData[2] > '4') return Fail(kErrBadValue);
  if (!fState.nonFiscalOpen) return Fail(kErrSequence);
  Print(aData.substr(3));
  return Ok();
}

// "1075": fifteen characters of settings, the type code at positions 14-15, then the value.
Reply PrinterModel::Barcode(std::string_view aData) {
  if (aData.size() < 16) return Fail(kErrBadValue);
  static const struct {
    const char* code;
    const char* name;
  } kTypes[] = {{"92", "QRCODE"}, {"65", "UPC-A"}, {"66", "UPC-E"}, {"67", "EAN13"},
                {"68", "EAN8"},   {"69", "CODE39"}, {"73", "CODE128"}};
  const std::string_view code = aData.substr(13, 2);
  const char* name = nullptr;
  for (const auto& t : kTypes)
    if (code == t.code) name = t.name;
  // Code 128 data starts with its code set ("{A").
  std::string_view value = aData.substr(15);
  if (code == "73" && value.substr(0, 2) == "{A") value.remove_prefix(2);
  if (name == nullptr || value.empty()) return Fail(kErrBadValue);
  if (!AnyDocumentOpen()) return Fail(kErrSequence);
  // On paper: a placeholder where the symbol would be, naming its type and value.
  Print(Centered("[" + std::string(name) + " " + std::string(value) + "]", LineLength()));
  return Ok();
}

Reply PrinterModel::EndNonFiscal(std::string_view) {
  PrinterState& s = fState;
  if (!s.nonFiscalOpen) return Fail(kErrSequence);
  const TDateTime now = Clock();
  const DateTimeParts p = DecodeDateTime(now);
  ++s.nonFiscalNumber;
  Print(Columns(Digits(p.Day, 2) + "-" + Digits(p.Month, 2) + "-" + Digits(p.Year, 4) + " " + Digits(p.Hour, 2) +
                    ":" + Digits(p.Minute, 2),
                "N. " + Digits(s.nonFiscalNumber, 4), LineLength()));
  s.journal.Add({JournalKind::NonFiscal, now, s.nonFiscalNumber, s.nonFiscalLines});
  s.nonFiscalOpen = false;
  s.nonFiscalLines.clear();
  return Ok();
}

// "1062": "011" + the display text + "00".
Reply PrinterModel::Display(std::string_view aData) {
  if (aData.size() < 5) return Fail(kErrBadValue);
  fState.display = std::string(aData.substr(3, aData.size() - 5));
  return Ok();
}

Reply PrinterModel::OpenDrawer(std::string_view) {
  fState.drawerOpen = true;
  fState.drawerReadsLeft = fState.drawerAutoClose;
  return Ok();
}

Reply PrinterModel::ReprintLast(std::string_view) {
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  if (fState.documents.empty()) return Fail(kErrNoData);
  const size_t L = LineLength();
  Print(Centered("*** COPIA ***", L));
  for (const std::string& line : fState.documents.back().lines) Print(line);
  Print(Centered("*** FINE COPIA ***", L));
  return Ok();
}

// "3098": "01" + ddmmyy + first (4) + last (4) for receipts, or "0102" + ddmmyy + first (4) +
// last (4) + "0" + "00" for invoices (by invoice number).
Reply PrinterModel::ReprintByNumber(std::string_view aData) {
  const bool invoices = aData.size() == 21;
  if (aData.size() != 16 && !invoices) return Fail(kErrBadValue);
  const size_t at = invoices ? 4 : 2;
  TDateTime date = 0;
  int64_t first = 0, last = 0;
  if (!ParseWireDate(aData.substr(at, 6), 2, date) || !NumberField(aData, at + 6, 4, first) ||
      !NumberField(aData, at + 10, 4, last))
    return Fail(kErrBadValue);
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  std::vector<const DocumentRecord*> found;
  for (const DocumentRecord& r : fState.documents) {
    if (std::floor(r.when) != std::floor(date) || (r.type == DocType::Invoice) != invoices) continue;
    const int number = invoices ? r.invoiceNumber : r.number;
    if (number >= first && number <= last) found.push_back(&r);
  }
  if (found.empty()) return Fail(kErrNoData);
  const size_t L = LineLength();
  for (const DocumentRecord* r : found) {
    Print(Centered("*** COPIA ***", L));
    for (const std::string& line : r->lines) Print(line);
    Print(Centered("*** FINE COPIA ***", L));
  }
  return Ok();
}

// "1084" without a document: "01" + amount (9) + "201" + "1", through the payment terminal.
// Answer: positions 1-2 "01", 3 "0", 4-12 the amount, 13-18 ddmmyy, 19-22 hhnn, 23-26 "0000",
// then the terminal's answer from position 27: terminal id (8), "01", result (2, "00"
// approved), authorisation code (6), amount (9).
Reply PrinterModel::ElectronicPayment(std::string_view aData) {
  PrinterState& s = fState;
  int64_t cents = 0;
  if (!NumberField(aData, 2, 9, cents)) return Fail(kErrBadValue);
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  const TDateTime now = Clock();
  const bool approved = s.eftResult == "00";
  ++s.eftCount;
  const std::string authorisation = approved ? Digits(100000 + (s.eftCount * 7919) % 900000, 6) : "000000";
  const std::string terminal = "TERM0001";
  const Currency amount = CentsToCurrency(cents);
  const size_t L = LineLength();
  s.eftSlip = {Centered("PAGAMENTO ELETTRONICO", L), Columns("TERMINALE", terminal, L),
               Columns("IMPORTO", ItalianAmount(amount), L),
               approved ? Columns("AUTORIZZAZIONE", authorisation, L) : Columns("ESITO", "RIFIUTATO " + s.eftResult, L),
               Centered(approved ? "TRANSAZIONE ESEGUITA" : "TRANSAZIONE NEGATA", L)};
  return Ok("010" + Digits(cents, 9) + DdMmYy(now) + HhNn(now) + "0000" + terminal + "01" + s.eftResult +
            authorisation + Digits(cents, 9));
}

}  // namespace qx::fpsim
