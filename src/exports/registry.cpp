#include "exports/registry.h"

namespace qx {

namespace {

// Plain data, constant-initialised and without destructors that matter: the registry ends only
// through Shutdown, at library unload, whatever order the other static objects go in.
kFiscalPrinterRegistry* gRegistry = nullptr;
std::mutex gRegistryLock;

}  // namespace

kFiscalPrinterRegistry& kFiscalPrinterRegistry::Instance() {
  std::lock_guard<std::mutex> guard(gRegistryLock);
  if (gRegistry == nullptr) {
    auto registry = std::make_unique<kFiscalPrinterRegistry>();
    RegisterDrivers(*registry);
    gRegistry = registry.release();
  }
  return *gRegistry;
}

void kFiscalPrinterRegistry::Shutdown() {
  std::unique_ptr<kFiscalPrinterRegistry> registry;
  {
    std::lock_guard<std::mutex> guard(gRegistryLock);
    registry.reset(gRegistry);
    gRegistry = nullptr;
  }
  if (!registry) return;
  std::map<int32_t, kDeviceEntryRef> devices;
  {
    std::lock_guard<std::mutex> guard(registry->fLock);
    devices.swap(registry->fFiscalPrinters);
  }
  // Newest first, as a caller closing them would; each after the call that may still run on it.
  while (!devices.empty()) {
    auto last = std::prev(devices.end());
    const kDeviceEntryRef entry = last->second;
    devices.erase(last);
    std::unique_ptr<kFiscalPrinterDevice> device;
    {
      std::lock_guard<std::mutex> call(entry->fCallLock);
      device = std::move(entry->fDevice);
    }
    device.reset();
  }
}

void kFiscalPrinterRegistry::RegisterClass(StringView aDriverName, kFiscalPrinterClass aClass) {
  std::lock_guard<std::mutex> guard(fLock);
  fFiscalPrinterClasses[String(aDriverName)] = aClass;
}

kFiscalPrinterClass kFiscalPrinterRegistry::FindClass(StringView aDriverName) const {
  std::lock_guard<std::mutex> guard(fLock);
  const auto it = fFiscalPrinterClasses.find(String(aDriverName));
  return it == fFiscalPrinterClasses.end() ? nullptr : it->second;
}

int32_t kFiscalPrinterRegistry::Add(const kDeviceEntryRef& aEntry) {
  std::lock_guard<std::mutex> guard(fLock);
  const int32_t handle = ++fLastFiscalPrinterHandle;
  aEntry->fDevice->fHandle = handle;
  fFiscalPrinters[handle] = aEntry;
  return handle;
}

kDeviceEntryRef kFiscalPrinterRegistry::Find(int32_t aHandle) const {
  std::lock_guard<std::mutex> guard(fLock);
  const auto it = fFiscalPrinters.find(aHandle);
  return it == fFiscalPrinters.end() ? nullptr : it->second;
}

std::unique_ptr<kFiscalPrinterDevice> kFiscalPrinterRegistry::Remove(int32_t aHandle) {
  kDeviceEntryRef entry;
  {
    std::lock_guard<std::mutex> guard(fLock);
    const auto it = fFiscalPrinters.find(aHandle);
    if (it == fFiscalPrinters.end()) return nullptr;
    entry = std::move(it->second);
    fFiscalPrinters.erase(it);
  }
  return std::move(entry->fDevice);
}

size_t kFiscalPrinterRegistry::DeviceCount() const {
  std::lock_guard<std::mutex> guard(fLock);
  return fFiscalPrinters.size();
}

}  // namespace qx
