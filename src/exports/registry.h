// The two process-wide registries: driver classes by name and open devices by handle.
// Hosts may call from several threads: the registries are guarded by a lock of their own, and
// every call on a device holds that device's call lock from its start to its end, so calls on
// one device wait for each other while calls on different devices run side by side.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "device/fiscal_printer_device.h"
#include "support/text.h"

namespace qx {

// A registered device with the lock that each call on it holds. A call keeps the entry alive
// while it waits for the lock, so a CLOSE that released the device in the meantime leaves it an
// empty entry to find, not freed memory.
struct kDeviceEntry {
  explicit kDeviceEntry(std::unique_ptr<kFiscalPrinterDevice> aDevice) : fDevice(std::move(aDevice)) {}
  std::mutex fCallLock;
  // Empty once the device was released (CLOSE, or the end of a call that no one can reach again).
  std::unique_ptr<kFiscalPrinterDevice> fDevice;
};
using kDeviceEntryRef = std::shared_ptr<kDeviceEntry>;

class kFiscalPrinterRegistry {
 public:
  // The registries of this load of the library, created on first use with the drivers
  // registered.
  static kFiscalPrinterRegistry& Instance();
  // Shuts down every device still registered (after any call still running on it) and releases
  // the registries (library unload).
  static void Shutdown();

  void RegisterClass(StringView aDriverName, kFiscalPrinterClass aClass);
  // Exact, case-sensitive match; null when the name is not registered.
  kFiscalPrinterClass FindClass(StringView aDriverName) const;

  // Gives the entry's device the next handle (from 1, never reused within one load) and
  // registers it.
  int32_t Add(const kDeviceEntryRef& aEntry);
  // The entry of a registered handle, or null.
  kDeviceEntryRef Find(int32_t aHandle) const;
  // Takes the device out of the registry and hands it to the caller, who holds its call lock.
  std::unique_ptr<kFiscalPrinterDevice> Remove(int32_t aHandle);
  size_t DeviceCount() const;

 private:
  mutable std::mutex fLock;
  std::map<String, kFiscalPrinterClass> fFiscalPrinterClasses;
  // Devices live here between their creation and CLOSE. Holding them is what lets the library
  // shut down at unload the devices its caller never closed.
  std::map<int32_t, kDeviceEntryRef> fFiscalPrinters;
  int32_t fLastFiscalPrinterHandle = 0;
};

// Registers the driver classes of this library.
void RegisterDrivers(kFiscalPrinterRegistry& aRegistry);

}  // namespace qx
