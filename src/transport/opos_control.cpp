#include "transport/opos_control.h"

#include "platform/process.h"

namespace qx {

namespace {

const qxopos_char* Wide(const String& aText) { return reinterpret_cast<const qxopos_char*>(aText.c_str()); }

// The table of a missing layer: every method absent.
const QxOposFiscalPrinterApi kNoLayer{};

String Text(const qxopos_char* aText) {
  if (aText == nullptr) return String();
  const char16_t* p = reinterpret_cast<const char16_t*>(aText);
  return String(p);
}

}  // namespace

OposControl::OposControl() : fApi(&kNoLayer) {
  fLayerName = platform::EnvironmentVariable(u"QX_OPOS_LAYER");
  if (fLayerName.empty()) fLayerName = kDefaultLayerName;
  const String prefix = u"The OPOS layer " + fLayerName + u" is not available: ";
  String message;
  int32_t number = 0;
  fLibrary = platform::LoadDynamicLibrary(fLayerName, message, number);
  if (fLibrary == nullptr) {
    fUnavailableText = prefix + message + u" [" + IntToStr(number) + u"]";
    return;
  }
  auto entry = reinterpret_cast<QxOposFiscalPrinterLayerFunction>(platform::FindSymbol(fLibrary, QXOPOS_ENTRY_POINT));
  const QxOposFiscalPrinterApi* api = entry != nullptr ? entry(QXOPOS_LAYER_VERSION) : nullptr;
  if (api == nullptr || api->StructSize < sizeof(QxOposFiscalPrinterApi) || api->Create == nullptr) {
    fUnavailableText = prefix + u"it offers no control of version " + IntToStr(QXOPOS_LAYER_VERSION);
    return;
  }
  fApi = api;
  fControl = fApi->Create();
  if (fControl == nullptr) fUnavailableText = prefix + u"it could not create a control";
}

OposControl::~OposControl() {
  if (fControl != nullptr && fApi->Destroy != nullptr) fApi->Destroy(fControl);
  fControl = nullptr;
  fApi = &kNoLayer;
  platform::FreeDynamicLibrary(fLibrary);
}

int32_t OposControl::Open(StringView aDeviceName) { return Call(fApi->Open, Wide(String(aDeviceName))); }
int32_t OposControl::Close() { return Call(fApi->Close); }
int32_t OposControl::ClaimDevice(int32_t aTimeoutMs) { return Call(fApi->ClaimDevice, aTimeoutMs); }
int32_t OposControl::ReleaseDevice() { return Call(fApi->ReleaseDevice); }
void OposControl::SetDeviceEnabled(bool aValue) {
  Call(fApi->SetDeviceEnabled, static_cast<int32_t>(aValue ? 1 : 0));
}
bool OposControl::DeviceEnabled() { return Get(fApi->GetDeviceEnabled) != 0; }
int32_t OposControl::ResultCodeExtended() { return Get(fApi->GetResultCodeExtended); }

String OposControl::ErrorString() {
  if (fControl == nullptr) return fUnavailableText;
  if (fApi->GetErrorString == nullptr) return String();
  return Text(fApi->GetErrorString(fControl));
}

int32_t OposControl::BeginFiscalReceipt(bool aPrintHeader) {
  return Call(fApi->BeginFiscalReceipt, static_cast<int32_t>(aPrintHeader ? 1 : 0));
}
int32_t OposControl::EndFiscalReceipt(bool aPrintHeader) {
  return Call(fApi->EndFiscalReceipt, static_cast<int32_t>(aPrintHeader ? 1 : 0));
}
int32_t OposControl::PrintRecItem(StringView aDescription, Currency aPrice, int32_t aQuantity, int32_t aVatInfo,
                                  Currency aUnitPrice, StringView aUnitName) {
  return Call(fApi->PrintRecItem, Wide(String(aDescription)), aPrice.Raw(), aQuantity, aVatInfo,
              aUnitPrice.Raw(), Wide(String(aUnitName)));
}
int32_t OposControl::PrintRecItemVoid(StringView aDescription, Currency aPrice, int32_t aQuantity, int32_t aVatInfo,
                                      Currency aUnitPrice, StringView aUnitName) {
  return Call(fApi->PrintRecItemVoid, Wide(String(aDescription)), aPrice.Raw(), aQuantity,
              aVatInfo, aUnitPrice.Raw(), Wide(String(aUnitName)));
}
int32_t OposControl::PrintRecRefund(StringView aDescription, Currency aAmount, int32_t aVatInfo) {
  return Call(fApi->PrintRecRefund, Wide(String(aDescription)), aAmount.Raw(), aVatInfo);
}
int32_t OposControl::PrintRecItemAdjustment(int32_t aAdjustmentType, StringView aDescription, Currency aAmount,
                                            int32_t aVatInfo) {
  return Call(fApi->PrintRecItemAdjustment, aAdjustmentType, Wide(String(aDescription)),
              aAmount.Raw(), aVatInfo);
}
int32_t OposControl::PrintRecSubtotal(Currency aAmount) {
  return Call(fApi->PrintRecSubtotal, aAmount.Raw());
}
int32_t OposControl::PrintRecSubtotalAdjustment(int32_t aAdjustmentType, StringView aDescription, Currency aAmount) {
  return Call(fApi->PrintRecSubtotalAdjustment, aAdjustmentType, Wide(String(aDescription)),
              aAmount.Raw());
}
int32_t OposControl::PrintRecTotal(Currency aTotal, Currency aPayment, StringView aDescription) {
  return Call(fApi->PrintRecTotal, aTotal.Raw(), aPayment.Raw(), Wide(String(aDescription)));
}
int32_t OposControl::PrintRecNotPaid(StringView aDescription, Currency aAmount) {
  return Call(fApi->PrintRecNotPaid, Wide(String(aDescription)), aAmount.Raw());
}
int32_t OposControl::PrintRecMessage(StringView aMessage) {
  return Call(fApi->PrintRecMessage, Wide(String(aMessage)));
}
int32_t OposControl::PrintRecTaxID(StringView aTaxId) {
  return Call(fApi->PrintRecTaxID, Wide(String(aTaxId)));
}
int32_t OposControl::BeginNonFiscal() { return Call(fApi->BeginNonFiscal); }
int32_t OposControl::PrintNormal(int32_t aStation, StringView aData) {
  return Call(fApi->PrintNormal, aStation, Wide(String(aData)));
}
int32_t OposControl::EndNonFiscal() { return Call(fApi->EndNonFiscal); }
int32_t OposControl::BeginTraining() { return Call(fApi->BeginTraining); }
int32_t OposControl::EndTraining() { return Call(fApi->EndTraining); }
int32_t OposControl::ResetPrinter() { return Call(fApi->ResetPrinter); }
int32_t OposControl::PrintXReport() { return Call(fApi->PrintXReport); }
int32_t OposControl::PrintZReport() { return Call(fApi->PrintZReport); }

int32_t OposControl::GetData(int32_t aDataItem, int32_t& aOptArgs, String& aData) {
  const qxopos_char* data = nullptr;
  const int32_t result = Call(fApi->GetData, aDataItem, &aOptArgs, &data);
  aData = Text(data);
  return result;
}

int32_t OposControl::GetDate(String& aDate) {
  const qxopos_char* date = nullptr;
  const int32_t result = Call(fApi->GetDate, &date);
  aDate = Text(date);
  return result;
}

int32_t OposControl::SetDate(StringView aDate) { return Call(fApi->SetDate, Wide(String(aDate))); }

int32_t OposControl::DirectIO(int32_t aCommand, int32_t& aData, String& aString) {
  const qxopos_char* out = nullptr;
  const String in = aString;
  const int32_t result = Call(fApi->DirectIO, aCommand, &aData, Wide(in), &out);
  if (out != nullptr) aString = Text(out);
  return result;
}

bool OposControl::CoverOpen() { return Get(fApi->GetCoverOpen) != 0; }
bool OposControl::DayOpened() { return Get(fApi->GetDayOpened) != 0; }
bool OposControl::RecEmpty() { return Get(fApi->GetRecEmpty) != 0; }
bool OposControl::RecNearEnd() { return Get(fApi->GetRecNearEnd) != 0; }
bool OposControl::TrainingModeActive() { return Get(fApi->GetTrainingModeActive) != 0; }
int32_t OposControl::PrinterState() { return Get(fApi->GetPrinterState); }
int32_t OposControl::RemainingFiscalMemory() { return Get(fApi->GetRemainingFiscalMemory); }

void OposControl::SetFiscalReceiptType(int32_t aValue) {
  if (fControl != nullptr && fApi->SetFiscalReceiptType != nullptr) fApi->SetFiscalReceiptType(fControl, aValue);
}

void OposControl::SetPreLine(StringView aValue) {
  if (fControl != nullptr && fApi->SetPreLine != nullptr) fApi->SetPreLine(fControl, Wide(String(aValue)));
}

String OposControl::AdditionalTrailer() {
  if (fControl == nullptr || fApi->GetAdditionalTrailer == nullptr) return String();
  return Text(fApi->GetAdditionalTrailer(fControl));
}

void OposControl::SetAdditionalTrailer(StringView aValue) {
  if (fControl != nullptr && fApi->SetAdditionalTrailer != nullptr)
    fApi->SetAdditionalTrailer(fControl, Wide(String(aValue)));
}

}  // namespace qx
