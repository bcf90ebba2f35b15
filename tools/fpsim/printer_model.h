// The simulated printer: its state and its answer to every command.
//
// Execute takes the four-digit command and the data field of a request and returns the answer
// data laid out at the positions the driver reads (docs/SIMULATOR.md has the table), or a
// printer error code. It never throws: malformed data is answered with error 13 ("VALORE
// ERRATO"), unknown commands with 16 ("NON PREVISTO").
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fpsim/bounded_log.h"
#include "fpsim/journal.h"
#include "fpsim/printer_config.h"
#include "support/currency.h"
#include "support/date_time.h"

namespace qx::fpsim {

// Printer error codes the model answers with.
enum PrinterError : int {
  kErrPaper = 2,            // CARTA SCONTRINO: paper end or cover open
  kErrDateEarlier = 9,      // DATA INFERIORE: clock set before the last fiscal day
  kErrBadDate = 10,         // DATA ERRATA
  kErrSequence = 11,        // SEQUENZA ERRATA: no document open for this command
  kErrNoData = 12,          // DATI INESISTENTI: no such document or journal data
  kErrBadValue = 13,        // VALORE ERRATO: malformed field
  kErrNotExpected = 16,     // NON PREVISTO: unknown command
  kErrNotNow = 17,          // IMPOSSIBILE ORA: tables while the day has documents
  kErrNotPossible = 18,     // NON POSSIBILE: refused by a check
  kErrExceedsValue = 20,    // SUPERA VALORE
  kErrNotProgrammed = 22,   // NON PROGRAMMATO: department without a VAT rate
  kErrCloseReceipt = 23,    // CHIUDI SCONTRINO: a document is open
  kErrClosePayment = 24,    // CHIUDI PAGAMENTO: payment in progress or missing
};

struct Reply {
  int error = 0;     // 0: a normal answer
  std::string data;  // answer data from position 1
  std::string echo;  // the command echo; empty: the command received
};

enum class DocType { Sale, Refund, Void, Invoice };

struct Department {
  std::string description;                   // 20 characters
  std::string limits = std::string(27, '0');  // the three nine-digit groups, kept as written
  int vatSlot = 1;
  bool service = false;
  int activity = 0;
};

struct Activity {
  std::string code = "000000";
  bool ventilazione = false;
};

// A fiscal document the printer has closed.
struct DocumentRecord {
  DocType type = DocType::Sale;
  int number = 0;   // document number of its fiscal day
  int closing = 0;  // number of the Z report that closes its day
  TDateTime when = 0;
  Currency total;
  Currency refunded;    // by later refunds of it
  bool voided = false;  // by a later void
  bool training = false;
  int invoiceNumber = 0;
  std::string lotteryCode;
  std::string lotteryState;  // "00" sent, "01" to be sent, ...; empty without lottery code
  std::string lotteryStatusCode = "00000";
  std::string lotteryReferenceId;
  std::vector<std::string> lines;
};

// What the printer has registered since it started, for tests that check "one request, one
// document": closed fiscal documents by type (training ones too), non-fiscal documents and Z
// reports. The sales of `day_documents` have no records and are not counted.
struct RegisteredCounts {
  int sales = 0, refunds = 0, voids = 0, invoices = 0;
  int nonFiscal = 0, zReports = 0;
  int Fiscal() const { return sales + refunds + voids + invoices; }
};

struct DayTotals {
  int documents = 0;  // fiscal documents of the day, all types; the next one gets documents + 1
  int salesCount = 0, refundsCount = 0, voidsCount = 0;
  Currency sales, discounts, returns, refunds, voids;
  std::map<int, Currency> vatGross;  // sales by VAT rate (hundredths)
};

// The fiscal document being printed.
struct FiscalDocument {
  DocType type = DocType::Sale;
  std::vector<std::string> printed;
  std::map<int, Currency> vatGross;  // by rate in hundredths
  Currency total, paid, discounts, returns;
  int lines = 0;  // item, deduction and adjustment lines
  bool hasLastItem = false;
  Currency lastItemAmount;
  int lastItemRate = 0;
  bool inPayment = false;
  bool fullyPaid = false;
  std::map<int, std::string> trailer;
  std::string lotteryCode;
  int referenceIndex = -1;  // the document refunded or voided, when it is one of this printer's
  int invoiceNumber = 0;
};

struct PrinterState {
  std::string serial, firmware, fiscalMode;
  std::array<char, 100> s14{};
  std::array<std::string, 100> s15;
  std::array<int, 10> vatRates{};  // slots 1-9, hundredths; 0 empty
  std::array<Department, 100> departments;  // 1-99
  std::array<Activity, 4> activities;      // 1-3
  std::vector<std::string> header;

  int64_t clockOffsetMs = 0;
  bool clockFrozen = false;
  TDateTime frozenClock = 0;

  int zNumber = 0;  // Z reports done
  TDateTime lastZ = 0;
  DayTotals day;
  Currency grandSales, grandRefunds, grandVoids;
  int nonFiscalNumber = 0;
  std::vector<DocumentRecord> documents;
  Journal journal;

  std::optional<FiscalDocument> fiscal;
  bool nonFiscalOpen = false;
  std::vector<std::string> nonFiscalLines;
  std::map<int, std::string> pendingHeader;  // header lines for the next document
  std::map<int, std::string> customer;       // customer lines for the next invoice
  int pendingInvoiceNumber = 0;

  PaperState paper = PaperState::Ok;
  bool drawerOpen = false;
  int drawerReadsLeft = 0;
  int drawerAutoClose = 1;
  std::string display;

  std::string eftResult = "00";
  int eftCount = 0;
  std::vector<std::string> eftSlip;

  std::string localPassword;
  bool journalLoggedIn = false;
  bool journalReading = false;
  std::vector<JournalLine> journalSelection;
  size_t journalCursor = 0;

  std::string webRoot;  // where the RT data files go; empty: nowhere
};

class PrinterModel {
 public:
  explicit PrinterModel(const SimulatorConfig& aConfig = {});

  Reply Execute(std::string_view aCommand, std::string_view aData);

  PrinterState& State() { return fState; }
  const PrinterState& State() const { return fState; }
  RegisteredCounts Registered() const;

  // The printer's clock and its setting.
  TDateTime Clock() const;
  void SetClock(TDateTime aValue, bool aFrozen);

  // Characters per printed line: 46 when S14 parameter 51 is "0", otherwise 40.
  size_t LineLength() const;
  // S14 parameter 27 "1": the driver sends an ACK after each answer.
  bool DriverAcks() const;
  // S14 parameter 29 "1": a paid receipt waits for the explicit end command.
  bool ExplicitEnd() const;
  bool Training() const;

  // Every line printed, readable (7Fh shown as a blank, trailing blanks removed).
  const BoundedLog<std::string>& Paper() const { return fPaper; }
  void ClearPaper() { fPaper.Clear(); }

 private:
  using Handler = Reply (PrinterModel::*)(std::string_view);
  struct Command {
    const char* code;
    Handler handler;
    bool prints;
  };
  static const Command kCommands[];

  // Status, clock and parameters.
  Reply DailyData(std::string_view aData);
  Reply GetClockCommand(std::string_view aData);
  Reply SetClockCommand(std::string_view aData);
  Reply PrinterStatus(std::string_view aData);
  Reply RtStatus(std::string_view aData);
  Reply SerialNumber(std::string_view aData);
  Reply ResetCommand(std::string_view aData);
  Reply GetS14(std::string_view aData);
  Reply GetS15(std::string_view aData);
  Reply SetS14(std::string_view aData);
  Reply SetS15(std::string_view aData);

  // Fiscal documents.
  Reply VoidRefundCheck(std::string_view aData);
  Reply BeginSale(std::string_view aData);
  Reply PrintLine(std::string_view aData);
  Reply SetInvoiceNumber(std::string_view aData);
  Reply BeginInvoice(std::string_view aData);
  Reply BeginInvoiceFromReceipt(std::string_view aData);
  Reply SetLotteryCode(std::string_view aData);
  Reply SaleItem(std::string_view aData);
  Reply ReturnItem(std::string_view aData);
  Reply Deduction(std::string_view aData);
  Reply Adjustment(std::string_view aData);
  Reply Subtotal(std::string_view aData);
  Reply Payment(std::string_view aData);
  Reply EndReceipt(std::string_view aData);
  Reply NextReceiptNumber(std::string_view aData);
  Reply GrandTotal(std::string_view aData);

  // Non-fiscal documents, display, drawer, electronic payment, reprint.
  Reply BeginNonFiscal(std::string_view aData);
  Reply NonFiscalLine(std::string_view aData);
  Reply Barcode(std::string_view aData);
  Reply EndNonFiscal(std::string_view aData);
  Reply Display(std::string_view aData);
  Reply OpenDrawer(std::string_view aData);
  Reply ReprintLast(std::string_view aData);
  Reply ReprintByNumber(std::string_view aData);
  Reply ElectronicPayment(std::string_view aData);

  // Journal and lottery.
  Reply JournalLogin(std::string_view aData);
  Reply JournalRead(std::string_view aData);
  Reply LotteryStatus(std::string_view aData);

  // Tables.
  Reply GetVat(std::string_view aData);
  Reply SetVat(std::string_view aData);
  Reply GetActivity(std::string_view aData);
  Reply SetActivity(std::string_view aData);
  Reply GetDepartment(std::string_view aData);
  Reply SetDepartment(std::string_view aData);

  // Reports.
  Reply XReport(std::string_view aData);
  Reply ZReport(std::string_view aData);

  // Shared steps.
  void Print(std::string_view aLine);
  bool PaperBlocked() const;
  bool AnyDocumentOpen() const { return fState.fiscal.has_value() || fState.nonFiscalOpen; }
  void OpenFiscal(DocType aType, std::vector<std::string> aTitle);
  void CloseFiscal();
  void RecordTotals(const DocumentRecord& aRecord, const FiscalDocument& aDocument);
  Reply StartReferencedDocument(DocType aType, std::string_view aText);
  void InternalVoid(int aIndex);
  int FindOwnDocument(TDateTime aDate, int aNumber, int aClosing) const;
  // 0 and the department's VAT slot and rate, or the error code of a bad department.
  int DepartmentVat(int aDepartment, int& aSlot, int& aRate) const;
  void AddToVat(FiscalDocument& aDocument, int aRate, Currency aAmount);
  void SpreadOnVat(FiscalDocument& aDocument, Currency aAmount);
  std::vector<std::string> ReportLines(bool aZReport) const;
  std::vector<std::string> ShopHeader() const;
  std::string ClosingLine(TDateTime aWhen, int aClosing, int aNumber) const;
  std::string SerialLine() const;

  PrinterState fState;
  BoundedLog<std::string> fPaper;
};

std::string DocTypeName(DocType aType);

}  // namespace qx::fpsim
