#include "exports/fiscal_printer_wrapper.h"

#include <new>

#include "exports/registry.h"
#include "support/error.h"

namespace qx {

namespace {

// The text of whatever was raised; nothing raised may leave an exported call.
String CurrentErrorText() {
  try {
    throw;
  } catch (const Error& e) {
    return e.Message();
  } catch (const std::bad_alloc&) {
    return u"Out of memory";
  } catch (const std::exception& e) {
    return FromUtf8(e.what());
  } catch (...) {
    return u"Unknown error";
  }
}

using D = qxReceiptHandlerDocumentTypes;
using Device = kFiscalPrinterDevice;

}  // namespace

kFiscalPrinterWrapper::kFiscalPrinterWrapper() : fHandler(std::make_unique<kReceiptPrinterHandler>()) {}

kFiscalPrinterWrapper::~kFiscalPrinterWrapper() = default;

kFiscalPrinterDevice& kFiscalPrinterWrapper::GetFiscalPrinter(bool aMayCreate, bool& aCreated) {
  aCreated = false;
  kFiscalPrinterRegistry& registry = kFiscalPrinterRegistry::Instance();
  const int32_t handle = fHandler->fDeviceHandle;
  if (handle > 0) {
    kDeviceEntryRef entry = registry.Find(handle);
    if (entry == nullptr) throw Error(u"Printer Handle not found");
    std::unique_lock<std::mutex> lock(entry->fCallLock);
    // A CLOSE that ran while this call waited has released the device.
    if (entry->fDevice == nullptr) throw Error(u"Printer Handle not found");
    kFiscalPrinterDevice& device = *entry->fDevice;
    fEntry = std::move(entry);
    fCallLock = std::move(lock);
    device.IOHandler().ResetCustomError();
    return device;
  }
  if (!aMayCreate) throw Error(u"Fiscal Printer has not previously opened");
  const kFiscalPrinterClass create = registry.FindClass(fHandler->fDriver);
  if (create == nullptr) throw Error(u"Fiscal Printer Driver [" + fHandler->fDriver + u"] not registered.");
  // A constructor that raises leaves nothing registered and consumes no handle.
  auto entry = std::make_shared<kDeviceEntry>(create(*fHandler));
  // Locked before it is registered: a call that guesses the new handle waits for this one.
  std::unique_lock<std::mutex> lock(entry->fCallLock);
  registry.Add(entry);
  kFiscalPrinterDevice& created = *entry->fDevice;
  fEntry = std::move(entry);
  fCallLock = std::move(lock);
  aCreated = true;
  return created;
}

void kFiscalPrinterWrapper::ReleaseDevice() {
  if (fCallLock.owns_lock()) fCallLock.unlock();
  fEntry.reset();
}

template <typename Result>
void kFiscalPrinterWrapperOf<Result>::Process(StringView aXml) {
  ClearResult();
  kFiscalPrinterDevice* device = nullptr;
  bool created = false;
  try {
    if (aXml.size() > kMaxRequestLength) throw Error(u"The request text is too long");
    fHandler->Deserialize(aXml, fDispatch.Documents);
    device = &GetFiscalPrinter(fDispatch.MayCreate, created);
    if (!created && ReopensDroppedLink()) device->ReopenDroppedLink();
    if (fDispatch.KeepsRequest) device->fXmlString = String(aXml);
    fResult = (device->*fDispatch.Operation)(*fHandler);
    AfterOperation(*device);
  } catch (...) {
    fResult.ErrorText = CurrentErrorText();
    // CLOSE releases its device in AfterOperation and forgets it there.
    if (device != nullptr) {
      try {
        fResult.LogFileName = device->IOHandler().GetLogFileName();
        if (LogsErrors()) device->IOHandler().Debug(let_error, fResult.ErrorText);
      } catch (...) {
        // The answer already carries the error; a log that fails too adds nothing to it.
      }
    }
  }
  if (created && !KeepsCreatedDevice()) {
    // Its transport writes the stop line and drains its log; the answer keeps the log's name.
    try {
      kFiscalPrinterRegistry::Instance().Remove(device->fHandle).reset();
    } catch (...) {
      fResult.Error = true;
      if (fResult.ErrorText.empty()) fResult.ErrorText = CurrentErrorText();
    }
  }
  ReleaseDevice();
}

#define QX_DEFINE_WRAPPER(NAME, RESULT, DOCUMENTS, OPERATION, MAY_CREATE, KEEPS_REQUEST) \
  kFiscalPrinterWrapper_##NAME::kFiscalPrinterWrapper_##NAME()                           \
      : kFiscalPrinterWrapperOf<RESULT>({DOCUMENTS, &Device::OPERATION, MAY_CREATE, KEEPS_REQUEST}) {}

QX_DEFINE_WRAPPER(PRINTFR, _int_PRINTFR_result, D{dt_Receipt}, Pub_PrintReceipt, false, true)
QX_DEFINE_WRAPPER(REPRINTFR, _int_REPRINTFR_result, D{dt_ReceiptReference}, Pub_RePrintReceipt, false, false)
QX_DEFINE_WRAPPER(PRINTXR, _int_PRINTXR_result, D{dt_XReport}, Pub_PrintXReport, false, true)
QX_DEFINE_WRAPPER(PRINTZR, _int_PRINTZR_result, D{dt_ZReport}, Pub_PrintZReport, false, true)
QX_DEFINE_WRAPPER(PRINTNFR, _int_PRINTNFR_result, D{dt_NFReceipt}, Pub_PrintNFReceipt, false, false)
QX_DEFINE_WRAPPER(DISPLAY, _int_DISPLAY_result, D{dt_Display}, Pub_WriteDisplay, false, false)
QX_DEFINE_WRAPPER(OPENDR, _int_OPENDR_result, D{dt_Drawer}, Pub_OpenDrawer, false, false)
QX_DEFINE_WRAPPER(GETSTATUS, _int_GETSTATUS_result, D{}, Pub_GetStatus, false, true)
QX_DEFINE_WRAPPER(SET, _int_SET_result, D{}, Pub_Set, false, false)
QX_DEFINE_WRAPPER(SETDATETIME, _int_SETDATETIME_result, D{}, Pub_SetDateTime, false, false)
QX_DEFINE_WRAPPER(OPEN, _int_OPEN_result, D{}, Pub_Open, true, true)
QX_DEFINE_WRAPPER(GETDRSTATUS, _int_GETDRSTATUS_result, D{dt_Drawer}, Pub_GetDrawerStatus, false, false)
QX_DEFINE_WRAPPER(EJREPORT, _int_EJREPORT_result, D{dt_EJReport}, Pub_EJReport, false, false)
QX_DEFINE_WRAPPER(CLOSE, _int_CLOSE_result, D{}, Pub_Close, false, false)
QX_DEFINE_WRAPPER(GETVATTABLE, _int_GETVATTABLE_result, D{}, Pub_GetVatTable, false, false)
QX_DEFINE_WRAPPER(SETVATTABLE, _int_SETVATTABLE_result, D{dt_VatTable}, Pub_SetVatTable, false, false)
QX_DEFINE_WRAPPER(GETDEPTTABLE, _int_GETDEPTTABLE_result, D{}, Pub_GetDeptTable, false, false)
QX_DEFINE_WRAPPER(SETDEPTTABLE, _int_SETDEPTTABLE_result, D{dt_DeptTable}, Pub_SetDeptTable, false, false)
QX_DEFINE_WRAPPER(PAY, _int_PAY_result, D{dt_Pay}, Pub_Pay, true, false)
QX_DEFINE_WRAPPER(GETLOTTERYRCPTSTATUS, _int_GETLOTTERYRCPTSTATUS_result, D{dt_ReceiptReference},
                  Pub_GetLotteryReceiptStatus, false, false)
QX_DEFINE_WRAPPER(GETEJFILES, _int_GETEJFILES_result, D{dt_EJFilesRequest}, Pub_GetEJFiles, false, false)
#undef QX_DEFINE_WRAPPER

void kFiscalPrinterWrapper_OPEN::AfterOperation(kFiscalPrinterDevice& aDevice) {
  if (fResult.Error) return;
  fResult.Handle = aDevice.fHandle;
  if (!aDevice.Init()) {
    // A printer that does not answer is not opened: the answer has no handle, so a device this
    // call created is released, and the port is let go for the next OPEN.
    fResult.Handle = 0;
    fResult.Error = true;
    fResult.ErrorText = aDevice.IOHandler().ErrorMessage();
    aDevice.IOHandler().Disconnect();
    return;
  }
  // Their answers are not part of OPEN's: they leave the serial number, the fiscal mode and the
  // VAT table filled in the device.
  aDevice.Pub_GetStatus(*fHandler);
  aDevice.Pub_GetVatTable(*fHandler);
}

void kFiscalPrinterWrapper_CLOSE::AfterOperation(kFiscalPrinterDevice& aDevice) {
  // The device goes with its registry entry; its transport writes the stop line and drains.
  kFiscalPrinterRegistry::Instance().Remove(aDevice.fHandle).reset();
}

}  // namespace qx
