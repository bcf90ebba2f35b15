// Status, clock, serial number, reset and parameters, at the positions the driver reads.
#include <gtest/gtest.h>

#include "model_fixture.h"

namespace qx::fpsim {
namespace {

using testing::ItemData;
using testing::ModelTest;
using testing::PaymentData;

class StatusTest : public ModelTest {};

TEST_F(StatusTest, ClockReadsAndSets) {
  EXPECT_EQ(Data("4201").substr(0, 10), "0503250907");
  Data("4001", "311224235900");
  EXPECT_EQ(Data("4201").substr(0, 10), "3112242359");
  EXPECT_EQ(ErrorOf("4001", "320125090000"), 10);  // no 32 January
  EXPECT_EQ(ErrorOf("4001", "0101250900"), 13);    // short

  // Once a day is closed the clock cannot go back before it.
  Data("4001", "050325090700");
  Data("3001", "01");
  EXPECT_EQ(ErrorOf("4001", "040325090700"), 9);
  Data("4001", "050325080000");  // earlier the same day is fine
}

TEST_F(StatusTest, DailyDataCountsTheDaysDocuments) {
  EXPECT_EQ(Data("2050", "2400").substr(15, 9), "000000000");
  Data("1085", "01");
  Data("1080", ItemData("Pane", 1000, 150));
  Data("1084", PaymentData("", 150, "000"));
  const std::string data = Data("2050", "2400");
  EXPECT_EQ(data.substr(0, 4), "2400");
  EXPECT_EQ(data.substr(15, 9), "000000001");
}

TEST_F(StatusTest, PrinterStatusCharacters) {
  // positions 3-7 firmware, 13-17 the status characters
  EXPECT_EQ(Data("1074", "01").substr(2, 5), "5.010");

  struct Case {
    PaperState paper;
    bool drawerOpen;
    int document;  // 0 none, 1 non-fiscal, 2 fiscal, 3 fiscal in payment
    const char* status;
  };
  const Case cases[] = {
      {PaperState::Ok, false, 0, "00110"},       {PaperState::NearEnd, false, 0, "20110"},
      {PaperState::End, false, 0, "30110"},      {PaperState::CoverOpen, false, 0, "30110"},
      {PaperState::Ok, true, 0, "00010"},        {PaperState::Ok, false, 1, "00120"},
      {PaperState::Ok, false, 2, "00130"},       {PaperState::Ok, false, 3, "00140"},
  };
  for (const Case& c : cases) {
    State() = PrinterModel(testing::TestConfig()).State();
    State().paper = c.paper;
    State().drawerOpen = c.drawerOpen;
    State().drawerReadsLeft = 5;
    if (c.document == 1) State().nonFiscalOpen = true;
    if (c.document >= 2) State().fiscal.emplace();
    if (c.document == 3) State().fiscal->inPayment = true;
    EXPECT_EQ(Data("1074", "01").substr(12, 5), c.status) << c.status;
  }
}

TEST_F(StatusTest, DrawerReadsOpenThenTheCashierClosesIt) {
  Data("1050", "01");
  EXPECT_EQ(Data("1074", "01")[14], '0');  // open
  EXPECT_EQ(Data("1074", "01")[14], '1');  // closed after one read (drawer_auto_close = 1)
}

TEST_F(StatusTest, SerialNumberAsTheDriverAssemblesIt) {
  const std::string rt = Data("1138", "01");
  const std::string serial = Data("3217", "01");
  ASSERT_GE(rt.size(), 39u);
  ASSERT_EQ(serial.size(), 12u);
  // positions 11-12 + serial character + positions 9-10 + positions 3-8
  EXPECT_EQ(serial.substr(10, 2) + rt.substr(2, 1) + serial.substr(8, 2) + serial.substr(2, 6), "99MEB012345");
  EXPECT_EQ(rt.substr(3, 2), "02");  // RT
  EXPECT_EQ(rt[38], '0');             // not in training
}

TEST_F(StatusTest, ParametersReadAndWrite) {
  EXPECT_EQ(Data("4214", "27").substr(2), "1");  // the driver sends its ACK
  EXPECT_EQ(Data("4214", "51").substr(2), "1");  // 40 characters a line
  EXPECT_EQ(Data("4215", "27").substr(2), "01");
  Data("4014", "011");
  Data("4015", "2700");
  EXPECT_EQ(Data("4214", "01").substr(2), "1");
  EXPECT_EQ(Data("4215", "27").substr(2), "00");
  EXPECT_EQ(Data("1138", "01")[38], '1');  // training shows in the RT status too
  EXPECT_EQ(ErrorOf("4214", "00"), 13);
  EXPECT_EQ(ErrorOf("4014", "01"), 13);

  Data("4014", "510");  // 46 characters: items now carry a 38-character description
  Data("1085", "01");
  EXPECT_EQ(ErrorOf("1080", ItemData("Pane", 1000, 150)), 13);
  Data("1080", "01" + PadCut("Pane", 38) + "0001000" + "000000150" + "01" + "1");
}

TEST_F(StatusTest, ResetCancelsTheOpenDocument) {
  Data("1085", "01");
  Data("1080", ItemData("Pane", 1000, 150));
  EXPECT_EQ(Data("1074", "01")[15], '3');
  Data("1088", "01");
  EXPECT_EQ(Data("1074", "01")[15], '1');
  EXPECT_EQ(Data("2050", "2400").substr(15, 9), "000000000");  // nothing was closed
}

TEST_F(StatusTest, MfModeAndAnMfOnlyFirmware) {
  SimulatorConfig config = testing::TestConfig();
  ApplySetting(config, "mode", "MF");
  ApplySetting(config, "firmware", "2.01");
  Simulator simulator(config);
  testing::DirectLink link(simulator);
  EXPECT_EQ(link.Data("1074", "01").substr(2, 5), "2.01 ");
  EXPECT_EQ(link.Data("1138", "01").substr(3, 2), "01");
}

TEST_F(StatusTest, PaperEndStopsPrinting) {
  State().paper = PaperState::End;
  EXPECT_EQ(ErrorOf("1085", "01"), 2);
  EXPECT_EQ(ErrorOf("1063", "01"), 2);
  Data("4201");  // commands that do not print still work
}

}  // namespace
}  // namespace qx::fpsim
