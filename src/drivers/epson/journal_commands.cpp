// The electronic journal: read page by page into a text, or printed, by kind and date range;
// in RT mode the Z-report journal is the day's RT data instead.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "drivers/epson/slow_command.h"
#include "support/error.h"
#include "support/text_functions.h"

namespace qx {

namespace {

constexpr int32_t kJournalReadTimeout = 3000;
constexpr int32_t kZReportKind = 0;
constexpr int32_t kNonFiscalKind = 2;
// The printer's kind digits in the order of the journal kinds; the non-fiscal journal has none.
constexpr const char16_t* kKindDigits[] = {u"5", u"1", nullptr, u"4", u"2"};
// A journal line of a memory read: answer positions 17-62, after its place in the journal at
// 3-16 (the document's date and number, the line's number).
constexpr size_t kLineFirst = 17;
constexpr size_t kLineLast = 62;
// The error code of a read stopped by the driver (not the printer's).
constexpr int32_t kJournalStopCode = -1;

// The login command carries the printer's local password: the log shows it as asterisks.
class MaskedPassword {
 public:
  MaskedPassword(kIOHandler& aIOHandler, StringView aPassword) : fIOHandler(aIOHandler) {
    fIOHandler.SetLogMask(u"E403802", aPassword);
  }
  ~MaskedPassword() { fIOHandler.ClearLogMask(); }
  MaskedPassword(const MaskedPassword&) = delete;
  MaskedPassword& operator=(const MaskedPassword&) = delete;

 private:
  kIOHandler& fIOHandler;
};

}  // namespace

bool kFiscalPrinter_EPSFPNAT::ReadElectronicJournal(int32_t aKind, qxEJReportDestination aDestination, String& aText,
                                                    TDateTime aStartDate, TDateTime aEndDate) {
  if (aKind < 0 || aKind > 4) throw Error(u"Journal kind " + IntToStr(aKind) + u" is not valid");
  aText.clear();
  if (fFiscalMode == u"RT" && aKind == kZReportKind) {
    // The Z reports of an RT printer are its day's RT data, read from its web server.
    return ReadRTDayText(aText, aStartDate, aEndDate);
  }

  {
    const MaskedPassword mask(*fIOHandler, fLocalPassword.substr(0, 40));
    // A refused login shows in the read that follows.
    ExecuteCommand(u"4038", u"02" + PadText(fLocalPassword, 40), u"Memory Read - Login");
  }
  if (aKind == kNonFiscalKind) throw Error(u"Non Fiscal Receipt Read is not supported.");
  const String selector = u"01" + String(aDestination == rd_Memory ? u"1" : u"0") + kKindDigits[aKind] +
                          DateField(aStartDate) + DateField(aEndDate);

  const SlowCommandTimeout slow(*fIOHandler, kJournalReadTimeout);
  if (aDestination != rd_Memory) return ExecuteCommand(u"3103", selector + u"0" + u"00", u"Memory Print");

  StringList lines;
  String lastAnswer;
  bool result = ExecuteCommand(u"3103", selector + u"0" + u"00", u"Memory Read - Start from first line");
  while (result && fFullResponseData.substr(0, 4) != u"3102") {
    // A printer that keeps answering lines would keep the read going for ever: it ends when the
    // printer sends the answer it sent last again (the same line at the same place: its date,
    // document and line numbers), or when the read has more lines than one answer should carry.
    if (!lines.empty() && fResponseData == lastAnswer) {
      fIOHandler->SetCustomError(kJournalStopCode, u"Journal read stopped: the printer sent line " +
                                                       IntToStr(static_cast<int64_t>(lines.size())) + u" again");
      result = false;
      break;
    }
    if (lines.size() >= fMaxJournalLines) {
      fIOHandler->SetCustomError(kJournalStopCode, u"Journal read stopped after " +
                                                       IntToStr(static_cast<int64_t>(lines.size())) +
                                                       u" lines: ask for a shorter date range");
      result = false;
      break;
    }
    lastAnswer = fResponseData;
    lines.push_back(ResponseField(kLineFirst, kLineLast));
    result = ExecuteCommand(u"3103", selector + u"1" + u"00", u"Memory Read - Next lines");
  }
  // A read cut short keeps the lines it got; the result tells the caller it is incomplete.
  aText = JoinLines(lines);
  return result;
}

bool kFiscalPrinter_EPSFPNAT::EJReportZReport(qxEJReportDestination aDestination, String& aText, TDateTime aStartDate,
                                              TDateTime aEndDate) {
  return ReadElectronicJournal(0, aDestination, aText, aStartDate, aEndDate);
}

// The receipt journals select by date range alone: the numbers are not sent.
bool kFiscalPrinter_EPSFPNAT::EJReportFiscalReceipt(qxEJReportDestination aDestination, int32_t, int32_t,
                                                    String& aText, TDateTime aStartDate, TDateTime aEndDate) {
  return ReadElectronicJournal(1, aDestination, aText, aStartDate, aEndDate);
}

bool kFiscalPrinter_EPSFPNAT::EJReportNonFiscalReceipt(qxEJReportDestination aDestination, int32_t, int32_t,
                                                       String& aText, TDateTime aStartDate, TDateTime aEndDate) {
  return ReadElectronicJournal(2, aDestination, aText, aStartDate, aEndDate);
}

bool kFiscalPrinter_EPSFPNAT::EJReportCreditNote(qxEJReportDestination aDestination, int32_t, int32_t, String& aText,
                                                 TDateTime aStartDate, TDateTime aEndDate) {
  return ReadElectronicJournal(3, aDestination, aText, aStartDate, aEndDate);
}

bool kFiscalPrinter_EPSFPNAT::EJReportInvoice(qxEJReportDestination aDestination, int32_t, int32_t, String& aText,
                                              TDateTime aStartDate, TDateTime aEndDate) {
  return ReadElectronicJournal(4, aDestination, aText, aStartDate, aEndDate);
}

}  // namespace qx
