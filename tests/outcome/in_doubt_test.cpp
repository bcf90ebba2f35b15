// A receipt whose closing the printer did not confirm, and stayed silent about: the answer says
// it is in doubt, and the next request settles it by asking the printer. A retry of a receipt the
// printer registered prints nothing and answers its numbers; one it did not register prints once;
// another receipt prints as usual; the same holds when a new process opens the printer.
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "outcome_fixture.h"

namespace outcome {
namespace {

const std::string kReceipt = Sale(Item("Pane", "2.00"), Cash("2.00"));
const std::string kOther = Sale(Item("Latte", "1.20"), Cash("1.20"));

class InDoubt : public OutcomeFixture {
 protected:
  // The closing payment is carried out (or not), then the printer stays silent, also to the
  // questions that follow it: the answer says the receipt is in doubt.
  void PrintInDoubt(bool aCarriedOut) {
    if (aCarriedOut) {
      fSimulator->AddFault("1084:act-silence");
    } else {
      // The status read at the start of the receipt passes (the busy fault takes it), the one
      // that asks afterwards gets no answer, and neither does the payment.
      fSimulator->AddFault("1074:busy=1/1");
      fSimulator->AddFault("1074:silence:always");
      fSimulator->AddFault("1084:silence:always");
    }
    const Answer first = Print(kReceipt);
    EXPECT_EQ(Element(first.Output, "Error"), "True") << first.Output;
    EXPECT_EQ(Element(first.Output, "ErrorText").rfind("The printer did not confirm the receipt: it may have been printed.", 0),
              0u)
        << first.Output;
    EXPECT_EQ(Element(first.Output, "ReceiptNumber"), "");
    EXPECT_EQ(Documents(), aCarriedOut ? 1u : 0u);
    fSimulator->ClearFaults();
  }
  std::string InDoubtFile() const { return "LogFiles/FiscalPrinter/" + fSerial + "_InDoubt.xml"; }
};

TEST_F(InDoubt, ARetryOfARegisteredReceiptPrintsNothingAndAnswersItsNumbers) {
  Start();
  Open();
  PrintInDoubt(true);
  EXPECT_TRUE(std::filesystem::exists(InDoubtFile()));
  fSimulator->ClearTranscript();
  const Answer retry = Print(kReceipt);
  EXPECT_EQ(Element(retry.Output, "Error"), "False") << retry.Output;
  EXPECT_EQ(Element(retry.Output, "ReceiptNumber"), "1");
  EXPECT_EQ(Element(retry.Output, "EJClosingNumber"), "1");
  EXPECT_EQ(Element(retry.Output, "MessageText"),
            "The printer had already registered this receipt as number 1 (closing 1): it was not printed again.");
  EXPECT_EQ(Documents(), 1u);
  for (const std::string& c : Commands()) EXPECT_TRUE(c == "1074" || c == "1070") << c;  // only questions
  EXPECT_FALSE(std::filesystem::exists(InDoubtFile()));
  // The record is spent: the same receipt once more is a new sale.
  EXPECT_EQ(Element(Print(kReceipt).Output, "ReceiptNumber"), "2");
}

TEST_F(InDoubt, ARetryOfAReceiptThePrinterDidNotRegisterPrintsItOnce) {
  Start();
  Open();
  PrintInDoubt(false);
  const Answer retry = Print(kReceipt);
  EXPECT_EQ(Element(retry.Output, "Error"), "False") << retry.Output;
  EXPECT_EQ(Element(retry.Output, "ReceiptNumber"), "1");
  EXPECT_EQ(Element(retry.Output, "MessageText"), "");
  EXPECT_EQ(Documents(), 1u);
}

TEST_F(InDoubt, AnotherReceiptPrintsAsUsual) {
  Start();
  Open();
  PrintInDoubt(true);
  const Answer other = Print(kOther);
  EXPECT_EQ(Element(other.Output, "Error"), "False") << other.Output;
  EXPECT_EQ(Element(other.Output, "ReceiptNumber"), "2");
  EXPECT_EQ(Documents(), 2u);
}

TEST_F(InDoubt, AReceiptOneCharacterAwayIsAnotherReceipt) {
  Start();
  Open();
  PrintInDoubt(true);
  const Answer near = Print(Sale(Item("Pane", "2.00"), Cash("2.0")));
  EXPECT_EQ(Element(near.Output, "Error"), "False") << near.Output;
  EXPECT_EQ(Element(near.Output, "ReceiptNumber"), "2");
  EXPECT_EQ(Documents(), 2u);
}

// Any call settles a receipt in doubt, not only a retry; the retry then still finds it.
TEST_F(InDoubt, AStatusCallSettlesItAndTheRetryStillPrintsNothing) {
  Start();
  Open();
  PrintInDoubt(true);
  EXPECT_EQ(Element(Call("GETSTATUS", "").Output, "Error"), "False");
  const Answer retry = Print(kReceipt);
  EXPECT_EQ(Element(retry.Output, "ReceiptNumber"), "1") << retry.Output;
  EXPECT_EQ(Documents(), 1u);
}

// The first process is ended while the receipt is in doubt; a new process opens the printer
// and the program sends the receipt again.
TEST_F(InDoubt, ANewProcessSettlesTheReceiptOfTheOneBefore) {
  for (const bool carriedOut : {true, false}) {
    SCOPED_TRACE(carriedOut ? "registered" : "not registered");
    fSerial = carriedOut ? "99MEB054321" : "99MEB054322";
    Start();
    if (carriedOut) {
      fSimulator->AddFault("1084:act-silence");
    } else {
      // The status reads of OPEN and GETSTATUS, and the one at the start of the receipt, pass
      // (the busy fault takes them); the question after the payment gets no answer.
      Open();
      Call("CLOSE", "");
      fHandle = 0;
      const std::vector<std::string> commands = Commands();
      const long reads = std::count(commands.begin(), commands.end(), "1074") + 1;
      fSimulator->AddFault("1074:busy=1/1:" + std::to_string(reads));
      fSimulator->AddFault("1074:silence:always");
      fSimulator->AddFault("1084:silence:always");
    }
    const std::string dir = fRoot + "/requests";
    std::filesystem::create_directories(dir);
    auto write = [&](const std::string& aName, const std::string& aDocument) {
      std::ofstream(dir + "/" + aName) << Request(aDocument).replace(Request(aDocument).find("<Handle>0</Handle>"), 18,
                                                                     "<Handle>$HANDLE</Handle>");
    };
    write("open.xml", "");
    write("status.xml", "");
    write("receipt.xml", kReceipt);
    const pid_t child = ::fork();
    if (child == 0) {
      ::execl(QX_FPCALL_PROGRAM, QX_FPCALL_PROGRAM, "--library", QX_LIBRARY_PATH, "OPEN", (dir + "/open.xml").c_str(),
              "GETSTATUS", (dir + "/status.xml").c_str(), "PRINTFR", (dir + "/receipt.xml").c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    fSimulator->ClearFaults();
    ASSERT_TRUE(std::filesystem::exists(InDoubtFile()));
    EXPECT_EQ(Documents(), carriedOut ? 1u : 0u);

    Open();
    const Answer retry = Print(kReceipt);
    EXPECT_EQ(Element(retry.Output, "Error"), "False") << retry.Output;
    EXPECT_EQ(Element(retry.Output, "ReceiptNumber"), "1");
    EXPECT_EQ(Element(retry.Output, "MessageText").find("already registered") != std::string::npos, carriedOut);
    EXPECT_EQ(Documents(), 1u);
    EXPECT_FALSE(std::filesystem::exists(InDoubtFile()));
    TearDown();
    SetUp();
  }
}

// A damaged record is logged and ignored: it never stops a receipt.
TEST_F(InDoubt, ADamagedRecordIsIgnored) {
  fSerial = "99MEB054323";
  std::filesystem::create_directories("LogFiles/FiscalPrinter");
  for (const char* content : {"", "<ReceiptInDoubt State=\"Pending\"", "<ReceiptInDoubt State=\"Pending\" NextNumber=\"x\"/>"}) {
    std::ofstream(InDoubtFile()) << content;
    Start();
    Open();
    const Answer sale = Print(kReceipt);
    EXPECT_EQ(Element(sale.Output, "Error"), "False") << content << sale.Output;
    EXPECT_EQ(Documents(), 1u);
    TearDown();
    SetUp();
  }
}

}  // namespace
}  // namespace outcome
