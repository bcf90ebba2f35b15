#include "device/processor_caller.h"

#include <map>
#include <mutex>

#include "device/fiscal_printer_device.h"
#include "documents/nf_receipt.h"
#include "documents/receipt_message_lines.h"
#include "documents/request_xml.h"
#include "documents/rpt_util.h"
#include "platform/bstr_allocator.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "support/error.h"

namespace qx {

namespace {

// The processor libraries loaded by this process, by path. They are never unloaded: a device
// released while another still calls into the library must not pull it away.
platform::LibraryHandle LoadOnce(const String& aPath, String& aErrorText, int32_t& aErrorCode) {
  static std::mutex mutex;
  static std::map<String, platform::LibraryHandle> loaded;
  std::lock_guard<std::mutex> lock(mutex);
  const auto found = loaded.find(aPath);
  if (found != loaded.end()) return found->second;
  platform::LibraryHandle handle = platform::LoadDynamicLibrary(aPath, aErrorText, aErrorCode);
  if (handle != nullptr) loaded.emplace(aPath, handle);
  return handle;
}

// A library's output text, copied and released.
String TakeText(Bstr& aText) {
  String out = aText == nullptr ? String() : String(aText, BstrLength(aText));
  BstrFree(aText);
  aText = nullptr;
  return out;
}

// The input text as a string of the exported allocator, released when the call is over.
struct InputText {
  explicit InputText(StringView aText) : fText(BstrAlloc(aText.data(), static_cast<uint32_t>(aText.size()))) {
    if (fText == nullptr && !aText.empty()) throw Error(u"Out of memory");
  }
  ~InputText() { BstrFree(fText); }
  InputText(const InputText&) = delete;
  InputText& operator=(const InputText&) = delete;
  Bstr fText;
};

template <typename Entry>
Entry Find(platform::LibraryHandle aLibrary, const char* aName) {
  return reinterpret_cast<Entry>(platform::FindSymbol(aLibrary, aName));
}

}  // namespace

void kFiscalProcessorCaller::Init() {
  if (fName.empty()) return;
  if (platform::HasInvalidPathChars(fName)) throw Error(u"Invalid characters in path");
  const String path = platform::CombinePath(platform::CurrentDirectory(), fName);
  String message;
  int32_t code = 0;
  fDLLHandle = LoadOnce(path, message, code);
  if (fDLLHandle == nullptr)
    throw Error(u"Unable to load library " + path + u". Error code: [" + IntToStr(code) + u"]");
  fOpenProcessor = Find<qxFP_OpenProcessor>(fDLLHandle, "OPEN");
  fProcessReceipt = Find<qxFP_ProcessReceipt>(fDLLHandle, "PROCESSRECEIPT");
  fProcessZReport = Find<qxFP_ProcessXZReport>(fDLLHandle, "PROCESSZREPORT");
  fProcessXReport = Find<qxFP_ProcessXZReport>(fDLLHandle, "PROCESSXREPORT");
  fProcessGetStatus = Find<qxFP_ProcessGetStatus>(fDLLHandle, "PROCESSGETSTATUS");
}

bool kFiscalProcessorCaller::OpenProcessor(StringView aXml) {
  if (fOpenProcessor == nullptr) return true;
  InputText in(aXml);
  Bstr error = nullptr;
  const int16_t result = fOpenProcessor(in.fText, &fProcessorHandle, &error);
  fErrorMessage = TakeText(error);
  return result == 0;
}

bool kFiscalProcessorCaller::CallText(qxFP_ProcessReceipt aEntry, StringView aInXml, String& aOutXml,
                                      bool aKeepError) {
  InputText in(aInXml);
  Bstr out = nullptr;
  Bstr error = nullptr;
  const int16_t result = aEntry(in.fText, &out, &error);
  aOutXml = TakeText(out);
  String errorText = TakeText(error);
  if (aKeepError || result != 0) fErrorMessage = std::move(errorText);
  return result == 0;
}

bool kFiscalProcessorCaller::ProcessReceipt(StringView aInXml, String& aOutXml) {
  if (fProcessReceipt == nullptr) return true;
  return CallText(fProcessReceipt, aInXml, aOutXml, true);
}

bool kFiscalProcessorCaller::ProcessReport(qxFP_ProcessXZReport aEntry, StringView aInXml,
                                           qxFiscalCounters& aCounters) {
  if (aEntry == nullptr) return false;
  String answer;
  if (!CallText(aEntry, aInXml, answer, false)) return false;
  const auto document = ParseRequestXml(answer);
  const pugi::xml_node root = document->document_element();
  aCounters.GrandTotalAmount = krptUtil::GetNodeValueAsCurrency(root, "GrandTotalAmount");
  aCounters.GrandTotalRefundsAmount = krptUtil::GetNodeValueAsCurrency(root, "GrandTotalRefundsAmount");
  aCounters.GrandTotalVoidsAmount = krptUtil::GetNodeValueAsCurrency(root, "GrandTotalVoidsAmount");
  aCounters.DayTotalAmount = krptUtil::GetNodeValueAsCurrency(root, "DayTotalAmount");
  aCounters.DayDiscountsAmount = krptUtil::GetNodeValueAsCurrency(root, "DayDiscountsAmount");
  aCounters.DayReturnsAmount = krptUtil::GetNodeValueAsCurrency(root, "DayReturnsAmount");
  aCounters.DayRefundsAmount = krptUtil::GetNodeValueAsCurrency(root, "DayRefundsAmount");
  aCounters.DayVoidsAmount = krptUtil::GetNodeValueAsCurrency(root, "DayVoidsAmount");
  aCounters.DayReceiptsNumber = krptUtil::GetNodeValueAsInteger(root, "DayReceiptsNumber");
  aCounters.DayRefundsNumber = krptUtil::GetNodeValueAsInteger(root, "DayRefundsNumber");
  aCounters.ZReportNumber = krptUtil::GetNodeValueAsInteger(root, "ReportNumber");
  aCounters.ZReportDateTime = krptUtil::GetNodeValueAsDateTime(root, "ReportDateTime");
  aCounters.Text = krptUtil::GetNodeValueAsString(root, "Text");
  return true;
}

bool kFiscalProcessorCaller::ProcessXReport(StringView aInXml, qxFiscalCounters& aCounters) {
  return ProcessReport(fProcessXReport, aInXml, aCounters);
}

bool kFiscalProcessorCaller::ProcessZReport(StringView aInXml, qxFiscalCounters& aCounters) {
  return ProcessReport(fProcessZReport, aInXml, aCounters);
}

bool kFiscalProcessorCaller::ProcessGetStatus(StringView aInXml, bool& aDayOpened, TDateTime& aDateTime,
                                              bool& aTrainingMode, String& aFirmwareVersion, String& aSerialNumber,
                                              String& aFiscalMode) {
  if (fProcessGetStatus == nullptr) return false;
  String answer;
  if (!CallText(fProcessGetStatus, aInXml, answer, false)) return false;
  const auto document = ParseRequestXml(answer);
  const pugi::xml_node root = document->document_element();
  aDayOpened = krptUtil::GetNodeValueAsBoolean(root, "DayOpened", false);
  aDateTime = krptUtil::GetNodeValueAsDateTime(root, "DateTime");
  aTrainingMode = krptUtil::GetNodeValueAsBoolean(root, "TrainingMode", false);
  aFirmwareVersion = krptUtil::GetNodeValueAsString(root, "FirmwareVersion");
  aSerialNumber = krptUtil::GetNodeValueAsString(root, "SerialNumber");
  aFiscalMode = krptUtil::GetNodeValueAsString(root, "FiscalMode");
  return true;
}

bool kFiscalProcessorCaller::PrintReport(StringView aText, kFiscalPrinterDevice& aPrinter) {
  kNFReceipt document;
  document.fLayout = u"DocumentLayout";
  aPrinter.BeginNoFiscalReceipt(document);
  const StringList lines = SplitLines(aText);
  for (size_t i = 0; i < lines.size(); ++i) {
    kReceiptMessageTextLine line;
    line.fValue = lines[i];
    if (i == 0) {
      line.fEffects.Include(le_bold);
      line.fSize = 2;
      line.fAlignment = la_center;
    } else {
      line.fSize = 1;
      line.fAlignment = la_left;
    }
    aPrinter.PrintNoFiscalMessageTextLine(nullptr, line);
  }
  aPrinter.EndNoFiscalReceipt(document);
  return true;
}

}  // namespace qx
