// The VAT table of the Epson driver against the simulator: reading the slots, programming the
// rates the printer lacks, the Z report before it, and the failures.
#include <gtest/gtest.h>

#include "table_fixture.h"

namespace qx {
namespace {

struct Rate {
  const char16_t* Code;
  const char16_t* Value;
};

std::unique_ptr<kVatTable> Request(std::initializer_list<Rate> aRates) {
  auto table = std::make_unique<kVatTable>();
  for (const Rate& r : aRates) {
    auto vat = std::make_unique<kVat>();
    vat->fCode = r.Code;
    vat->fDescription = r.Code;
    vat->fRate = Currency::FromText(r.Value);
    table->Add(std::move(vat));
  }
  return table;
}

// "index code rate" of every entry, in order.
std::vector<std::string> Entries(const kVatTable& aTable) {
  std::vector<std::string> out;
  for (const kVat& v : aTable)
    out.push_back(std::to_string(v.fIndex) + " " + ToUtf8(v.fCode) + " " + ToUtf8(CurrencyToText(v.fRate)));
  return out;
}

const std::vector<std::string> kNatures = {"0 N4 0", "10 N1 0", "11 N2 0", "12 N3 0", "13 N5 0", "14 N6 0"};

class VatTableRt : public testing::TableFixture {};
class VatTableMf : public testing::TableFixture {
 protected:
  VatTableMf() : TableFixture("MF") {}
};

TEST_F(VatTableRt, ReadsNineSlotsThenTheNatures) {
  ASSERT_TRUE(fDevice->GetVatTable());
  EXPECT_EQ(Sent(), Reads("4205", 9));
  std::vector<std::string> expected = {"1 2200 22", "2 1000 10"};
  expected.insert(expected.end(), kNatures.begin(), kNatures.end());
  EXPECT_EQ(Entries(*fDevice->fVatTable), expected);
  EXPECT_EQ(fDevice->fVatTable->GetByIndex(11)->fDescription, u"*NS Non soggette");
}

TEST_F(VatTableMf, ReadsFourSlotsAndNoNatures) {
  ASSERT_TRUE(fDevice->GetVatTable());
  EXPECT_EQ(Sent(), Reads("4205", 4));
  EXPECT_EQ(Entries(*fDevice->fVatTable), (std::vector<std::string>{"1 2200 22", "2 1000 10"}));
  // With an RT server the natures come whatever the mode.
  fDevice->fRTServerActive = true;
  ASSERT_TRUE(fDevice->GetVatTable());
  EXPECT_EQ(fDevice->fVatTable->Count(), 8u);
}

TEST_F(VatTableRt, ProgramsOnlyTheMissingRateAfterTheZReport) {
  for (const int documents : {0, 2}) {
    SCOPED_TRACE(documents);
    fSimulator.WithModel([](fpsim::PrinterModel& m) { m.State().vatRates[3] = 0; });
    SetDayDocuments(documents);
    const int zBefore = ZReports();
    Sent();
    auto request = Request({{u"2200", u"22"}, {u"1000", u"10"}, {u"0400", u"4"}});
    ASSERT_TRUE(fDevice->SetVatTable(*request));
    const std::vector<std::string> closing =
        documents > 0 ? std::vector<std::string>{"300101"} : std::vector<std::string>{};
    EXPECT_EQ(Sent(), Join({Reads("4205", 9), {"20502400"}, closing, {"40050304" "0000"}, Reads("4205", 9)}));
    EXPECT_EQ(ZReports(), zBefore + (documents > 0 ? 1 : 0));
    EXPECT_EQ(fDevice->fVatTable->GetByIndex(3)->fCode, u"0400");
  }
}

TEST_F(VatTableRt, ATableThePrinterHoldsSendsNothing) {
  auto request = Request({{u"2200", u"22"}, {u"1000", u"10"}});
  SetDayDocuments(3);
  ASSERT_TRUE(fDevice->SetVatTable(*request));
  EXPECT_EQ(Sent(), Reads("4205", 9));
  EXPECT_EQ(ZReports(), 0);

  // Programming a table, then the same table again: the second time only reads.
  auto more = Request({{u"2200", u"22"}, {u"0550", u"5.5"}});
  SetDayDocuments(0);
  ASSERT_TRUE(fDevice->SetVatTable(*more));
  Sent();
  ASSERT_TRUE(fDevice->SetVatTable(*more));
  EXPECT_EQ(Sent(), Reads("4205", 9));
  EXPECT_EQ(fSimulator.WithModel([](fpsim::PrinterModel& m) { return m.State().vatRates[3]; }), 550);
}

TEST_F(VatTableMf, ARateZeroNatureClosesTheDayButSendsNoRate) {
  SetDayDocuments(1);
  auto request = Request({{u"2200", u"22"}, {u"N4", u"0"}});
  ASSERT_TRUE(fDevice->SetVatTable(*request));
  EXPECT_EQ(Sent(), Join({Reads("4205", 4), {"20502400", "300101"}, Reads("4205", 4)}));
}

TEST_F(VatTableRt, NoMoreSlotsAfterTheNinth) {
  fSimulator.WithModel([](fpsim::PrinterModel& m) {
    for (int slot = 1; slot <= 9; ++slot) m.State().vatRates[slot] = 100 * slot;
  });
  SetDayDocuments(1);
  auto request = Request({{u"2200", u"22"}});
  EXPECT_EQ(Raised([&] { fDevice->SetVatTable(*request); }), u"No more available VAT slots");
  EXPECT_EQ(Sent(), Join({Reads("4205", 9), {"20502400", "300101"}}));

  // Slot 8 free while 9 is used: a new rate never goes into a gap.
  fSimulator.WithModel([](fpsim::PrinterModel& m) { m.State().vatRates[8] = 0; });
  SetDayDocuments(0);
  EXPECT_EQ(Raised([&] { fDevice->SetVatTable(*request); }), u"No more available VAT slots");
}

TEST_F(VatTableRt, ARateTooWideSendsNothing) {
  for (const char16_t* rate : {u"100", u"150.5"}) {
    auto request = Request({{u"0400", u"4"}, {u"X", rate}});
    const String message = Raised([&] { fDevice->SetVatTable(*request); });
    EXPECT_NE(message.find(u"does not fit its field of 4 digits"), String::npos) << ToUtf8(message);
    EXPECT_EQ(Sent(), std::vector<std::string>{});
  }
}

TEST_F(VatTableRt, APrinterErrorInTheMiddleKeepsWhatWasProgrammed) {
  // The first rate is taken, the printer refuses the second.
  fSimulator.AddFault("4005:slow=0");
  fSimulator.AddFault("4005:error=13");
  auto request = Request({{u"0400", u"4"}, {u"0500", u"5"}, {u"0600", u"6"}});
  EXPECT_FALSE(fDevice->SetVatTable(*request));
  EXPECT_EQ(IO().ErrorMessage(), u"VALORE ERRATO");
  EXPECT_EQ(IO().ErrorCode(), 13);
  EXPECT_EQ(Sent(), Join({Reads("4205", 9), {"20502400", "40050304" "0000", "40050405" "0000"}}));

  // The printer holds the first; the next request programs the rest after it.
  IO().ResetCustomError();
  ASSERT_TRUE(fDevice->GetVatTable());
  EXPECT_EQ(fDevice->fVatTable->GetByIndex(3)->fCode, u"0400");
  EXPECT_EQ(fDevice->fVatTable->GetByIndex(4), nullptr);
  Sent();
  ASSERT_TRUE(fDevice->SetVatTable(*request));
  EXPECT_EQ(Sent(), Join({Reads("4205", 9), {"20502400", "40050405" "0000", "40050506" "0000"}, Reads("4205", 9)}));
}

TEST_F(VatTableRt, AFailedReadProgramsNothing) {
  fSimulator.AddFault("4205:slow=0:2");
  fSimulator.AddFault("4205:error=16");
  auto request = Request({{u"0400", u"4"}});
  EXPECT_FALSE(fDevice->SetVatTable(*request));
  EXPECT_EQ(IO().ErrorMessage(), u"NON PREVISTO");
  EXPECT_EQ(Sent(), Reads("4205", 3));
}

TEST_F(VatTableRt, ThePrinterRefusesWhileTheDayIsOpen) {
  // The Z report fails: the programming goes on and the printer answers its own refusal.
  SetDayDocuments(1);
  fSimulator.AddFault("3001:error=17");
  auto request = Request({{u"0400", u"4"}});
  EXPECT_FALSE(fDevice->SetVatTable(*request));
  EXPECT_EQ(IO().ErrorMessage(), u"IMPOSSIBILE ORA");
  EXPECT_EQ(Sent(), Join({Reads("4205", 9), {"20502400", "300101", "40050304" "0000"}}));
}

}  // namespace
}  // namespace qx
