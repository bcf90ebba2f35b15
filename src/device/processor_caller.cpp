#include "device/processor_caller.h"

#include "device/fiscal_printer_device.h"
#include "documents/nf_receipt.h"
#include "documents/receipt_message_lines.h"
#include "documents/request_xml.h"
#include "documents/rpt_util.h"
#include "platform/companion_library.h"
#include "support/error.h"

namespace qx {

using platform::CompanionInput;
using platform::FindEntry;
using platform::TakeCompanionText;

namespace {

constexpr size_t kMaxAnswer = 16 * 1024 * 1024;
constexpr size_t kMaxErrorMessage = 4096;

}  // namespace

void kFiscalProcessorCaller::Init() {
  if (fName.empty()) return;
  fDLLHandle = platform::LoadCompanionLibrary(fName);
  fOpenProcessor = FindEntry<qxFP_OpenProcessor>(fDLLHandle, "OPEN");
  fProcessReceipt = FindEntry<qxFP_ProcessReceipt>(fDLLHandle, "PROCESSRECEIPT");
  fProcessZReport = FindEntry<qxFP_ProcessXZReport>(fDLLHandle, "PROCESSZREPORT");
  fProcessXReport = FindEntry<qxFP_ProcessXZReport>(fDLLHandle, "PROCESSXREPORT");
  fProcessGetStatus = FindEntry<qxFP_ProcessGetStatus>(fDLLHandle, "PROCESSGETSTATUS");
}

bool kFiscalProcessorCaller::OpenProcessor(StringView aXml) {
  if (fOpenProcessor == nullptr) return true;
  CompanionInput in(aXml);
  Bstr error = nullptr;
  const int16_t result = fOpenProcessor(in.Get(), &fProcessorHandle, &error);
  fErrorMessage = TakeCompanionText(error);
  return result == 0;
}

bool kFiscalProcessorCaller::CallText(qxFP_ProcessReceipt aEntry, StringView aInXml, String& aOutXml,
                                      bool aKeepError) {
  CompanionInput in(aInXml);
  Bstr out = nullptr;
  Bstr error = nullptr;
  const int16_t result = aEntry(in.Get(), &out, &error);
  aOutXml = TakeCompanionText(out);
  String errorText = TakeCompanionText(error);
  // The texts go on into the request reader and the answer: no larger than a request may be,
  // and an error message of a sensible length.
  if (errorText.size() > kMaxErrorMessage) errorText.resize(kMaxErrorMessage);
  if (aKeepError || result != 0) fErrorMessage = std::move(errorText);
  if (aOutXml.size() > kMaxAnswer) {
    aOutXml.clear();
    throw Error(u"The processor answer is too long");
  }
  return result == 0;
}

bool kFiscalProcessorCaller::ProcessReceipt(StringView aInXml, String& aOutXml) {
  // Without the entry point, and when the library hands back no text, the request goes on as
  // it was: an empty request could not be printed.
  if (fProcessReceipt == nullptr) {
    aOutXml = String(aInXml);
    return true;
  }
  const bool result = CallText(fProcessReceipt, aInXml, aOutXml, true);
  if (result && aOutXml.empty()) aOutXml = String(aInXml);
  return result;
}

bool kFiscalProcessorCaller::ProcessReport(qxFP_ProcessXZReport aEntry, const char16_t* aEntryName,
                                           StringView aInXml, qxFiscalCounters& aCounters) {
  // A report the library cannot make says so, instead of answering no reason or an old one.
  if (aEntry == nullptr) {
    fErrorMessage = String(aEntryName) + u" function not found in " + fName;
    return false;
  }
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
  return ProcessReport(fProcessXReport, u"PROCESSXREPORT", aInXml, aCounters);
}

bool kFiscalProcessorCaller::ProcessZReport(StringView aInXml, qxFiscalCounters& aCounters) {
  return ProcessReport(fProcessZReport, u"PROCESSZREPORT", aInXml, aCounters);
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
