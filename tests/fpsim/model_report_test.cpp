// Z and X reports, the journal read and the Z-report text of MF mode.
#include <gtest/gtest.h>

#include <algorithm>

#include "model_fixture.h"

namespace qx::fpsim {
namespace {

using testing::ItemData;
using testing::ModelTest;
using testing::PaymentData;
using testing::Printed;

class ReportTest : public ModelTest {
 protected:
  void Sale(int64_t aCents) {
    Data("1085", "01");
    Data("1080", ItemData("Articolo", 1000, aCents));
    Data("1084", PaymentData("", aCents, "000"));
  }
  // The whole memory read: login, first line, next lines until the "3102" answer.
  std::vector<std::string> ReadJournal(char aKind, const std::string& aFrom = "050325",
                                       const std::string& aTo = "050325") {
    Data("4038", "02" + PadCut("36092", 40));
    const std::string selector = std::string("011") + aKind + aFrom + aTo;
    std::vector<std::string> lines;
    AnswerFrame answer = fLink.Send("3103", selector + "0" + "00");
    while (!answer.isError && answer.echo != "3102" && lines.size() < 1000) {
      EXPECT_EQ(answer.echo, "3103");
      EXPECT_EQ(answer.data.size(), 62u);
      lines.push_back(answer.data.substr(16, 46));
      answer = fLink.Send("3103", selector + "1" + "00");
    }
    EXPECT_FALSE(answer.isError) << answer.errorCode;
    EXPECT_EQ(answer.data, "");
    return lines;
  }
  // The value the Z-report reader takes from a line: its last word, "." dropped, "," decimal.
  static std::string LastWord(const std::string& aLine) {
    const std::string t = TrimBlanks(aLine);
    return t.substr(t.find_last_of(' ') + 1);
  }
  static std::string ValueOf(const std::vector<std::string>& aLines, const std::string& aLabel) {
    for (const std::string& line : aLines)
      if (line.find(aLabel) != std::string::npos) return LastWord(line);
    return "<missing " + aLabel + ">";
  }
};

TEST_F(ReportTest, ZReportAdvancesTheClosingNumberAndEmptiesTheDay) {
  Sale(150);
  Sale(250);
  EXPECT_EQ(Data("2050", "2400").substr(15, 9), "000000002");
  Data("3001", "01");
  EXPECT_EQ(Data("2052").substr(14, 4), "0001");
  EXPECT_EQ(Data("2050", "2400").substr(15, 9), "000000000");
  EXPECT_EQ(Data("1070", "01").substr(2, 8), "00010002");  // number 1 again, closed by Z 2
  Sale(100);
  EXPECT_EQ(State().documents.back().number, 1);
  EXPECT_EQ(State().documents.back().closing, 2);
  EXPECT_EQ(Data("2052").substr(0, 14), "00000000000500");  // the grand total keeps growing
  Data("2001", "01");                                      // an X report changes nothing
  EXPECT_EQ(Data("2052").substr(14, 4), "0001");
  EXPECT_EQ(Data("2050", "2400").substr(15, 9), "000000001");
}

TEST_F(ReportTest, MfZReportTextCarriesTheLabelsTheReaderLooksFor) {
  State().fiscalMode = "MF";
  Sale(123456);
  Sale(100);
  Data("1078", "0140001" + PadCut("PRATICA DI RESO 1", 40));
  Data("1080", ItemData("Articolo", 1000, 50));
  Data("1084", PaymentData("", 50, "000"));
  Data("3001", "01");

  const std::vector<std::string> lines = ReadJournal('5');
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(Printed(lines, "RAPPORTO   FISCALE"));
  EXPECT_TRUE(Printed(lines, "SIGILLO FISCALE: "));
  EXPECT_EQ(ValueOf(lines, "TOTALE GIORNO  "), "1.235,56");
  EXPECT_EQ(ValueOf(lines, "GRAN TOTALE  "), "1.235,56");
  EXPECT_EQ(ValueOf(lines, "TOTALE GIORNO NOTE di CREDITO"), "0,50");
  EXPECT_EQ(ValueOf(lines, "GRAN TOTALE NOTE di CREDITO"), "0,50");
  EXPECT_EQ(ValueOf(lines, "NUMERO SCONTRINI NOTE di CREDITO"), "1");
  EXPECT_EQ(ValueOf(lines, "SCONTRINI FISCALI"), "2");
  EXPECT_EQ(ValueOf(lines, "NUMERO AZZERAMENTI"), "0001");
  for (const char* label : {"TOTALE SCONTI", "TOTALE RESI", "TOTALE GIORNO ANNULLAMENTI", "GRAN TOTALE ANNULLAMENTI"})
    EXPECT_EQ(ValueOf(lines, label), "0,00") << label;
  // The date line opens with dd-mm-yy, two blanks, hh:nn; it comes before the seal.
  const auto date = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("05-03-25  09:07", 0) == 0; });
  const auto seal = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("SIGILLO FISCALE: ", 0) == 0; });
  EXPECT_LT(date, seal);
  EXPECT_NE(seal, lines.end());
  // "TOTALE GIORNO  " must not be found in the refunds line, nor "GRAN TOTALE  " in its.
  for (const std::string& l : lines) {
    if (l.find("NOTE di CREDITO") != std::string::npos || l.find("ANNULLAMENTI") != std::string::npos) {
      EXPECT_EQ(l.find("TOTALE GIORNO  "), std::string::npos) << l;
      EXPECT_EQ(l.find("GRAN TOTALE  "), std::string::npos) << l;
    }
  }
}

TEST_F(ReportTest, JournalReadSelectsByKindAndDate) {
  Sale(150);
  Data("1078", "0140001REFUND 0001 0001 05032025 99MEB012345");
  Data("1080", ItemData("Articolo", 1000, 150));
  Data("1084", PaymentData("", 150, "000"));
  const std::vector<std::string> receipts = ReadJournal('1');
  ASSERT_FALSE(receipts.empty());
  EXPECT_TRUE(Printed(receipts, "DOC.N. 0001-0001"));
  EXPECT_FALSE(Printed(receipts, "RESO"));
  const std::vector<std::string> notes = ReadJournal('4');
  EXPECT_TRUE(Printed(notes, "RESO MERCE"));
  EXPECT_TRUE(ReadJournal('1', "010325", "040325").empty());  // another day: only "3102"
  EXPECT_TRUE(ReadJournal('5').empty());                      // no Z report yet

  // Printed instead of read: one command, the journal goes to the paper.
  fSimulator.ClearPaper();
  Data("3103", "0101050325050325" "0" "00");
  const std::vector<std::string> paper = fSimulator.Paper();
  EXPECT_TRUE(Printed(paper, "DOC.N. 0001-0001"));
}

TEST_F(ReportTest, JournalReadNeedsTheLogin) {
  EXPECT_EQ(ErrorOf("3103", "0111050325050325" "0" "00"), 18);
  EXPECT_EQ(ErrorOf("4038", "02" + PadCut("wrong", 40)), 13);
  EXPECT_EQ(ErrorOf("3103", "0111050325050325" "0" "00"), 18);
  Data("4038", "02" + PadCut("36092", 40));
  EXPECT_EQ(ErrorOf("3103", "0111050325050325" "1" "00"), 11);  // "next" before "first"
  EXPECT_EQ(ErrorOf("3103", "0119050325050325" "0" "00"), 13);  // no such kind
  EXPECT_EQ(fLink.Send("3103", "0111050325050325" "0" "00").echo, "3102");
}

}  // namespace
}  // namespace qx::fpsim
