// A simulated printer with a frozen clock, driven with raw frames through its own session.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver_side.h"
#include "fpsim/field_text.h"
#include "fpsim/simulator.h"

namespace qx::fpsim::testing {

inline SimulatorConfig TestConfig() {
  SimulatorConfig config;
  ApplySetting(config, "clock", "2025-03-05 09:07:45");
  ApplySetting(config, "clock_frozen", "true");
  return config;
}

// Data fields as the driver builds them, for 40-character lines.
inline std::string ItemData(const std::string& aDescription, int64_t aThousandths, int64_t aCents,
                            const std::string& aDepartment = "01") {
  return "01" + PadCut(aDescription, 32) + Digits(aThousandths, 7) + Digits(aCents, 9) + aDepartment + "1";
}
inline std::string DeductionData(const std::string& aDescription, int64_t aCents, const std::string& aType,
                                 const std::string& aDepartment = "01") {
  return "01" + PadCut(aDescription, 32) + Digits(aCents, 9) + aType + aDepartment + "1";
}
inline std::string AdjustmentData(const std::string& aDescription, int64_t aCents, char aCode) {
  return "01" + PadCut(aDescription, 32) + Digits(aCents, 9) + std::string(1, aCode) + "00" + "1";
}
inline std::string PaymentData(const std::string& aDescription, int64_t aCents, const std::string& aCode) {
  return "01" + PadCut(aDescription, 32) + Digits(aCents, 9) + aCode + "1";
}
// The refund and void check: "1" refund or "2" void, serial, ddmmyyyy, number, closing.
inline std::string CheckData(char aKind, const std::string& aSerial, const std::string& aDate, int aNumber,
                             int aClosing) {
  return std::string(1, aKind) + PadCut(aSerial, 11) + aDate + Digits(aNumber, 4) + Digits(aClosing, 4);
}

// True when some line of aPaper holds aText.
inline bool Printed(const std::vector<std::string>& aPaper, const std::string& aText) {
  return std::any_of(aPaper.begin(), aPaper.end(), [&](const std::string& l) { return l.find(aText) != std::string::npos; });
}

class ModelTest : public ::testing::Test {
 protected:
  explicit ModelTest(const SimulatorConfig& aConfig = TestConfig()) : fSimulator(aConfig), fLink(fSimulator) {}

  std::string Data(const std::string& aCommand, const std::string& aData = {}) { return fLink.Data(aCommand, aData); }
  // The printer's error code for the command (-1 when it succeeded).
  int ErrorOf(const std::string& aCommand, const std::string& aData = {}) {
    const AnswerFrame answer = fLink.Send(aCommand, aData);
    return answer.isError ? answer.errorCode : -1;
  }
  // Only these tests' own thread drives the simulator, so the state may be read without the lock.
  PrinterState& State() {
    return *fSimulator.WithModel([](PrinterModel& m) { return &m.State(); });
  }

  // Begin, two items, a discount, a subtotal and two payments: 4,00 paid 2,00 cash + 2,00 card.
  // Returns the answer of the closing payment.
  std::string WholeSale() {
    Data("1085", "01");
    Data("1080", ItemData("Pane", 2000, 150, "01"));
    Data("1080", ItemData("Latte", 1000, 120, "02"));
    Data("1083", AdjustmentData("Sconto latte", 20, '0'));
    Data("1086", "01000");
    Data("1084", PaymentData("Contanti", 200, "000"));
    return Data("1084", PaymentData("Carta", 200, "201"));
  }

  Simulator fSimulator;
  DirectLink fLink;
};

}  // namespace qx::fpsim::testing
