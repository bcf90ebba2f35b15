// The request wrappers: one per export. A wrapper lives for one call: it reads the request into
// its handler, finds or creates the device, runs the device operation and writes the answer.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "device/fiscal_printer_device.h"
#include "device/receipt_printer_handler.h"
#include "exports/registry.h"
#include "results/answers.h"
#include "support/text.h"

namespace qx {

// Requests longer than this are refused before they are parsed.
constexpr size_t kMaxRequestLength = 16 * 1024 * 1024;

class kFiscalPrinterWrapper {
 public:
  kFiscalPrinterWrapper();
  virtual ~kFiscalPrinterWrapper();
  kFiscalPrinterWrapper(const kFiscalPrinterWrapper&) = delete;
  kFiscalPrinterWrapper& operator=(const kFiscalPrinterWrapper&) = delete;

  // The result record back to its starting state.
  virtual void ClearResult() = 0;
  // The answer, the unescaped error text and the result (0 or -1) from the result record.
  virtual void Format(String& aOutput, String& aErrorMessage, int16_t& aResult) = 0;
  // Reads the request and runs the device operation. Never raises: every failure becomes the
  // result's error text.
  virtual void Process(StringView aXml) = 0;

 protected:
  // The device the request's handle names, or a new registered one when there is no handle and
  // aMayCreate. Raises "Printer Handle not found", "Fiscal Printer has not previously opened" or
  // "Fiscal Printer Driver [<name>] not registered.".
  // aCreated tells whether this call created the device. The device's call lock is held from
  // here until ReleaseDevice: another call on the same device waits for this one.
  kFiscalPrinterDevice& GetFiscalPrinter(bool aMayCreate, bool& aCreated);
  // Lets the device go for the calls that wait for it.
  void ReleaseDevice();

  std::unique_ptr<kReceiptPrinterHandler> fHandler;

 private:
  // The entry of the call's device, kept while its lock is held (declared first: it outlives
  // the lock).
  kDeviceEntryRef fEntry;
  std::unique_lock<std::mutex> fCallLock;
};

// What tells one export from another: the documents it reads, its device operation, whether a
// request without handle creates a device and whether the device keeps the request text.
template <typename Result>
struct qxExportDispatch {
  qxReceiptHandlerDocumentTypes Documents;
  Result (kFiscalPrinterDevice::*Operation)(kReceiptPrinterHandler&);
  bool MayCreate;
  bool KeepsRequest;
};

template <typename Result>
class kFiscalPrinterWrapperOf : public kFiscalPrinterWrapper {
 public:
  explicit kFiscalPrinterWrapperOf(const qxExportDispatch<Result>& aDispatch) : fDispatch(aDispatch) {}

  void ClearResult() override { fResult = Result{}; }
  void Format(String& aOutput, String& aErrorMessage, int16_t& aResult) override {
    aOutput = FormatAnswer(fResult);
    aErrorMessage = fResult.ErrorText;
    aResult = fResult.Error ? -1 : 0;
  }
  void Process(StringView aXml) override;

  const Result& ResultRecord() const { return fResult; }

 protected:
  // Export-specific steps after the operation (OPEN, CLOSE).
  virtual void AfterOperation(kFiscalPrinterDevice&) {}
  // Whether an error is also written to the device's log (OPEN).
  virtual bool LogsErrors() const { return false; }
  // Whether the call opens again, before its operation, a connection that dropped since the
  // last call. OPEN connects anyway and CLOSE lets the connection go.
  virtual bool ReopensDroppedLink() const { return true; }
  // Whether a device that this call created stays registered after it. Only an OPEN that
  // answered its handle keeps it: a device nobody can reach by handle (a failed OPEN, a PAY
  // without handle) is released at the end of its call, with its transport and log thread.
  virtual bool KeepsCreatedDevice() const { return false; }

  Result fResult;

 private:
  qxExportDispatch<Result> fDispatch;
};

#define QX_DECLARE_WRAPPER(NAME, RESULT)                              \
  class kFiscalPrinterWrapper_##NAME : public kFiscalPrinterWrapperOf<RESULT> { \
   public:                                                             \
    kFiscalPrinterWrapper_##NAME();                                    \
  };

QX_DECLARE_WRAPPER(PRINTFR, _int_PRINTFR_result)
QX_DECLARE_WRAPPER(REPRINTFR, _int_REPRINTFR_result)
QX_DECLARE_WRAPPER(PRINTXR, _int_PRINTXR_result)
QX_DECLARE_WRAPPER(PRINTZR, _int_PRINTZR_result)
QX_DECLARE_WRAPPER(PRINTNFR, _int_PRINTNFR_result)
QX_DECLARE_WRAPPER(DISPLAY, _int_DISPLAY_result)
QX_DECLARE_WRAPPER(OPENDR, _int_OPENDR_result)
QX_DECLARE_WRAPPER(GETSTATUS, _int_GETSTATUS_result)
QX_DECLARE_WRAPPER(SET, _int_SET_result)
QX_DECLARE_WRAPPER(SETDATETIME, _int_SETDATETIME_result)
QX_DECLARE_WRAPPER(GETDRSTATUS, _int_GETDRSTATUS_result)
QX_DECLARE_WRAPPER(EJREPORT, _int_EJREPORT_result)
QX_DECLARE_WRAPPER(GETVATTABLE, _int_GETVATTABLE_result)
QX_DECLARE_WRAPPER(SETVATTABLE, _int_SETVATTABLE_result)
QX_DECLARE_WRAPPER(GETDEPTTABLE, _int_GETDEPTTABLE_result)
QX_DECLARE_WRAPPER(SETDEPTTABLE, _int_SETDEPTTABLE_result)
QX_DECLARE_WRAPPER(PAY, _int_PAY_result)
QX_DECLARE_WRAPPER(GETLOTTERYRCPTSTATUS, _int_GETLOTTERYRCPTSTATUS_result)
QX_DECLARE_WRAPPER(GETEJFILES, _int_GETEJFILES_result)
#undef QX_DECLARE_WRAPPER

// OPEN: reports the handle, then initialises the driver and reads status and VAT table.
class kFiscalPrinterWrapper_OPEN : public kFiscalPrinterWrapperOf<_int_OPEN_result> {
 public:
  kFiscalPrinterWrapper_OPEN();

 protected:
  void AfterOperation(kFiscalPrinterDevice& aDevice) override;
  bool LogsErrors() const override { return true; }
  bool KeepsCreatedDevice() const override { return fResult.Handle != 0; }
  bool ReopensDroppedLink() const override { return false; }
};

// CLOSE: removes the device from the registry and releases it.
class kFiscalPrinterWrapper_CLOSE : public kFiscalPrinterWrapperOf<_int_CLOSE_result> {
 public:
  kFiscalPrinterWrapper_CLOSE();

 protected:
  void AfterOperation(kFiscalPrinterDevice& aDevice) override;
  bool ReopensDroppedLink() const override { return false; }
};

}  // namespace qx
