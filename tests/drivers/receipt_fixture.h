// PRINTFR through the request wrappers (the exported functions' own code, in process) against
// the printer simulator over a real pseudo-terminal: requests in, answers and exact frames out.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exports/fiscal_printer_wrapper.h"
#include "exports/registry.h"
#include "fpsim/field_text.h"
#include "fpsim/simulator.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qx::testing {

// A printer with a frozen clock (5 March 2025, 09:07:45), and one more setting when given.
inline fpsim::SimulatorConfig ReceiptPrinterConfig(const std::string& aKey = "", const std::string& aValue = "") {
  fpsim::SimulatorConfig config;
  fpsim::ApplySetting(config, "clock", "2025-03-05 09:07:45");
  fpsim::ApplySetting(config, "clock_frozen", "true");
  if (!aKey.empty()) fpsim::ApplySetting(config, aKey, aValue);
  return config;
}

// A product sale line of the request.
inline std::string SaleLine(const std::string& aDescription, const std::string& aQuantity, const std::string& aPrice,
                            const std::string& aDepartment = "1", const std::string& aMore = "") {
  return "<ProductSale><Description>" + aDescription + "</Description><Quantity>" + aQuantity +
         "</Quantity><Department>" + aDepartment + "</Department><TaxCode>2200</TaxCode><Price>" + aPrice +
         "</Price><Amount>0</Amount>" + aMore + "</ProductSale>";
}

inline std::string Payment(const std::string& aType, const std::string& aAmount, const std::string& aMore = "") {
  return "<Payment><Type>" + aType + "</Type><Amount>" + aAmount + "</Amount>" + aMore + "</Payment>";
}

// A Receipt element: header elements, lines, payments and trailer messages as given.
inline std::string ReceiptXml(const std::string& aType, const std::string& aLines, const std::string& aPayments,
                              const std::string& aMore = "") {
  return "<Receipt><Type>" + aType + "</Type>" + aMore + "<Lines>" + aLines + "</Lines><Taxes/><Payments>" +
         aPayments + "</Payments></Receipt>";
}

class ReceiptFixture : public ::testing::Test {
 protected:
  explicit ReceiptFixture(const fpsim::SimulatorConfig& aConfig = ReceiptPrinterConfig())
      : fLogRoot("QX_LOG_ROOT", fDir.Path()), fSimulator(aConfig) {}

  void SetUp() override {
    fPath = fSimulator.StartPty();
    kFiscalPrinterWrapper_OPEN open;
    open.Process(FromUtf8(Request(0, "")));
    ASSERT_FALSE(open.ResultRecord().Error) << ToUtf8(open.ResultRecord().ErrorText);
    fHandle = open.ResultRecord().Handle;
    fSimulator.ClearTranscript();
  }
  void TearDown() override { kFiscalPrinterRegistry::Shutdown(); }

  std::string Request(int aHandle, const std::string& aDocument, const std::string& aParameters = "") const {
    return "<R><Driver>QXRP_EPSFPNAT_20</Driver><LogId>rcpt</LogId><Handle>" + std::to_string(aHandle) +
           "</Handle><Connection><Type>serial</Type><SerialPort>" + fPath +
           "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity><StopBits>1</StopBits>"
           "<ReadTimeout>" + std::to_string(fReadTimeout) + "</ReadTimeout></Connection><Parameters>" + aParameters +
           "</Parameters>" + aDocument + "</R>";
  }

  // PRINTFR with the Receipt element on the open handle; the transcript starts afresh.
  _int_PRINTFR_result Print(const std::string& aReceipt, const std::string& aParameters = "") {
    fSimulator.ClearTranscript();
    kFiscalPrinterWrapper_PRINTFR printfr;
    printfr.Process(FromUtf8(Request(fHandle, aReceipt, aParameters)));
    return printfr.ResultRecord();
  }

  // The frames received since the last Print, each as command + data (frame number, "E",
  // checksum and control bytes left out).
  std::vector<std::string> Sent() const {
    std::vector<std::string> out;
    for (const std::string& frame : fSimulator.FramesReceived()) out.push_back(frame.substr(4, frame.size() - 7));
    return out;
  }
  // The same, commands only.
  std::vector<std::string> Commands() const {
    std::vector<std::string> out;
    for (const std::string& s : Sent()) out.push_back(s.substr(0, 4));
    return out;
  }
  // The data of the first frame of aCommand sent since the last Print (empty when none).
  std::string DataOf(const std::string& aCommand) const {
    for (const std::string& s : Sent())
      if (s.compare(0, 4, aCommand) == 0) return s.substr(4);
    return "(not sent)";
  }

  // The printer's state, read under the simulator's lock.
  template <typename F>
  auto Model(F&& aRead) {
    return fSimulator.WithModel([&](fpsim::PrinterModel& m) { return aRead(m.State()); });
  }

  TempDir fDir;
  ScopedEnv fLogRoot;
  fpsim::Simulator fSimulator;
  std::string fPath;
  int fReadTimeout = 300;
  int32_t fHandle = 0;
};

}  // namespace qx::testing
