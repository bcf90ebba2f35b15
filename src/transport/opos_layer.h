/* The interface of the OPOS layer: a shared object of our own that stands for the OPOS
 * FiscalPrinter control where no such control exists (Linux), or bridges to one. The OPOS
 * transport loads it at run time and drives the control only through the table below; a real
 * bridge is dropped in by building a library with the same entry point.
 *
 * The layer exports one C function, QXOPOS_ENTRY_POINT, that returns its table. Every method
 * answers the OPOS result code (0 = success, 101-115 errors, 114 = see ResultCodeExtended) and
 * takes the control handle made by Create. Texts are NUL-terminated UTF-16; texts handed back
 * belong to the control and stay valid until its next call. Amounts are OPOS currency values:
 * 64-bit integers counting ten-thousandths. A control is used from one thread at a time.
 *
 * Plain C, so that a layer can be written in any language that can export a C function. */
#ifndef QX_TRANSPORT_OPOS_LAYER_H
#define QX_TRANSPORT_OPOS_LAYER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The version this table layout has; a layer answers the table of the version asked for, or
 * null when it does not know that version. */
#define QXOPOS_LAYER_VERSION 1
#define QXOPOS_ENTRY_POINT "QxOposFiscalPrinterLayer"

typedef uint16_t qxopos_char;
typedef int64_t qxopos_currency;
typedef void* qxopos_control;

typedef struct QxOposFiscalPrinterApi {
  /* sizeof(QxOposFiscalPrinterApi) of the layer; the transport refuses a smaller table. */
  uint32_t StructSize;

  qxopos_control (*Create)(void);
  void (*Destroy)(qxopos_control aControl);

  /* ---- device life ---- */
  int32_t (*Open)(qxopos_control aControl, const qxopos_char* aDeviceName);
  int32_t (*Close)(qxopos_control aControl);
  int32_t (*ClaimDevice)(qxopos_control aControl, int32_t aTimeoutMs);
  int32_t (*ReleaseDevice)(qxopos_control aControl);
  int32_t (*SetDeviceEnabled)(qxopos_control aControl, int32_t aEnabled);
  int32_t (*GetDeviceEnabled)(qxopos_control aControl);
  int32_t (*GetResultCodeExtended)(qxopos_control aControl);
  const qxopos_char* (*GetErrorString)(qxopos_control aControl);

  /* ---- fiscal receipt ---- */
  int32_t (*BeginFiscalReceipt)(qxopos_control aControl, int32_t aPrintHeader);
  int32_t (*EndFiscalReceipt)(qxopos_control aControl, int32_t aPrintHeader);
  int32_t (*PrintRecItem)(qxopos_control aControl, const qxopos_char* aDescription, qxopos_currency aPrice,
                          int32_t aQuantity, int32_t aVatInfo, qxopos_currency aUnitPrice,
                          const qxopos_char* aUnitName);
  int32_t (*PrintRecItemVoid)(qxopos_control aControl, const qxopos_char* aDescription, qxopos_currency aPrice,
                              int32_t aQuantity, int32_t aVatInfo, qxopos_currency aUnitPrice,
                              const qxopos_char* aUnitName);
  int32_t (*PrintRecRefund)(qxopos_control aControl, const qxopos_char* aDescription, qxopos_currency aAmount,
                            int32_t aVatInfo);
  int32_t (*PrintRecItemAdjustment)(qxopos_control aControl, int32_t aAdjustmentType,
                                    const qxopos_char* aDescription, qxopos_currency aAmount, int32_t aVatInfo);
  int32_t (*PrintRecSubtotal)(qxopos_control aControl, qxopos_currency aAmount);
  int32_t (*PrintRecSubtotalAdjustment)(qxopos_control aControl, int32_t aAdjustmentType,
                                        const qxopos_char* aDescription, qxopos_currency aAmount);
  int32_t (*PrintRecTotal)(qxopos_control aControl, qxopos_currency aTotal, qxopos_currency aPayment,
                           const qxopos_char* aDescription);
  int32_t (*PrintRecNotPaid)(qxopos_control aControl, const qxopos_char* aDescription, qxopos_currency aAmount);
  int32_t (*PrintRecMessage)(qxopos_control aControl, const qxopos_char* aMessage);
  int32_t (*PrintRecTaxID)(qxopos_control aControl, const qxopos_char* aTaxId);

  /* ---- non-fiscal, training, reports ---- */
  int32_t (*BeginNonFiscal)(qxopos_control aControl);
  int32_t (*PrintNormal)(qxopos_control aControl, int32_t aStation, const qxopos_char* aData);
  int32_t (*EndNonFiscal)(qxopos_control aControl);
  int32_t (*BeginTraining)(qxopos_control aControl);
  int32_t (*EndTraining)(qxopos_control aControl);
  int32_t (*ResetPrinter)(qxopos_control aControl);
  int32_t (*PrintXReport)(qxopos_control aControl);
  int32_t (*PrintZReport)(qxopos_control aControl);

  /* ---- data ---- */
  /* aOptArgs is in and out; *aData receives the control's text. */
  int32_t (*GetData)(qxopos_control aControl, int32_t aDataItem, int32_t* aOptArgs, const qxopos_char** aData);
  /* *aDate receives "ddmmyyyyhhnn". */
  int32_t (*GetDate)(qxopos_control aControl, const qxopos_char** aDate);
  int32_t (*SetDate)(qxopos_control aControl, const qxopos_char* aDate);
  /* aData is in and out; aString goes in and *aStringOut receives the text that comes back. */
  int32_t (*DirectIO)(qxopos_control aControl, int32_t aCommand, int32_t* aData, const qxopos_char* aString,
                      const qxopos_char** aStringOut);

  /* ---- properties (Boolean values are 0 or 1) ---- */
  int32_t (*GetCoverOpen)(qxopos_control aControl);
  int32_t (*GetDayOpened)(qxopos_control aControl);
  int32_t (*GetRecEmpty)(qxopos_control aControl);
  int32_t (*GetRecNearEnd)(qxopos_control aControl);
  int32_t (*GetTrainingModeActive)(qxopos_control aControl);
  int32_t (*GetPrinterState)(qxopos_control aControl);
  int32_t (*GetRemainingFiscalMemory)(qxopos_control aControl);
  void (*SetFiscalReceiptType)(qxopos_control aControl, int32_t aValue);
  void (*SetPreLine)(qxopos_control aControl, const qxopos_char* aValue);
  const qxopos_char* (*GetAdditionalTrailer)(qxopos_control aControl);
  void (*SetAdditionalTrailer)(qxopos_control aControl, const qxopos_char* aValue);
} QxOposFiscalPrinterApi;

/* The entry point's type: the table for aVersion, or null. */
typedef const QxOposFiscalPrinterApi* (*QxOposFiscalPrinterLayerFunction)(uint32_t aVersion);

#ifdef __cplusplus
}
#endif

#endif /* QX_TRANSPORT_OPOS_LAYER_H */
