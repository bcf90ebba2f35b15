// The journal login, its memory read page by page and its print, the lottery state of the
// printer's own receipts, and the display and drawer as the program shows them.
#include <gtest/gtest.h>

#include "fpsim/panel_view.h"
#include "model_fixture.h"

namespace qx::fpsim {
namespace {

using testing::ModelTest;
using testing::Printed;

const std::string kLogin = "02" + PadCut("36092", 40);
// Fiscal receipts to memory, 1 to 2 March 2025.
const std::string kSelector = "01" "1" "1" "010325" "020325";

class JournalTest : public ModelTest {
 protected:
  void SetUp() override {
    State().journal.Add({JournalKind::FiscalReceipt, EncodeDate(2025, 3, 1), 4, {"UNO", "DUE"}});
    State().journal.Add({JournalKind::Invoice, EncodeDate(2025, 3, 1), 5, {"FATTURA"}});
    State().journal.Add({JournalKind::FiscalReceipt, EncodeDate(2025, 3, 3), 1, {"DOPO"}});
  }
};

TEST_F(JournalTest, MemoryReadLineByLineUntil3102) {
  EXPECT_EQ(ErrorOf("3103", kSelector + "000"), 18);  // no login yet
  EXPECT_EQ(ErrorOf("4038", "02" + PadCut("wrong", 40)), 13);
  Data("4038", kLogin);
  EXPECT_EQ(ErrorOf("3103", kSelector + "100"), 11);  // "next" before a first read
  const std::string first = Data("3103", kSelector + "000");
  EXPECT_EQ(first.substr(0, 16), "01" "010325" "0004" "0001");
  EXPECT_EQ(first.substr(16), PadCut("UNO", 46));
  EXPECT_EQ(Data("3103", kSelector + "100").substr(16), PadCut("DUE", 46));
  const AnswerFrame end = fLink.Send("3103", kSelector + "100");
  EXPECT_FALSE(end.isError);
  EXPECT_EQ(end.echo, "3102");
  EXPECT_EQ(end.data, "");
  EXPECT_EQ(ErrorOf("3103", "01" "1" "1" "320325" "020325" "000"), 10);  // no such day
}

TEST_F(JournalTest, PrintToPaper) {
  Data("4038", kLogin);
  Data("3103", "01" "0" "2" "010325" "020325" "000");
  const std::vector<std::string> paper = fSimulator.Paper();
  EXPECT_TRUE(Printed(paper, "GIORNALE ELETTRONICO"));
  EXPECT_TRUE(Printed(paper, "FATTURA"));
  EXPECT_FALSE(Printed(paper, "UNO"));
}

class LotteryTest : public ModelTest {};

TEST_F(LotteryTest, StateOfOwnReceipts) {
  DocumentRecord r;
  r.number = 17;
  r.closing = 3;
  r.when = EncodeDate(2025, 3, 2) + 0.5;
  r.lotteryState = "03";
  r.lotteryStatusCode = "00123";
  r.lotteryReferenceId = "REF";
  State().documents.push_back(r);
  const std::string query = "99MEB012" "0003" "0017" "020325" "00";
  const std::string answer = Data("9218", query);
  EXPECT_EQ(answer.substr(0, 22), query.substr(0, 22));
  EXPECT_EQ(answer.substr(22), "03" "00123" + PadCut("REF", 50));
  EXPECT_EQ(Data("9218", "99MEB012" "0003" "0018" "020325" "00").substr(22, 2), "05");  // unknown
  EXPECT_EQ(Data("9218", "99XXX012" "0003" "0017" "020325" "00").substr(22, 2), "05");  // not ours
  EXPECT_EQ(ErrorOf("9218", "99MEB012"), 13);
}

TEST(PanelView, DisplayLinesAndDrawerAsTheyChange) {
  PanelWatcher watcher;
  PrinterState state;
  EXPECT_TRUE(watcher.Changes(state).empty());
  state.display = "     BENVENUTI      " "       IMPORTO 12,50";
  state.drawerOpen = true;
  EXPECT_EQ(watcher.Changes(state), (std::vector<std::string>{"display |     BENVENUTI      |",
                                                              "        |       IMPORTO 12,50|", "drawer  open"}));
  EXPECT_TRUE(watcher.Changes(state).empty());
  state.display = "CIAO";
  state.drawerOpen = false;
  EXPECT_EQ(watcher.Changes(state), (std::vector<std::string>{"display |CIAO                |",
                                                              "        |                    |", "drawer  closed"}));
}

}  // namespace
}  // namespace qx::fpsim
