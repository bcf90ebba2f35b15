// The two process-wide registries: driver classes by name and open devices by handle.
// Plain data used on the caller's thread; the calling program runs one exported call at a time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "device/fiscal_printer_device.h"
#include "support/text.h"

namespace qx {

class kFiscalPrinterRegistry {
 public:
  // The registries of this load of the library, created on first use with the drivers
  // registered.
  static kFiscalPrinterRegistry& Instance();
  // Shuts down every device still registered and releases the registries (library unload).
  static void Shutdown();

  void RegisterClass(StringView aDriverName, kFiscalPrinterClass aClass);
  // Exact, case-sensitive match; null when the name is not registered.
  kFiscalPrinterClass FindClass(StringView aDriverName) const;

  // Gives the device the next handle (from 1, never reused within one load) and registers it.
  int32_t Add(std::unique_ptr<kFiscalPrinterDevice> aDevice);
  kFiscalPrinterDevice* Find(int32_t aHandle) const;
  // Takes the device out of the registry and hands it to the caller.
  std::unique_ptr<kFiscalPrinterDevice> Remove(int32_t aHandle);
  size_t DeviceCount() const { return fFiscalPrinters.size(); }

 private:
  std::map<String, kFiscalPrinterClass> fFiscalPrinterClasses;
  // Devices live here between their creation and CLOSE. Holding them is what lets the library
  // shut down at unload the devices its caller never closed (or could not reach: a failed OPEN,
  // a PAY without handle).
  std::map<int32_t, std::unique_ptr<kFiscalPrinterDevice>> fFiscalPrinters;
  int32_t fLastFiscalPrinterHandle = 0;
};

// Registers the driver classes of this library.
void RegisterDrivers(kFiscalPrinterRegistry& aRegistry);

}  // namespace qx
