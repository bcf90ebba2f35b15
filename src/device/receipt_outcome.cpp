// What the printer did with a receipt whose closing command got no answer: the record kept
// before it was sent, the question put to the printer afterwards, and the retry that finds it.
#include "device/fiscal_printer_device.h"
#include "platform/process.h"
#include "support/text_functions.h"

namespace qx {

namespace {

String Numbers(const qxDocumentNumbers& aNumbers) {
  return u"next document " + IntToStr(aNumbers.Next) + u", closing " + IntToStr(aNumbers.Closing);
}

}  // namespace

String kFiscalPrinterDevice::ReceiptInDoubtFileName() const {
  return fSerialNumber.empty() ? String() : PrinterFileName(u"_InDoubt.xml");
}

void kFiscalPrinterDevice::StoreReceiptInDoubt() {
  const String fileName = ReceiptInDoubtFileName();
  String reason;
  if (fileName.empty())
    Log(let_info, u"The serial number is not known yet: the receipt's record is kept in memory only");
  else if (!kReceiptInDoubtFile(fileName).Store(*fReceiptInDoubt, reason))
    Log(let_error, reason);
}

qxRegistration kFiscalPrinterDevice::ProbeRegistration(const qxDocumentNumbers& aBefore) {
  Log(let_info, u"Asking the printer whether it registered the receipt (" + Numbers(aBefore) + u" before it)");
  bool open = false;
  if (!ReadDocumentOpen(open)) {
    Log(let_error, u"The printer did not say whether a document is open: the receipt stays in doubt");
    return reg_Unknown;
  }
  if (open) {
    Log(let_info, u"A document is still open: the receipt was not registered");
    return reg_NotRegistered;
  }
  qxDocumentNumbers after;
  if (!ReadDocumentNumbers(after)) {
    Log(let_error, u"The printer's numbers could not be read: the receipt stays in doubt");
    return reg_Unknown;
  }
  if (after.Closing != aBefore.Closing) {
    // The day was closed since: its numbering started again and no longer tells.
    Log(let_error, u"The printer's day was closed since the receipt (" + Numbers(after) +
                       u"): whether it was registered cannot be read from the numbers; see the journal");
    return reg_Unknown;
  }
  if (after.Next > aBefore.Next) {
    Log(let_info, u"The printer registered the receipt as number " + IntToStr(aBefore.Next));
    return reg_Registered;
  }
  Log(let_info, u"The printer's numbers did not move: the receipt was not registered");
  return reg_NotRegistered;
}

qxRegistration kFiscalPrinterDevice::DocumentOutcome() {
  switch (fCommit) {
    case cms_Confirmed: return reg_Registered;
    case cms_NotSent: return reg_NotRegistered;
    case cms_Unanswered: break;
  }
  Log(let_info, u"Asking the printer whether it finished the document");
  bool open = false;
  if (!ReadDocumentOpen(open)) {
    Log(let_error, u"The printer did not say whether a document is open");
    return reg_Unknown;
  }
  Log(let_info, open ? u"The document is still open: it was not finished" : u"The printer finished the document");
  return open ? reg_NotRegistered : reg_Registered;
}

bool kFiscalPrinterDevice::RecordReceiptInDoubt(const String& aReceiptText, qxDocumentNumbers& aBefore) {
  if (!ReadDocumentNumbers(aBefore)) return !fIOHandler->ErrorFound();
  kReceiptInDoubt record;
  record.Receipt = aReceiptText;
  record.Before = aBefore;
  record.SentAt = Now();
  record.Writer = platform::CurrentProcessId();
  fReceiptInDoubt = record;
  StoreReceiptInDoubt();
  return true;
}

void kFiscalPrinterDevice::ForgetReceiptInDoubt() {
  if (!fReceiptInDoubt) return;
  fReceiptInDoubt.reset();
  const String fileName = ReceiptInDoubtFileName();
  if (!fileName.empty()) kReceiptInDoubtFile(fileName).Remove();
}

void kFiscalPrinterDevice::KeepRegisteredReceipt(int32_t aNumber, int32_t aClosing, TDateTime aWhen) {
  if (!fReceiptInDoubt) return;
  fReceiptInDoubt->State = ids_Registered;
  fReceiptInDoubt->Number = aNumber;
  fReceiptInDoubt->ClosingNumber = aClosing;
  fReceiptInDoubt->RegisteredAt = aWhen;
  StoreReceiptInDoubt();
}

void kFiscalPrinterDevice::SettleReceiptInDoubt() {
  if (!fReceiptInDoubt) {
    // A record an earlier process left for this printer, looked for once the serial number is
    // known.
    const String fileName = ReceiptInDoubtFileName();
    if (fileName.empty() || fInDoubtFileChecked) return;
    fInDoubtFileChecked = true;
    String reason;
    std::optional<kReceiptInDoubt> found = kReceiptInDoubtFile(fileName).Load(reason);
    if (!reason.empty()) {
      Log(let_error, reason);
      kReceiptInDoubtFile(fileName).Remove();
    }
    if (!found) return;
    if (found->Writer != platform::CurrentProcessId() && platform::ProcessIsRunning(found->Writer)) {
      Log(let_info, u"The receipt record in " + fileName + u" belongs to process " + IntToStr(found->Writer) +
                        u", which is still running: it is left to it");
      return;
    }
    fReceiptInDoubt = std::move(found);
    Log(let_info, u"A receipt in doubt from an earlier session was found in " + fileName);
  }
  if (fReceiptInDoubt->State != ids_Pending) return;
  Log(let_info, u"Settling the receipt in doubt sent at " + DateTimeToText(false, fReceiptInDoubt->SentAt));
  switch (ProbeRegistration(fReceiptInDoubt->Before)) {
    case reg_Registered:
      KeepRegisteredReceipt(fReceiptInDoubt->Before.Next, fReceiptInDoubt->Before.Closing, fReceiptInDoubt->SentAt);
      break;
    case reg_NotRegistered: ForgetReceiptInDoubt(); break;
    case reg_Unknown: break;
  }
  // What the question cost is logged; the operation that asked starts clean.
  fIOHandler->ResetCustomError();
}

bool kFiscalPrinterDevice::AnswerRetry(const String& aReceiptText, _int_PRINTFR_result& aResult) {
  if (!fReceiptInDoubt) return false;
  const kReceiptInDoubt record = *fReceiptInDoubt;
  if (record.Receipt != aReceiptText) {
    // Another receipt: the one in doubt is no longer retried, whatever became of it.
    if (record.State == ids_Pending)
      Log(let_error, u"A different receipt follows the receipt in doubt, which was not settled");
    ForgetReceiptInDoubt();
    return false;
  }
  if (record.State == ids_Pending) {
    fIOHandler->SetCustomError(-1, u"The printer has not yet said whether it registered this receipt, sent at " +
                                       DateTimeToText(false, record.SentAt) +
                                       u": it is not printed again until the printer answers. Check the printer "
                                       u"and send it again.");
    Log(let_error, fIOHandler->ErrorMessage());
    return true;
  }
  ForgetReceiptInDoubt();
  aResult.ReceiptDateTime = record.RegisteredAt;
  aResult.ReceiptNumber = IntToStr(record.Number);
  aResult.EJNumber = u"0";
  aResult.EJClosingNumber = IntToStr(record.ClosingNumber);
  aResult.DeviceSerialNumber = fSerialNumber;
  aResult.MessageText = u"The printer had already registered this receipt as number " + IntToStr(record.Number) +
                        u" (closing " + IntToStr(record.ClosingNumber) + u"): it was not printed again.";
  Log(let_info, aResult.MessageText);
  return true;
}

}  // namespace qx
