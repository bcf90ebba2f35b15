// Devices over the recording driver, with their logs in a temporary log root.
#pragma once

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "device/receipt_printer_handler.h"
#include "device/recording_driver.h"
#include "support/read_file.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qx::testing {

// A request with a TCP connection (never opened by these tests) and the given extra elements.
inline String Request(const std::string& aInner, int aHandle = 0) {
  std::string xml = "<Request><Driver>TEST</Driver><LogId>t</LogId>";
  if (aHandle != 0) xml += "<Handle>" + std::to_string(aHandle) + "</Handle>";
  xml += "<Connection><Type>tcp</Type><Address>127.0.0.1</Address><Port>9</Port></Connection>" + aInner +
         "</Request>";
  return FromUtf8(xml);
}

inline std::unique_ptr<kReceiptPrinterHandler> Handler(const String& aXml,
                                                       qxReceiptHandlerDocumentTypes aDocuments = {}) {
  auto handler = std::make_unique<kReceiptPrinterHandler>();
  handler->Deserialize(aXml, aDocuments);
  return handler;
}

class DeviceFixture {
 public:
  DeviceFixture() : fLogRoot("QX_LOG_ROOT", fDir.Path()) {}

  template <typename Driver = RecordingDriver>
  std::unique_ptr<Driver> MakeDevice(const String& aXml = Request("")) {
    auto handler = Handler(aXml);
    return std::make_unique<Driver>(*handler);
  }

  TempDir fDir;
  ScopedEnv fLogRoot;
};

}  // namespace qx::testing
