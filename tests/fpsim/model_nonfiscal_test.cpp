// Non-fiscal documents, barcodes, display, electronic payment and reprints.
#include <gtest/gtest.h>

#include <algorithm>

#include "model_fixture.h"

namespace qx::fpsim {
namespace {

using testing::ItemData;
using testing::ModelTest;
using testing::PaymentData;
using testing::Printed;

class NonFiscalTest : public ModelTest {};

TEST_F(NonFiscalTest, LinesAndBarcodesOfANonFiscalReceipt) {
  EXPECT_EQ(ErrorOf("1064", "011" + PadCut("x", 40)), 11);
  Data("1063", "01");
  Data("1064", "011" + PadCut("Buono sconto", 40));
  Data("1064", "011\x7F" + std::string(39, ' '));  // an empty line
  Data("1075", "01" "001" "0" "006" "0" "2" "00" "92" "ABC");
  Data("1075", "01" "901" "1" "050" "2" "1" "00" "73" "{A123");
  EXPECT_EQ(ErrorOf("1075", "01" "901" "1" "050" "2" "1" "00" "99" "123"), 13);
  Data("1065", "01");
  const std::vector<std::string> paper = fSimulator.Paper();
  EXPECT_TRUE(Printed(paper, "DOCUMENTO GESTIONALE"));
  EXPECT_TRUE(Printed(paper, "Buono sconto"));
  EXPECT_TRUE(Printed(paper, "[QRCODE ABC]"));
  EXPECT_TRUE(Printed(paper, "[CODE128 123]"));  // the code set is not part of the value
  EXPECT_EQ(State().journal.Entries().back().kind, JournalKind::NonFiscal);
  EXPECT_EQ(Data("2050", "2400").substr(15, 9), "000000000");  // not a fiscal document
}

TEST_F(NonFiscalTest, DisplayShowsTheText) {
  Data("1062", "011" + PadCut("TOTALE", 20) + PadCut("4,00", 20) + "00");
  EXPECT_EQ(State().display, PadCut("TOTALE", 20) + PadCut("4,00", 20));
}

TEST_F(NonFiscalTest, ElectronicPaymentApprovedOrRefused) {
  const std::string approved = Data("1084", "01" "000001250" "2" "01" "1");
  ASSERT_GT(approved.size(), 26u);
  const std::string raw = approved.substr(26);  // the driver's raw response
  EXPECT_EQ(raw.substr(10, 2), "00");
  EXPECT_EQ(approved.substr(3, 9), "000001250");

  // Its slip, printed in a non-fiscal receipt.
  Data("1063", "01");
  Data("1078", "0180001");
  Data("1065", "01");
  EXPECT_TRUE(Printed(fSimulator.Paper(), "PAGAMENTO ELETTRONICO"));
  EXPECT_TRUE(Printed(fSimulator.Paper(), "12,50"));

  State().eftResult = "05";
  EXPECT_EQ(Data("1084", "01" "000001250" "2" "01" "1").substr(26).substr(10, 2), "05");
}

TEST_F(NonFiscalTest, Reprints) {
  EXPECT_EQ(ErrorOf("1047", "01"), 12);  // nothing printed yet
  Data("1085", "01");
  Data("1080", ItemData("Pane", 1000, 150));
  Data("1084", PaymentData("", 150, "000"));
  fSimulator.ClearPaper();
  Data("1047", "01");
  std::vector<std::string> paper = fSimulator.Paper();
  EXPECT_TRUE(Printed(paper, "COPIA"));
  EXPECT_TRUE(Printed(paper, "DOC.N. 0001-0001"));

  fSimulator.ClearPaper();
  Data("3098", "01" "050325" "0001" "0001");
  EXPECT_TRUE(Printed(fSimulator.Paper(), "DOC.N. 0001-0001"));
  EXPECT_EQ(ErrorOf("3098", "01" "050325" "0002" "0009"), 12);
  EXPECT_EQ(ErrorOf("3098", "0102" "050325" "0001" "0001" "0" "00"), 12);  // no invoice
}

}  // namespace
}  // namespace qx::fpsim
