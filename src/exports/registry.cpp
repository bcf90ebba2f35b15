#include "exports/registry.h"

namespace qx {

namespace {

std::unique_ptr<kFiscalPrinterRegistry>& Holder() {
  static std::unique_ptr<kFiscalPrinterRegistry> holder;
  return holder;
}

}  // namespace

kFiscalPrinterRegistry& kFiscalPrinterRegistry::Instance() {
  std::unique_ptr<kFiscalPrinterRegistry>& holder = Holder();
  if (!holder) {
    holder = std::make_unique<kFiscalPrinterRegistry>();
    RegisterDrivers(*holder);
  }
  return *holder;
}

void kFiscalPrinterRegistry::Shutdown() {
  std::unique_ptr<kFiscalPrinterRegistry>& holder = Holder();
  if (!holder) return;
  // Newest first, as a caller closing them would.
  while (!holder->fFiscalPrinters.empty()) {
    auto last = std::prev(holder->fFiscalPrinters.end());
    std::unique_ptr<kFiscalPrinterDevice> device = std::move(last->second);
    holder->fFiscalPrinters.erase(last);
    device.reset();
  }
  holder.reset();
}

void kFiscalPrinterRegistry::RegisterClass(StringView aDriverName, kFiscalPrinterClass aClass) {
  fFiscalPrinterClasses[String(aDriverName)] = aClass;
}

kFiscalPrinterClass kFiscalPrinterRegistry::FindClass(StringView aDriverName) const {
  const auto it = fFiscalPrinterClasses.find(String(aDriverName));
  return it == fFiscalPrinterClasses.end() ? nullptr : it->second;
}

int32_t kFiscalPrinterRegistry::Add(std::unique_ptr<kFiscalPrinterDevice> aDevice) {
  const int32_t handle = ++fLastFiscalPrinterHandle;
  aDevice->fHandle = handle;
  fFiscalPrinters[handle] = std::move(aDevice);
  return handle;
}

kFiscalPrinterDevice* kFiscalPrinterRegistry::Find(int32_t aHandle) const {
  const auto it = fFiscalPrinters.find(aHandle);
  return it == fFiscalPrinters.end() ? nullptr : it->second.get();
}

std::unique_ptr<kFiscalPrinterDevice> kFiscalPrinterRegistry::Remove(int32_t aHandle) {
  const auto it = fFiscalPrinters.find(aHandle);
  if (it == fFiscalPrinters.end()) return nullptr;
  std::unique_ptr<kFiscalPrinterDevice> device = std::move(it->second);
  fFiscalPrinters.erase(it);
  return device;
}

}  // namespace qx
