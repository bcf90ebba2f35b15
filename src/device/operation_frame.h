// The frame that every public device operation runs in; included by the files that hold the
// operations' bodies.
#pragma once

#include "device/fiscal_printer_device.h"

namespace qx {

// "the X report" as a sentence begins it.
inline String Capitalized(StringView aText) {
  String text(aText);
  if (!text.empty() && text[0] >= u'a' && text[0] <= u'z') text[0] = static_cast<char16_t>(text[0] - u'a' + u'A');
  return text;
}

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

template <typename Result>
void kFiscalPrinterDevice::AnswerDocumentOutcome(Result& aResult, qxRegistration aRegistration,
                                                 StringView aDocument) const {
  switch (aRegistration) {
    case reg_Registered:
      // Printed: what failed afterwards is said, but the answer is no failure, or the program
      // would print the document a second time.
      if (!aResult.Error) break;
      aResult.Error = false;
      aResult.ErrorText = fCommit == cms_Unanswered
                              ? u"The printer's answer was lost, but the printer finished " + String(aDocument) +
                                    u" (" + aResult.ErrorText + u")"
                              : Capitalized(aDocument) + u" was printed, but a later step failed: " + aResult.ErrorText;
      break;
    case reg_NotRegistered: break;
    case reg_Unknown:
      aResult.Error = true;
      aResult.ErrorText = u"The printer did not confirm " + String(aDocument) +
                          u": it may have been printed. Check the printer before printing it again.";
      break;
  }
  Log(aResult.Error ? let_error : let_info, u"Outcome: " + String(aDocument) +
                                              (aRegistration == reg_Registered     ? u" printed"
                                               : aRegistration == reg_Unknown      ? u" in doubt"
                                                                                   : u" not printed"));
}

template <typename Result, typename Body>
Result kFiscalPrinterDevice::RunOperation(StringView aLabel, Body&& aBody) {
  Log(let_info, String(60, u'-') + u" " + String(aLabel));
  Result result;
  result.Error = true;
  result.LogFileName = fIOHandler->GetLogFileName();
  BeginOperation();
  fCommit = cms_NotSent;
  // Whatever call comes next on the printer, a receipt left in doubt is settled first.
  if (fIOHandler->GetConnected()) SettleReceiptInDoubt();
  aBody(result);
  SetOutcome(result);
  return result;
}

}  // namespace qx
