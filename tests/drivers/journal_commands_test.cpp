// The electronic journal read and print, the RT-mode Z-report journal, the password kept out of
// the traffic log, and the receipt-lottery state, against the simulator.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

#include "epson_fixture.h"
#include "scripted_exchange.h"
#include "sent_frames.h"
#include "support/error.h"

namespace qx {
namespace {

using testing::SentFrames;

const std::string kLogin = "403802" "36092" + std::string(35, ' ');
// Fiscal receipts to memory from 1 to 2 March 2025.
const std::string kSelector = "3103" "01" "1" "1" "010325" "020325";

class JournalCommands : public testing::EpsonFixture {
 protected:
  void AddEntry(fpsim::JournalKind aKind, TDateTime aWhen, int aNumber, std::vector<std::string> aLines) {
    fSimulator.WithModel([&](fpsim::PrinterModel& m) { m.State().journal.Add({aKind, aWhen, aNumber, aLines}); });
  }
  bool ReadFiscal(String& aText, qxEJReportDestination aDestination = rd_Memory) {
    return fDevice->EJReportFiscalReceipt(aDestination, 1, 99, aText, EncodeDate(2025, 3, 1),
                                          EncodeDate(2025, 3, 2) + 0.75);
  }
  static std::string Line(const std::string& aText) { return aText + std::string(46 - aText.size(), ' '); }
};

TEST_F(JournalCommands, MfMemoryReadPageByPage) {
  AddEntry(fpsim::JournalKind::FiscalReceipt, EncodeDate(2025, 2, 28), 9, {"FEBBRAIO"});
  AddEntry(fpsim::JournalKind::FiscalReceipt, EncodeDate(2025, 3, 1) + 0.5, 1, {"PRIMO", "SECONDO"});
  AddEntry(fpsim::JournalKind::CreditNote, EncodeDate(2025, 3, 2), 1, {"RESO"});
  AddEntry(fpsim::JournalKind::FiscalReceipt, EncodeDate(2025, 3, 2) + 0.9, 2, {"TERZO"});
  String text;
  ASSERT_TRUE(ReadFiscal(text));
  EXPECT_EQ(ToUtf8(text), Line("PRIMO") + "\r\n" + Line("SECONDO") + "\r\n" + Line("TERZO") + "\r\n");
  EXPECT_EQ(SentFrames(fSimulator), (std::vector<std::string>{kLogin, kSelector + "000", kSelector + "100",
                                                        kSelector + "100", kSelector + "100"}));
  EXPECT_FALSE(IO().ErrorFound());
}

TEST_F(JournalCommands, KindsDestinationsAndTheNonFiscalJournal) {
  const TDateTime from = EncodeDate(2025, 3, 1), to = EncodeDate(2025, 3, 2);
  String text = u"old";
  ASSERT_TRUE(fDevice->EJReportZReport(rd_Memory, text, from, to));  // MF mode: the journal
  EXPECT_EQ(text, u"");
  ASSERT_TRUE(fDevice->EJReportCreditNote(rd_Memory, 0, 0, text, from, to));
  ASSERT_TRUE(fDevice->EJReportInvoice(rd_Printer, 0, 0, text, from, to));
  EXPECT_EQ(SentFrames(fSimulator),
            (std::vector<std::string>{kLogin, "3103" "01" "1" "5" "010325" "020325" "000", kLogin,
                                                        "3103" "01" "1" "4" "010325" "020325" "000", kLogin,
                                                        "3103" "01" "0" "2" "010325" "020325" "000"}));
  fSimulator.ClearTranscript();
  try {
    fDevice->EJReportNonFiscalReceipt(rd_Memory, 0, 0, text, from, to);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), u"Non Fiscal Receipt Read is not supported.");
  }
  EXPECT_EQ(SentFrames(fSimulator), std::vector<std::string>{kLogin});  // raised after the login
}

TEST_F(JournalCommands, RtZReportJournalWithoutWebAddressReadsNothing) {
  fDevice->fFiscalMode = u"RT";
  fDevice->fBaseURL = u"   ";
  fDevice->fCounters.DayTotalAmount = Currency::FromInt(5);
  String text = u"old";
  EXPECT_TRUE(fDevice->EJReportZReport(rd_Memory, text, EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 2)));
  EXPECT_EQ(text, u"");
  EXPECT_EQ(fDevice->fCounters.DayTotalAmount, Currency());
  EXPECT_TRUE(fSimulator.FramesReceived().empty());
  // Other kinds still read the printer's journal in RT mode.
  EXPECT_TRUE(ReadFiscal(text));
  EXPECT_EQ(SentFrames(fSimulator).size(), 2u);
}

// Thousands of lines come back complete and in order, with one exchange per line: the read's
// cost grows with the lines and nothing else.
TEST_F(JournalCommands, ALargeJournalReadsEveryLineInOrder) {
  constexpr int kLines = 3000;
  std::vector<std::string> lines;
  for (int n = 0; n < kLines; ++n) lines.push_back("RIGA " + std::to_string(n));
  AddEntry(fpsim::JournalKind::FiscalReceipt, EncodeDate(2025, 3, 1), 1, lines);
  String text;
  ASSERT_TRUE(ReadFiscal(text));
  std::string expected;
  for (const std::string& line : lines) expected += Line(line) + "\r\n";
  EXPECT_EQ(ToUtf8(text), expected);
  EXPECT_EQ(SentFrames(fSimulator).size(), static_cast<size_t>(kLines) + 2);  // login, lines, the end
}

TEST_F(JournalCommands, AFailureInTheMiddleKeepsTheLinesReadAndTheNextReadWorks) {
  AddEntry(fpsim::JournalKind::FiscalReceipt, EncodeDate(2025, 3, 1), 1, {"UNO", "DUE", "TRE", "QUATTRO"});
  // After the third answer of the read the printer runs out of paper for the next request.
  std::atomic<int> answers{0};
  fSimulator.SetTranscriptListener([&](const fpsim::TranscriptEntry& aEntry) {
    if (aEntry.kind == fpsim::EntryKind::Answer && aEntry.command == "3103" && ++answers == 3)
      fSimulator.AddFault("3103:error=2");
  });
  String text;
  EXPECT_FALSE(ReadFiscal(text));
  EXPECT_EQ(ToUtf8(text), Line("UNO") + "\r\n" + Line("DUE") + "\r\n" + Line("TRE") + "\r\n");
  EXPECT_EQ(IO().ErrorMessage(), u"CARTA SCONTRINO");
  IO().ResetCustomError();
  EXPECT_TRUE(ReadFiscal(text));
  EXPECT_EQ(SplitLines(text).size(), 4u);
  fSimulator.SetTranscriptListener(nullptr);
}

TEST_F(JournalCommands, TheLoginPasswordStaysOnTheWireButNotInTheLog) {
  fDevice.reset();
  fSimulator.WithModel([](fpsim::PrinterModel& m) { m.State().localPassword = "S3cret"; });
  Connect("<LocalPassword>S3cret</LocalPassword>");
  String text;
  ASSERT_TRUE(ReadFiscal(text));
  EXPECT_EQ(SentFrames(fSimulator).at(0), "403802" "S3cret" + std::string(34, ' '));
  const std::string log = CloseAndReadLog();
  EXPECT_EQ(log.find("S3cret"), std::string::npos);
  EXPECT_EQ(log.find("53 33 63 72 65 74"), std::string::npos);  // nor in the hex dump
  EXPECT_NE(log.find("E403802******" + std::string(34, ' ')), std::string::npos);
  EXPECT_NE(log.find("*Memory Read - Login*"), std::string::npos);
  // The mask ends with the login: the read's frames are logged as sent.
  EXPECT_NE(log.find("E310301110103250203250"), std::string::npos);
}

// A printer that keeps answering lines: the read stops with an error when the printer sends the
// same line again (its date, document and line numbers) or once the read passes its bound of
// lines. The lines read before stay in the text.
class EndlessJournal : public testing::ScriptedExchange {
 protected:
  // A memory-read answer: "01", the document's ddmmyy, its number, the line's number, the line.
  static std::string LineAnswer(int aLine) {
    char place[32];
    std::snprintf(place, sizeof place, "01010325%04d%04d", 1 + aLine / 10, aLine);
    const std::string text = "RIGA " + std::to_string(aLine);
    return testing::AnswerFrame("3103" + std::string(place) + text + std::string(46 - text.size(), ' '));
  }
  bool Read(String& aText) {
    return fDriver->EJReportFiscalReceipt(rd_Memory, 1, 99, aText, EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 2));
  }
  static std::string Lines(int aCount) {
    std::string out;
    for (int n = 0; n < aCount; ++n) {
      const std::string text = "RIGA " + std::to_string(n);
      out += text + std::string(46 - text.size(), ' ') + "\r\n";
    }
    return out;
  }
};

TEST_F(EndlessJournal, TheSameLineAgainStopsTheRead) {
  fIO->Reply(testing::AnswerFrame("4038"));
  fIO->Reply(LineAnswer(0));
  for (int i = 0; i < 1000; ++i) fIO->Reply(LineAnswer(1));
  String text;
  EXPECT_FALSE(Read(text));
  EXPECT_EQ(ToUtf8(fIO->ErrorMessage()), "Journal read stopped: the printer sent line 2 again");
  EXPECT_EQ(ToUtf8(text), Lines(2));
  EXPECT_EQ(FramesWritten(), 4u);  // the login, the first line, line 2 and line 2 again
}

TEST_F(EndlessJournal, TheReadStopsAtItsBoundOfLines) {
  fDriver->fMaxJournalLines = 5;
  // Exactly the bound, then the end: a whole journal.
  fIO->Reply(testing::AnswerFrame("4038"));
  for (int n = 0; n < 5; ++n) fIO->Reply(LineAnswer(n));
  fIO->Reply(testing::AnswerFrame("3102"));
  String text;
  ASSERT_TRUE(Read(text));
  EXPECT_EQ(ToUtf8(text), Lines(5));

  fIO->fWrites.clear();
  fIO->Reply(testing::AnswerFrame("4038"));
  for (int n = 0; n < 1000; ++n) fIO->Reply(LineAnswer(n));
  EXPECT_FALSE(Read(text));
  EXPECT_EQ(ToUtf8(fIO->ErrorMessage()), "Journal read stopped after 5 lines: ask for a shorter date range");
  EXPECT_EQ(ToUtf8(text), Lines(5));
  EXPECT_EQ(FramesWritten(), 7u);  // the login, five lines and the sixth
}

class LotteryCommands : public testing::EpsonFixture {
 protected:
  void SetUp() override {
    EpsonFixture::SetUp();
    fDevice->fSerialNumber = u"99MEB012345";
    fReference.fDeviceSerialNumber = u"99MEB012345";
    fReference.fEJClosingNumber = u"3";
    fReference.fReceiptNumber = u"17";
    fReference.fReceiptDateTime = EncodeDate(2025, 3, 2) + 0.4;
  }
  void AddDocument(const std::string& aState, const std::string& aCode, const std::string& aReferenceId) {
    fSimulator.WithModel([&](fpsim::PrinterModel& m) {
      fpsim::DocumentRecord r;
      r.number = 17;
      r.closing = 3;
      r.when = EncodeDate(2025, 3, 2) + 0.4;
      r.lotteryCode = "ABCDEFGH";
      r.lotteryState = aState;
      r.lotteryStatusCode = aCode;
      r.lotteryReferenceId = aReferenceId;
      m.State().documents.push_back(r);
    });
  }
  kReceiptReference fReference;
};

TEST_F(LotteryCommands, StatesOfTheReceiptsOfThisPrinter) {
  const struct {
    std::string state, code;
    bool sent;
    String description;
  } cases[] = {
      {"00", "00000", true, u"Ok"},
      {"01", "00000", false, u"Da Inviare"},
      {"02", "00000", false, u"Da Inviare: non ancora raggiunto il limite di invio"},
      {"03", "00123", false, u"Respinto: codice di errore 00123"},
      {"04", "00000", false, u"Respinto: codice di errore non disponibile"},
      {"07", "00000", false, u"Stato sconosciuto: [07]"},
  };
  for (const auto& c : cases) {
    fSimulator.WithModel([](fpsim::PrinterModel& m) { m.State().documents.clear(); });
    AddDocument(c.state, c.code, "REF-" + c.state);
    fSimulator.ClearTranscript();
    ASSERT_TRUE(fDevice->GetLotteryReceiptStatus(fReference));
    const qxLotteryReceiptStatus& s = fDevice->fLotteryReceiptStatus;
    EXPECT_EQ(s.CorrectlySent, c.sent) << c.state;
    EXPECT_EQ(s.StatusCode, FromUtf8(c.code));
    EXPECT_EQ(s.StatusDescription, c.description);
    EXPECT_EQ(Trim(s.ReferenceId), FromUtf8("REF-" + c.state));
    EXPECT_EQ(SentFrames(fSimulator), std::vector<std::string>{"9218" "99MEB012" "0003" "0017" "020325" "00"});
  }
}

TEST_F(LotteryCommands, NotFoundAnotherPrinterAndFailures) {
  ASSERT_TRUE(fDevice->GetLotteryReceiptStatus(fReference));  // the printer has no such receipt
  EXPECT_FALSE(fDevice->fLotteryReceiptStatus.CorrectlySent);
  EXPECT_EQ(fDevice->fLotteryReceiptStatus.StatusDescription,
            u"Documento Commerciale non trovato o Codice Lotteria non specificato nel Documento");

  fSimulator.ClearTranscript();
  fReference.fDeviceSerialNumber = u"99MEB000001";
  ASSERT_TRUE(fDevice->GetLotteryReceiptStatus(fReference));
  EXPECT_EQ(fDevice->fLotteryReceiptStatus.StatusCode, u"XXXXX");
  EXPECT_EQ(fDevice->fLotteryReceiptStatus.StatusDescription, u"Documento emesso da un dispositivo differente");
  EXPECT_EQ(fDevice->fLotteryReceiptStatus.ReferenceId, u"");
  EXPECT_TRUE(fSimulator.FramesReceived().empty());

  // A failing exchange leaves the last state in place.
  fReference.fDeviceSerialNumber = u"99MEB012345";
  fSimulator.AddFault("9218:error=12");
  EXPECT_FALSE(fDevice->GetLotteryReceiptStatus(fReference));
  EXPECT_EQ(fDevice->fLotteryReceiptStatus.StatusCode, u"XXXXX");
  fReference.fEJClosingNumber = u"";
  EXPECT_THROW(fDevice->GetLotteryReceiptStatus(fReference), Error);
}

}  // namespace
}  // namespace qx
