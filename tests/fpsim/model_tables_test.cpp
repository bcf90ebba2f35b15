// VAT, economic-activity and department tables at the positions the driver reads and writes.
#include <gtest/gtest.h>

#include "model_fixture.h"

namespace qx::fpsim {
namespace {

using testing::ItemData;
using testing::ModelTest;
using testing::PaymentData;

// The department record as the driver writes it (72 characters).
std::string DepartmentRecord(int aNumber, const std::string& aDescription, int aSlot, char aType, int aActivity) {
  return Digits(aNumber, 2) + PadCut(aDescription, 20) + std::string(27, '0') + "0" + Digits(aSlot, 2) +
         std::string(9, '0') + "0000" + "  " + std::string(1, aType) + "00" + Digits(aActivity, 2);
}

class TablesTest : public ModelTest {};

TEST_F(TablesTest, VatSlots) {
  EXPECT_EQ(Data("4205", "01"), "012200");
  EXPECT_EQ(Data("4205", "02").substr(2, 4), "1000");
  EXPECT_EQ(Data("4205", "05").substr(2, 4), "0000");  // empty
  Data("4005", "05055000");
  EXPECT_EQ(Data("4205", "05").substr(2, 4), "0550");
  for (const char* bad : {"00", "10", "1"}) EXPECT_EQ(ErrorOf("4205", bad), 13) << bad;
}

TEST_F(TablesTest, ActivitiesRoundTrip) {
  EXPECT_EQ(Data("4237", "01").substr(2, 7), "0000000");
  Data("4037", "02" "477100" "1" "1" + std::string(9, ' '));
  const std::string data = Data("4237", "02");
  EXPECT_EQ(data.substr(2, 6), "477100");
  EXPECT_EQ(data[8], '1');
  EXPECT_EQ(ErrorOf("4237", "04"), 13);
  EXPECT_EQ(ErrorOf("4037", "02" "477100" "1" "0" + std::string(9, ' ')), 13);  // "1" and nine blanks
}

TEST_F(TablesTest, DepartmentsRoundTrip) {
  const std::string record = DepartmentRecord(7, "FRUTTA", 11, '1', 2);
  ASSERT_EQ(record.size(), 72u);
  Data("4002", record);
  const std::string data = Data("4202", "07");
  EXPECT_EQ(data.substr(2, 20), PadCut("FRUTTA", 20));  // positions 3-22
  EXPECT_EQ(data.substr(50, 2), "11");                  // 51-52 VAT slot
  EXPECT_EQ(data[67], '1');                              // 68 sales type
  EXPECT_EQ(data.substr(71, 2), "02");                  // 72-73 activity
  EXPECT_EQ(data.substr(0, 70), record.substr(0, 70));  // the rest as written
  EXPECT_EQ(ErrorOf("4002", DepartmentRecord(7, "X", 15, '0', 0)), 13);
  EXPECT_EQ(ErrorOf("4002", record.substr(0, 71)), 13);
  for (const size_t filler : {49u, 52u, 64u, 65u, 66u, 68u, 69u}) {  // "0", zeros, blanks, "00"
    std::string bad = record;
    bad[filler] = bad[filler] == ' ' ? '0' : ' ';
    EXPECT_EQ(ErrorOf("4002", bad), 13) << filler;
  }

  // A sale on a department of a VAT nature prints the nature and rate 0.
  Data("1085", "01");
  Data("1080", ItemData("Mele", 1000, 200, "07"));
  EXPECT_NE(fSimulator.Paper().back().find("NS"), std::string::npos);
}

TEST_F(TablesTest, TablesChangeOnlyWhenTheDayIsClosed) {
  Data("1085", "01");
  Data("1080", ItemData("Pane", 1000, 150));
  Data("1084", PaymentData("", 150, "000"));
  EXPECT_EQ(ErrorOf("4005", "05055000"), 17);
  EXPECT_EQ(ErrorOf("4037", "02" "477100" "1" "1" + std::string(9, ' ')), 17);
  EXPECT_EQ(ErrorOf("4002", DepartmentRecord(7, "FRUTTA", 1, '0', 0)), 17);
  Data("3001", "01");
  Data("4005", "05055000");
}

}  // namespace
}  // namespace qx::fpsim
