#include "transport/io_handler_opos.h"

#include <limits>

#include "support/error.h"

namespace qx {

namespace {

String ResultName(int32_t aCode) {
  static const char16_t* const kNames[] = {
      u" OPOS_E_CLOSED",   u" OPOS_E_CLAIMED", u" OPOS_E_NOTCLAIMED", u" OPOS_E_NOSERVICE", u" OPOS_E_DISABLED",
      u" OPOS_E_ILLEGAL",  u" OPOS_E_NOHARDWARE", u" OPOS_E_OFFLINE", u" OPOS_E_NOEXIST",   u" OPOS_E_EXISTS",
      u" OPOS_E_FAILURE",  u" OPOS_E_TIMEOUT", u" OPOS_E_BUSY",       u" OPOS_E_EXTENDED",  u" OPOS_E_DEPRECATED"};
  if (aCode >= 101 && aCode <= 115) return kNames[aCode - 101];
  return u" UNKNOWN";
}

String ExtendedName(int32_t aCode) {
  static const char16_t* const kNames[] = {u" OPOS_EFPTR_COVER_OPEN",
                                           u" OPOS_EFPTR_JRN_EMPTY",
                                           u" OPOS_EFPTR_REC_EMPTY",
                                           u" OPOS_EFPTR_SLP_EMPTY",
                                           u" OPOS_EFPTR_SLP_FORM",
                                           u" OPOS_EFPTR_MISSING_DEVICES",
                                           u" OPOS_EFPTR_WRONG_STATE",
                                           u" OPOS_EFPTR_TECHNICAL_ASSISTANCE",
                                           u" OPOS_EFPTR_CLOCK_ERROR",
                                           u" OPOS_EFPTR_FISCAL_MEMORY_FULL",
                                           u" OPOS_EFPTR_FISCAL_MEMORY_DISCONNECTED",
                                           u" OPOS_EFPTR_FISCAL_TOTALS_ERROR",
                                           u" OPOS_EFPTR_BAD_ITEM_QUANTITY",
                                           u" OPOS_EFPTR_BAD_ITEM_AMOUNT",
                                           u" OPOS_EFPTR_BAD_ITEM_DESCRIPTION",
                                           u" OPOS_EFPTR_RECEIPT_TOTAL_OVERFLOW",
                                           u" OPOS_EFPTR_BAD_VAT",
                                           u" OPOS_EFPTR_BAD_PRICE",
                                           u" OPOS_EFPTR_BAD_DATE",
                                           u" OPOS_EFPTR_NEGATIVE_TOTAL",
                                           u" OPOS_EFPTR_WORD_NOT_ALLOWED",
                                           u" OPOS_EFPTR_BAD_LENGTH",
                                           u" OPOS_EFPTR_MISSING_SET_CURRENCY",
                                           u" OPOS_EFPTR_DAY_END_REQUIRED"};
  if (aCode >= 201 && aCode <= 224) return kNames[aCode - 201];
  return u" UNKNOWN";
}

String BoolText(bool aValue) { return aValue ? u"True" : u"False"; }

// Quantities travel as whole thousandths, truncated toward zero.
int32_t Thousandths(Currency aQuantity) {
  const int64_t value = aQuantity.Raw() / 10;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    throw Error(u"Quantity " + aQuantity.ToText() + u" is out of range");
  return static_cast<int32_t>(value);
}

String TwoDigits(int aValue) { return PadLeft(IntToStr(aValue), 2, u'0'); }

// A piece of the OPOS date text read as a number, as a text shorter than expected reads.
int DatePart(const String& aText, size_t aStart, size_t aLength) {
  return StrToInt(aStart < aText.size() ? aText.substr(aStart, aLength) : String());
}

}  // namespace

String AmountToText(Currency aAmount) { return aAmount.ToText(); }

String QuotedText(StringView aText) { return u"'" + ReplaceAll(aText, u"'", u"''") + u"'"; }

kIOHandler_OPOS::kIOHandler_OPOS(const kConnection& aConnection, StringView aDirectory, StringView aFileName)
    : kIOHandler(&aConnection, aDirectory, aFileName),
      fOPOS(std::make_unique<OposControl>()),
      fDeviceName(aConnection.DeviceName()) {}

kIOHandler_OPOS::~kIOHandler_OPOS() {
  try {
    if (fConnected) Disconnect();
  } catch (...) {
    // The control is released below whatever the device answered.
  }
  fOPOS.reset();
}

bool kIOHandler_OPOS::Connect() {
  kIOHandler::Connect();
  Debug(let_info, u"DeviceName=" + fDeviceName);
  try {
    if (GetConnected()) Disconnect();
    Debug(let_info, u"[Connect]->Open(" + fDeviceName + u")");
    bool result = CheckResult(fOPOS->Open(fDeviceName));
    if (result) {
      Debug(let_info, u"[Connect]->ClaimDevice(" + IntToStr(fConnectTimeout) + u")");
      result = CheckResult(fOPOS->ClaimDevice(fConnectTimeout));
    }
    if (result) {
      Debug(let_info, u"[Connect]->DeviceEnabled:=true");
      fOPOS->SetDeviceEnabled(true);
      result = fOPOS->DeviceEnabled();
    }
    // Set whatever the result, so that Disconnect releases what was opened.
    fConnected = true;
    return result;
  } catch (const std::exception& e) {
    Debug(let_error, u"[Connect]:" + FromUtf8(e.what()));
  }
  return false;
}

bool kIOHandler_OPOS::Disconnect() {
  bool result = false;
  try {
    Debug(let_info, u"[Disconnect]->DeviceEnabled:=false");
    fOPOS->SetDeviceEnabled(false);
    if (!fOPOS->DeviceEnabled()) {
      Debug(let_info, u"[Disconnect]->ReleaseDevice");
      result = CheckResult(fOPOS->ReleaseDevice());
    }
    if (result) {
      Debug(let_info, u"[Disconnect]->Close");
      result = CheckResult(fOPOS->Close());
    }
  } catch (const std::exception& e) {
    Debug(let_error, u"[Disconnect]:" + FromUtf8(e.what()));
    result = false;
  }
  fConnected = false;
  return result;
}

bool kIOHandler_OPOS::Write(StringView) { throw Error(u"Write Unsupported"); }
String kIOHandler_OPOS::ReadUpTo(const ByteList&) { throw Error(u"ReadUpto Unsupported"); }
String kIOHandler_OPOS::ReadChars(int32_t) { throw Error(u"ReadChars Unsupported"); }
String kIOHandler_OPOS::ReadAll() { throw Error(u"ReadAll Unsupported"); }
bool kIOHandler_OPOS::InputBufferContainsData() { throw Error(u"InputBufferContainsData Unsupported"); }

bool kIOHandler_OPOS::CheckResult(int32_t aResultCode) {
  ResetCustomError();
  fErrorCode = aResultCode;
  if (aResultCode == OposControl::OPOS_SUCCESS) return true;
  const int32_t extended = aResultCode == 114 ? fOPOS->ResultCodeExtended() : 0;
  const String text = ResultText(aResultCode, extended);
  Debug(let_error, text);
  SetCustomError(aResultCode, text);
  return false;
}

String kIOHandler_OPOS::ResultText(int32_t aResultCode, int32_t aExtendedCode) {
  String text = u"[" + IntToStr(aResultCode) + u"]" + ResultName(aResultCode);
  if (aExtendedCode != 0) text += u" [" + IntToStr(aExtendedCode) + u"]" + ExtendedName(aExtendedCode);
  return text + u" - " + fOPOS->ErrorString();
}

bool kIOHandler_OPOS::HasControl() {
  if (fOPOS->Available()) return true;
  CheckResult(OposControl::OPOS_E_NOSERVICE);
  return false;
}

bool kIOHandler_OPOS::LogBoolean(StringView aHead, bool aValue) {
  Debug(let_info, String(aHead) + BoolText(aValue));
  return true;
}

// ---- fiscal receipt ----

bool kIOHandler_OPOS::BeginFiscalReceipt() {
  Debug(let_info, u"[BeginFiscalReceipt]->BeginFiscalReceipt(true)");
  return CheckResult(fOPOS->BeginFiscalReceipt(true));
}

bool kIOHandler_OPOS::EndFiscalReceipt() {
  Debug(let_info, u"[EndFiscalReceipt]->EndFiscalReceipt(false)");
  return CheckResult(fOPOS->EndFiscalReceipt(false));
}

bool kIOHandler_OPOS::PrintRecItem(StringView, StringView aDescription, Currency aQuantity, StringView aUOM,
                                   int32_t aVatCode, Currency aPrice, Currency aAmount) {
  const int32_t quantity = Thousandths(aQuantity);
  Debug(let_info, u"[PrintRecItem]->PrintRecItem(" + QuotedText(aDescription) + u"," + AmountToText(aAmount) + u"," +
                      IntToStr(aQuantity.Raw() / Currency::kScale) + u"," + IntToStr(aVatCode) + u"," +
                      AmountToText(aPrice) + u"," + QuotedText(aUOM) + u")");
  return CheckResult(fOPOS->PrintRecItem(aDescription, aAmount, quantity, aVatCode, aPrice, aUOM));
}

bool kIOHandler_OPOS::PrintRecItemVoid(StringView, StringView aDescription, Currency aQuantity, StringView aUOM,
                                       int32_t aVatCode, Currency aPrice, Currency aAmount) {
  const int32_t quantity = Thousandths(aQuantity);
  Debug(let_info, u"[PrintRecItemVoid]->PrintRecItemVoid(" + QuotedText(aDescription) + u"," + AmountToText(aAmount) +
                      u"," + IntToStr(aVatCode) + u"," + AmountToText(aPrice) + u"," + QuotedText(aUOM) + u")");
  return CheckResult(fOPOS->PrintRecItemVoid(aDescription, aAmount, quantity, aVatCode, aPrice, aUOM));
}

bool kIOHandler_OPOS::PrintRecRefund(StringView, StringView aDescription, Currency, StringView, int32_t aVatCode,
                                     Currency, Currency aAmount) {
  Debug(let_info, u"[PrintRecRefund]->PrintRecRefund(" + QuotedText(aDescription) + u"," + AmountToText(aAmount) +
                      u"," + IntToStr(aVatCode) + u")");
  return CheckResult(fOPOS->PrintRecRefund(aDescription, aAmount, aVatCode));
}

bool kIOHandler_OPOS::PrintRecItemAdjustment(int32_t aAdjType, StringView aDescription, Currency aAmount,
                                             int32_t aVatCode) {
  Debug(let_info, u"[PrintRecItemAdjustment]->PrintRecItemAdjustment(" + IntToStr(aAdjType) + u"," +
                      QuotedText(aDescription) + u"," + AmountToText(aAmount) + u"," + IntToStr(aVatCode) + u")");
  return CheckResult(fOPOS->PrintRecItemAdjustment(aAdjType, aDescription, aAmount, aVatCode));
}

bool kIOHandler_OPOS::PrintRecSubtotal(Currency aAmount) {
  Debug(let_info, u"[PrintRecSubtotal]->PrintRecSubTotal(" + AmountToText(aAmount) + u")");
  return CheckResult(fOPOS->PrintRecSubtotal(aAmount));
}

bool kIOHandler_OPOS::PrintRecSubtotalAdjustment(int32_t aAdjType, StringView aDescription, Currency aAmount) {
  Debug(let_info, u"[PrintRecSubtotalAdjustment]->PrintRecSubtotalAdjustment(" + IntToStr(aAdjType) + u"," +
                      QuotedText(aDescription) + u"," + AmountToText(aAmount) + u")");
  return CheckResult(fOPOS->PrintRecSubtotalAdjustment(aAdjType, aDescription, aAmount));
}

bool kIOHandler_OPOS::PrintRecTotal(Currency aTotalAmount, Currency aPaymentAmount, StringView aDescription) {
  Debug(let_info, u"[PrintRecTotal]->PrintRecTotal(" + AmountToText(aTotalAmount) + u"," +
                      AmountToText(aPaymentAmount) + u"," + QuotedText(aDescription) + u")");
  return CheckResult(fOPOS->PrintRecTotal(aTotalAmount, aPaymentAmount, aDescription));
}

bool kIOHandler_OPOS::PrintRecNotPaid(Currency aAmount, StringView aDescription) {
  Debug(let_info,
        u"[PrintRecNotPaid]->PrintRecNotPaid(" + QuotedText(aDescription) + u"," + AmountToText(aAmount) + u")");
  return CheckResult(fOPOS->PrintRecNotPaid(aDescription, aAmount));
}

bool kIOHandler_OPOS::PrintRecMessage(StringView aText) {
  Debug(let_info, u"[PrintRecMessage]->PrintRecMessage(" + QuotedText(aText) + u")");
  return CheckResult(fOPOS->PrintRecMessage(aText));
}

bool kIOHandler_OPOS::PrintRecTaxid(StringView aTaxId) {
  Debug(let_info, u"[PrintRecTaxid]->PrintRecTaxid(" + QuotedText(aTaxId) + u")");
  return CheckResult(fOPOS->PrintRecTaxID(aTaxId));
}

// ---- non-fiscal, training, reports ----

bool kIOHandler_OPOS::BeginNonFiscal() {
  Debug(let_info, u"[BeginNonFiscal]->BeginNonFiscal");
  return CheckResult(fOPOS->BeginNonFiscal());
}

bool kIOHandler_OPOS::PrintNormal(StringView aText) {
  Debug(let_info, u"[PrintNormal]->PrintNormal(" + IntToStr(kReceiptStation) + u"," + QuotedText(aText) + u")");
  return CheckResult(fOPOS->PrintNormal(kReceiptStation, aText));
}

bool kIOHandler_OPOS::EndNonFiscal() {
  Debug(let_info, u"[EndNonFiscal]->EndNonFiscal");
  return CheckResult(fOPOS->EndNonFiscal());
}

bool kIOHandler_OPOS::BeginTraining() {
  Debug(let_info, u"[BeginTraining]->BeginTraining");
  return CheckResult(fOPOS->BeginTraining());
}

bool kIOHandler_OPOS::EndTraining() {
  Debug(let_info, u"[EndTraining]->EndTraining");
  return CheckResult(fOPOS->EndTraining());
}

bool kIOHandler_OPOS::ResetPrinter() {
  Debug(let_info, u"[ResetPrinter]->ResetPrinter");
  return CheckResult(fOPOS->ResetPrinter());
}

bool kIOHandler_OPOS::PrintXReport() {
  Debug(let_info, u"[PrintXReport]->PrintXReport");
  return CheckResult(fOPOS->PrintXReport());
}

bool kIOHandler_OPOS::PrintZReport() {
  Debug(let_info, u"[PrintZReport]->PrintZReport");
  return CheckResult(fOPOS->PrintZReport());
}

// ---- data ----

bool kIOHandler_OPOS::GetData(int32_t aDataItem, int32_t aOptArgs, String& aOutput) {
  Debug(let_info, u"[GetData]->GetData(" + IntToStr(aDataItem) + u"," + IntToStr(aOptArgs) + u",aOutput)");
  String data;
  const bool ok = CheckResult(fOPOS->GetData(aDataItem, aOptArgs, data));
  aOutput = ok ? data : String();
  if (ok) Debug(let_info, u"[GetData]->aOutput=" + aOutput);
  return ok;
}

bool kIOHandler_OPOS::GetDate(TDateTime& aDate) {
  Debug(let_info, u"[GetDate]->GetDate");
  String text;
  if (!CheckResult(fOPOS->GetDate(text))) {
    aDate = Now();
    return false;
  }
  Debug(let_info, u"[GetDate]->aDate=" + text);
  DateTimeParts parts;
  parts.Day = DatePart(text, 0, 2);
  parts.Month = DatePart(text, 2, 2);
  parts.Year = DatePart(text, 4, 4);
  parts.Hour = DatePart(text, 8, 2);
  parts.Minute = DatePart(text, 10, 2);
  aDate = EncodeDateTime(parts);
  return true;
}

bool kIOHandler_OPOS::SetDate(TDateTime aDateTime) {
  const DateTimeParts p = DecodeDateTime(aDateTime);
  const String date = TwoDigits(p.Day) + TwoDigits(p.Month) + PadLeft(IntToStr(p.Year), 4, u'0') + TwoDigits(p.Hour) +
                      TwoDigits(p.Minute);
  Debug(let_info, u"[SetDate]->SetDate(" + QuotedText(date) + u")");
  return CheckResult(fOPOS->SetDate(date));
}

bool kIOHandler_OPOS::DirectIO(int32_t aCommand, int32_t& aData, String& aString) {
  Debug(let_info, u"[DirectIO]->DirectIO(" + IntToStr(aCommand) + u"," + IntToStr(aData) + u"," +
                      QuotedText(aString) + u")");
  const int32_t code = fOPOS->DirectIO(aCommand, aData, aString);
  Debug(let_info, u"[DirectIO]->Output(Data:=" + IntToStr(aData) + u", Obj:=" + QuotedText(aString) + u")");
  return CheckResult(code);
}

// ---- properties ----

bool kIOHandler_OPOS::GetCoverOpen(bool& aResult) {
  Debug(let_info, u"[GetCoverOpen]->CoverOpen(aResult)");
  if (!HasControl()) return false;
  aResult = fOPOS->CoverOpen();
  return LogBoolean(u"[GetCoverOpen]->CoverOpen=", aResult);
}

bool kIOHandler_OPOS::GetDayOpened(bool& aResult) {
  Debug(let_info, u"[GetDayOpened]->DayOpened(aResult)");
  if (!HasControl()) return false;
  aResult = fOPOS->DayOpened();
  return LogBoolean(u"[GetDayOpened]->aResult=", aResult);
}

bool kIOHandler_OPOS::GetRecEmpty(bool& aResult) {
  Debug(let_info, u"[GetRecEmpty]->RecEmpty(aResult)");
  if (!HasControl()) return false;
  aResult = fOPOS->RecEmpty();
  return LogBoolean(u"[GetRecEmpty]->aResult=", aResult);
}

bool kIOHandler_OPOS::GetRecNearEnd(bool& aResult) {
  Debug(let_info, u"[GetRecNearEmpty]->RecNearEmpty(aResult)");
  if (!HasControl()) return false;
  aResult = fOPOS->RecNearEnd();
  return LogBoolean(u"[GetRecNearEmpty]->aResult=", aResult);
}

bool kIOHandler_OPOS::GetTrainingModeActive(bool& aResult) {
  Debug(let_info, u"[GetTrainingModeActive]->TrainingModeActive(aResult)");
  if (!HasControl()) return false;
  aResult = fOPOS->TrainingModeActive();
  return LogBoolean(u"[GetTrainingModeActive]->aResult=", aResult);
}

bool kIOHandler_OPOS::PrinterState(int32_t& aPrinterState) {
  Debug(let_info, u"[PrinterState]->PrinterState(aPrinterState)");
  if (!HasControl()) return false;
  aPrinterState = fOPOS->PrinterState();
  Debug(let_info, u"[PrinterState]->aPrinterState=" + IntToStr(aPrinterState));
  return true;
}

bool kIOHandler_OPOS::RemainingFiscalMemory(int32_t& aRemainingFiscalMemory) {
  Debug(let_info, u"[RemainingFiscalMemory]->RemainingFiscalMemory(aRemainingFiscalMemory)");
  if (!HasControl()) return false;
  aRemainingFiscalMemory = fOPOS->RemainingFiscalMemory();
  Debug(let_info, u"[RemainingFiscalMemory]->aRemainingFiscalMemory=" + IntToStr(aRemainingFiscalMemory));
  return true;
}

bool kIOHandler_OPOS::SetFiscalReceiptType(int32_t aReceiptType) {
  Debug(let_info, u"[SetFiscalReceiptType]->FiscalReceiptType=" + IntToStr(aReceiptType));
  if (!HasControl()) return false;
  fOPOS->SetFiscalReceiptType(aReceiptType);
  return true;
}

bool kIOHandler_OPOS::SetPreLine(StringView aDescription) {
  Debug(let_info, u"[SetPreLine]->PreLine=" + QuotedText(aDescription));
  if (!HasControl()) return false;
  fOPOS->SetPreLine(aDescription);
  return true;
}

bool kIOHandler_OPOS::SetAdditionalTrailerLine(StringView aDescription, bool aClear) {
  Debug(let_info, String(u"[SetAdditionalTrailerLine]->AdditionalTrailer=") + (aClear ? u"" : u"+") +
                      QuotedText(aDescription));
  if (!HasControl()) return false;
  if (aClear)
    fOPOS->SetAdditionalTrailer(aDescription);
  else
    fOPOS->SetAdditionalTrailer(fOPOS->AdditionalTrailer() + String(aDescription) + u"\r\n");
  return true;
}

}  // namespace qx
