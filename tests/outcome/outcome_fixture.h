// The library loaded as a point-of-sale program loads it, and the simulator in this process:
// requests go through the exported functions, faults and the registered documents are the
// simulator's.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "fpsim/simulator.h"
#include "library.h"

namespace outcome {

using e2e::Answer;
using e2e::Element;

inline std::string Sale(const std::string& aLines, const std::string& aPayments, const std::string& aType = "Sale",
                        const std::string& aExtra = "") {
  return "<Receipt><Type>" + aType + "</Type>" + aExtra + "<Lines>" + aLines + "</Lines><Taxes/><Payments>" + aPayments +
         "</Payments></Receipt>";
}
inline std::string Item(const std::string& aDescription, const std::string& aPrice) {
  return "<ProductSale><Description>" + aDescription + "</Description><Quantity>1</Quantity><Department>01</Department>"
         "<Price>" + aPrice + "</Price><Amount>" + aPrice + "</Amount></ProductSale>";
}
inline std::string Cash(const std::string& aAmount) {
  return "<Payment><Type>Cash</Type><Amount>" + aAmount + "</Amount></Payment>";
}

class OutcomeFixture : public ::testing::Test {
 protected:
  // aSettings: simulator settings ("mode", "serial", ...).
  void Start(std::initializer_list<std::pair<const char*, const char*>> aSettings = {}) {
    qx::fpsim::SimulatorConfig config;
    qx::fpsim::ApplySetting(config, "serial", fSerial.c_str());
    for (const auto& [key, value] : aSettings) qx::fpsim::ApplySetting(config, key, value);
    fSimulator = std::make_unique<qx::fpsim::Simulator>(config);
    fDevice = fSimulator->StartPty();
    fTcpPort = fSimulator->StartTcp();
  }
  void SetUp() override {
    fRoot = (std::filesystem::temp_directory_path() / ("qx-outcome-" + std::to_string(::getpid()))).string();
    ::setenv("QX_LOG_ROOT", fRoot.c_str(), 1);
    fLibrary = std::make_unique<e2e::Library>();
  }
  void TearDown() override {
    if (fHandle != 0 && fLibrary) Call("CLOSE", "");
    fHandle = 0;
    fLibrary.reset();
    fSimulator.reset();
    std::filesystem::remove_all(fRoot);
  }
  std::string Request(const std::string& aDocument, const std::string& aParameters = "") const {
    return "<Request><Driver>QXRP_EPSFPNAT_20</Driver><LogId>outcome</LogId><Handle>" + std::to_string(fHandle) +
           "</Handle>" + (fOverTcp ? TcpConnection() : SerialConnection()) + "<Parameters>" + aParameters +
           "</Parameters>" + aDocument + "</Request>";
  }
  std::string SerialConnection() const {
    return "<Connection><Type>serial</Type><SerialPort>" + fDevice +
           "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity><StopBits>1</StopBits>"
           "<ReadTimeout>" + std::to_string(fReadTimeout) + "</ReadTimeout></Connection>";
  }
  std::string TcpConnection() const {
    return "<Connection><Type>tcp</Type><Address>127.0.0.1</Address><Port>" + std::to_string(fTcpPort) +
           "</Port><ConnectTimeout>2000</ConnectTimeout><ReadTimeout>" + std::to_string(fReadTimeout) +
           "</ReadTimeout></Connection>";
  }
  Answer Call(const char* aFunction, const std::string& aDocument) {
    return fLibrary->Call(aFunction, Request(aDocument));
  }
  // OPEN and GETSTATUS, as a point-of-sale program starts: the printer's mode and serial number
  // are known afterwards.
  void Open() {
    const Answer open = Call("OPEN", "");
    ASSERT_EQ(open.Result, 0u) << open.Output;
    fHandle = std::stoi(Element(open.Output, "Handle"));
    const Answer status = Call("GETSTATUS", "");
    ASSERT_EQ(status.Result, 0u) << status.Output;
  }
  Answer Print(const std::string& aReceipt) { return Call("PRINTFR", aReceipt); }

  size_t Documents() { return fSimulator->WithModel([](auto& m) { return m.State().documents.size(); }); }
  int ZReports() { return fSimulator->WithModel([](auto& m) { return m.State().zNumber; }); }
  bool FiscalOpen() { return fSimulator->WithModel([](auto& m) { return m.State().fiscal.has_value(); }); }
  int LastNumber() {
    return fSimulator->WithModel([](auto& m) { return m.State().documents.empty() ? 0 : m.State().documents.back().number; });
  }
  // The commands of the frames received since the last call, in order.
  std::vector<std::string> Commands() {
    std::vector<std::string> commands;
    for (const std::string& f : fSimulator->FramesReceived())
      if (f.size() >= 8) commands.push_back(f.substr(4, 4));
    return commands;
  }

  std::string fSerial = "99MEB012345";
  int fReadTimeout = 300;
  std::string fRoot;
  std::unique_ptr<e2e::Library> fLibrary;
  std::unique_ptr<qx::fpsim::Simulator> fSimulator;
  std::string fDevice;
  uint16_t fTcpPort = 0;
  bool fOverTcp = false;
  int fHandle = 0;
};

}  // namespace outcome
