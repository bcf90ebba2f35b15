// The Epson RT fiscal printer driven in its native framed protocol.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "device/fiscal_printer_device.h"
#include "documents/enumerations.h"
#include "transport/connection.h"

namespace qx {

enum qxEpsonVoidType { vt_Internal, vt_External };

class kFiscalPrinter_EPSFPNAT : public kFiscalPrinterDevice {
 public:
  explicit kFiscalPrinter_EPSFPNAT(kReceiptPrinterHandler& aHandler);
  // The driver class as the registry holds it.
  static std::unique_ptr<kFiscalPrinterDevice> CreateDevice(kReceiptPrinterHandler& aHandler);

  bool BeginNoFiscalReceipt(kNFReceipt& aNFReceipt) override;
  bool PrintNoFiscalMessageTextLine(kReceipt* aReceipt, kReceiptMessageTextLine& aLine) override;
  bool PrintNoFiscalMessageBarcode(kReceipt* aReceipt, kReceiptMessageBarcodeLine& aLine) override;
  bool PrintNoFiscalMessageImage(kReceipt* aReceipt, kReceiptMessageImageLine& aLine) override;
  bool EndNoFiscalReceipt(kNFReceipt& aNFReceipt) override;
  bool BeginFiscalReceipt(kReceipt& aReceipt) override;
  bool EndFiscalReceipt(kReceipt& aReceipt) override;
  bool ProductSale(kReceipt& aReceipt, kReceiptLineProductSale& aLine) override;
  bool ProductReturn(kReceipt& aReceipt, kReceiptLineProductReturn& aLine) override;
  bool VoucherSale(kReceipt& aReceipt, kReceiptLineVoucherSale& aLine) override;
  bool VoucherRedeem(kReceipt& aReceipt, kReceiptLineVoucherRedeem& aLine) override;
  bool GiftCardSale(kReceipt& aReceipt, kReceiptLineGiftCardSale& aLine) override;
  bool GiftCardRedeem(kReceipt& aReceipt, kReceiptLineGiftCardRedeem& aLine) override;
  bool CollectAmount(kReceipt& aReceipt, kReceiptLineCollectAmount& aLine) override;
  bool Text(kReceipt& aReceipt, kReceiptLineText& aLine) override;
  bool SubTotal(kReceipt& aReceipt, kReceiptLineSubtotal& aLine) override;
  bool DiscountAmount(kReceipt& aReceipt, kReceiptLineDiscountAmount& aLine) override;
  bool DiscountPercentage(kReceipt& aReceipt, kReceiptLineDiscountPercentage& aLine) override;
  bool DiscountAmountOnSubtotal(kReceipt& aReceipt, kReceiptLineDiscountAmountOnSubTotal& aLine) override;
  bool DiscountPercentageOnSubTotal(kReceipt& aReceipt, kReceiptLineDiscountPercentageOnSubTotal& aLine) override;
  bool MarkupAmount(kReceipt& aReceipt, kReceiptLineMarkupAmount& aLine) override;
  bool MarkupPercentage(kReceipt& aReceipt, kReceiptLineMarkupPercentage& aLine) override;
  bool MarkupAmountOnSubtotal(kReceipt& aReceipt, kReceiptLineMarkupAmountOnSubTotal& aLine) override;
  bool MarkupPercentageOnSubTotal(kReceipt& aReceipt, kReceiptLineMarkupPercentageOnSubTotal& aLine) override;
  bool Total(kReceipt& aReceipt, kReceiptPaymentLine& aPayment) override;
  bool PrintTrailerMessageTextLine(kReceipt& aReceipt, kReceiptMessageTextLine& aLine) override;
  bool PrintTrailerMessageBarcode(kReceipt& aReceipt, kReceiptMessageBarcodeLine& aLine) override;
  bool Reset() override;
  bool XReport(kXReport* aXReport) override;
  bool ZReport(kZReport* aZReport) override;
  bool GetLastReceiptInfo(TDateTime& aDateTime, String& aReceiptNumber, String& aEJNumber, String& aEJClosingNumber,
                          String& aDeviceSerialNumber) override;
  bool GetRemainingFiscalMemory(int32_t& aRemaining) override;
  bool GetStatus(bool& aDayOpened, TDateTime& aDateTime, bool& aPaperEnd, bool& aPaperNearEnd, bool& aCoverOpen,
                 bool& aFiscalReceiptOpen, bool& aReceiptOpen, bool& aTrainingMode, String& aFirmwareVersion,
                 String& aSerialNumber, String& aFiscalMode) override;
  bool GetDrawerStatus(int32_t aDrawerNumber, bool& aIsOpen) override;
  bool GetDateTime(TDateTime& aDateTime) override;
  bool SetDateTime(TDateTime aDateTime) override;
  bool SetTrainingMode(bool aOn) override;
  bool GetVatTable() override;
  bool SetVatTable(kVatTable& aVatTable) override;
  bool GetEATable() override;
  bool SetEATable(kEconomicActivityTable& aEATable) override;
  bool GetDeptTable() override;
  bool SetDeptTable(kDeptTable& aDeptTable) override;
  bool CheckDeptTableRequest(kEconomicActivityTable& aEATable, kDeptTable& aDeptTable) override;
  bool ReservedOperation() override;
  bool ClearDisplay() override;
  bool WriteDisplay(kReceiptMessageLines& aLines) override;
  bool OpenDrawer(int32_t aDrawerNumber) override;
  bool Pay(kPaymentReceipt& aPayment) override;
  bool Reprint(kReceiptReference& aReference) override;
  bool EJReportZReport(qxEJReportDestination aDestination, String& aText, TDateTime aStartDate,
                       TDateTime aEndDate) override;
  bool EJReportFiscalReceipt(qxEJReportDestination aDestination, int32_t aStartNumber, int32_t aEndNumber,
                             String& aText, TDateTime aStartDate, TDateTime aEndDate) override;
  bool EJReportNonFiscalReceipt(qxEJReportDestination aDestination, int32_t aStartNumber, int32_t aEndNumber,
                                String& aText, TDateTime aStartDate, TDateTime aEndDate) override;
  bool EJReportCreditNote(qxEJReportDestination aDestination, int32_t aStartNumber, int32_t aEndNumber,
                          String& aText, TDateTime aStartDate, TDateTime aEndDate) override;
  bool EJReportInvoice(qxEJReportDestination aDestination, int32_t aStartNumber, int32_t aEndNumber, String& aText,
                       TDateTime aStartDate, TDateTime aEndDate) override;
  bool GetEJFiles(qxEJFilesRequestType aRequestType, StringView aOutputFolder, int32_t& aCount, TDateTime aStartDate,
                  TDateTime aEndDate) override;
  bool IsReady() override;
  bool IsDayOpen() override;
  bool GetLotteryReceiptStatus(kReceiptReference& aReference) override;
  bool GetReceiptText(kReceiptReference& aReference, String& aText) override;
  bool Init() override;
  bool ReadDocumentNumbers(qxDocumentNumbers& aNumbers) override;
  bool ReadDocumentOpen(bool& aOpen) override;

  int32_t fFrameCounter = 0;
  bool fAckEnabled = true;
  bool fJavaPOSEnabled = false;
  String fFullResponseData;
  String fResponseData;
  String fFirmwareVersion;
  int32_t fTrailerLineNumber = 0;
  TDateTime fLastReceiptDateTime = 0;
  int32_t fLastReceiptNumber = 0;
  int32_t fLastReceiptEJNumber = 0;
  int32_t fLastReceiptEJClosingNumber = 0;
  qxReceiptType fRTSReceiptType = rt_Sale;
  String fLastTaxCode;
  String fLocalPassword;
  String fBaseURL;
  String fHTTPUser;
  String fHTTPPassword;
  qxHTTPAuthType fHTTPAuthType = at_None;
  qxEpsonVoidType fVoidType = vt_Internal;

  // ---- the command exchange ----
  // The transport's error code when no answer frame arrived; printer errors are 0 to 99.
  static constexpr int32_t kTimeoutErrorCode = -99;
  // Sends the command with its data and waits for the answer; true when an answer arrived and it
  // is no error answer. Afterwards fFullResponseData and fResponseData hold the answer.
  bool ExecuteCommand(StringView aCommand, StringView aData, StringView aLabel);
  String BuildFrame(StringView aText);
  static String CalcChecksum(StringView aText);
  bool CheckAnswer(StringView aInnerAnswer);
  static bool IsErrorAnswer(StringView aInnerAnswer);
  // Whether an answer frame answers the command sent; a late answer to an earlier command does not.
  static bool AnswersCommand(StringView aInnerAnswer, StringView aCommand);
  static String GetPrinterErrorText(int32_t aCode);
  // Whether the last command was sent and got no answer frame (an error answer is one): such a
  // command may still have been carried out by the printer.
  bool fLastUnanswered = false;
  // After a command that registers the running operation's document: answered, it is
  // registered; refused by the printer, nothing is; unanswered, the printer must be asked.
  bool NoteCommit(bool aResult);

  // ---- printer state and parameters ----
  bool GetPrinterStatus(bool& aPaperEnd, bool& aPaperNearEnd, bool& aCoverOpen, bool& aFiscalReceiptOpen,
                        bool& aReceiptOpen, String& aFirmwareVersion);
  bool CloseOpenDocument();
  String GetS14Value(int32_t aNumber);
  String GetS15Value(int32_t aNumber);
  bool SetS14Value(int32_t aNumber, StringView aValue);
  bool SetS15Value(int32_t aNumber, StringView aValue);

  // The busy answers (DC1) of one exchange may hold it open for ten read time-outs, and at least
  // fMinBusyWindowMs; after that a busy printer is treated as a silent one and the exchange ends
  // with its time-out.
  static constexpr int32_t kBusyWindowTimeouts = 10;
  int64_t fMinBusyWindowMs = 60000;
  // How often the status reading asks again when the printer echoes another command.
  static constexpr int kMaxEchoAttempts = 25;
  // The pause before asking again.
  int32_t fEchoPauseMs = 200;

  // ---- fixed-width fields of the commands (wire_fields.cpp) ----
  // The value as a fixed-width field of the wire. A value whose digits do not fit the field is
  // never sent with its leading digits cut off: it raises an error that names the field and
  // the value, before any byte of the command is sent.
  static String FitField(Currency aValue, int32_t aWidth, int32_t aDecimals, StringView aFieldName);
  static String FitField(int64_t aValue, int32_t aWidth, StringView aFieldName);

  // ---- text layout of printed lines (text_layout.cpp) ----
  // A line's text aligned within the line length; an empty or blank text becomes 7Fh, which the
  // printer prints as an empty line.
  String AlignText(StringView aText, qxReceiptMessageLineAlignment aAlignment) const;

  // ---- fiscal receipt commands (receipt_begin.cpp, receipt_lines.cpp, receipt_payments.cpp) ----
  // Lines, trailer messages, then payments: the printer prints the trailer before the payments.
  void SetStandardPrintSequence();
  // The description with the VAT suffix of the tax code ("22%", "*N4") when an RT server is
  // active; otherwise unchanged.
  String AddVatSuffix(StringView aDescription, StringView aTaxCode);
  // Item ("1080") or return item ("1081"), followed for a free-of-charge item by the deduction
  // of its whole amount.
  bool SendSaleItem(StringView aDescription, StringView aDepartment, StringView aLabel, bool aFreeOfCharge,
                    StringView aTaxCode, Currency aPrice, Currency aQuantity);
  bool SendReturnItem(StringView aDescription, StringView aDepartment, StringView aLabel, bool aFreeOfCharge,
                      StringView aTaxCode, Currency aPrice, Currency aQuantity);
  // Deduction ("1090"): 0 deposit given back, 1 free of charge, 2 voucher or gift card redeemed.
  bool SendDeduction(int32_t aType, StringView aDescription, StringView aLabel, StringView aTaxCode,
                     StringView aDepartment, Currency aAmount);
  // Discount or markup ("1083"); aKind 0-7: discount amount, discount percentage, the same two on
  // the subtotal, then the four markups in the same order.
  bool SendAdjustment(int32_t aKind, StringView aDescription, StringView aLabel, Currency aAmount);

  // ---- non-fiscal receipt, display, drawer, payment, reprint, journal, lottery ----
  // (nonfiscal_receipt.cpp, display_drawer.cpp, payment_commands.cpp, reprint_commands.cpp,
  // journal_commands.cpp, lottery_commands.cpp)
  // The data of the barcode command "1075" for a barcode line; raises a clear error, before
  // anything is sent, for a value the printer cannot take as that type.
  static String BarcodeFields(qxReceiptMessageBarcodeType aType, StringView aValue);
  // The journal of one kind (0 Z reports, 1 fiscal receipts, 2 non-fiscal receipts, 3 credit
  // notes, 4 invoices) read into aText, one line + CR LF each, or printed.
  bool ReadElectronicJournal(int32_t aKind, qxEJReportDestination aDestination, String& aText, TDateTime aStartDate,
                             TDateTime aEndDate);
  // A date as the six digits "ddmmyy" of the commands.
  static String DateField(TDateTime aDate);
  // A document number given as text ("17", " 0017 ") as a four-digit field; raises a clear error
  // for a text that is no number or does not fit.
  static String DocumentNumberField(StringView aNumber, StringView aFieldName);
  // How long Pay waits, with no copy to print, for the terminal to finish its own slip.
  int32_t fPayWithoutCopiesWaitMs = 3000;

  // ---- tables (table_commands.cpp, dept_table_commands.cpp) ----
  // The printer takes no table while the fiscal day has receipts: a Z report closes the day
  // first. The result is the Z report's (true when the day had no receipts).
  bool CloseDayBeforeProgramming();
  // The last SetEATable had an activity write refused: the SetDeptTable after it writes nothing.
  bool fActivityWriteRefused = false;

  // ---- reports and RT data files (report_commands.cpp, z_report_text.cpp) ----
  // The day's totals from the printer's RT data files into the counters; aLines gets the report
  // lines built from them. Always true: a web server that cannot be read leaves the counters
  // reset or partly summed. A data file that cannot be read as such (no XML, an amount that is
  // no number) sets the transport's error state with its message.
  bool ReadRTDayTotals(StringList& aLines, TDateTime aStartDate, TDateTime aEndDate);
  // The RT-data side of the Z-report journal in RT mode: resets the counters, then reads the
  // day's RT data when fBaseURL is not blank; aText gets the report lines, each followed by
  // CR LF (empty without a web address). Always true.
  bool ReadRTDayText(String& aText, TDateTime aStartDate, TDateTime aEndDate);
  // Downloads the RT data files of the range into aOutputFolder (the body of GetEJFiles).
  bool GetRTFilesFromPrinter(StringView aOutputFolder, int32_t& aCount, TDateTime aStartDate, TDateTime aEndDate);
  // MF mode: the counters from the journal text of the day's Z reports. Always true.
  bool ParseZReportText(StringView aText);
  // The last blank-separated word of the trimmed text; empty when none.
  static String LastWord(StringView aText);
  // "dd-mm-yy  hh:nn" at the start of the line (two blanks between date and time).
  static bool IsZReportDateLine(StringView aText);
  static TDateTime DecodeZReportDate(StringView aText);

  // ---- RT-server mode: header and footer lines, start-up check (rt_server_lines.cpp,
  // rt_server_startup.cpp) ----
  // The header lines of the document kind and its reference, sent before the sale is opened.
  // Each line only when the one before succeeded; the result is the last line's. A reference
  // number too wide for its four digits raises before any line is sent.
  bool SetRTServerHeader(kReceipt& aReceipt);
  // The RT server's data of the signed document (fRTServerReceiptInfo), sent before a payment:
  // thirteen lines, each only when the one before succeeded.
  bool SetRTServerFooter();
  // With an RT server, at start-up: the serial number, and a Z report with the printer's clock
  // set to the computer's when the clocks differ by more than five minutes or the last Z
  // report is more than 90 days old (or unknown). Failures are logged, never raised.
  void CheckClockAndZReport();
  // The computer's clock of that check (tests hold it still).
  std::function<TDateTime()> fComputerClock = [] { return Now(); };

  // ---- bounds of the exchange and of one exported call (native_protocol.cpp) ----
  // Against a printer that refuses, talks garbage or says nothing, every exchange and every call
  // ends after a bounded number of frames as well as a bounded time.
  //
  // One exchange sends its frame at most kMaxFrameSends times (the first send, the resends
  // after refusals and after unreadable answers). A printer that refuses it every time ends the
  // exchange with code -99 and "The printer refused the frame N times".
  static constexpr int kMaxFrameSends = 10;
  // Silence: once an exchange got no answer frame at all (its three attempts ran out), the
  // later exchanges of the same exported call fail at once with "Timeout Error" and send
  // nothing; the log says which command was not sent. A switched-off printer so costs one
  // exchange's time-outs per call, not one per command.
  bool PrinterSilent() const { return fPrinterSilent; }
  // The start of an exported call: the frame of every public operation calls it, so the
  // silence of one call does not reach the next.
  void BeginOperation() override { fPrinterSilent = false; }
  // Inside the scope of a probe, exchanges are sent despite an earlier silence, each with its
  // normal three attempts: for asking the printer once more what became of a command that got
  // no answer. An answer clears the silence for the rest of the call; another silence leaves
  // it set. Probes may nest.
  //   { kFiscalPrinter_EPSFPNAT::SilenceProbe probe(*this); GetPrinterStatus(...); }
  class SilenceProbe {
   public:
    explicit SilenceProbe(kFiscalPrinter_EPSFPNAT& aDriver) : fDriver(aDriver) { ++fDriver.fSilenceProbes; }
    ~SilenceProbe() { --fDriver.fSilenceProbes; }
    SilenceProbe(const SilenceProbe&) = delete;
    SilenceProbe& operator=(const SilenceProbe&) = delete;

   private:
    kFiscalPrinter_EPSFPNAT& fDriver;
  };
  // The journal read to memory stops with an error after this many lines (journal_commands.cpp;
  // the figure's reasoning is in docs/PLATFORM.md).
  size_t fMaxJournalLines = 200000;

 private:
  bool fPrinterSilent = false;
  int32_t fSilenceProbes = 0;
  // ---- end of the bounds ----

 private:
  // The answer of an operation whose printer commands this version does not send yet.
  bool NotAvailable(StringView aOperation);
  // A counter, index or number as a fixed-width field without decimals ("07" for 7, width 2).
  static String NumberField(int64_t aValue, int32_t aWidth = 2);
  // fResponseData characters aFirst..aLast (from 1); shorter or empty past its end.
  String ResponseField(size_t aFirst, size_t aLast) const;

  // ---- fiscal receipt internals ----
  // A raised read time-out for the commands of one operation, restored however it ends.
  class SlowCommands {
   public:
    SlowCommands(kIOHandler& aIO, int32_t aTimeoutMs) : fIO(aIO) { fIO.SetTemporaryReadTimeout(aTimeoutMs); }
    ~SlowCommands() { fIO.ResetTemporaryReadTimeout(); }
    SlowCommands(const SlowCommands&) = delete;
    SlowCommands& operator=(const SlowCommands&) = delete;

   private:
    kIOHandler& fIO;
  };
  bool SendItem(StringView aCommand, StringView aDescription, StringView aDepartment, StringView aLabel,
                bool aFreeOfCharge, StringView aTaxCode, Currency aPrice, Currency aQuantity);
  // The printer's check that the referenced document may be refunded or voided ("9205").
  void CheckVoidRefund(kReceipt& aReceipt, String& aReferenceSerial);
  bool BeginInvoice(kReceipt& aReceipt);
  // The last receipt's number and date from the answer of the payment that closed it.
  void ReadClosingPayment();
  // The printer's next document number ("1070") less one.
  bool ReadLastReceiptNumber();
};

}  // namespace qx
