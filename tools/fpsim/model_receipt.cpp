// Fiscal documents: sale, refund, void and invoice, their lines, payments and closing.
#include <cmath>

#include "fpsim/model_helpers.h"

namespace qx::fpsim {

using namespace model;

namespace {

std::string RightAligned(std::string_view aText, size_t aWidth) {
  std::string text(aText);
  if (text.size() < aWidth) text.insert(0, aWidth - text.size(), ' ');
  return text;
}

// Description, VAT column and amount: the amount in the last ten characters.
std::string ItemLine(std::string_view aDescription, std::string_view aVat, std::string_view aAmount, size_t aWidth) {
  return PadCut(TrimRightBlanks(aDescription), aWidth - 16) + RightAligned(aVat, 6) + RightAligned(aAmount, 10);
}

std::string Negative(Currency aAmount) { return ItalianAmount(-aAmount); }

std::string DashedDate(TDateTime aDate) {
  const DateTimeParts p = DecodeDateTime(aDate);
  return Digits(p.Day, 2) + "-" + Digits(p.Month, 2) + "-" + Digits(p.Year, 4);
}

Currency VatOf(const std::map<int, Currency>& aGross) {
  Currency tax;
  for (const auto& [rate, gross] : aGross) tax += VatIn(gross, rate);
  return tax;
}

// Payment names by the first digit of the payment code.
std::string PaymentName(char aKind) {
  switch (aKind) {
    case '0': return "CONTANTI";
    case '1': return "ASSEGNO";
    case '2': return "PAGAMENTO ELETTRONICO";
    case '3': return "TICKET";
    case '4': return "BUONI PASTO";
    case '5': return "NON RISCOSSO";
    case '6': return "BUONO";
  }
  return "PAGAMENTO";
}

struct ItemFields {
  std::string description;
  int64_t quantity = 0;  // thousandths
  int64_t price = 0;     // cents
  int department = 0;
};

// "01" + description (L - 8) + quantity (7) + price (9) + department (as sent) + "1"
bool ParseItem(std::string_view aData, size_t aLineLength, ItemFields& aItem) {
  const size_t w = aLineLength - 8;
  const size_t fixed = 2 + w + 7 + 9;
  if (aData.size() < fixed + 2) return false;
  int64_t department = 0;
  if (!NumberField(aData, 2 + w, 7, aItem.quantity) || !NumberField(aData, 2 + w + 7, 9, aItem.price) ||
      !ParseDigits(aData.substr(fixed, aData.size() - fixed - 1), department) || department < 1 || department > 99)
    return false;
  aItem.description = std::string(aData.substr(2, w));
  aItem.department = static_cast<int>(department);
  return true;
}

// "2", "0,250"
std::string Quantity(int64_t aThousandths) {
  if (aThousandths % 1000 == 0) return std::to_string(aThousandths / 1000);
  return std::to_string(aThousandths / 1000) + "," + Digits(aThousandths % 1000, 3);
}

// A document's amounts fit the nine-digit fields of the line: 9.999.999,99 at most.
const Currency kMaxAmount = CentsToCurrency(999999999);

int64_t LineCents(const ItemFields& aItem) {
  const int64_t product = aItem.price * aItem.quantity;  // cents x thousandths
  return (product + 500) / 1000;
}

}  // namespace

int PrinterModel::DepartmentVat(int aDepartment, int& aSlot, int& aRate) const {
  if (aDepartment < 1 || aDepartment > 99) return kErrBadValue;
  aSlot = fState.departments[aDepartment].vatSlot;
  if (aSlot == 0 || (aSlot >= 10 && aSlot <= 14)) {
    aRate = 0;  // a VAT nature
    return 0;
  }
  if (aSlot < 1 || aSlot > 9 || fState.vatRates[aSlot] == 0) return kErrNotProgrammed;
  aRate = fState.vatRates[aSlot];
  return 0;
}

void PrinterModel::AddToVat(FiscalDocument& aDocument, int aRate, Currency aAmount) {
  aDocument.vatGross[aRate] += aAmount;
}

void PrinterModel::SpreadOnVat(FiscalDocument& aDocument, Currency aAmount) {
  Currency base;
  int lastRate = -1;
  for (const auto& [rate, gross] : aDocument.vatGross) {
    if (gross > Currency()) {
      base += gross;
      lastRate = rate;
    }
  }
  if (lastRate < 0) {
    AddToVat(aDocument, aDocument.lastItemRate, aAmount);
    return;
  }
  const std::map<int, Currency> before = aDocument.vatGross;
  Currency left = aAmount;
  for (const auto& [rate, gross] : before) {
    if (gross <= Currency()) continue;
    const Currency share = rate == lastRate ? left : CentsToCurrency(CurrencyToCents(aAmount * gross / base));
    aDocument.vatGross[rate] += share;
    left -= share;
  }
}

int PrinterModel::FindOwnDocument(TDateTime aDate, int aNumber, int aClosing) const {
  for (size_t i = fState.documents.size(); i-- > 0;) {
    const DocumentRecord& r = fState.documents[i];
    if (r.number == aNumber && r.closing == aClosing && std::floor(r.when) == std::floor(aDate))
      return static_cast<int>(i);
  }
  return -1;
}

void PrinterModel::OpenFiscal(DocType aType, std::vector<std::string> aTitle) {
  PrinterState& s = fState;
  const size_t L = LineLength();
  s.fiscal.emplace();
  s.fiscal->type = aType;
  for (const std::string& line : ShopHeader()) Print(line);
  if (!s.pendingHeader.empty()) {
    // Header lines sent before the document replace the printer's own title.
    for (const auto& [n, text] : s.pendingHeader) Print(text);
    s.pendingHeader.clear();
  } else {
    for (const std::string& line : aTitle) Print(Centered(line, L));
    Print(ItemLine("DESCRIZIONE", "IVA", "Prezzo", L));
  }
  if (Training()) Print(Centered("*** TRAINING ***", L));
}

void PrinterModel::RecordTotals(const DocumentRecord& aRecord, const FiscalDocument& aDocument) {
  PrinterState& s = fState;
  if (aRecord.training) return;  // training documents are not fiscal
  switch (aRecord.type) {
    case DocType::Sale:
    case DocType::Invoice:
      s.day.sales += aRecord.total;
      s.day.salesCount++;
      s.day.discounts += aDocument.discounts;
      s.day.returns += aDocument.returns;
      for (const auto& [rate, gross] : aDocument.vatGross) s.day.vatGross[rate] += gross;
      s.grandSales += aRecord.total;
      break;
    case DocType::Refund:
      s.day.refunds += aRecord.total;
      s.day.refundsCount++;
      s.grandRefunds += aRecord.total;
      if (aDocument.referenceIndex >= 0) s.documents[aDocument.referenceIndex].refunded += aRecord.total;
      break;
    case DocType::Void:
      s.day.voids += aRecord.total;
      s.day.voidsCount++;
      s.grandVoids += aRecord.total;
      if (aDocument.referenceIndex >= 0) s.documents[aDocument.referenceIndex].voided = true;
      break;
  }
}

void PrinterModel::CloseFiscal() {
  PrinterState& s = fState;
  const size_t L = LineLength();
  FiscalDocument& d = *s.fiscal;
  if (d.inPayment && d.paid > d.total) Print(Columns("RESTO", ItalianAmount(d.paid - d.total), L));
  for (const auto& [n, text] : d.trailer) Print(text);
  if (!d.lotteryCode.empty()) Print("CODICE LOTTERIA: " + d.lotteryCode);

  DocumentRecord r;
  r.type = d.type;
  r.number = s.day.documents + 1;
  r.closing = s.zNumber + 1;
  r.when = Clock();
  r.total = d.total;
  r.training = Training();
  r.invoiceNumber = d.invoiceNumber;
  r.lotteryCode = d.lotteryCode;
  if (!r.lotteryCode.empty()) r.lotteryState = "01";
  if (r.training) Print(Centered("*** TRAINING: NON FISCALE ***", L));
  Print(ClosingLine(r.when, r.closing, r.number));
  Print(SerialLine());
  r.lines = d.printed;

  s.day.documents++;
  RecordTotals(r, d);
  JournalKind kind = JournalKind::FiscalReceipt;
  if (r.type == DocType::Refund) kind = JournalKind::CreditNote;
  if (r.type == DocType::Invoice) kind = JournalKind::Invoice;
  s.journal.Add({kind, r.when, r.number, r.lines});
  s.documents.push_back(std::move(r));
  s.fiscal.reset();
}

// "9205": "1" refund / "2" void, serial (11), date ddmmyyyy, number (4), closing number (4).
// Answer position 1: "0" the printer voids its own document by itself, "1" go ahead with the
// lines, "2" not found, "3" already refunded, "4" already voided, "5" a refund, "6" a void.
Reply PrinterModel::VoidRefundCheck(std::string_view aData) {
  int64_t number = 0, closing = 0;
  TDateTime date = 0;
  if (aData.size() != 28 || (aData[0] != '1' && aData[0] != '2') || !ParseWireDate(aData.substr(12, 8), 4, date) ||
      !NumberField(aData, 20, 4, number) || !NumberField(aData, 24, 4, closing))
    return Fail(kErrBadValue);
  const bool isVoid = aData[0] == '2';
  if (TrimBlanks(aData.substr(1, 11)) != fState.serial) return Ok("1");  // another device's document
  const int index = FindOwnDocument(date, static_cast<int>(number), static_cast<int>(closing));
  if (index < 0) return Ok("2");
  const DocumentRecord& r = fState.documents[index];
  if (r.type == DocType::Refund) return Ok("5");
  if (r.type == DocType::Void) return Ok("6");
  if (r.voided) return Ok("4");
  if (isVoid) return Ok(r.refunded > Currency() ? "3" : "0");
  return Ok(r.refunded >= r.total ? "3" : "1");
}

Reply PrinterModel::BeginSale(std::string_view) {
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  OpenFiscal(DocType::Sale, {"DOCUMENTO COMMERCIALE", "di vendita o prestazione"});
  return Ok();
}

// The text after "REFUND " or "VOID ": closing (4) " " number (4) " " ddmmyyyy " " serial.
Reply PrinterModel::StartReferencedDocument(DocType aType, std::string_view aText) {
  int64_t closing = 0, number = 0;
  TDateTime date = 0;
  if (aText.size() < 18 || aText[4] != ' ' || aText[9] != ' ' || (aText.size() > 18 && aText[18] != ' ') ||
      !NumberField(aText, 0, 4, closing) || !NumberField(aText, 5, 4, number) ||
      !ParseWireDate(aText.substr(10, 8), 4, date))
    return Fail(kErrBadValue);
  const std::string serial = TrimBlanks(Part(aText, 19, std::string_view::npos));
  const bool own = serial == fState.serial;
  int index = -1;
  if (own) {
    index = FindOwnDocument(date, static_cast<int>(number), static_cast<int>(closing));
    if (index < 0) return Fail(kErrNoData);
    const DocumentRecord& r = fState.documents[index];
    const bool refusable = r.type == DocType::Refund || r.type == DocType::Void || r.voided;
    if (refusable || (aType == DocType::Void && r.refunded > Currency()) ||
        (aType == DocType::Refund && r.refunded >= r.total))
      return Fail(kErrNotPossible);
  }
  std::vector<std::string> title = {"DOCUMENTO COMMERCIALE",
                                    aType == DocType::Refund ? "emesso per RESO MERCE" : "emesso per ANNULLAMENTO",
                                    "Documento di riferimento",
                                    "N. " + Digits(closing, 4) + "-" + Digits(number, 4) + " del " + DashedDate(date)};
  if (!own && !serial.empty()) title.push_back("Matricola " + serial);
  if (own && aType == DocType::Void) {
    // The printer holds the document: it prints the whole void at once.
    const Currency total = fState.documents[index].total;
    OpenFiscal(DocType::Void, title);
    fState.fiscal->referenceIndex = index;
    fState.fiscal->total = total;
    Print(Columns("ANNULLAMENTO", Negative(total), LineLength()));
    Print(Columns("TOTALE COMPLESSIVO", Negative(total), LineLength()));
    CloseFiscal();
    return Ok();
  }
  OpenFiscal(aType, title);
  fState.fiscal->referenceIndex = index;
  return Ok();
}

// "1078": "01", kind, line number (2), "0", size, text. Kind "1" header line, "2" trailer
// line, "4" text (and, with no document open, the start of a refund or void), "6" customer
// line of the next invoice, "8" the slip of the last electronic payment.
Reply PrinterModel::PrintLine(std::string_view aData) {
  PrinterState& s = fState;
  int64_t line = 0;
  if (aData.size() < 7 || !NumberField(aData, 3, 2, line)) return Fail(kErrBadValue);
  const std::string text(aData.substr(7));
  switch (aData[2]) {
    case '1':
      if (s.fiscal)
        Print(text);
      else
        s.pendingHeader[static_cast<int>(line)] = text;
      return Ok();
    case '2':
      if (!s.fiscal) return Fail(kErrSequence);
      s.fiscal->trailer[static_cast<int>(line)] = text;
      return Ok();
    case '4':
      if (AnyDocumentOpen()) {
        Print(text);
        return Ok();
      }
      if (text.rfind("REFUND ", 0) == 0) return StartReferencedDocument(DocType::Refund, std::string_view(text).substr(7));
      if (text.rfind("VOID ", 0) == 0) return StartReferencedDocument(DocType::Void, std::string_view(text).substr(5));
      if (text.rfind("PRATICA DI RESO", 0) == 0) {
        OpenFiscal(DocType::Refund, {"DOCUMENTO COMMERCIALE", "emesso per RESO MERCE", TrimBlanks(text)});
        return Ok();
      }
      return Fail(kErrSequence);
    case '6':
      if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
      if (line < 1 || line > 4) return Fail(kErrBadValue);
      s.customer[static_cast<int>(line)] = text;
      return Ok();
    case '8':
      if (!s.nonFiscalOpen) return Fail(kErrSequence);
      if (s.eftSlip.empty()) return Fail(kErrNoData);
      for (const std::string& slip : s.eftSlip) Print(slip);
      return Ok();
    default:
      return Fail(kErrBadValue);
  }
}

// "4025": invoice number (4) + "99" + "00" + "1" + 14 blanks + "00".
Reply PrinterModel::SetInvoiceNumber(std::string_view aData) {
  int64_t number = 0;
  if (aData.size() != 25 || !NumberField(aData, 0, 4, number)) return Fail(kErrBadValue);
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  fState.pendingInvoiceNumber = static_cast<int>(number);
  return Ok();
}

Reply PrinterModel::BeginInvoice(std::string_view aData) {
  int64_t number = 0;
  if (aData.size() != 7 || !NumberField(aData, 2, 5, number)) return Fail(kErrBadValue);
  if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
  std::vector<std::string> title = {"FATTURA N. " + std::to_string(number)};
  for (const auto& [n, text] : fState.customer) title.push_back(TrimBlanks(text));
  OpenFiscal(DocType::Invoice, title);
  fState.fiscal->invoiceNumber = static_cast<int>(number);
  fState.customer.clear();
  fState.pendingInvoiceNumber = 0;
  return Ok();
}

Reply PrinterModel::BeginInvoiceFromReceipt(std::string_view aData) {
  const Reply reply = BeginInvoice(aData);
  if (reply.error == 0 && !fState.documents.empty()) {
    const DocumentRecord& last = fState.documents.back();
    Print("Rif. documento N. " + Digits(last.closing, 4) + "-" + Digits(last.number, 4));
  }
  return reply;
}

// "1135": "01" + lottery code (16) + 4 blanks.
Reply PrinterModel::SetLotteryCode(std::string_view aData) {
  if (aData.size() != 22) return Fail(kErrBadValue);
  if (!fState.fiscal || fState.fiscal->type != DocType::Sale) return Fail(kErrSequence);
  const std::string code = TrimBlanks(aData.substr(2, 16));
  if (code.empty()) return Fail(kErrBadValue);
  fState.fiscal->lotteryCode = code;
  return Ok();
}

Reply PrinterModel::SaleItem(std::string_view aData) {
  PrinterState& s = fState;
  ItemFields item;
  if (!ParseItem(aData, LineLength(), item) || item.quantity == 0) return Fail(kErrBadValue);
  if (!s.fiscal) return Fail(kErrSequence);
  if (s.fiscal->inPayment) return Fail(kErrClosePayment);
  int slot = 0, rate = 0;
  if (const int error = DepartmentVat(item.department, slot, rate)) return Fail(error);
  FiscalDocument& d = *s.fiscal;
  const Currency amount = CentsToCurrency(LineCents(item));
  if (amount > kMaxAmount || d.total + amount > kMaxAmount) return Fail(kErrExceedsValue);
  if (d.referenceIndex >= 0) {
    const DocumentRecord& original = s.documents[d.referenceIndex];
    if (d.total + amount > original.total - original.refunded) return Fail(kErrExceedsValue);
  }
  d.total += amount;
  d.lines++;
  d.hasLastItem = true;
  d.lastItemAmount = amount;
  d.lastItemRate = rate;
  AddToVat(d, rate, amount);
  Print(ItemLine(item.description, VatColumn(slot, rate), ItalianAmount(amount), LineLength()));
  if (item.quantity != 1000)
    Print("  " + Quantity(item.quantity) + " x " + ItalianAmount(CentsToCurrency(item.price)));
  return Ok();
}

Reply PrinterModel::ReturnItem(std::string_view aData) {
  PrinterState& s = fState;
  // In a refund document every item is goods given back: a return item is one of its lines.
  if (s.fiscal && s.fiscal->type == DocType::Refund) return SaleItem(aData);
  ItemFields item;
  if (!ParseItem(aData, LineLength(), item) || item.quantity == 0) return Fail(kErrBadValue);
  if (!s.fiscal || (s.fiscal->type != DocType::Sale && s.fiscal->type != DocType::Invoice)) return Fail(kErrSequence);
  if (s.fiscal->inPayment) return Fail(kErrClosePayment);
  int slot = 0, rate = 0;
  if (const int error = DepartmentVat(item.department, slot, rate)) return Fail(error);
  FiscalDocument& d = *s.fiscal;
  const Currency amount = CentsToCurrency(LineCents(item));
  if (amount > kMaxAmount || d.returns + amount > kMaxAmount) return Fail(kErrExceedsValue);
  d.total -= amount;
  d.returns += amount;
  d.lines++;
  d.hasLastItem = false;
  AddToVat(d, rate, -amount);
  Print(ItemLine("RESO " + TrimRightBlanks(item.description), VatColumn(slot, rate), Negative(amount), LineLength()));
  return Ok();
}

// "1090": "01" + description (L - 8) + amount (9) + type (2) + department + "1".
Reply PrinterModel::Deduction(std::string_view aData) {
  PrinterState& s = fState;
  const size_t w = LineLength() - 8;
  const size_t fixed = 2 + w + 9 + 2;
  int64_t cents = 0, type = 0, department = 0;
  if (aData.size() < fixed + 2 || !NumberField(aData, 2 + w, 9, cents) || !NumberField(aData, 2 + w + 9, 2, type) ||
      type > 2 || !ParseDigits(aData.substr(fixed, aData.size() - fixed - 1), department))
    return Fail(kErrBadValue);
  if (!s.fiscal) return Fail(kErrSequence);
  if (s.fiscal->inPayment) return Fail(kErrClosePayment);
  int slot = 0, rate = 0;
  if (const int error = DepartmentVat(static_cast<int>(department), slot, rate)) return Fail(error);
  FiscalDocument& d = *s.fiscal;
  const Currency amount = CentsToCurrency(cents);
  if (amount > d.total) return Fail(kErrExceedsValue);
  d.total -= amount;
  d.discounts += amount;
  d.lines++;
  AddToVat(d, rate, -amount);
  static const char* const kNames[] = {"ACCONTO", "OMAGGIO", "BUONO MONOUSO"};
  std::string description = TrimBlanks(aData.substr(2, w));
  if (description.empty()) description = kNames[type];
  Print(ItemLine(description, VatColumn(slot, rate), Negative(amount), LineLength()));
  return Ok();
}

// "1083": "01" + description (32) + amount (9) + code (1) + "00" + "1"; code "0" discount on
// the last item, "1" on the subtotal, "5" markup on the last item, "6" on the subtotal.
Reply PrinterModel::Adjustment(std::string_view aData) {
  PrinterState& s = fState;
  int64_t cents = 0;
  if (aData.size() != 47 || !NumberField(aData, 34, 9, cents)) return Fail(kErrBadValue);
  const char code = aData[43];
  if (code != '0' && code != '1' && code != '5' && code != '6') return Fail(kErrBadValue);
  if (!s.fiscal) return Fail(kErrSequence);
  FiscalDocument& d = *s.fiscal;
  if (d.inPayment) return Fail(kErrClosePayment);
  const Currency amount = CentsToCurrency(cents);
  const bool lastItem = code == '0' || code == '5';
  const bool discount = code == '0' || code == '1';
  if (lastItem && !d.hasLastItem) return Fail(kErrSequence);
  if (discount && amount > (lastItem ? d.lastItemAmount : d.total)) return Fail(kErrExceedsValue);
  if (!discount && d.total + amount > kMaxAmount) return Fail(kErrExceedsValue);
  const Currency signedAmount = discount ? -amount : amount;
  d.total += signedAmount;
  d.lines++;
  if (discount) d.discounts += amount;
  if (lastItem) {
    d.lastItemAmount += signedAmount;
    AddToVat(d, d.lastItemRate, signedAmount);
  } else {
    SpreadOnVat(d, signedAmount);
  }
  std::string description = TrimBlanks(aData.substr(2, 32));
  if (description.empty()) description = discount ? "SCONTO" : "MAGGIORAZIONE";
  Print(Columns(description, ItalianAmount(signedAmount), LineLength()));
  return Ok();
}

// "1086": answer the running total (9 digits).
Reply PrinterModel::Subtotal(std::string_view) {
  if (!fState.fiscal) return Fail(kErrSequence);
  Print(Columns("SUBTOTALE", ItalianAmount(fState.fiscal->total), LineLength()));
  return Ok(Digits(CurrencyToCents(fState.fiscal->total), 9));
}

// "1084" in a fiscal document: "01" + description (32) + amount (9) + code (3) + "1".
// Answer: positions 1-2 "01", 3 "1" when the payment closed the document (else "0"), 4-12 the
// change when closed or the amount still due, then for a closed document 13-18 ddmmyy, 19-22
// hhnn, 23-26 its number (zeros otherwise).
// Without a document open, "01" + amount (9) + "201" + "1" is an electronic payment.
Reply PrinterModel::Payment(std::string_view aData) {
  PrinterState& s = fState;
  if (!s.fiscal) {
    if (aData.size() == 15) return ElectronicPayment(aData);
    return Fail(kErrSequence);
  }
  int64_t cents = 0, code = 0;
  if (aData.size() != 47 || !NumberField(aData, 34, 9, cents) || !NumberField(aData, 43, 3, code) ||
      aData[43] > '6')
    return Fail(kErrBadValue);
  FiscalDocument& d = *s.fiscal;
  if (d.lines == 0 && d.type != DocType::Void) return Fail(kErrSequence);
  if (d.fullyPaid) return Fail(kErrExceedsValue);
  const char kind = aData[43];
  int64_t pieces = 1;
  if (kind == '4' && code % 100 > 1) pieces = code % 100;  // meal vouchers: count x face value
  const Currency amount = CentsToCurrency(cents * pieces);
  if (kind != '0' && d.paid + amount > d.total) return Fail(kErrExceedsValue);  // only cash gives change
  if (d.paid + amount > kMaxAmount) return Fail(kErrExceedsValue);

  const size_t L = LineLength();
  if (!d.inPayment) {
    Print(Columns("TOTALE COMPLESSIVO", ItalianAmount(d.total), L));
    Print(Columns("di cui IVA", ItalianAmount(VatOf(d.vatGross)), L));
  }
  std::string description = TrimBlanks(aData.substr(2, 32));
  if (description.empty()) description = PaymentName(kind);
  if (pieces > 1) description += " " + std::to_string(pieces) + " x " + ItalianAmount(CentsToCurrency(cents));
  Print(Columns(description, ItalianAmount(amount), L));
  d.paid += amount;
  d.inPayment = true;

  if (d.paid < d.total) return Ok("010" + Digits(CurrencyToCents(d.total - d.paid), 9) + std::string(14, '0'));
  d.fullyPaid = true;
  if (ExplicitEnd()) return Ok("010" + std::string(9, '0') + std::string(14, '0'));
  const Currency change = d.paid - d.total;
  CloseFiscal();
  const DocumentRecord& r = s.documents.back();
  return Ok("011" + Digits(CurrencyToCents(change), 9) + DdMmYy(r.when) + HhNn(r.when) + Digits(r.number, 4));
}

// "1087": ends a paid document when the explicit end is configured.
Reply PrinterModel::EndReceipt(std::string_view) {
  if (!fState.fiscal) return Fail(kErrSequence);
  if (!fState.fiscal->fullyPaid) return Fail(kErrClosePayment);
  CloseFiscal();
  return Ok();
}

// "1070": positions 1-2 "01", 3-6 the number the next document will get, 7-10 the number of
// the Z report that will close it.
Reply PrinterModel::NextReceiptNumber(std::string_view) {
  return Ok("01" + Digits(fState.day.documents + 1, 4) + Digits(fState.zNumber + 1, 4));
}

// "2052": positions 1-14 the grand total of sales (2 decimals), 15-18 the Z reports done.
Reply PrinterModel::GrandTotal(std::string_view) {
  return Ok(Digits(CurrencyToCents(fState.grandSales), 14) + Digits(fState.zNumber, 4));
}

}  // namespace qx::fpsim
