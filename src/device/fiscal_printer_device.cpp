#include "device/fiscal_printer_device.h"
#include "device/operation_frame.h"

#include <algorithm>
#include <cstdio>

#include "platform/app_paths.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/process.h"
#include "rtserver/rt_server_epson.h"
#include "support/application.h"
#include "support/error.h"

namespace qx {

namespace {

String DeviceLogDirectory() { return platform::CombinePath(platform::LogFilesDirectory(), u"FiscalPrinter"); }

}  // namespace

kFiscalPrinterDevice::kFiscalPrinterDevice(kReceiptPrinterHandler& aHandler)
    : fVatTable(std::make_unique<kVatTable>()),
      fDeptTable(std::make_unique<kDeptTable>()),
      fEATable(std::make_unique<kEconomicActivityTable>()) {
  fIOHandler = aHandler.CreateIOHandler(DeviceLogDirectory());
  fRTServerActive = aHandler.ParameterIsTrue(u"RTServer");
  // A processor library that cannot be loaded keeps the device from being created.
  fProcessor = std::make_unique<kFiscalProcessorCaller>(aHandler.GetParameter(u"Processor"));
  if (fProcessor->Active()) fProcessor->Init();
  // An RT-server library that cannot be loaded keeps the device from being created too.
  if (fRTServerActive) CreateRTServer(aHandler);
  AddPrintSection(fpps_Lines);
  AddPrintSection(fpps_Payments);
  AddPrintSection(fpps_TrailerMessages);
  fIOHandler->SetVersion(GetDriverVersion());
}

kFiscalPrinterDevice::~kFiscalPrinterDevice() = default;

String kFiscalPrinterDevice::GetDriverVersion() { return DriverVersionText(); }

void kFiscalPrinterDevice::Log(tQX_MessageType aEntryType, StringView aMessage) const {
  fIOHandler->Debug(aEntryType, aMessage);
}

bool kFiscalPrinterDevice::ReadinessStep() { return IsReady() || Reset(); }

bool kFiscalPrinterDevice::ConnectTransport() {
  if (fIOHandler->Connect()) return true;
  // A transport that could not connect but says so only in its log (TCP) still fails the
  // operation: a printer it cannot reach must not be reported as reached.
  if (!fIOHandler->ErrorFound()) fIOHandler->SetCustomError(-1, u"Connect Error");
  return false;
}

_int_OPEN_result kFiscalPrinterDevice::Pub_Open(kReceiptPrinterHandler& aHandler) {
  return RunOperation<_int_OPEN_result>(u"Open", [&](_int_OPEN_result&) {
    ConnectTransport();
    // OPEN reads the printer's settings itself.
    fLinkToReopen = false;
    fSettingsToRead = false;
    // A failed till login does not fail the operation: the next receipt or report tries again.
    if (fRTServerActive) OpenRTServerTill(aHandler);
    // A failing OPEN of the processor keeps its message and does not fail the operation.
    if (fProcessor->Active()) {
      Log(let_info, u"Processor:Open");
      fProcessor->OpenProcessor(fXmlString);
    }
  });
}

_int_CLOSE_result kFiscalPrinterDevice::Pub_Close(kReceiptPrinterHandler&) {
  return RunOperation<_int_CLOSE_result>(u"Close", [this](_int_CLOSE_result&) { fIOHandler->Disconnect(); });
}

void kFiscalPrinterDevice::ReopenDroppedLink() {
  kIOHandler& io = *fIOHandler;
  const String name = io.LinkName();
  if (fLinkToReopen || io.LinkDropped()) {
    if (!fLinkToReopen) Log(let_error, u"Connection to " + name + u" lost");
    String failure;
    fLinkToReopen = !io.ReopenLink(failure);
    if (fLinkToReopen) {
      Log(let_error, u"Reconnect to " + name + u" failed: " + failure);
      throw Error(u"Connection to " + name + u" lost; reconnecting failed: " + failure);
    }
    Log(let_info, u"Reconnected to " + name);
    fSettingsToRead = true;
  }
  if (!fSettingsToRead) return;
  // The printer may have been restarted or replaced: its settings are read (and set) again.
  String failure;
  try {
    Init();
    if (io.ErrorFound()) failure = io.ErrorMessage();
  } catch (const Error& e) {
    failure = e.Message();
  } catch (const std::exception& e) {
    failure = FromUtf8(e.what());
  }
  if (!failure.empty()) {
    Log(let_error, u"Printer settings not read after reconnecting to " + name + u": " + failure);
    throw Error(u"Reconnected to " + name + u", but the printer settings could not be read: " + failure);
  }
  fSettingsToRead = false;
}

void kFiscalPrinterDevice::ResetCounters() {
  fCounters.GrandTotalAmount = Currency();
  fCounters.GrandTotalRefundsAmount = Currency();
  fCounters.DayTotalAmount = Currency();
  fCounters.DayDiscountsAmount = Currency();
  fCounters.DayReturnsAmount = Currency();
  fCounters.DayRefundsAmount = Currency();
  fCounters.DayReceiptsNumber = 0;
  fCounters.DayRefundsNumber = 0;
  fCounters.ZReportNumber = 0;
}

void kFiscalPrinterDevice::AddPrintSection(qxFiscalPrinterPrintSection aSection) {
  if (std::find(fPrintSequence.begin(), fPrintSequence.end(), aSection) == fPrintSequence.end())
    fPrintSequence.push_back(aSection);
}

void kFiscalPrinterDevice::ClearPrintSequence() { fPrintSequence.clear(); }

String kFiscalPrinterDevice::PrinterFileName(StringView aSuffix) const {
  const String dir = platform::CombinePath(platform::CurrentDirectory(), u"LogFiles/FiscalPrinter");
  return platform::CombinePath(dir, fSerialNumber + String(aSuffix));
}

String kFiscalPrinterDevice::ZReportDateFileName() const { return PrinterFileName(u"_ZrepDate.stv"); }

bool kFiscalPrinterDevice::StoreZReportDate(TDateTime aDate) {
  const DateTimeParts p = DecodeDateTime(aDate);
  char line[32];
  std::snprintf(line, sizeof line, "%04d-%02d-%02d\r\n", p.Year, p.Month, p.Day);
  const String fileName = ZReportDateFileName();
  // Written beside and renamed over, so that a failed write never leaves half a date behind.
  const String temporary = fileName + u".tmp";
  platform::DeleteFile(temporary);
  if (!platform::AppendToFile(temporary, line) || !platform::RenameFile(temporary, fileName)) {
    platform::DeleteFile(temporary);
    throw Error(u"Cannot write the Z report date file " + fileName);
  }
  return true;
}

TDateTime kFiscalPrinterDevice::LoadZReportDate() {
  const String fileName = ZReportDateFileName();
  if (!platform::FileExists(fileName)) return 0;
  std::string bytes;
  if (!platform::ReadSmallFile(fileName, bytes, 4096)) throw Error(u"Cannot read the Z report date file " + fileName);
  String text = FromLatin1(bytes);
  text = ReplaceAll(ReplaceAll(text, u"\r", u""), u"\n", u"");
  DateTimeParts p;
  const bool ok = text.size() >= 10 && TryStrToInt(text.substr(0, 4), p.Year) &&
                  TryStrToInt(text.substr(5, 2), p.Month) && TryStrToInt(text.substr(8, 2), p.Day);
  TDateTime value = 0;
  if (!ok || !TryEncodeDateTime(p, value)) throw Error(u"DateTime Format invalid: [" + text + u"]");
  return value;
}

String kFiscalPrinterDevice::FormatDisplayText(const kReceiptMessageLines& aLines) const {
  const size_t width = fDisplayLineLength > 0 ? static_cast<size_t>(fDisplayLineLength) : 0;
  String result;
  for (const kReceiptMessageLine& line : aLines) {
    const auto* text = dynamic_cast<const kReceiptMessageTextLine*>(&line);
    if (text == nullptr) continue;
    String value = text->Value().substr(0, width);
    switch (text->fAlignment) {
      case la_right: value = PadLeft(value, width); break;
      case la_center: value = PadRight(String((width - value.size()) / 2, u' ') + value, width); break;
      case la_left: value = PadRight(value, width); break;
      case la_none: break;
    }
    result += value;
  }
  return result;
}

kVat* kFiscalPrinterDevice::FindVat(StringView aCode) const { return fVatTable->Get(aCode); }

int32_t kFiscalPrinterDevice::GetVatIndex(StringView aCode) const {
  const kVat* vat = fVatTable->Get(aCode);
  return vat ? vat->fIndex : -1;
}

int32_t kFiscalPrinterDevice::GetEAIndex(StringView aCode) const {
  if (Trim(aCode).empty()) return 0;
  const kEconomicActivity* ea = fEATable->Get(aCode);
  return ea ? ea->fIndex : -1;
}

String kFiscalPrinterDevice::PadText(StringView aText, int32_t aWidth) {
  if (aWidth <= 0) return String();
  return PadRight(aText, static_cast<size_t>(aWidth)).substr(0, static_cast<size_t>(aWidth));
}

}  // namespace qx
