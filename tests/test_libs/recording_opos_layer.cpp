// An OPOS layer for the tests: a control that records every call as a line of text and answers
// success, unless a test asked a method to fail. The test reaches its state through the
// QxOposTest_ functions (the same library loaded again gives the same state).
#include <cstring>
#include <map>
#include <string>

#include "transport/opos_layer.h"

#define QX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Failure {
  int32_t Code = 0;
  int32_t Extended = 0;
};

struct State {
  std::string Calls;
  std::map<std::string, Failure> Failures;
  int32_t Extended = 0;
  bool Enabled = false;
  int Controls = 0;
  std::map<std::string, std::u16string> Texts{{"ErrorString", u"service error"},
                                              {"Date", u"251220261430"},
                                              {"Data", u"0042"},
                                              {"DirectIO", u"answer"},
                                              {"AdditionalTrailer", u""}};
  std::u16string Returned;  // the text handed back by the last call
};

State& S() {
  static State state;
  return state;
}

std::string Utf8(const qxopos_char* aText) {
  std::string out;
  for (const qxopos_char* p = aText; p != nullptr && *p != 0; ++p) {
    const uint32_t c = *p;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string Wide(const char* aText) {
  std::u16string out;
  for (const char* p = aText; *p != 0; ++p) out += static_cast<char16_t>(static_cast<unsigned char>(*p));
  return out;
}

const qxopos_char* Hand(const std::u16string& aText) {
  S().Returned = aText;
  return reinterpret_cast<const qxopos_char*>(S().Returned.c_str());
}

// Records the call and answers its result: 0, or the failure a test set for this method.
int32_t Answer(const std::string& aMethod, const std::string& aArguments = "") {
  S().Calls += aMethod + (aArguments.empty() ? "" : "(" + aArguments + ")") + "\n";
  const auto f = S().Failures.find(aMethod);
  if (f == S().Failures.end()) return 0;
  S().Extended = f->second.Extended;
  return f->second.Code;
}

std::string N(int64_t aValue) { return std::to_string(aValue); }
std::string Q(const qxopos_char* aText) { return "'" + Utf8(aText) + "'"; }

qxopos_control Create() {
  ++S().Controls;
  return &S();
}
void Destroy(qxopos_control) { --S().Controls; }

int32_t Open(qxopos_control, const qxopos_char* aName) { return Answer("Open", Utf8(aName)); }
int32_t Close(qxopos_control) { return Answer("Close"); }
int32_t ClaimDevice(qxopos_control, int32_t aTimeout) { return Answer("ClaimDevice", N(aTimeout)); }
int32_t ReleaseDevice(qxopos_control) { return Answer("ReleaseDevice"); }
int32_t SetDeviceEnabled(qxopos_control, int32_t aValue) {
  const int32_t r = Answer("SetDeviceEnabled", N(aValue));
  if (r == 0) S().Enabled = aValue != 0;
  return r;
}
int32_t GetDeviceEnabled(qxopos_control) { return S().Enabled ? 1 : 0; }
int32_t GetResultCodeExtended(qxopos_control) { return S().Extended; }
const qxopos_char* GetErrorString(qxopos_control) { return Hand(S().Texts["ErrorString"]); }

int32_t BeginFiscalReceipt(qxopos_control, int32_t aHeader) { return Answer("BeginFiscalReceipt", N(aHeader)); }
int32_t EndFiscalReceipt(qxopos_control, int32_t aHeader) { return Answer("EndFiscalReceipt", N(aHeader)); }
int32_t PrintRecItem(qxopos_control, const qxopos_char* aDescription, qxopos_currency aPrice, int32_t aQuantity,
                     int32_t aVatInfo, qxopos_currency aUnitPrice, const qxopos_char* aUnitName) {
  return Answer("PrintRecItem", Q(aDescription) + "," + N(aPrice) + "," + N(aQuantity) + "," + N(aVatInfo) + "," +
                                    N(aUnitPrice) + "," + Q(aUnitName));
}
int32_t PrintRecItemVoid(qxopos_control, const qxopos_char* aDescription, qxopos_currency aPrice, int32_t aQuantity,
                         int32_t aVatInfo, qxopos_currency aUnitPrice, const qxopos_char* aUnitName) {
  return Answer("PrintRecItemVoid", Q(aDescription) + "," + N(aPrice) + "," + N(aQuantity) + "," + N(aVatInfo) +
                                        "," + N(aUnitPrice) + "," + Q(aUnitName));
}
int32_t PrintRecRefund(qxopos_control, const qxopos_char* aDescription, qxopos_currency aAmount, int32_t aVatInfo) {
  return Answer("PrintRecRefund", Q(aDescription) + "," + N(aAmount) + "," + N(aVatInfo));
}
int32_t PrintRecItemAdjustment(qxopos_control, int32_t aType, const qxopos_char* aDescription,
                               qxopos_currency aAmount, int32_t aVatInfo) {
  return Answer("PrintRecItemAdjustment", N(aType) + "," + Q(aDescription) + "," + N(aAmount) + "," + N(aVatInfo));
}
int32_t PrintRecSubtotal(qxopos_control, qxopos_currency aAmount) { return Answer("PrintRecSubtotal", N(aAmount)); }
int32_t PrintRecSubtotalAdjustment(qxopos_control, int32_t aType, const qxopos_char* aDescription,
                                   qxopos_currency aAmount) {
  return Answer("PrintRecSubtotalAdjustment", N(aType) + "," + Q(aDescription) + "," + N(aAmount));
}
int32_t PrintRecTotal(qxopos_control, qxopos_currency aTotal, qxopos_currency aPayment,
                      const qxopos_char* aDescription) {
  return Answer("PrintRecTotal", N(aTotal) + "," + N(aPayment) + "," + Q(aDescription));
}
int32_t PrintRecNotPaid(qxopos_control, const qxopos_char* aDescription, qxopos_currency aAmount) {
  return Answer("PrintRecNotPaid", Q(aDescription) + "," + N(aAmount));
}
int32_t PrintRecMessage(qxopos_control, const qxopos_char* aMessage) { return Answer("PrintRecMessage", Q(aMessage)); }
int32_t PrintRecTaxID(qxopos_control, const qxopos_char* aTaxId) { return Answer("PrintRecTaxID", Q(aTaxId)); }
int32_t BeginNonFiscal(qxopos_control) { return Answer("BeginNonFiscal"); }
int32_t PrintNormal(qxopos_control, int32_t aStation, const qxopos_char* aData) {
  return Answer("PrintNormal", N(aStation) + "," + Q(aData));
}
int32_t EndNonFiscal(qxopos_control) { return Answer("EndNonFiscal"); }
int32_t BeginTraining(qxopos_control) { return Answer("BeginTraining"); }
int32_t EndTraining(qxopos_control) { return Answer("EndTraining"); }
int32_t ResetPrinter(qxopos_control) { return Answer("ResetPrinter"); }
int32_t PrintXReport(qxopos_control) { return Answer("PrintXReport"); }
int32_t PrintZReport(qxopos_control) { return Answer("PrintZReport"); }

int32_t GetData(qxopos_control, int32_t aItem, int32_t* aOptArgs, const qxopos_char** aData) {
  *aData = Hand(S().Texts["Data"]);
  return Answer("GetData", N(aItem) + "," + N(*aOptArgs));
}
int32_t GetDate(qxopos_control, const qxopos_char** aDate) {
  *aDate = Hand(S().Texts["Date"]);
  return Answer("GetDate");
}
int32_t SetDate(qxopos_control, const qxopos_char* aDate) { return Answer("SetDate", Q(aDate)); }
int32_t DirectIO(qxopos_control, int32_t aCommand, int32_t* aData, const qxopos_char* aString,
                 const qxopos_char** aOut) {
  const int32_t r = Answer("DirectIO", N(aCommand) + "," + N(*aData) + "," + Q(aString));
  *aData += 1;
  *aOut = Hand(S().Texts["DirectIO"]);
  return r;
}

int32_t CoverOpen(qxopos_control) { return Answer("CoverOpen") == 0 ? 1 : 0; }
int32_t DayOpened(qxopos_control) { return Answer("DayOpened") == 0 ? 1 : 0; }
int32_t RecEmpty(qxopos_control) { return Answer("RecEmpty") == 0 ? 0 : 1; }
int32_t RecNearEnd(qxopos_control) { return Answer("RecNearEnd") == 0 ? 0 : 1; }
int32_t TrainingModeActive(qxopos_control) { return Answer("TrainingModeActive") == 0 ? 0 : 1; }
int32_t PrinterState(qxopos_control) { return Answer("PrinterState") == 0 ? 2 : 0; }
int32_t RemainingFiscalMemory(qxopos_control) { return Answer("RemainingFiscalMemory") == 0 ? 1234 : 0; }
void SetFiscalReceiptType(qxopos_control, int32_t aValue) { Answer("FiscalReceiptType", N(aValue)); }
void SetPreLine(qxopos_control, const qxopos_char* aValue) { Answer("PreLine", Q(aValue)); }
const qxopos_char* GetAdditionalTrailer(qxopos_control) { return Hand(S().Texts["AdditionalTrailer"]); }
void SetAdditionalTrailer(qxopos_control, const qxopos_char* aValue) {
  std::u16string text;
  for (const qxopos_char* p = aValue; *p != 0; ++p) text += static_cast<char16_t>(*p);
  S().Texts["AdditionalTrailer"] = text;
  Answer("AdditionalTrailer", Q(aValue));
}

const QxOposFiscalPrinterApi kApi = {
    sizeof(QxOposFiscalPrinterApi),
    Create,
    Destroy,
    Open,
    Close,
    ClaimDevice,
    ReleaseDevice,
    SetDeviceEnabled,
    GetDeviceEnabled,
    GetResultCodeExtended,
    GetErrorString,
    BeginFiscalReceipt,
    EndFiscalReceipt,
    PrintRecItem,
    PrintRecItemVoid,
    PrintRecRefund,
    PrintRecItemAdjustment,
    PrintRecSubtotal,
    PrintRecSubtotalAdjustment,
    PrintRecTotal,
    PrintRecNotPaid,
    PrintRecMessage,
    PrintRecTaxID,
    BeginNonFiscal,
    PrintNormal,
    EndNonFiscal,
    BeginTraining,
    EndTraining,
    ResetPrinter,
    PrintXReport,
    PrintZReport,
    GetData,
    GetDate,
    SetDate,
    DirectIO,
    CoverOpen,
    DayOpened,
    RecEmpty,
    RecNearEnd,
    TrainingModeActive,
    PrinterState,
    RemainingFiscalMemory,
    SetFiscalReceiptType,
    SetPreLine,
    GetAdditionalTrailer,
    SetAdditionalTrailer,
};

}  // namespace

QX_EXPORT const QxOposFiscalPrinterApi* QxOposFiscalPrinterLayer(uint32_t aVersion) {
  return aVersion == QXOPOS_LAYER_VERSION ? &kApi : nullptr;
}

// ---- the tests' side ----

// Every call since the last reset, one per line.
QX_EXPORT const char* QxOposTest_Calls() { return S().Calls.c_str(); }
// Controls created and not yet destroyed.
QX_EXPORT int QxOposTest_Controls() { return S().Controls; }
QX_EXPORT void QxOposTest_Reset() {
  S().Calls.clear();
  S().Failures.clear();
  S().Extended = 0;
  S().Enabled = false;
  S().Texts["AdditionalTrailer"].clear();
}
// From now on aMethod answers aCode (and, for 114, the extended code aExtended).
QX_EXPORT void QxOposTest_Fail(const char* aMethod, int32_t aCode, int32_t aExtended) {
  S().Failures[aMethod] = Failure{aCode, aExtended};
}
// Sets a text the control hands back: ErrorString, Date, Data, DirectIO (Latin-1 bytes).
QX_EXPORT void QxOposTest_SetText(const char* aWhat, const char* aValue) { S().Texts[aWhat] = Wide(aValue); }
