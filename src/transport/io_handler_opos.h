// The OPOS transport: drives a fiscal printer through an OPOS FiscalPrinter control instead of
// a byte stream. Connect opens, claims and enables the logical device; each typed operation
// logs the call, makes it and passes its result code through CheckResult, which turns a failure
// into the transport's error state with a readable text. The control is reached through the
// OPOS layer (opos_control.h); without one every operation fails with OPOS_E_NOSERVICE.
#pragma once

#include <memory>

#include "support/currency.h"
#include "support/date_time.h"
#include "transport/io_handler.h"
#include "transport/opos_control.h"

namespace qx {

class kIOHandler_OPOS : public kIOHandler {
 public:
  // The receipt station of PrintNormal.
  static constexpr int32_t kReceiptStation = 2;

  // Creates the control; the device name comes from the connection's DeviceName.
  kIOHandler_OPOS(const kConnection& aConnection, StringView aDirectory, StringView aFileName);
  // Disconnects when a Connect was attempted, then releases the control.
  ~kIOHandler_OPOS() override;

  bool GetConnected() override { return fConnected; }
  // Open, claim (for the connect time-out), enable; true when the device ended enabled.
  bool Connect() override;
  // Disable, release, close.
  bool Disconnect() override;
  void ClearBuffers() override {}
  // The byte-stream operations raise "Write Unsupported", "ReadUpto Unsupported",
  // "ReadChars Unsupported", "ReadAll Unsupported" and "InputBufferContainsData Unsupported".
  bool Write(StringView aMessage) override;
  String ReadUpTo(const ByteList& aChars) override;
  String ReadChars(int32_t aCharsNum) override;
  String ReadAll() override;
  String DecodeError(int32_t) override { return String(); }
  bool InputBufferContainsData() override;
  void SetParameter(StringView, StringView) override {}
  String ClassName() const override { return u"kIOHandler_OPOS"; }

  const String& DeviceName() const { return fDeviceName; }
  void SetDeviceName(StringView aValue) { fDeviceName = aValue; }

  // ---- typed operations: true on OPOS success ----
  bool BeginFiscalReceipt();
  bool EndFiscalReceipt();
  // Quantities go to OPOS as whole thousandths, truncated; a quantity beyond the 32-bit range of
  // thousandths raises "Quantity <q> is out of range". aCode is not used.
  bool PrintRecItem(StringView aCode, StringView aDescription, Currency aQuantity, StringView aUOM, int32_t aVatCode,
                    Currency aPrice, Currency aAmount);
  bool PrintRecItemVoid(StringView aCode, StringView aDescription, Currency aQuantity, StringView aUOM,
                        int32_t aVatCode, Currency aPrice, Currency aAmount);
  bool PrintRecRefund(StringView aCode, StringView aDescription, Currency aQuantity, StringView aUOM, int32_t aVatCode,
                      Currency aPrice, Currency aAmount);
  bool PrintRecItemAdjustment(int32_t aAdjType, StringView aDescription, Currency aAmount, int32_t aVatCode);
  bool PrintRecSubtotal(Currency aAmount);
  bool PrintRecSubtotalAdjustment(int32_t aAdjType, StringView aDescription, Currency aAmount);
  bool PrintRecTotal(Currency aTotalAmount, Currency aPaymentAmount, StringView aDescription);
  bool PrintRecNotPaid(Currency aAmount, StringView aDescription);
  bool PrintRecMessage(StringView aText);
  bool PrintRecTaxid(StringView aTaxId);
  bool BeginNonFiscal();
  bool PrintNormal(StringView aText);
  bool EndNonFiscal();
  bool BeginTraining();
  bool EndTraining();
  bool ResetPrinter();
  bool PrintXReport();
  bool PrintZReport();
  // aOutput is empty when the call fails.
  bool GetData(int32_t aDataItem, int32_t aOptArgs, String& aOutput);
  // The control's "ddmmyyyyhhnn" text as a date; the current time when the call fails. A text
  // that is no such date raises.
  bool GetDate(TDateTime& aDate);
  bool SetDate(TDateTime aDateTime);
  bool DirectIO(int32_t aCommand, int32_t& aData, String& aString);

  // ---- properties: true without a result check, false only when there is no control ----
  bool GetCoverOpen(bool& aResult);
  bool GetDayOpened(bool& aResult);
  bool GetRecEmpty(bool& aResult);
  bool GetRecNearEnd(bool& aResult);
  bool GetTrainingModeActive(bool& aResult);
  bool PrinterState(int32_t& aPrinterState);
  bool RemainingFiscalMemory(int32_t& aRemainingFiscalMemory);
  bool SetFiscalReceiptType(int32_t aReceiptType);
  bool SetPreLine(StringView aDescription);
  // With aClear the trailer becomes aDescription; otherwise aDescription + CR LF is appended.
  bool SetAdditionalTrailerLine(StringView aDescription, bool aClear);

  // Clears the error state and stores aResultCode as its code; a code other than 0 becomes the
  // error state with ResultText, logged as an error. True for 0.
  bool CheckResult(int32_t aResultCode);
  // "[code] NAME [extended] NAME - ErrorString"; the extended part only when it is not 0.
  String ResultText(int32_t aResultCode, int32_t aExtendedCode);

  OposControl& Control() { return *fOPOS; }

 private:
  // A property operation has a control to ask; otherwise the error state is set as for a failed call.
  bool HasControl();
  bool LogBoolean(StringView aHead, bool aValue);

  std::unique_ptr<OposControl> fOPOS;
  String fDeviceName;
  bool fConnected = false;
};

// The texts of the OPOS log: the amount in its shortest form, a text in single quotes with its
// own quotes doubled.
String AmountToText(Currency aAmount);
String QuotedText(StringView aText);

}  // namespace qx
