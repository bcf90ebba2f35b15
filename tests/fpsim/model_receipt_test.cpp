// Fiscal documents: sale, refund and void checks, invoices, explicit end, lottery code.
#include <gtest/gtest.h>

#include <algorithm>

#include "model_fixture.h"

namespace qx::fpsim {
namespace {

using testing::AdjustmentData;
using testing::CheckData;
using testing::DeductionData;
using testing::ItemData;
using testing::ModelTest;
using testing::PaymentData;
using testing::Printed;

class ReceiptTest : public ModelTest {};

TEST_F(ReceiptTest, WholeSaleClosesWithItsNumberAndDate) {
  Data("1085", "01");
  Data("1080", ItemData("Pane", 2000, 150, "01"));
  Data("1080", ItemData("Latte", 1000, 120, "02"));
  Data("1083", AdjustmentData("Sconto latte", 20, '0'));
  EXPECT_EQ(Data("1086", "01000"), "000000400");
  const std::string partial = Data("1084", PaymentData("Contanti", 200, "000"));
  EXPECT_EQ(partial[2], '0');                  // still open
  EXPECT_EQ(partial.substr(3, 9), "000000200");  // still due
  const std::string closing = Data("1084", PaymentData("Carta", 200, "201"));
  ASSERT_EQ(closing.size(), 26u);
  EXPECT_EQ(closing[2], '1');                 // closed
  EXPECT_EQ(closing.substr(12, 6), "050325");  // date ddmmyy
  EXPECT_EQ(closing.substr(18, 4), "0907");    // time hhnn
  EXPECT_EQ(closing.substr(22, 4), "0001");    // number

  // The closing number the driver derives: Z reports done (positions 15-18 of 2052) + 1.
  EXPECT_EQ(Data("2052").substr(14, 4), "0000");
  EXPECT_EQ(Data("2052").substr(0, 14), "00000000000400");  // grand total
  EXPECT_EQ(Data("1070", "01").substr(2, 4), "0002");          // next number

  const std::vector<std::string> paper = fSimulator.Paper();
  for (const char* line : {"DOCUMENTO COMMERCIALE", "Pane", "2 x 1,50", "Latte", "Sconto latte", "SUBTOTALE",
                           "TOTALE COMPLESSIVO", "Contanti", "Carta", "DOC.N. 0001-0001", "05-03-2025 09:07",
                           "RT 99MEB012345"})
    EXPECT_TRUE(Printed(paper, line)) << line;
  EXPECT_FALSE(State().fiscal.has_value());
  EXPECT_EQ(State().documents.size(), 1u);
}

TEST_F(ReceiptTest, RefundOfTheSaleIsAcceptedOnceThenRefusedByTheCheck) {
  WholeSale();
  const std::string check = CheckData('1', "99MEB012345", "05032025", 1, 1);
  EXPECT_EQ(Data("9205", check).substr(0, 1), "1");
  Data("1078", "0140001REFUND 0001 0001 05032025 99MEB012345");
  EXPECT_EQ(ErrorOf("1080", ItemData("Pane", 3000, 150)), 20);  // more than the sale
  Data("1080", ItemData("Pane", 2000, 150));
  Data("1080", ItemData("Latte", 1000, 100, "02"));
  EXPECT_EQ(Data("1084", PaymentData("", 400, "000")).substr(22, 4), "0002");
  EXPECT_TRUE(Printed(fSimulator.Paper(), "emesso per RESO MERCE"));
  EXPECT_TRUE(Printed(fSimulator.Paper(), "N. 0001-0001 del 05-03-2025"));

  EXPECT_EQ(Data("9205", check).substr(0, 1), "3");  // already refunded
  EXPECT_EQ(ErrorOf("1078", "0140001REFUND 0001 0001 05032025 99MEB012345"), 18);
  EXPECT_EQ(Data("9205", CheckData('2', "99MEB012345", "05032025", 1, 1)).substr(0, 1), "3");
  EXPECT_EQ(Data("9205", CheckData('1', "99MEB012345", "05032025", 2, 1)).substr(0, 1), "5");  // a refund itself
  EXPECT_EQ(Data("9205", CheckData('1', "99MEB012345", "05032025", 9, 1)).substr(0, 1), "2");  // not found
  EXPECT_EQ(Data("9205", CheckData('1', "99xyz067890", "05012025", 12, 34)).substr(0, 1), "1");  // not ours
  EXPECT_EQ(State().day.refunds, Currency::FromText(u"4"));
}

// A refund may list the goods given back as return items: they are its lines, not negative ones.
TEST_F(ReceiptTest, ReturnItemsOfARefundAreItsLines) {
  Data("1078", "0140001REFUND 0034 0012 05012025 99xyz067890");
  Data("1081", ItemData("Cornetto", 1000, 120));
  EXPECT_EQ(Data("1086", "01000"), "000000120");
  EXPECT_EQ(Data("1084", PaymentData("", 120, "000"))[2], '1');
  EXPECT_EQ(State().day.refunds, Currency::FromText(u"1.2"));
}

TEST_F(ReceiptTest, VoidOfOwnReceiptIsPrintedByThePrinterItself) {
  WholeSale();
  const std::string check = CheckData('2', "99MEB012345", "05032025", 1, 1);
  EXPECT_EQ(Data("9205", check).substr(0, 1), "0");
  Data("1078", "0140001VOID 0001 0001 05032025 99MEB012345");
  EXPECT_FALSE(State().fiscal.has_value());  // closed at once
  EXPECT_EQ(Data("1070", "01").substr(2, 4), "0003");
  EXPECT_TRUE(Printed(fSimulator.Paper(), "emesso per ANNULLAMENTO"));
  EXPECT_EQ(Data("9205", check).substr(0, 1), "4");
  EXPECT_EQ(Data("9205", CheckData('2', "99MEB012345", "05032025", 2, 1)).substr(0, 1), "6");
  EXPECT_EQ(State().day.voids, Currency::FromText(u"4"));

  // Another printer's receipt: the lines follow and the payment closes it.
  EXPECT_EQ(Data("9205", CheckData('2', "POS", "05012025", 12, 34)).substr(0, 1), "1");
  Data("1078", "0140001VOID 0034 0012 05012025 POS        ");
  Data("1080", ItemData("Pane", 1000, 150));
  EXPECT_EQ(Data("1084", PaymentData("", 150, "000"))[2], '1');
}

TEST_F(ReceiptTest, LinesAndAdjustmentsKeepTheTotal) {
  Data("1085", "01");
  Data("1080", ItemData("Omaggio", 1000, 300));
  Data("1090", DeductionData("", 300, "01"));                // free of charge
  Data("1080", ItemData("Vino", 1000, 1000));
  Data("1083", AdjustmentData("", 100, '5'));                // markup on the item
  Data("1083", AdjustmentData("", 200, '1'));                // discount on the subtotal
  Data("1083", AdjustmentData("", 50, '6'));                 // markup on the subtotal
  Data("1081", ItemData("Vuoto", 1000, 50));                 // return
  Data("1078", "0140001Descrizione libera");                 // text
  EXPECT_EQ(ErrorOf("1090", DeductionData("", 99999, "02")), 20);  // more than the total
  EXPECT_EQ(ErrorOf("1083", AdjustmentData("", 5000, '1')), 20);
  EXPECT_EQ(Data("1086", "01000"), "000000900");  // 3 - 3 + 10 + 1 - 2 + 0,50 - 0,50
  EXPECT_EQ(ErrorOf("1084", PaymentData("", 10000, "201")), 20);  // only cash gives change
  EXPECT_EQ(Data("1084", PaymentData("", 400, "402")).substr(3, 9), "000000100");  // 2 meal vouchers of 4,00
  EXPECT_EQ(Data("1084", PaymentData("", 200, "000")).substr(3, 9), "000000100");  // closed, 1,00 change
  EXPECT_TRUE(Printed(fSimulator.Paper(), "RESTO"));
  EXPECT_TRUE(Printed(fSimulator.Paper(), "Descrizione libera"));
  EXPECT_EQ(State().documents.back().total, Currency::FromText(u"9"));
}

TEST_F(ReceiptTest, SequenceErrors) {
  EXPECT_EQ(ErrorOf("1080", ItemData("Pane", 1000, 150)), 11);  // no receipt open
  EXPECT_EQ(ErrorOf("1084", PaymentData("", 150, "000")), 11);
  EXPECT_EQ(ErrorOf("1087", "01"), 11);
  Data("1085", "01");
  EXPECT_EQ(ErrorOf("1085", "01"), 23);                          // one is open
  EXPECT_EQ(ErrorOf("1063", "01"), 23);
  EXPECT_EQ(ErrorOf("3001", "01"), 23);
  EXPECT_EQ(ErrorOf("1084", PaymentData("", 150, "000")), 11);  // nothing sold yet
  EXPECT_EQ(ErrorOf("1083", AdjustmentData("", 10, '0')), 11);  // no item to discount
  EXPECT_EQ(ErrorOf("1080", ItemData("Oro", 9999999, 999999999)), 20);  // beyond nine digits
  Data("1080", ItemData("Pane", 1000, 150));
  Data("1084", PaymentData("", 100, "000"));
  EXPECT_EQ(ErrorOf("1080", ItemData("Pane", 1000, 150)), 24);  // payment in progress
  EXPECT_EQ(ErrorOf("1080", ItemData("Pane", 1000, 150, "1")), 24);
  State().vatRates[1] = 0;
  Data("1088", "01");
  Data("1085", "01");
  EXPECT_EQ(ErrorOf("1080", ItemData("Pane", 1000, 150, "01")), 22);  // slot 1 has no rate
  EXPECT_EQ(ErrorOf("1080", ItemData("Pane", 1000, 150, "AB")), 13);
  EXPECT_EQ(ErrorOf("9999"), 16);
}

TEST_F(ReceiptTest, ExplicitEndWaitsForTheEndCommand) {
  Data("4014", "291");
  Data("1085", "01");
  Data("1080", ItemData("Pane", 1000, 150));
  EXPECT_EQ(Data("1084", PaymentData("", 150, "000"))[2], '0');  // paid, not closed
  EXPECT_TRUE(State().fiscal.has_value());
  Data("1087", "01");
  EXPECT_FALSE(State().fiscal.has_value());
  // The driver takes the next number minus one.
  EXPECT_EQ(Data("1070", "01").substr(2, 4), "0002");
}

TEST_F(ReceiptTest, InvoiceWithCustomerLines) {
  Data("4025", "0012" "99" "00" "1" + std::string(14, ' ') + "00");
  Data("1078", "0160101" + PadCut("Mario Rossi", 40));
  Data("1078", "0160401" + PadCut("P.Iva:01234567890", 40));
  Data("1089", "0100012");
  Data("1080", ItemData("Consulenza", 1000, 10000));
  EXPECT_EQ(Data("1084", PaymentData("", 10000, "503"))[2], '1');
  const std::vector<std::string> paper = fSimulator.Paper();
  EXPECT_TRUE(Printed(paper, "FATTURA N. 12"));
  EXPECT_TRUE(Printed(paper, "Mario Rossi"));
  EXPECT_EQ(State().documents.back().type, DocType::Invoice);
}

TEST_F(ReceiptTest, HeaderAndTrailerLinesSentAroundTheReceipt) {
  Data("1078", "011010002" + PadCut("         DOCUMENTO  COMMERCIALE", 40));  // before the sale
  Data("1085", "01");
  Data("1078", "012100001" + PadCut("Grazie", 40));
  Data("1078", "012010003" + PadCut("di cui IVA", 40));
  Data("1078", "012010003" + PadCut("di cui IVA 0,27", 40));  // the same line again replaces it
  Data("1080", ItemData("Pane", 1000, 150));
  EXPECT_EQ(ErrorOf("1078", "012"), 13);
  Data("1084", PaymentData("", 150, "000"));
  const std::vector<std::string> lines = State().documents.back().lines;
  const auto at = [&](const std::string& t) {
    return std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(t) != std::string::npos; }) -
           lines.begin();
  };
  EXPECT_LT(at("DOCUMENTO  COMMERCIALE"), at("Pane"));
  EXPECT_LT(at("Pane"), at("di cui IVA 0,27"));
  EXPECT_LT(at("di cui IVA 0,27"), at("Grazie"));  // in line-number order, after the payments
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l == "di cui IVA"; }), 0);
}

TEST_F(ReceiptTest, LotteryCodeAndItsState) {
  Data("1085", "01");
  Data("1135", "01" + PadCut("ABCD1234", 16) + "    ");
  Data("1080", ItemData("Pane", 1000, 150));
  Data("1084", PaymentData("", 150, "000"));
  const std::string query = PadCut("99MEB012345", 8) + "0001" "0001" "050325" "00";
  std::string answer = Data("9218", query);
  ASSERT_EQ(answer.size(), 79u);
  EXPECT_EQ(answer.substr(0, 22), query.substr(0, 22));
  EXPECT_EQ(answer.substr(22, 2), "01");  // to be sent
  Data("3001", "01");                     // the day's data go out with the closing
  answer = Data("9218", query);
  EXPECT_EQ(answer.substr(22, 2), "00");
  EXPECT_EQ(answer.substr(24, 5), "00000");
  EXPECT_NE(TrimBlanks(answer.substr(29, 50)), "");
  EXPECT_EQ(Data("9218", PadCut("99MEB012345", 8) + "0001" "0002" "050325" "00").substr(22, 2), "05");
}

TEST_F(ReceiptTest, MfRefundStartsWithItsText) {
  State().fiscalMode = "MF";
  Data("1078", "0140001" + PadCut("PRATICA DI RESO 7", 40));
  Data("1080", ItemData("Pane", 1000, 150));
  Data("1084", PaymentData("", 150, "000"));
  EXPECT_EQ(State().documents.back().type, DocType::Refund);
  EXPECT_TRUE(Printed(fSimulator.Paper(), "PRATICA DI RESO 7"));
  EXPECT_TRUE(Printed(fSimulator.Paper(), "MF 99MEB012345"));
}

}  // namespace
}  // namespace qx::fpsim
