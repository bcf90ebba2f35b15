// X and Z reports and the day's RT data files.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "drivers/epson/rt_data.h"
#include "support/date_time.h"
#include "support/error.h"
#include "transport/io_handler_http.h"

namespace qx {

namespace {

// The reports take longer than other commands to print and answer.
constexpr int32_t kReportReadTimeout = 5000;
// The printer's web server, in the HTTP client's unit (seconds).
constexpr int32_t kRTDataConnectTimeout = 10;
constexpr int32_t kRTDataReadTimeout = 30;

}  // namespace

bool kFiscalPrinter_EPSFPNAT::XReport(kXReport*) {
  // A fiscal document left open would refuse the report: it is cancelled first.
  if (!CloseOpenDocument()) return false;
  fIOHandler->SetTemporaryReadTimeout(kReportReadTimeout);
  const bool result = NoteCommit(ExecuteCommand(u"2001", u"01", u"XReport"));
  fIOHandler->ResetTemporaryReadTimeout();
  fLastReceiptDateTime = Now();
  fLastReceiptNumber = 0;
  fLastReceiptEJNumber = 0;
  fLastReceiptEJClosingNumber = 0;
  return result;
}

// The report's success is the closing command's; the counters read afterwards are best effort.
bool kFiscalPrinter_EPSFPNAT::ZReport(kZReport*) {
  if (!CloseOpenDocument()) return false;
  fIOHandler->SetTemporaryReadTimeout(kReportReadTimeout);
  const bool result = NoteCommit(ExecuteCommand(u"3001", u"01", u"ZReport"));
  fIOHandler->ResetTemporaryReadTimeout();
  if (result) {
    // The date of the last closing, which the start-up check of RT-server mode compares with
    // today: without it a day closed here daily would still look unclosed for months there.
    // The report is printed: a date file that cannot be written is only logged.
    try {
      StoreZReportDate(Now());
    } catch (const Error& e) {
      fIOHandler->Debug(let_error, e.Message());
    }
  }
  const TDateTime today = Date();
  String text;
  if (!EJReportZReport(rd_Memory, text, today, today + EncodeTime(23, 59, 59, 999))) return result;
  if (fFiscalMode == u"MF")
    ParseZReportText(text);
  else
    fCounters.Text = text;
  return result;
}

bool kFiscalPrinter_EPSFPNAT::ReadRTDayText(String& aText, TDateTime aStartDate, TDateTime aEndDate) {
  ResetCounters();
  aText.clear();
  if (Trim(fBaseURL).empty()) return true;
  StringList lines;
  ReadRTDayTotals(lines, aStartDate, aEndDate);
  aText = JoinLines(lines);
  return true;
}

namespace {

// The reader of the printer's web server for one operation, with the HTTP transport that carries
// the server's time-outs and credentials (no connection and no log of its own).
struct RTDataReader {
  explicit RTDataReader(const kFiscalPrinter_EPSFPNAT& aDriver) : fHttp(nullptr, u"", u"") {
    fHttp.SetConnectTimeout(kRTDataConnectTimeout);
    fHttp.SetReadTimeout(kRTDataReadTimeout);
    fHttp.SetAuthType(aDriver.fHTTPAuthType);
    fHttp.SetUser(aDriver.fHTTPUser);
    fHttp.SetPassword(aDriver.fHTTPPassword);
    fData.fAddress = aDriver.fBaseURL;
    fData.fSerialNumber = aDriver.fSerialNumber;
    fData.fIOHandler = &fHttp;
    fData.fOnWriteLog = aDriver.fIOHandler->LogEvent();
  }
  kIOHandler_HTTP fHttp;
  kEpsonRTData fData;
};

}  // namespace

bool kFiscalPrinter_EPSFPNAT::ReadRTDayTotals(StringList& aLines, TDateTime aStartDate, TDateTime aEndDate) {
  ResetCounters();
  RTDataReader reader(*this);
  Currency sales, refunds, voids, gtSales, gtRefunds, gtVoids;
  int32_t documents = 0;
  try {
    reader.fData.GetRTData(aStartDate, aEndDate, aLines, sales, refunds, voids, gtSales, gtRefunds, gtVoids, documents);
  } catch (const Error& e) {
    // A data file that cannot be read as one fails the operation with its message; the
    // counters keep what was summed before it.
    fIOHandler->SetCustomError(-1, e.Message());
  }
  fCounters.DayTotalAmount = sales;
  fCounters.DayRefundsAmount = refunds;
  fCounters.DayVoidsAmount = voids;
  fCounters.GrandTotalAmount = gtSales;
  fCounters.GrandTotalRefundsAmount = gtRefunds;
  fCounters.GrandTotalVoidsAmount = gtVoids;
  fCounters.DayReceiptsNumber = documents;
  fCounters.DayRefundsNumber = 0;
  fCounters.ZReportNumber = reader.fData.fLastClosingNumber;
  fCounters.ZReportDateTime = reader.fData.fLastClosingDateTime;
  // Nothing read because the web server gave nothing: the counters are not the day's, and the
  // answer must say so rather than show zeros as totals.
  if (reader.fData.fDataFilesRead == 0 && reader.fData.fFailedRequests > 0 && !fIOHandler->ErrorFound())
    fIOHandler->SetCustomError(-1, u"The counters could not be read from the printer's web server (" +
                                       reader.fData.fFirstFailure + u")");
  return true;
}

bool kFiscalPrinter_EPSFPNAT::GetEJFiles(qxEJFilesRequestType aRequestType, StringView aOutputFolder,
                                         int32_t& aCount, TDateTime aStartDate, TDateTime aEndDate) {
  aCount = 0;
  if (aRequestType != ej_xml) return false;
  return GetRTFilesFromPrinter(aOutputFolder, aCount, aStartDate, aEndDate);
}

bool kFiscalPrinter_EPSFPNAT::GetRTFilesFromPrinter(StringView aOutputFolder, int32_t& aCount, TDateTime aStartDate,
                                                    TDateTime aEndDate) {
  RTDataReader reader(*this);
  // A selected file that could not be fetched or saved fails the request, so that a caller
  // never takes a partial copy for the whole range.
  if (reader.fData.GetRTFiles(aStartDate, aEndDate, aOutputFolder, aCount)) return true;
  fIOHandler->SetCustomError(-1, u"The RT data files could not all be saved: " + IntToStr(aCount) + u" saved");
  return false;
}

}  // namespace qx
