// The printer's RT data files on its built-in web server: daily summaries (…CORRISP.xml) and
// printed daily closings (…ZREPORT.txt), one folder per day plus the demo, da-inviare and
// rifiutati folders. Created for one driver operation and released afterwards.
#pragma once

#include <cstdint>

#include "support/currency.h"
#include "support/date_time.h"
#include "support/text.h"
#include "transport/io_handler.h"

namespace qx {

class kIOHandler_HTTP;

class kEpsonRTData {
 public:
  // Width of a report line.
  static constexpr size_t kReportLineWidth = 50;

  kEpsonRTData() = default;

  // The fiscal day's totals for the Z-report counters, from the printed closings of the range
  // when there are any, otherwise from the daily summaries; report lines go to aLines. Always
  // true: what could not be fetched is not summed. A file that is no summary or whose amounts
  // are no numbers raises its error.
  // What the last GetRTData found beside the totals: the requests that failed (a folder or
  // file the web server did not give), the data files read, and the number and time of the
  // last daily summary read ("Progressivo", "DataOraRilevazione").
  int32_t fFailedRequests = 0;
  String fFirstFailure;
  int32_t fDataFilesRead = 0;
  int32_t fLastClosingNumber = 0;
  TDateTime fLastClosingDateTime = 0;

  bool GetRTData(TDateTime aStartDateTime, TDateTime aEndDateTime, StringList& aLines, Currency& aSalesAmount,
                 Currency& aRefundsAmount, Currency& aVoidsAmount, Currency& aGTSalesAmount,
                 Currency& aGTRefundsAmount, Currency& aGTVoidsAmount, int32_t& aReceiptsCount);
  // Saves the data files of the range into aOutputPath (created when missing). True when every
  // file selected was downloaded and saved. A file whose name would leave the folder is skipped
  // with a log line.
  bool GetRTFiles(TDateTime aStartDateTime, TDateTime aEndDateTime, StringView aOutputPath, int32_t& aCount);
  // One line of at most 50 characters: the label, aCentred in the middle, aValue at the right.
  static void AddReportLine(StringList& aLines, StringView aLabel, StringView aCentred, StringView aValue);

  String fContent;
  String fAddress;
  String fSerialNumber;
  StringList fFileList;
  kIOHandler_HTTP* fIOHandler = nullptr;
  qxWriteLogEvent fOnWriteLog;

 private:
  bool Get(StringView aURL);
  bool ListFolder(StringView aURL, bool aAllFiles);
  // The folder listings of the demo, da-inviare and rifiutati folders and of each day.
  void ListFolders(TDateTime aStartDateTime, TDateTime aEndDateTime, bool aAllFiles);
  bool ReadDailySummary(StringView aURL, StringList& aLines, Currency& aSales, Currency& aRefunds, Currency& aVoids);
  bool ReadPrintedClosing(StringView aURL, StringList& aLines, int32_t& aCount, Currency& aGTVoids,
                          Currency& aGTRefunds, Currency& aGTSales, Currency& aSales, Currency& aVoids,
                          Currency& aRefunds);
  String RangeKey(TDateTime aDateTime) const;
  void Log(tQX_MessageType aEntryType, StringView aTitle, StringView aMessage) const;

  // The link targets of fFileList, as the listings gave them.
  StringList fLinkTargets;
};

}  // namespace qx
