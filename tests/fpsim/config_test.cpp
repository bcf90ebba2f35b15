// The settings file and options: what they set is what the printer answers.
#include <gtest/gtest.h>

#include "driver_side.h"
#include "fpsim/config_file.h"
#include "fpsim/simulator.h"
#include "support/error.h"

namespace qx::fpsim {
namespace {

const char kSettings[] =
    "# a printer of the second shop\r\n"
    "serial = 99MEX654321\n"
    "firmware = 5.123\n"
    "mode = MF\n"
    "\n"
    "s14.27 = 0\n"
    "s15.27 = 07\n"
    "vat.5 = 5.50\n"
    "department.3 = FRUTTA E VERDURA;5;service;2\n"
    "activity.2 = 477100;1\n"
    "header.1 = BOTTEGA\n"
    "clock = 2025-01-05 00:15\n"
    "clock_frozen = true\n"
    "fault = 2001:error=31:always\n";

TEST(Config, SettingsShapeTheAnswers) {
  SimulatorConfig config;
  ApplyConfigText(config, kSettings);
  Simulator simulator(config);
  testing::DirectLink link(simulator);
  const std::string serial = link.Data("3217", "01");
  EXPECT_EQ(serial.substr(10, 2) + link.Data("1138", "01").substr(2, 1) + serial.substr(8, 2) + serial.substr(2, 6),
            "99MEX654321");
  EXPECT_EQ(link.Data("1074", "01").substr(2, 5), "5.123");
  EXPECT_EQ(link.Data("1138", "01").substr(3, 2), "01");
  EXPECT_EQ(link.Data("4214", "27").substr(2), "0");
  EXPECT_EQ(link.Data("4215", "27").substr(2), "07");
  EXPECT_EQ(link.Data("4205", "05").substr(2), "0550");
  const std::string department = link.Data("4202", "03");
  EXPECT_EQ(department.substr(2, 20), "FRUTTA E VERDURA    ");
  EXPECT_EQ(department.substr(50, 2), "05");
  EXPECT_EQ(department[67], '1');
  EXPECT_EQ(department.substr(71, 2), "02");
  EXPECT_EQ(link.Data("4237", "02").substr(2, 7), "4771001");
  EXPECT_EQ(link.Data("4201").substr(0, 10), "0501250015");
  EXPECT_EQ(link.Send("2001", "01").errorCode, 31);
  EXPECT_EQ(link.Send("2001", "01").errorCode, 31);
}

TEST(Config, ClockOffsetMovesTheRunningClock) {
  SimulatorConfig config;
  ApplySettingText(config, "clock_offset = -86400");
  const PrinterModel model(config);
  EXPECT_NEAR(model.Clock(), Now() - 1.0, 1.0 / 86400 * 5);
}

TEST(Config, BadSettingsNameTheirLine) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"serial = 123\n", "line 1: bad value '123' for serial"},
      {"\n\nmode = XX\n", "line 3: bad value 'XX' for mode"},
      {"colour = red\n", "line 1: unknown setting 'colour'"},
      {"vat.10 = 4\n", "line 1: bad value '4' for vat.10"},
      {"vat.2 = 100\n", "line 1: bad value '100' for vat.2"},
      {"department.3 = A;1;product\n", "line 1: bad value 'A;1;product' for department.3"},
      {"clock = 2025-02-30 10:00\n", "line 1: bad value '2025-02-30 10:00' for clock"},
      {"fault = 4201:nap\n", "line 1: fault '4201:nap'"},
      {"just words\n", "line 1: expected key = value"},
  };
  for (const Case& c : cases) {
    SimulatorConfig config;
    try {
      ApplyConfigText(config, c.text);
      ADD_FAILURE() << c.text;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
  }
  SimulatorConfig config;
  EXPECT_THROW(LoadConfigFile(config, "/nonexistent/fpsim.conf"), Error);
}

}  // namespace
}  // namespace qx::fpsim
