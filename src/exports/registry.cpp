#include "exports/registry.h"

namespace qx {

namespace {

// A plain pointer, constant-initialised and without a destructor of its own: the registry ends
// only through Shutdown, at library unload, whatever order the other static objects go in.
kFiscalPrinterRegistry* gRegistry = nullptr;

}  // namespace

kFiscalPrinterRegistry& kFiscalPrinterRegistry::Instance() {
  if (gRegistry == nullptr) {
    auto registry = std::make_unique<kFiscalPrinterRegistry>();
    RegisterDrivers(*registry);
    gRegistry = registry.release();
  }
  return *gRegistry;
}

void kFiscalPrinterRegistry::Shutdown() {
  if (gRegistry == nullptr) return;
  // Newest first, as a caller closing them would.
  auto& devices = gRegistry->fFiscalPrinters;
  while (!devices.empty()) {
    auto last = std::prev(devices.end());
    std::unique_ptr<kFiscalPrinterDevice> device = std::move(last->second);
    devices.erase(last);
    device.reset();
  }
  delete gRegistry;
  gRegistry = nullptr;
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
