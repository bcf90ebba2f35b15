// Status, clock, day, drawer and parameters of the Epson driver against the simulator.
#include <gtest/gtest.h>

#include <algorithm>

#include "epson_fixture.h"
#include "support/error.h"
#include "support/text_functions.h"

namespace qx {
namespace {

struct Status {
  bool dayOpened = false, paperEnd = false, paperNearEnd = false, coverOpen = false;
  bool fiscalReceiptOpen = false, receiptOpen = false, trainingMode = false;
  TDateTime dateTime = 0;
  String firmware, serial, fiscalMode;
  bool result = false;
};

Status ReadStatus(kFiscalPrinter_EPSFPNAT& aDevice) {
  Status s;
  s.result = aDevice.GetStatus(s.dayOpened, s.dateTime, s.paperEnd, s.paperNearEnd, s.coverOpen, s.fiscalReceiptOpen,
                               s.receiptOpen, s.trainingMode, s.firmware, s.serial, s.fiscalMode);
  return s;
}

std::vector<std::string> Commands(const fpsim::Simulator& aSimulator) {
  std::vector<std::string> out;
  for (const std::string& frame : aSimulator.FramesReceived()) out.push_back(frame.substr(4, 4));
  return out;
}

class StatusCommands : public testing::EpsonFixture {};

TEST_F(StatusCommands, RtPrinter) {
  const Status s = ReadStatus(*fDevice);
  EXPECT_TRUE(s.result);
  EXPECT_EQ(s.fiscalMode, u"RT");
  // Parts 11-12, the RT status character, 9-10 and 3-8 of the serial answer.
  EXPECT_EQ(s.serial, u"99MEB012345");
  EXPECT_EQ(s.firmware, u"5.010");
  EXPECT_FALSE(s.trainingMode);
  EXPECT_FALSE(s.dayOpened);
  EXPECT_GT(s.dateTime, EncodeDate(2020, 1, 1));
  EXPECT_EQ(Commands(fSimulator), (std::vector<std::string>{"2050", "4201", "1074", "4214", "1138", "3217"}));
}

TEST_F(StatusCommands, TrainingFromTheParameterWins) {
  fSimulator.WithModel([](fpsim::PrinterModel& m) { m.State().s14[1] = '1'; });
  EXPECT_TRUE(ReadStatus(*fDevice).trainingMode);
}

TEST_F(StatusCommands, RtStatusRefusedFallsBackToMf) {
  fSimulator.AddFault("1138:error=16");
  const Status s = ReadStatus(*fDevice);
  EXPECT_EQ(s.fiscalMode, u"MF");
  EXPECT_TRUE(s.result);
  EXPECT_FALSE(IO().ErrorFound());  // the refusal was cleared
  EXPECT_EQ(s.serial, u"99EB012345");  // no RT status character
  EXPECT_EQ(Commands(fSimulator).back(), "3217");
}

// A printer that fails before the RT status was asked tells nothing of its mode or serial
// number: the call answers the failure, and no fall-back mode or serial is made up. Only a
// refused RT status command means an older printer in memory-fiscal mode.
TEST_F(StatusCommands, FailureBeforeTheRtStatusIsTheAnswer) {
  struct Case {
    const char* fault;
    const char16_t* error;
  };
  const Case cases[] = {{"*:silence:always", u"Timeout Error"},
                        {"2050:error=2", u"CARTA SCONTRINO"},
                        {"4201:error=3", u"OFFLINE"},
                        {"1074:error=2", u"CARTA SCONTRINO"},
                        {"1138:silence:always", u"Timeout Error"}};
  IO().SetReadTimeout(40);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    fSimulator.ClearFaults();
    fSimulator.AddFault(c.fault);
    fSimulator.ClearTranscript();
    IO().ResetCustomError();
    fDevice->BeginOperation();
    const Status s = ReadStatus(*fDevice);
    EXPECT_FALSE(s.result);
    EXPECT_EQ(s.fiscalMode, u"");
    EXPECT_EQ(s.serial, u"");
    EXPECT_EQ(IO().ErrorMessage(), c.error);
    const std::vector<std::string> commands = Commands(fSimulator);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "3217"), 0);
  }
  fSimulator.ClearFaults();
  IO().ResetCustomError();
  fDevice->BeginOperation();
  EXPECT_EQ(ReadStatus(*fDevice).fiscalMode, u"RT");
}

// A printer that falls silent costs the status reading one command's attempts: nothing is asked
// after it, also when it fell silent after answering another command's echo.
TEST_F(StatusCommands, SilenceEndsTheReadingAtThatCommand) {
  struct Case {
    std::vector<std::string> faults;
    std::vector<std::string> commands;
  };
  const Case cases[] = {{{"*:silence:always"}, {"2050", "2050", "2050"}},
                        {{"2050:echo=4201", "*:silence:always"}, {"2050", "2050", "2050", "2050"}},
                        {{"1074:silence:always"}, {"2050", "4201", "1074", "1074", "1074"}}};
  IO().SetReadTimeout(40);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faults.back());
    fSimulator.ClearFaults();
    for (const std::string& fault : c.faults) fSimulator.AddFault(fault);
    fSimulator.ClearTranscript();
    IO().ResetCustomError();
    fDevice->BeginOperation();
    EXPECT_FALSE(ReadStatus(*fDevice).result);
    EXPECT_EQ(IO().ErrorMessage(), u"Timeout Error");
    EXPECT_EQ(Commands(fSimulator), c.commands);
  }
}

TEST_F(StatusCommands, AnEchoOfAnotherCommandIsAskedAgain) {
  fSimulator.AddFault("2050:echo=4201:2");
  const Status s = ReadStatus(*fDevice);
  EXPECT_TRUE(s.result);
  const std::vector<std::string> commands = Commands(fSimulator);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "2050"), 3);
}

TEST_F(StatusCommands, SetDateTimeSendsDayMonthYearHourMinute) {
  ASSERT_TRUE(fDevice->SetDateTime(EncodeDateTime({2025, 3, 5, 9, 7, 45, 0})));
  EXPECT_EQ(fSimulator.FramesReceived().back().substr(4, 16), "4001050325090700");
  TDateTime clock = 0;
  ASSERT_TRUE(fDevice->GetDateTime(clock));
  const DateTimeParts p = DecodeDateTime(clock);
  EXPECT_EQ(p.Year, 2025);
  EXPECT_EQ(p.Month, 3);
  EXPECT_EQ(p.Day, 5);
  EXPECT_EQ(p.Hour, 9);
}

// The printer keeps two-digit years: a date outside 2000-2099 is refused before anything is
// sent; one far from the computer's clock is set, with a warning in the log.
TEST_F(StatusCommands, SetDateTimeTakesOnlyTheYearsThePrinterKeeps) {
  fDevice->fComputerClock = [] { return EncodeDateTime({2025, 3, 5, 9, 0, 0, 0}); };
  for (const DateTimeParts& refused : {DateTimeParts{9999, 12, 31, 23, 59, 0, 0}, DateTimeParts{1900, 1, 1, 0, 0, 0, 0},
                                       DateTimeParts{1999, 12, 31, 23, 59, 0, 0}, DateTimeParts{2100, 1, 1, 0, 0, 0, 0},
                                       DateTimeParts{1899, 12, 29, 0, 0, 0, 0}}) {
    fSimulator.ClearTranscript();
    String message;
    try {
      fDevice->SetDateTime(EncodeDateTime(refused));
    } catch (const Error& e) {
      message = e.Message();
    }
    EXPECT_EQ(message, u"The date " + DateTimeToText(false, EncodeDateTime(refused)) +
                           u" cannot be set: the printer keeps the years 2000 to 2099");
    EXPECT_TRUE(fSimulator.FramesReceived().empty()) << refused.Year;
  }
  const struct {
    DateTimeParts when;
    std::string data;
  } accepted[] = {{{2000, 1, 1, 0, 0, 0, 0}, "4001010100000000"},
                  {{2099, 12, 31, 23, 59, 0, 0}, "4001311299235900"},
                  {{2025, 3, 5, 20, 30, 0, 0}, "4001050325203000"}};
  for (const auto& a : accepted) {
    ASSERT_TRUE(fDevice->SetDateTime(EncodeDateTime(a.when)));
    EXPECT_EQ(fSimulator.FramesReceived().back().substr(4, 16), a.data);
  }
  const std::string log = CloseAndReadLog();
  EXPECT_NE(log.find("Warning: the printer's clock is set to 2000-01-01T00:00:00, 9195 days from the computer's clock"),
            std::string::npos);
  EXPECT_NE(log.find("Warning: the printer's clock is set to 2099-12-31T23:59:00, "), std::string::npos);
  EXPECT_EQ(log.find("Warning: the printer's clock is set to 2025-03-05"), std::string::npos);
}

TEST_F(StatusCommands, DrawerAndDay) {
  bool open = true;
  EXPECT_TRUE(fDevice->GetDrawerStatus(1, open));
  EXPECT_FALSE(open);
  fSimulator.WithModel([](fpsim::PrinterModel& m) {
    m.State().drawerOpen = true;
    m.State().drawerReadsLeft = 5;
  });
  EXPECT_TRUE(fDevice->GetDrawerStatus(1, open));
  EXPECT_TRUE(open);
  EXPECT_FALSE(fDevice->IsDayOpen());
  fSimulator.WithModel([](fpsim::PrinterModel& m) { m.State().day.documents = 3; });
  EXPECT_TRUE(fDevice->IsDayOpen());
}

TEST_F(StatusCommands, ParametersAreWrittenOnlyWhenTheyDiffer) {
  fSimulator.WithModel([](fpsim::PrinterModel& m) { m.State().s14[11] = '1'; });
  fSimulator.ClearTranscript();
  EXPECT_TRUE(fDevice->SetS14Value(11, u"1"));
  EXPECT_EQ(Commands(fSimulator), (std::vector<std::string>{"4214"}));
  EXPECT_TRUE(fDevice->SetS14Value(11, u"0"));
  EXPECT_EQ(Commands(fSimulator), (std::vector<std::string>{"4214", "4214", "4014"}));
  EXPECT_EQ(fDevice->GetS14Value(11), u"0");
  EXPECT_TRUE(fDevice->SetS15Value(27, u"00"));
  EXPECT_EQ(fDevice->GetS15Value(27), u"00");
}

TEST_F(StatusCommands, InitReadsTheHandshakeAndLineLength) {
  fSimulator.WithModel([](fpsim::PrinterModel& m) {
    m.State().s14[51] = '0';
    m.State().s14[27] = '1';
  });
  ASSERT_TRUE(fDevice->Init());
  EXPECT_EQ(fDevice->fLineLength, 46);
  EXPECT_TRUE(fDevice->fAckEnabled);
  EXPECT_EQ(Commands(fSimulator).back(), "1088");  // ends with the reset
  fSimulator.WithModel([](fpsim::PrinterModel& m) { m.State().s14[51] = '1'; });
  fDevice->Init();
  EXPECT_EQ(fDevice->fLineLength, 40);
}

// A printer that does not answer is not initialised: Init stops at its first command, silent or
// refused up to the frame bound. One that refuses the parameter reads with an error answer is
// still initialised.
TEST_F(StatusCommands, InitStopsAtAPrinterThatDoesNotAnswer) {
  struct Case {
    const char* fault;
    bool result;
    size_t frames;
    const char16_t* error;
  };
  const Case cases[] = {{"*:silence:always", false, 3, u"Timeout Error"},
                        {"*:resend:always", false, kFiscalPrinter_EPSFPNAT::kMaxFrameSends,
                         u"The printer refused the frame 5 times"},
                        {"4214:error=16:always", true, 0, u"NON PREVISTO"}};
  IO().SetReadTimeout(40);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    fSimulator.ClearFaults();
    fSimulator.AddFault(c.fault);
    fSimulator.ClearTranscript();
    IO().ResetCustomError();
    fDevice->BeginOperation();
    EXPECT_EQ(fDevice->Init(), c.result);
    EXPECT_EQ(IO().ErrorMessage(), c.error);
    CountOf(fpsim::EntryKind::Frame, c.frames);  // the last refused frame may still be on its way
    const std::vector<std::string> commands = Commands(fSimulator);
    if (c.result) {
      EXPECT_FALSE(fDevice->fAckEnabled);
      EXPECT_EQ(commands.back(), "1088");
    } else {
      EXPECT_EQ(commands, std::vector<std::string>(c.frames, "4214"));
    }
  }
}

TEST_F(StatusCommands, VatTableWithTheNaturesInRtMode) {
  fSimulator.WithModel([](fpsim::PrinterModel& m) {
    m.State().vatRates = {};
    m.State().vatRates[1] = 2200;
    m.State().vatRates[2] = 1000;
  });
  fDevice->fFiscalMode = u"RT";
  ASSERT_TRUE(fDevice->GetVatTable());
  std::vector<std::pair<int32_t, String>> got;
  for (const kVat& v : *fDevice->fVatTable) got.emplace_back(v.fIndex, v.fCode);
  EXPECT_EQ(got, (std::vector<std::pair<int32_t, String>>{
                     {1, u"2200"}, {2, u"1000"}, {0, u"N4"}, {10, u"N1"}, {11, u"N2"}, {12, u"N3"}, {13, u"N5"},
                     {14, u"N6"}}));
  EXPECT_EQ(fDevice->fVatTable->Get(u"2200")->fRate, Currency::FromInt(22));
  fDevice->fFiscalMode = u"MF";
  ASSERT_TRUE(fDevice->GetVatTable());
  EXPECT_EQ(fDevice->fVatTable->Count(), 2u);
}

class MfPrinter : public testing::EpsonFixture {
 protected:
  static fpsim::SimulatorConfig Config() {
    fpsim::SimulatorConfig c;
    c.firmware = "2.010";
    c.fiscalMode = "MF";
    return c;
  }
  MfPrinter() : EpsonFixture(Config()) {}
};

TEST_F(MfPrinter, OldFirmwareIsMfWithoutAskingForTheRtStatus) {
  const Status s = ReadStatus(*fDevice);
  EXPECT_EQ(s.fiscalMode, u"MF");
  EXPECT_EQ(s.serial.size(), 10u);
  const std::vector<std::string> commands = Commands(fSimulator);
  EXPECT_EQ(std::find(commands.begin(), commands.end(), "1138"), commands.end());
}

}  // namespace
}  // namespace qx
