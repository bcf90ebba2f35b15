// The Epson driver against a simulated printer whose tables are set up for the table tests.
#pragma once

#include <string>
#include <vector>

#include "epson_fixture.h"
#include "support/error.h"

namespace qx::testing {

// A printer with VAT slot 1 = 22.00 and 2 = 10.00, the other slots empty.
inline fpsim::SimulatorConfig TablesConfig(const std::string& aMode = "RT") {
  fpsim::SimulatorConfig config;
  fpsim::ApplySetting(config, "mode", aMode);
  for (const char* slot : {"vat.3", "vat.4"}) fpsim::ApplySetting(config, slot, "0");
  return config;
}

class TableFixture : public EpsonFixture {
 protected:
  explicit TableFixture(const std::string& aMode = "RT") : EpsonFixture(TablesConfig(aMode)) {}

  void SetUp() override {
    EpsonFixture::SetUp();
    fDevice->fFiscalMode = FromUtf8(fSimulator.WithModel([](fpsim::PrinterModel& m) { return m.State().fiscalMode; }));
  }

  // The frames received since the last call, as command + data ("420501"), with only the
  // commands of the tables, the day state and the Z report: the Z report may read the journal
  // or the day's totals on its own.
  std::vector<std::string> Sent() {
    std::vector<std::string> out;
    const std::vector<std::string> frames = fSimulator.FramesReceived();
    for (size_t i = fSeen; i < frames.size(); ++i) {
      const std::string& f = frames[i];
      const std::string command = f.substr(4, 4);
      static const std::vector<std::string> kKept = {"2050", "3001", "4205", "4005", "4237",
                                                     "4037", "4202", "4002"};
      for (const std::string& kept : kKept)
        if (command == kept) out.push_back(f.substr(4, f.size() - 4 - 3));
    }
    fSeen = frames.size();
    return out;
  }

  // "4205" with slots 01 to aLast.
  static std::vector<std::string> Reads(const std::string& aCommand, int aLast) {
    std::vector<std::string> out;
    for (int n = 1; n <= aLast; ++n) out.push_back(aCommand + (n < 10 ? "0" : "") + std::to_string(n));
    return out;
  }

  static std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> aParts) {
    std::vector<std::string> out;
    for (const auto& part : aParts) out.insert(out.end(), part.begin(), part.end());
    return out;
  }

  // The message of the error an action raises; empty when it raises none.
  template <typename F>
  static String Raised(F&& aAction) {
    try {
      aAction();
    } catch (const Error& e) {
      return e.Message();
    }
    return String();
  }

  void SetDayDocuments(int aDocuments) {
    fSimulator.WithModel([aDocuments](fpsim::PrinterModel& m) { m.State().day.documents = aDocuments; });
  }
  int ZReports() {
    return fSimulator.WithModel([](fpsim::PrinterModel& m) { return m.State().zNumber; });
  }

  size_t fSeen = 0;
};

}  // namespace qx::testing
