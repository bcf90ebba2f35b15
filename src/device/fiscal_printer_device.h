// The abstract fiscal printer: one instance per open printer, registered under its handle.
// Its public operations (Pub_...) are written once here and drive the printer only through the
// sixty driver operations, which a concrete driver class implements.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "device/processor_caller.h"
#include "device/receipt_in_doubt.h"
#include "device/receipt_printer_handler.h"
#include "documents/enum_set.h"
#include "results/result_records.h"
#include "rtserver/rt_server_answers.h"
#include "support/currency.h"
#include "support/date_time.h"
#include "support/log_writer.h"
#include "support/text.h"
#include "transport/io_handler.h"

namespace qx {

class kRTServer_Epson;

enum qxFiscalPrinterCapability {
  fpc_SetDate,
  fpc_SetHeader,
  fpc_ReturnPractice,
  fpc_NoFiscalReceipt,
  fpc_Payout,
  fpc_ReadMemory,
  fpc_PrintMemory,
  fpc_ZeroAmountLine,
  fpc_Invoice,
  fpc_VoidReceipt,
  fpc_NegativeAmountReceipt,
  fpc_NegativePartialAmountReceipt,
  fpc_SupportZeroLineAmount,
  fpc_PrintHeaderOnNonFiscalReceipt,
  fpc_SupportSpecialChars
};
using qxFiscalPrinterCapabilities = EnumSet<qxFiscalPrinterCapability, 15>;

enum qxFiscalPrinterPrintSection { fpps_Lines, fpps_Payments, fpps_TrailerMessages };

struct qxFiscalCounters {
  Currency GrandTotalAmount;
  Currency GrandTotalRefundsAmount;
  Currency GrandTotalVoidsAmount;
  Currency DayTotalAmount;
  Currency DayDiscountsAmount;
  Currency DayReturnsAmount;
  Currency DayRefundsAmount;
  Currency DayVoidsAmount;
  int32_t DayReceiptsNumber = 0;
  int32_t DayRefundsNumber = 0;
  int32_t ZReportNumber = 0;
  TDateTime ZReportDateTime = 0;
  String Text;
};

// What the command that registers the running operation's document (its commit: the payment
// that closes a receipt, the explicit end, the Z report...) got from the printer.
enum qxCommitState {
  cms_NotSent,     // not sent, or refused by the printer: nothing was registered
  cms_Confirmed,   // the printer answered it: the document is registered
  cms_Unanswered,  // sent, and no answer came: the printer must be asked what it did
};

// What asking the printer told about a commit that got no answer.
enum qxRegistration { reg_Registered, reg_NotRegistered, reg_Unknown };

struct qxLotteryReceiptStatus {
  bool CorrectlySent = false;
  String StatusCode;
  String StatusDescription;
  String ReferenceId;
};

class kFiscalPrinterDevice {
 public:
  // Creates the tables, the transport (with its log in LogFiles/FiscalPrinter) and the print
  // sequence from the creating request. Raises when the transport cannot be made.
  explicit kFiscalPrinterDevice(kReceiptPrinterHandler& aHandler);
  virtual ~kFiscalPrinterDevice();
  kFiscalPrinterDevice(const kFiscalPrinterDevice&) = delete;
  kFiscalPrinterDevice& operator=(const kFiscalPrinterDevice&) = delete;

  // ---- the driver operations ----
  virtual bool BeginNoFiscalReceipt(kNFReceipt& aNFReceipt) = 0;
  virtual bool PrintNoFiscalMessageTextLine(kReceipt* aReceipt, kReceiptMessageTextLine& aLine) = 0;
  virtual bool PrintNoFiscalMessageBarcode(kReceipt* aReceipt, kReceiptMessageBarcodeLine& aLine) = 0;
  virtual bool PrintNoFiscalMessageImage(kReceipt* aReceipt, kReceiptMessageImageLine& aLine) = 0;
  virtual bool EndNoFiscalReceipt(kNFReceipt& aNFReceipt) = 0;
  virtual bool BeginFiscalReceipt(kReceipt& aReceipt) = 0;
  virtual bool EndFiscalReceipt(kReceipt& aReceipt) = 0;
  virtual bool ProductSale(kReceipt& aReceipt, kReceiptLineProductSale& aLine) = 0;
  virtual bool ProductReturn(kReceipt& aReceipt, kReceiptLineProductReturn& aLine) = 0;
  // The core's own: a text line with quantity and unit price, then a sale of quantity 1.
  virtual bool WeightedProductSale(kReceipt& aReceipt, kReceiptLineWeightedProductSale& aLine);
  virtual bool VoucherSale(kReceipt& aReceipt, kReceiptLineVoucherSale& aLine) = 0;
  virtual bool VoucherRedeem(kReceipt& aReceipt, kReceiptLineVoucherRedeem& aLine) = 0;
  virtual bool GiftCardSale(kReceipt& aReceipt, kReceiptLineGiftCardSale& aLine) = 0;
  virtual bool GiftCardRedeem(kReceipt& aReceipt, kReceiptLineGiftCardRedeem& aLine) = 0;
  virtual bool CollectAmount(kReceipt& aReceipt, kReceiptLineCollectAmount& aLine) = 0;
  virtual bool Text(kReceipt& aReceipt, kReceiptLineText& aLine) = 0;
  virtual bool SubTotal(kReceipt& aReceipt, kReceiptLineSubtotal& aLine) = 0;
  virtual bool DiscountAmount(kReceipt& aReceipt, kReceiptLineDiscountAmount& aLine) = 0;
  virtual bool DiscountPercentage(kReceipt& aReceipt, kReceiptLineDiscountPercentage& aLine) = 0;
  virtual bool DiscountAmountOnSubtotal(kReceipt& aReceipt, kReceiptLineDiscountAmountOnSubTotal& aLine) = 0;
  virtual bool DiscountPercentageOnSubTotal(kReceipt& aReceipt, kReceiptLineDiscountPercentageOnSubTotal& aLine) = 0;
  virtual bool MarkupAmount(kReceipt& aReceipt, kReceiptLineMarkupAmount& aLine) = 0;
  virtual bool MarkupPercentage(kReceipt& aReceipt, kReceiptLineMarkupPercentage& aLine) = 0;
  virtual bool MarkupAmountOnSubtotal(kReceipt& aReceipt, kReceiptLineMarkupAmountOnSubTotal& aLine) = 0;
  virtual bool MarkupPercentageOnSubTotal(kReceipt& aReceipt, kReceiptLineMarkupPercentageOnSubTotal& aLine) = 0;
  virtual bool Total(kReceipt& aReceipt, kReceiptPaymentLine& aPayment) = 0;
  virtual bool PrintTrailerMessageTextLine(kReceipt& aReceipt, kReceiptMessageTextLine& aLine) = 0;
  virtual bool PrintTrailerMessageBarcode(kReceipt& aReceipt, kReceiptMessageBarcodeLine& aLine) = 0;
  virtual bool Reset() = 0;
  virtual bool XReport(kXReport* aXReport) = 0;
  virtual bool ZReport(kZReport* aZReport) = 0;
  virtual bool GetLastReceiptInfo(TDateTime& aDateTime, String& aReceiptNumber, String& aEJNumber,
                                  String& aEJClosingNumber, String& aDeviceSerialNumber) = 0;
  virtual bool GetRemainingFiscalMemory(int32_t& aRemaining) = 0;
  virtual bool GetStatus(bool& aDayOpened, TDateTime& aDateTime, bool& aPaperEnd, bool& aPaperNearEnd,
                         bool& aCoverOpen, bool& aFiscalReceiptOpen, bool& aReceiptOpen, bool& aTrainingMode,
                         String& aFirmwareVersion, String& aSerialNumber, String& aFiscalMode) = 0;
  virtual bool GetDrawerStatus(int32_t aDrawerNumber, bool& aIsOpen) = 0;
  virtual bool GetDateTime(TDateTime& aDateTime) = 0;
  virtual bool SetDateTime(TDateTime aDateTime) = 0;
  virtual bool SetTrainingMode(bool aOn) = 0;
  virtual bool GetVatTable() = 0;
  virtual bool SetVatTable(kVatTable& aVatTable) = 0;
  virtual bool GetEATable() = 0;
  virtual bool SetEATable(kEconomicActivityTable& aEATable) = 0;
  virtual bool GetDeptTable() = 0;
  virtual bool SetDeptTable(kDeptTable& aDeptTable) = 0;
  // Everything a SETDEPTTABLE request (its activities, then its departments) can fail on,
  // checked before anything is written or the fiscal day closed: raises, or false with the
  // transport's error. The core's own checks nothing.
  virtual bool CheckDeptTableRequest(kEconomicActivityTable& aEATable, kDeptTable& aDeptTable);
  virtual bool ReservedOperation() = 0;
  virtual bool ClearDisplay() = 0;
  virtual bool WriteDisplay(kReceiptMessageLines& aLines) = 0;
  virtual bool OpenDrawer(int32_t aDrawerNumber) = 0;
  virtual bool Pay(kPaymentReceipt& aPayment) = 0;
  virtual bool Reprint(kReceiptReference& aReference) = 0;
  virtual bool EJReportZReport(qxEJReportDestination aDestination, String& aText, TDateTime aStartDate,
                               TDateTime aEndDate) = 0;
  virtual bool EJReportFiscalReceipt(qxEJReportDestination aDestination, int32_t aStartNumber, int32_t aEndNumber,
                                     String& aText, TDateTime aStartDate, TDateTime aEndDate) = 0;
  virtual bool EJReportNonFiscalReceipt(qxEJReportDestination aDestination, int32_t aStartNumber,
                                        int32_t aEndNumber, String& aText, TDateTime aStartDate,
                                        TDateTime aEndDate) = 0;
  virtual bool EJReportCreditNote(qxEJReportDestination aDestination, int32_t aStartNumber, int32_t aEndNumber,
                                  String& aText, TDateTime aStartDate, TDateTime aEndDate) = 0;
  virtual bool EJReportInvoice(qxEJReportDestination aDestination, int32_t aStartNumber, int32_t aEndNumber,
                               String& aText, TDateTime aStartDate, TDateTime aEndDate) = 0;
  virtual bool GetEJFiles(qxEJFilesRequestType aRequestType, StringView aOutputFolder, int32_t& aCount,
                          TDateTime aStartDate, TDateTime aEndDate) = 0;
  virtual bool IsReady() = 0;
  virtual bool IsDayOpen() = 0;
  virtual bool GetLotteryReceiptStatus(kReceiptReference& aReference) = 0;
  virtual bool GetReceiptText(kReceiptReference& aReference, String& aText) = 0;

  // The driver's initialisation after OPEN has connected the transport. False when the printer
  // does not answer: OPEN then fails and lets the device go.
  virtual bool Init() = 0;

  // ---- what the printer did with a document (receipt_outcome.cpp) ----
  // The printer's numbering of fiscal documents. A driver that cannot read it answers false
  // without an error; a printer that does not answer sets the transport's error.
  virtual bool ReadDocumentNumbers(qxDocumentNumbers&) { return false; }
  // Whether a fiscal document is open on the printer; false when the printer could not say.
  virtual bool ReadDocumentOpen(bool&) { return false; }

  // ---- the public operations ----
  _int_OPEN_result Pub_Open(kReceiptPrinterHandler& aHandler);
  _int_CLOSE_result Pub_Close(kReceiptPrinterHandler& aHandler);
  _int_PRINTFR_result Pub_PrintReceipt(kReceiptPrinterHandler& aHandler);
  _int_PRINTXR_result Pub_PrintXReport(kReceiptPrinterHandler& aHandler);
  _int_PRINTZR_result Pub_PrintZReport(kReceiptPrinterHandler& aHandler);
  _int_PRINTNFR_result Pub_PrintNFReceipt(kReceiptPrinterHandler& aHandler);
  _int_REPRINTFR_result Pub_RePrintReceipt(kReceiptPrinterHandler& aHandler);
  _int_DISPLAY_result Pub_WriteDisplay(kReceiptPrinterHandler& aHandler);
  _int_OPENDR_result Pub_OpenDrawer(kReceiptPrinterHandler& aHandler);
  _int_GETDRSTATUS_result Pub_GetDrawerStatus(kReceiptPrinterHandler& aHandler);
  _int_GETSTATUS_result Pub_GetStatus(kReceiptPrinterHandler& aHandler);
  _int_SET_result Pub_Set(kReceiptPrinterHandler& aHandler);
  _int_SETDATETIME_result Pub_SetDateTime(kReceiptPrinterHandler& aHandler);
  _int_GETVATTABLE_result Pub_GetVatTable(kReceiptPrinterHandler& aHandler);
  _int_SETVATTABLE_result Pub_SetVatTable(kReceiptPrinterHandler& aHandler);
  _int_GETDEPTTABLE_result Pub_GetDeptTable(kReceiptPrinterHandler& aHandler);
  _int_SETDEPTTABLE_result Pub_SetDeptTable(kReceiptPrinterHandler& aHandler);
  _int_EJREPORT_result Pub_EJReport(kReceiptPrinterHandler& aHandler);
  _int_GETEJFILES_result Pub_GetEJFiles(kReceiptPrinterHandler& aHandler);
  _int_GETLOTTERYRCPTSTATUS_result Pub_GetLotteryReceiptStatus(kReceiptPrinterHandler& aHandler);
  _int_PAY_result Pub_Pay(kReceiptPrinterHandler& aHandler);

  // ---- services for the drivers ----
  // The RT server's X or Z report ("X" or "Z") printed as a non-fiscal document; its text is
  // kept in fCounters.Text.
  bool PrintRTServerReport(StringView aKind);
  // "Version " + version + " - " + release date as a short date.
  static String GetDriverVersion();
  // Zeroes the counters of a new report; both voids amounts, the date-time and the text stay.
  void ResetCounters();
  void AddPrintSection(qxFiscalPrinterPrintSection aSection);
  void ClearPrintSequence();
  // The Z-report date file (LogFiles/FiscalPrinter/<serial>_ZrepDate.stv under the working
  // directory). Store raises when the file cannot be written; Load gives 0 without a file.
  bool StoreZReportDate(TDateTime aDate);
  TDateTime LoadZReportDate();
  String ZReportDateFileName() const;
  // A file of this printer's, named by its serial number and aSuffix, in
  // LogFiles/FiscalPrinter under the working directory.
  String PrinterFileName(StringView aSuffix) const;
  // The display lines as one text, each text line cut and aligned to fDisplayLineLength.
  String FormatDisplayText(const kReceiptMessageLines& aLines) const;
  kVat* FindVat(StringView aCode) const;
  int32_t GetVatIndex(StringView aCode) const;
  int32_t GetEAIndex(StringView aCode) const;
  // aText padded with blanks and cut to exactly aWidth characters.
  static String PadText(StringView aText, int32_t aWidth);

  kIOHandler& IOHandler() const { return *fIOHandler; }

  // Run at the start of each call on an open device: when the transport's link has dropped since
  // the last call, opens it again (one attempt, with the connection's time-outs) and reads the
  // printer's settings again as Init does. A reopen or a settings read that fails raises a clear
  // error for this call, and the next call tries again. Nothing of an earlier call is sent again.
  void ReopenDroppedLink();

  int32_t fHandle = 0;
  std::unique_ptr<kIOHandler> fIOHandler;
  String fXmlString;
  String fFiscalMode;
  String fSerialNumber;
  std::unique_ptr<kVatTable> fVatTable;
  std::unique_ptr<kDeptTable> fDeptTable;
  std::unique_ptr<kEconomicActivityTable> fEATable;
  qxFiscalPrinterCapabilities fCapabilities;
  int32_t fLineLength = 0;
  int32_t fDisplayLineCount = 0;
  int32_t fDisplayLineLength = 0;
  qxFiscalCounters fCounters;
  qxLotteryReceiptStatus fLotteryReceiptStatus;
  std::vector<qxFiscalPrinterPrintSection> fPrintSequence;
  int32_t fEJFilesCount = 0;
  // RT-server mode: receipts are signed by the RT-server library before they are printed.
  bool fRTServerActive = false;
  // The RT data of the last signed receipt and the last till report, copied from the binding.
  kRTServerReceiptInfo fRTServerReceiptInfo;
  kRTServerTillReportInfo fRTServerTillReportInfo;
  // The RT-server library binding; present only in RT-server mode.
  std::unique_ptr<kRTServer_Epson> fRTServer;
  // The processor library of the configuration's Processor parameter (inactive without one).
  std::unique_ptr<kFiscalProcessorCaller> fProcessor;
  // Set by the driver when it sends the command that registers the running operation's
  // document; every operation starts with cms_NotSent.
  qxCommitState fCommit = cms_NotSent;
  // The last receipt whose outcome the printer did not confirm at once (receipt_outcome.cpp).
  std::optional<kReceiptInDoubt> fReceiptInDoubt;
  // Whether the printer's file was looked at for a record of an earlier process.
  bool fInDoubtFileChecked = false;

 protected:
  // Called by the frame of every public operation before its body: a driver clears there what
  // holds for one exported call only.
  virtual void BeginOperation() {}
  // The frame of every public operation: the separator line with aLabel, Error true and the
  // log file name, the body, then the outcome from the transport's error state.
  template <typename Result, typename Body>
  Result RunOperation(StringView aLabel, Body&& aBody);
  // Error and ErrorText from the transport's error state.
  template <typename Result>
  void SetOutcome(Result& aResult) const;
  // The outcome rule for a document (aDocument: "the X report", ...): printed, a later failure
  // is said but answers no error; in doubt, a message says so; not printed, the error stands.
  template <typename Result>
  void AnswerDocumentOutcome(Result& aResult, qxRegistration aRegistration, StringView aDocument) const;
  // What became of the running operation's document by its commit; a commit without an answer
  // is settled by asking the printer whether a document is still open.
  qxRegistration DocumentOutcome();
  // The X and Z reports of the processor library (report_flows.cpp).
  _int_PRINTXR_result ProcessorXReport();
  _int_PRINTZR_result ProcessorZReport();
  // The RT server's work (rt_server_flows.cpp): the binding made from the RTServerDriver
  // parameter; the till login with the request's RTServer parameters when the till is not open;
  // the signing of a receipt (true when signed; the RT data are then the device's); the PRINTFR
  // answer from the RT data; the till's X report and daily closing, each printed as a report.
  void CreateRTServer(kReceiptPrinterHandler& aHandler);
  void OpenRTServerTill(kReceiptPrinterHandler& aHandler);
  bool SignRTServerReceipt(kReceiptPrinterHandler& aHandler, const kReceipt& aReceipt);
  void RTServerReceiptResult(_int_PRINTFR_result& aResult) const;
  _int_PRINTXR_result RTServerXReport(kReceiptPrinterHandler& aHandler);
  _int_PRINTZR_result RTServerZReport(kReceiptPrinterHandler& aHandler);
  template <typename Result, typename Fill>
  Result RTServerTillReport(kReceiptPrinterHandler& aHandler, StringView aLabel, StringView aCall,
                            bool (kRTServer_Epson::*aReport)(), StringView aKind, Fill&& aFill);
  // The library's reason for a failed call, in the log, with aSecret shown as asterisks.
  void LogRTServerFailure(StringView aCall, const String& aSecret) const;
  // IsReady, else Reset.
  bool ReadinessStep();
  // ---- receipts in doubt (receipt_outcome.cpp) ----
  // Asks the printer what became of a document registered by a commit without an answer: a
  // document still open was not registered; otherwise the numbering tells.
  qxRegistration ProbeRegistration(const qxDocumentNumbers& aBefore);
  // Before a receipt is sent: the printer's numbers, kept with the receipt's text (in memory
  // and in the printer's file) until its outcome is known. False when the numbers could not be
  // read because the printer did not answer; the receipt is then not printed.
  bool RecordReceiptInDoubt(const String& aReceiptText, qxDocumentNumbers& aBefore);
  // The outcome is known: the record goes (a registered one stays for a retry to find).
  void ForgetReceiptInDoubt();
  void KeepRegisteredReceipt(int32_t aNumber, int32_t aClosing, TDateTime aWhen);
  // A receipt still pending from an earlier call (or, with the serial number known, from an
  // earlier process) is settled by asking the printer. Its failures are logged and leave the
  // running operation's error state as it was.
  void SettleReceiptInDoubt();
  // A PRINTFR whose receipt is the one the printer registered without confirming it: the answer
  // carries its numbers and nothing is printed. True when it was such a retry.
  bool AnswerRetry(const String& aReceiptText, _int_PRINTFR_result& aResult);
  String ReceiptInDoubtFileName() const;
  // The record as it stands now, written to the printer's file (when the serial is known);
  // a file that cannot be written is logged.
  void StoreReceiptInDoubt();
  // Connects the transport; a failure is in its error state, "Connect Error" when it set none.
  bool ConnectTransport();
  // Writes a line to the device log (nothing when there is none).
  void Log(tQX_MessageType aEntryType, StringView aMessage) const;

 private:
  // The link dropped and could not be opened again yet.
  bool fLinkToReopen = false;
  // The link was opened again and the printer's settings are still to be read.
  bool fSettingsToRead = false;
};

// The device classes by driver name: a driver class is a function that makes the device.
using kFiscalPrinterClass = std::unique_ptr<kFiscalPrinterDevice> (*)(kReceiptPrinterHandler& aHandler);

}  // namespace qx
