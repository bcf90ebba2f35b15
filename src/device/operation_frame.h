// The frame that every public device operation runs in; included by the files that hold the
// operations' bodies.
#pragma once

#include "device/fiscal_printer_device.h"

namespace qx {

template <typename Result>
void kFiscalPrinterDevice::SetOutcome(Result& aResult) const {
  if (fIOHandler->ErrorFound()) {
    aResult.Error = true;
    aResult.ErrorText = fIOHandler->ErrorMessage();
  } else {
    aResult.Error = false;
    aResult.ErrorText.clear();
  }
}

template <typename Result, typename Body>
Result kFiscalPrinterDevice::RunOperation(StringView aLabel, Body&& aBody) {
  Log(let_info, String(60, u'-') + u" " + String(aLabel));
  Result result;
  result.Error = true;
  result.LogFileName = fIOHandler->GetLogFileName();
  BeginOperation();
  aBody(result);
  SetOutcome(result);
  return result;
}

}  // namespace qx
