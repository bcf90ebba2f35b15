// The caller of an external processor library: a library named by the configuration that sees
// the request text of receipts, reports, status queries and openings, may rewrite a receipt
// before it is printed, computes the report counters and may answer the status.
#pragma once

#include <cstdint>

#include "platform/companion_library.h"
#include "support/date_time.h"
#include "support/text.h"

namespace qx {

struct qxFiscalCounters;
class kFiscalPrinterDevice;

// The entry points; texts are length-prefixed UTF-16 strings of the exported allocator, results
// are 0 for success.
using qxFP_OpenProcessor = int16_t(QX_COMPANION_CALL*)(char16_t* aXmlIn, int32_t* aHandle, char16_t** aErrorMessage);
using qxFP_ProcessReceipt = int16_t(QX_COMPANION_CALL*)(char16_t* aXmlIn, char16_t** aXmlOut,
                                                        char16_t** aErrorMessage);
using qxFP_ProcessXZReport = qxFP_ProcessReceipt;
using qxFP_ProcessGetStatus = qxFP_ProcessReceipt;

class kFiscalProcessorCaller {
 public:
  explicit kFiscalProcessorCaller(StringView aName) : fName(aName), fActive(!aName.empty()) {}

  // Loads the library (once per process: a library already loaded is taken as it is) and finds
  // the entry points. Raises "Unable to load library <path>. Error code: [<n>]".
  void Init();
  // OPEN; true when the library has no OPEN.
  bool OpenProcessor(StringView aXml);
  // PROCESSRECEIPT; aOutXml takes the library's text also when the call fails, and the request
  // itself when the library succeeds without a text. True without a call (aOutXml the request)
  // when the library has no PROCESSRECEIPT.
  bool ProcessReceipt(StringView aInXml, String& aOutXml);
  // PROCESSXREPORT / PROCESSZREPORT: on success the counters are read from the answer (an
  // answer that is not XML raises the parser's error); false when the entry point is missing,
  // with "<ENTRY> function not found in <library>" as the error message.
  bool ProcessXReport(StringView aInXml, qxFiscalCounters& aCounters);
  bool ProcessZReport(StringView aInXml, qxFiscalCounters& aCounters);
  // PROCESSGETSTATUS: on success the six values are read from the answer.
  bool ProcessGetStatus(StringView aInXml, bool& aDayOpened, TDateTime& aDateTime, bool& aTrainingMode,
                        String& aFirmwareVersion, String& aSerialNumber, String& aFiscalMode);
  // Prints aText as a non-fiscal document: the first line as a bold, double-size, centred
  // title, the others plain and left-aligned.
  static bool PrintReport(StringView aText, kFiscalPrinterDevice& aPrinter);

  bool Active() const { return fActive; }
  const String& ErrorMessage() const { return fErrorMessage; }

 private:
  // One call of a text-in/text-out entry point; aKeepError copies the error text also on success.
  bool CallText(qxFP_ProcessReceipt aEntry, StringView aInXml, String& aOutXml, bool aKeepError);
  bool ProcessReport(qxFP_ProcessXZReport aEntry, const char16_t* aEntryName, StringView aInXml,
                     qxFiscalCounters& aCounters);

  String fName;
  String fErrorMessage;
  bool fActive = false;
  platform::LibraryHandle fDLLHandle = nullptr;
  qxFP_ProcessReceipt fProcessReceipt = nullptr;
  qxFP_OpenProcessor fOpenProcessor = nullptr;
  qxFP_ProcessXZReport fProcessXReport = nullptr;
  qxFP_ProcessXZReport fProcessZReport = nullptr;
  qxFP_ProcessGetStatus fProcessGetStatus = nullptr;
  int32_t fProcessorHandle = 0;
};

}  // namespace qx
