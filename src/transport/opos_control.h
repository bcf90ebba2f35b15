// The OPOS FiscalPrinter control as the OPOS transport sees it: one object over the OPOS layer
// (a library loaded at run time, see opos_layer.h). When the layer cannot be loaded, or lacks a
// method, that method answers OPOS_E_NOSERVICE and ErrorString tells why, so every operation
// fails through the transport's usual result check.
#pragma once

#include <cstdint>

#include "platform/dynamic_library.h"
#include "support/currency.h"
#include "support/text.h"
#include "transport/opos_layer.h"

namespace qx {

class OposControl {
 public:
  static constexpr int32_t OPOS_SUCCESS = 0;
  static constexpr int32_t OPOS_E_NOSERVICE = 104;
  // The library loaded when the environment variable QX_OPOS_LAYER names none.
  static constexpr char16_t kDefaultLayerName[] = u"libqxopos_fiscalprinter.so";

  // Loads the layer named by QX_OPOS_LAYER (or the default name) and creates its control.
  OposControl();
  ~OposControl();
  OposControl(const OposControl&) = delete;
  OposControl& operator=(const OposControl&) = delete;

  // Whether a layer and its control are there.
  bool Available() const { return fControl != nullptr; }
  // The layer's file name as it was looked up.
  const String& LayerName() const { return fLayerName; }

  int32_t Open(StringView aDeviceName);
  int32_t Close();
  int32_t ClaimDevice(int32_t aTimeoutMs);
  int32_t ReleaseDevice();
  void SetDeviceEnabled(bool aValue);
  bool DeviceEnabled();
  int32_t ResultCodeExtended();
  String ErrorString();

  int32_t BeginFiscalReceipt(bool aPrintHeader);
  int32_t EndFiscalReceipt(bool aPrintHeader);
  int32_t PrintRecItem(StringView aDescription, Currency aPrice, int32_t aQuantity, int32_t aVatInfo,
                       Currency aUnitPrice, StringView aUnitName);
  int32_t PrintRecItemVoid(StringView aDescription, Currency aPrice, int32_t aQuantity, int32_t aVatInfo,
                           Currency aUnitPrice, StringView aUnitName);
  int32_t PrintRecRefund(StringView aDescription, Currency aAmount, int32_t aVatInfo);
  int32_t PrintRecItemAdjustment(int32_t aAdjustmentType, StringView aDescription, Currency aAmount,
                                 int32_t aVatInfo);
  int32_t PrintRecSubtotal(Currency aAmount);
  int32_t PrintRecSubtotalAdjustment(int32_t aAdjustmentType, StringView aDescription, Currency aAmount);
  int32_t PrintRecTotal(Currency aTotal, Currency aPayment, StringView aDescription);
  int32_t PrintRecNotPaid(StringView aDescription, Currency aAmount);
  int32_t PrintRecMessage(StringView aMessage);
  int32_t PrintRecTaxID(StringView aTaxId);
  int32_t BeginNonFiscal();
  int32_t PrintNormal(int32_t aStation, StringView aData);
  int32_t EndNonFiscal();
  int32_t BeginTraining();
  int32_t EndTraining();
  int32_t ResetPrinter();
  int32_t PrintXReport();
  int32_t PrintZReport();
  int32_t GetData(int32_t aDataItem, int32_t& aOptArgs, String& aData);
  int32_t GetDate(String& aDate);
  int32_t SetDate(StringView aDate);
  int32_t DirectIO(int32_t aCommand, int32_t& aData, String& aString);

  bool CoverOpen();
  bool DayOpened();
  bool RecEmpty();
  bool RecNearEnd();
  bool TrainingModeActive();
  int32_t PrinterState();
  int32_t RemainingFiscalMemory();
  void SetFiscalReceiptType(int32_t aValue);
  void SetPreLine(StringView aValue);
  String AdditionalTrailer();
  void SetAdditionalTrailer(StringView aValue);

 private:
  // Calls a method of the table, or answers OPOS_E_NOSERVICE when the layer lacks it.
  template <typename Method, typename... Args>
  int32_t Call(Method aMethod, Args... aArgs) {
    if (fControl == nullptr || aMethod == nullptr) return OPOS_E_NOSERVICE;
    return aMethod(fControl, aArgs...);
  }
  // A property read; 0 when the layer lacks it.
  template <typename Getter>
  int32_t Get(Getter aGetter) {
    return fControl != nullptr && aGetter != nullptr ? aGetter(fControl) : 0;
  }

  String fLayerName;
  String fUnavailableText;  // why there is no control
  platform::LibraryHandle fLibrary = nullptr;
  const QxOposFiscalPrinterApi* fApi;  // never null: an empty table without a layer
  qxopos_control fControl = nullptr;
};

}  // namespace qx
