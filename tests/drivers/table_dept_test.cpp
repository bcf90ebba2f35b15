// The economic-activity and department tables of the Epson driver against the simulator.
#include <gtest/gtest.h>

#include <algorithm>

#include "fpsim/field_text.h"
#include "table_fixture.h"

namespace qx {
namespace {

struct Dept {
  const char16_t* Code;
  const char16_t* Description;
  const char16_t* VatCode;
  qxDepartmentSalesType Type;
  const char16_t* EACode;
};

std::unique_ptr<kDeptTable> Departments(std::initializer_list<Dept> aDepts) {
  auto table = std::make_unique<kDeptTable>();
  for (const Dept& d : aDepts) {
    auto dept = std::make_unique<kDepartment>();
    dept->fCode = d.Code;
    dept->fDescription = d.Description;
    dept->fVATCode = d.VatCode;
    dept->fSalesType = d.Type;
    dept->fEACode = d.EACode;
    table->Add(std::move(dept));
  }
  return table;
}

struct Activity {
  const char16_t* Code;
  bool Ventilazione;
};

std::unique_ptr<kEconomicActivityTable> Activities(std::initializer_list<Activity> aActivities) {
  auto table = std::make_unique<kEconomicActivityTable>();
  for (const Activity& a : aActivities) {
    auto activity = std::make_unique<kEconomicActivity>();
    activity->fIndex = static_cast<int32_t>(table->Count()) + 1;
    activity->fCode = a.Code;
    activity->fVentilazione = a.Ventilazione;
    table->Add(std::move(activity));
  }
  return table;
}

// "index code description vat type activity" of every department, in order.
std::vector<std::string> Listed(const kDeptTable& aTable) {
  std::vector<std::string> out;
  for (const kDepartment& d : aTable)
    out.push_back(std::to_string(d.fIndex) + " " + ToUtf8(d.fCode) + " " + ToUtf8(d.fDescription) + " " +
                  ToUtf8(d.fVATCode) + " " + (d.fSalesType == st_Service ? "S" : "P") + " " + ToUtf8(d.fEACode));
  return out;
}

// The department record as written: activity at 71-72.
std::string Record(const std::string& aNumber, const std::string& aDescription, const std::string& aSlot, char aType,
                   const std::string& aActivity) {
  return "4002" + aNumber + fpsim::PadCut(aDescription, 20) + std::string(27, '0') + "0" + aSlot +
         std::string(9, '0') + "0000" + "  " + std::string(1, aType) + "00" + aActivity;
}

std::string ActivityFrame(const std::string& aNumber, const std::string& aCode, char aVentilazione) {
  return "4037" + aNumber + aCode + std::string(1, aVentilazione) + "1" + std::string(9, ' ');
}

class DeptTable : public testing::TableFixture {
 protected:
  // The printer's VAT and activity tables, as SetDeptTable finds them.
  void ProgramActivities(std::initializer_list<Activity> aActivities) {
    auto table = Activities(aActivities);
    ASSERT_TRUE(fDevice->SetEATable(*table));
    Sent();
  }
  std::vector<std::string> ReadBack() {
    EXPECT_TRUE(fDevice->GetVatTable());
    EXPECT_TRUE(fDevice->GetEATable());
    EXPECT_TRUE(fDevice->GetDeptTable());
    Sent();
    return Listed(*fDevice->fDeptTable);
  }
};

TEST_F(DeptTable, ReadsTheAnswerPositions) {
  fSimulator.WithModel([](fpsim::PrinterModel& m) {
    fpsim::PrinterState& s = m.State();
    s.activities[2] = {"477100", true};
    s.departments[1] = {fpsim::PadCut("FRUTTA", 20), std::string(27, '0'), 11, true, 2};
    s.departments[2].activity = 3;  // an activity slot holding "000000"
    s.departments[5].vatSlot = 7;   // an empty slot: not listed, as slots 3 and 4
  });
  ASSERT_TRUE(fDevice->GetVatTable());
  Sent();
  ASSERT_TRUE(fDevice->GetEATable());
  ASSERT_TRUE(fDevice->GetDeptTable());
  EXPECT_EQ(Sent(), Join({Reads("4237", 3), Reads("4202", 25)}));
  const std::vector<std::string> listed = Listed(*fDevice->fDeptTable);
  ASSERT_EQ(listed.size(), 22u);
  EXPECT_EQ(listed[0], "1 01 FRUTTA N2 S 477100");
  EXPECT_EQ(listed[1], "2 02 REPARTO 02 1000 P 000000");
  EXPECT_EQ(listed[2], "6 06 REPARTO 06 2200 P ");
  EXPECT_EQ(fDevice->fEATable->GetByIndex(2)->fVentilazione, true);
}

TEST_F(DeptTable, ActivitiesAreWrittenOnlyWhenTheyDiffer) {
  // An empty table against a printer without activities: nothing to clear.
  auto empty = Activities({});
  ASSERT_TRUE(fDevice->SetEATable(*empty));
  EXPECT_EQ(Sent(), Reads("4237", 3));

  auto two = Activities({{u"563000", false}, {u"4762", true}});
  SetDayDocuments(4);
  ASSERT_TRUE(fDevice->SetEATable(*two));
  EXPECT_EQ(Sent(), Join({Reads("4237", 3),
                          {"20502400", "300101", ActivityFrame("01", "563000", '0'), ActivityFrame("02", "4762  ", '1')}}));
  // The short code reads back without the blanks it was padded with: the same table.
  ASSERT_TRUE(fDevice->SetEATable(*two));
  EXPECT_EQ(Sent(), Reads("4237", 3));
  EXPECT_EQ(fDevice->fEATable->GetByIndex(2)->fCode, u"4762");

  // The empty table clears all three.
  ASSERT_TRUE(fDevice->SetEATable(*empty));
  EXPECT_EQ(Sent(), Join({Reads("4237", 3),
                          {"20502400", ActivityFrame("01", "000000", '0'), ActivityFrame("02", "000000", '0'),
                           ActivityFrame("03", "000000", '0')}}));
}

TEST_F(DeptTable, MoreActivitiesThanSlotsSendNothing) {
  auto four = Activities({{u"1", false}, {u"2", false}, {u"3", false}, {u"4", false}});
  EXPECT_EQ(Raised([&] { fDevice->SetEATable(*four); }), u"No more available economic activity slots");
  EXPECT_EQ(Sent(), std::vector<std::string>{});
}

TEST_F(DeptTable, WritesTheRecordPositions) {
  ProgramActivities({{u"563000", true}});
  SetDayDocuments(2);
  auto depts = Departments({{u"7", u"NON SOGGETTE", u"N2", st_Service, u""},
                            {u"08", u"UNA DESCRIZIONE PIU LUNGA DI VENTI", u"1000", st_Product, u"563000"}});
  ASSERT_TRUE(fDevice->SetDeptTable(*depts));
  EXPECT_EQ(Sent(), Join({Reads("4205", 9), Reads("4237", 3),
                          {"420207", "420208", "20502400", "300101", Record("07", "NON SOGGETTE", "11", '1', "00"),
                           Record("08", "UNA DESCRIZIONE PIU", "02", '0', "01")}}));

  // Read back: the same departments; programming them again only reads.
  const std::vector<std::string> listed = ReadBack();
  EXPECT_EQ(listed[4], "7 07 NON SOGGETTE N2 S ");
  EXPECT_EQ(listed[5], "8 08 UNA DESCRIZIONE PIU 1000 P 563000");
  ASSERT_TRUE(fDevice->SetDeptTable(*depts));
  EXPECT_EQ(Sent(), Join({Reads("4205", 9), Reads("4237", 3), {"420207", "420208"}}));
}

TEST_F(DeptTable, AMissingCodeStopsTheWholeTable) {
  ProgramActivities({{u"563000", false}});
  struct Case {
    Dept Bad;
    const char16_t* Message;
  };
  for (const Case& c : {Case{{u"3", u"X", u"0700", st_Product, u""}, u"VATCode 0700 not found"},
                        Case{{u"3", u"X", u"2200", st_Product, u"999999"}, u"EACode 999999 not found"}}) {
    auto depts = Departments({{u"1", u"PRIMO", u"2200", st_Product, u"563000"}, c.Bad});
    EXPECT_EQ(Raised([&] { fDevice->SetDeptTable(*depts); }), c.Message);
    EXPECT_EQ(Sent(), Join({Reads("4205", 9), Reads("4237", 3)}));  // read, nothing written
  }
}

TEST_F(DeptTable, ADepartmentNumberThatIsNoTwoDigitNumberSendsNothing) {
  for (const char16_t* code : {u"AB", u"100", u"-1", u""}) {
    auto depts = Departments({{u"1", u"PRIMO", u"2200", st_Product, u""}, {code, u"X", u"2200", st_Product, u""}});
    EXPECT_NE(Raised([&] { fDevice->SetDeptTable(*depts); }), u"") << ToUtf8(code);
    EXPECT_EQ(Sent(), std::vector<std::string>{});
  }
  auto letters = Departments({{u"AB", u"X", u"2200", st_Product, u""}});
  EXPECT_EQ(Raised([&] { fDevice->SetDeptTable(*letters); }), u"'AB' is not a valid integer value");
}

// Only a refused activity write keeps the departments from being written: an error that an
// earlier step left (a failed journal login of the Z report) does not.
TEST_F(DeptTable, OnlyARefusedActivityStopsTheDepartments) {
  auto activities = Activities({{u"563000", false}});
  auto depts = Departments({{u"1", u"UNO", u"1000", st_Product, u"563000"}});
  IO().SetCustomError(-1, u"an earlier step failed");
  ASSERT_TRUE(fDevice->SetEATable(*activities));
  EXPECT_TRUE(fDevice->SetDeptTable(*depts));
  EXPECT_EQ(Sent().back(), Record("01", "UNO", "02", '0', "01"));

  IO().ResetCustomError();
  fSimulator.AddFault("4037:error=13");
  auto other = Activities({{u"476200", false}});
  auto otherDepts = Departments({{u"1", u"DUE", u"1000", st_Product, u"476200"}});
  EXPECT_FALSE(fDevice->SetEATable(*other));
  EXPECT_FALSE(fDevice->SetDeptTable(*otherDepts));
  EXPECT_EQ(Sent(), Join({Reads("4237", 3), {"20502400", ActivityFrame("01", "476200", '0')}}));
  EXPECT_EQ(IO().ErrorMessage(), u"VALORE ERRATO");
}

// The record clears the sales limits: a department that has them is written again, although
// its description, VAT slot, sales type and activity are those of the request.
TEST_F(DeptTable, ADepartmentWithLimitsIsWrittenAgain) {
  auto depts = Departments({{u"1", u"UNO", u"1000", st_Product, u""}});
  ASSERT_TRUE(fDevice->SetDeptTable(*depts));
  Sent();
  fSimulator.WithModel([](fpsim::PrinterModel& m) { m.State().departments[1].limits = "000005000" + std::string(18, '0'); });
  ASSERT_TRUE(fDevice->SetDeptTable(*depts));
  EXPECT_EQ(Sent().back(), Record("01", "UNO", "02", '0', "00"));
  EXPECT_EQ(fSimulator.WithModel([](fpsim::PrinterModel& m) { return m.State().departments[1].limits; }),
            std::string(27, '0'));
  ASSERT_TRUE(fDevice->SetDeptTable(*depts));
  EXPECT_EQ(Sent(), Join({Reads("4205", 9), Reads("4237", 3), {"420201"}}));  // now the same: only read
}

// The whole request is checked against the printer's tables, as they will be once its activities
// are written, before the fiscal day is closed and before the first write.
TEST_F(DeptTable, TheWholeRequestIsCheckedBeforeTheZReportAndTheFirstWrite) {
  SetDayDocuments(3);
  struct Case {
    std::initializer_list<Activity> Request;
    Dept Bad;
    const char16_t* Message;
  };
  for (const Case& c : {Case{{{u"563000", false}}, {u"2", u"X", u"0700", st_Product, u""}, u"VATCode 0700 not found"},
                        Case{{{u"563000", false}}, {u"2", u"X", u"2200", st_Product, u"476200"},
                             u"EACode 476200 not found"},
                        Case{{{u"1234567", false}}, {u"2", u"X", u"2200", st_Product, u"1234567"},
                             u"EACode 1234567 not found"},  // the printer keeps six characters
                        Case{{{u"563000", false}}, {u"A", u"X", u"2200", st_Product, u""},
                             u"'A' is not a valid integer value"}}) {
    auto activities = Activities(c.Request);
    auto depts = Departments({{u"1", u"UNO", u"1000", st_Product, u""}, c.Bad});
    EXPECT_EQ(Raised([&] { fDevice->CheckDeptTableRequest(*activities, *depts); }), c.Message);
    for (const std::string& frame : Sent()) EXPECT_TRUE(frame.rfind("42", 0) == 0) << ToUtf8(c.Message) << ": " << frame;
  }
  EXPECT_EQ(ZReports(), 0);

  // A request the printer can take passes, the activities it adds and the six-character cut counted.
  auto activities = Activities({{u"563000", false}, {u"4762", true}, {u"1234567", false}});
  auto depts = Departments({{u"1", u"UNO", u"1000", st_Product, u"563000"}, {u"2", u"DUE", u"2200", st_Product, u"4762"},
                            {u"3", u"TRE", u"N2", st_Service, u"123456"}});
  EXPECT_TRUE(fDevice->CheckDeptTableRequest(*activities, *depts));
  EXPECT_EQ(Sent(), Join({Reads("4205", 9), Reads("4237", 3)}));
}

TEST_F(DeptTable, APrinterErrorInTheMiddleKeepsTheDepartmentsBeforeIt) {
  fSimulator.AddFault("4002:slow=0");
  fSimulator.AddFault("4002:error=13");
  auto depts = Departments({{u"1", u"UNO", u"1000", st_Product, u""},
                            {u"2", u"DUE", u"1000", st_Product, u""},
                            {u"3", u"TRE", u"1000", st_Product, u""}});
  EXPECT_FALSE(fDevice->SetDeptTable(*depts));
  EXPECT_EQ(IO().ErrorMessage(), u"VALORE ERRATO");
  const std::vector<std::string> sent = Sent();
  EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& f) { return f.rfind("4002", 0) == 0; }), 2);

  IO().ResetCustomError();
  std::vector<std::string> listed = ReadBack();
  EXPECT_EQ(listed[0], "1 01 UNO 1000 P ");
  EXPECT_EQ(listed[1], "2 02 REPARTO 02 1000 P ");  // as the printer holds it
  // The next request writes the two that still differ.
  ASSERT_TRUE(fDevice->SetDeptTable(*depts));
  const std::vector<std::string> again = Sent();
  EXPECT_EQ(std::vector<std::string>(again.end() - 2, again.end()),
            (std::vector<std::string>{Record("02", "DUE", "02", '0', "00"), Record("03", "TRE", "02", '0', "00")}));
  listed = ReadBack();
  EXPECT_EQ(listed[2], "3 03 TRE 1000 P ");
}

}  // namespace
}  // namespace qx
