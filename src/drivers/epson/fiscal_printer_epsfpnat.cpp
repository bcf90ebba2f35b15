#include "drivers/epson/fiscal_printer_epsfpnat.h"

#include <functional>

#include "support/error.h"
#include "support/text_functions.h"

namespace qx {

kFiscalPrinter_EPSFPNAT::kFiscalPrinter_EPSFPNAT(kReceiptPrinterHandler& aHandler) : kFiscalPrinterDevice(aHandler) {
  fCapabilities = {fpc_SetDate,
                   fpc_ReturnPractice,
                   fpc_NoFiscalReceipt,
                   fpc_ReadMemory,
                   fpc_ZeroAmountLine,
                   fpc_Invoice,
                   fpc_VoidReceipt,
                   fpc_NegativeAmountReceipt,
                   fpc_NegativePartialAmountReceipt,
                   fpc_SupportZeroLineAmount,
                   fpc_PrintHeaderOnNonFiscalReceipt};
  fLineLength = 40;
  fDisplayLineCount = 2;
  fDisplayLineLength = 20;
  fLocalPassword = aHandler.GetParameter(u"LocalPassword");
  if (fLocalPassword.empty()) fLocalPassword = u"36092";
  fFrameCounter = 0;
  fAckEnabled = true;
  const kConnection& connection = *aHandler.fConnection;
  fBaseURL = connection.URL();
  fHTTPUser = connection.User();
  fHTTPPassword = connection.Password();
  fHTTPAuthType = connection.AuthType();
}

std::unique_ptr<kFiscalPrinterDevice> kFiscalPrinter_EPSFPNAT::CreateDevice(kReceiptPrinterHandler& aHandler) {
  return std::make_unique<kFiscalPrinter_EPSFPNAT>(aHandler);
}

bool kFiscalPrinter_EPSFPNAT::Init() {
  // A printer that does not answer is not opened: Init stops at the first command that got no
  // answer frame (silence, or the frame refused up to the bound). An error answer is an answer:
  // a parameter the printer refuses to give keeps its default.
  const auto unanswered = [this] { return fPrinterSilent || fIOHandler->ErrorCode() == kTimeoutErrorCode; };
  const std::function<void()> steps[] = {
      [this] {
        fAckEnabled = GetS14Value(27) == u"1";
        fIOHandler->Debug(let_info, String(u"AckEnabled=") + (fAckEnabled ? u"True" : u"False"));
      },
      [this] {
        fJavaPOSEnabled = GetS14Value(29) == u"1";
        fIOHandler->Debug(let_info, String(u"JavaposEnabled=") + (fJavaPOSEnabled ? u"True" : u"False"));
      },
      [this] {
        fLineLength = GetS14Value(51) == u"0" ? 46 : 40;
        fIOHandler->Debug(let_info, u"LineLength=" + IntToStr(fLineLength));
      },
      [this] { SetS14Value(11, u"1"); },
      [this] { SetS14Value(13, u"0"); },
      [this] { SetS15Value(27, u"00"); },
      [this] { SetS14Value(58, u"0"); },
      [this] { SetS14Value(59, u"0"); },
      [this] { Reset(); },
  };
  for (const std::function<void()>& step : steps) {
    step();
    if (unanswered()) return false;
  }
  if (fRTServerActive) {
    // What the check raises does not fail Init: it is logged and the device opens. A printer
    // that stops answering during the check does.
    try {
      CheckClockAndZReport();
    } catch (const Error& e) {
      fIOHandler->Debug(let_error, e.Message());
    } catch (const std::exception& e) {
      fIOHandler->Debug(let_error, FromUtf8(e.what()));
    }
  }
  return !unanswered();
}

bool kFiscalPrinter_EPSFPNAT::NotAvailable(StringView aOperation) {
  fIOHandler->SetCustomError(-1, String(aOperation) + u" is not available yet in this version of the driver");
  return false;
}

// What the printer does not support: false without touching it, or true without printing.
bool kFiscalPrinter_EPSFPNAT::GetRemainingFiscalMemory(int32_t&) { return false; }

bool kFiscalPrinter_EPSFPNAT::ReservedOperation() { return false; }

bool kFiscalPrinter_EPSFPNAT::PrintNoFiscalMessageImage(kReceipt*, kReceiptMessageImageLine&) { return true; }

bool kFiscalPrinter_EPSFPNAT::GetReceiptText(kReceiptReference&, String&) { return true; }

bool kFiscalPrinter_EPSFPNAT::IsReady() { return true; }

bool kFiscalPrinter_EPSFPNAT::GetLastReceiptInfo(TDateTime& aDateTime, String& aReceiptNumber, String& aEJNumber,
                                                 String& aEJClosingNumber, String& aDeviceSerialNumber) {
  aDateTime = fLastReceiptDateTime;
  aReceiptNumber = IntToStr(fLastReceiptNumber);
  aEJNumber = IntToStr(fLastReceiptEJNumber);
  aEJClosingNumber = IntToStr(fLastReceiptEJClosingNumber);
  aDeviceSerialNumber = fSerialNumber;
  return true;
}

}  // namespace qx
