// The answer tells what the printer did: a registered document never answers as failed, a
// document the printer did not register never answers as printed, and nothing the program
// sends again is registered twice.
#include "outcome_fixture.h"

namespace outcome {
namespace {

const std::string kTwoEuros = Item("Pane", "2.00");

class Outcome : public OutcomeFixture {};

// Payments that do not close the receipt leave it open on the printer: nothing was registered,
// and the answer says why with the amounts; the next receipt cancels the open one.
TEST_F(Outcome, PaymentsThatDoNotCloseTheReceiptAnswerAnError) {
  Start();
  Open();
  const Answer good = Print(Sale(kTwoEuros, Cash("2.00")));
  ASSERT_EQ(Element(good.Output, "Error"), "False") << good.Output;
  ASSERT_EQ(Element(good.Output, "ReceiptNumber"), "1");
  const struct {
    std::string payments;
    std::string text;
  } cases[] = {
      {Cash("0.50"), "The payments (0.50) do not cover the receipt total (2.00): the receipt was not printed"},
      {"", "The payments (0.00) do not cover the receipt total (2.00): the receipt was not printed"},
  };
  for (const auto& c : cases) {
    const Answer short_ = Print(Sale(kTwoEuros, c.payments));
    EXPECT_EQ(short_.Result, 65535u);
    EXPECT_EQ(Element(short_.Output, "Error"), "True");
    EXPECT_EQ(Element(short_.Output, "ErrorText"), c.text);
    // Never the earlier receipt's numbers.
    EXPECT_EQ(Element(short_.Output, "ReceiptNumber"), "");
    EXPECT_EQ(Documents(), 1u);
    EXPECT_TRUE(FiscalOpen());
  }
  const Answer next = Print(Sale(kTwoEuros, Cash("2.00")));
  EXPECT_EQ(Element(next.Output, "Error"), "False") << next.Output;
  EXPECT_EQ(Element(next.Output, "ReceiptNumber"), "2");
  EXPECT_EQ(Documents(), 2u);
}

// After the closing payment the receipt is registered: a later read that fails is said, but the
// answer is no failure, and carries the numbers.
TEST_F(Outcome, AReadAfterTheClosingPaymentFailsAndTheReceiptStillAnswersPrinted) {
  Start();
  Open();
  fSimulator->AddFault("2052:error=12");
  const Answer sale = Print(Sale(kTwoEuros, Cash("5.00")));
  EXPECT_EQ(sale.Result, 0u) << sale.Output;
  EXPECT_EQ(Element(sale.Output, "Error"), "False");
  EXPECT_EQ(Element(sale.Output, "ReceiptNumber"), "1");
  EXPECT_EQ(Element(sale.Output, "EJClosingNumber"), "1");
  EXPECT_EQ(Element(sale.Output, "ErrorText"), "DATI INESISTENTI");
  EXPECT_EQ(Element(sale.Output, "MessageText"),
            "The receipt was registered by the printer (number 1), but a later step failed: DATI INESISTENTI. "
            "Do not send it again.");
  EXPECT_EQ(Documents(), 1u);
}

// The printer's state cannot be read before a sale: nothing is sent to open it.
TEST_F(Outcome, AStatusReadThatFailsStopsTheSale) {
  Start();
  Open();
  for (const char* fault : {"1074:error=3", "1074:silence:3"}) {
    fSimulator->ClearTranscript();
    fSimulator->AddFault(fault);
    const Answer sale = Print(Sale(kTwoEuros, Cash("2.00")));
    EXPECT_EQ(Element(sale.Output, "Error"), "True") << fault;
    EXPECT_EQ(Element(sale.Output, "ReceiptNumber"), "");
    const std::vector<std::string> commands = Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "1085"), 0) << fault;
    EXPECT_EQ(Documents(), 0u);
    EXPECT_FALSE(FiscalOpen());
  }
  EXPECT_EQ(Element(Print(Sale(kTwoEuros, Cash("2.00"))).Output, "ReceiptNumber"), "1");
}

// A sale the printer refused stays open; the reports cancel it first and then print.
TEST_F(Outcome, ReportsAfterARefusedSaleCancelTheOpenReceipt) {
  Start();
  Open();
  for (const char* report : {"PRINTXR", "PRINTZR"}) {
    fSimulator->AddFault("1080:error=13");
    const Answer refused = Print(Sale(kTwoEuros, Cash("2.00")));
    ASSERT_EQ(Element(refused.Output, "ErrorText"), "VALORE ERRATO");
    ASSERT_TRUE(FiscalOpen());
    const Answer answer = Call(report, std::string(report) == "PRINTXR" ? "<XReport/>" : "<ZReport/>");
    EXPECT_EQ(Element(answer.Output, "Error"), "False") << report << answer.Output;
    EXPECT_FALSE(FiscalOpen());
  }
  EXPECT_EQ(ZReports(), 1);
  EXPECT_EQ(Documents(), 0u);
}

// The closing payment is never carried out (the printer is silent): the printer says the receipt
// is still open, so the answer is a failure, and the same request sent again prints it once.
TEST_F(Outcome, AnUnansweredPaymentThePrinterDidNotCarryOutIsNotRegistered) {
  Start();
  Open();
  fSimulator->AddFault("1084:silence:3");
  const std::string receipt = Sale(kTwoEuros, Cash("2.00"));
  const Answer first = Print(receipt);
  EXPECT_EQ(Element(first.Output, "Error"), "True") << first.Output;
  EXPECT_EQ(Element(first.Output, "ErrorText"), "Timeout Error");
  EXPECT_EQ(Element(first.Output, "MessageText"), "The printer did not register the receipt.");
  EXPECT_EQ(Documents(), 0u);
  const Answer again = Print(receipt);
  EXPECT_EQ(Element(again.Output, "Error"), "False") << again.Output;
  EXPECT_EQ(Element(again.Output, "ReceiptNumber"), "1");
  EXPECT_EQ(Documents(), 1u);
}

// An MF printer: the Z report is made, then the journal that gives its counters refuses the
// login. The report is printed: the answer says what failed, but is no failure, so the program
// does not ask for a second Z report.
TEST_F(Outcome, MfZReportWhoseJournalCannotBeReadAnswersPrinted) {
  Start({{"mode", "MF"}});
  Open();
  fSimulator->AddFault("4038:error=18");
  const Answer z = Call("PRINTZR", "<ZReport/>");
  EXPECT_EQ(z.Result, 0u) << z.Output;
  EXPECT_EQ(Element(z.Output, "Error"), "False");
  EXPECT_EQ(Element(z.Output, "ErrorText"), "The Z report was printed, but a later step failed: NON POSSIBILE");
  EXPECT_EQ(Element(z.Output, "ZReportNumber"), "1");
  EXPECT_EQ(ZReports(), 1);
}

}  // namespace
}  // namespace outcome
