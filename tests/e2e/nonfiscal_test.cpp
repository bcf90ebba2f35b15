// PRINTNFR, DISPLAY, OPENDR, PAY, REPRINTFR, EJREPORT and GETLOTTERYRCPTSTATUS through the
// exported functions against the printer simulator program over a pseudo-terminal. The frames
// the library sent are read back from its traffic log, which is complete once the device is
// closed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "library.h"
#include "simulator_process.h"

namespace {

using e2e::Answer;
using e2e::Library;

std::string Tag(const std::string& aAnswer, const std::string& aTag) {
  const size_t open = aAnswer.find("<" + aTag + ">");
  const size_t close = aAnswer.find("</" + aTag + ">");
  if (open == std::string::npos || close == std::string::npos) return "(missing)";
  return aAnswer.substr(open + aTag.size() + 2, close - open - aTag.size() - 2);
}

std::string FileText(const std::string& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Command and data of every frame written to the printer, as the traffic log shows them.
std::vector<std::string> FramesInLog(const std::string& aLog) {
  std::vector<std::string> frames;
  for (size_t at = aLog.find("Write:\x02"); at != std::string::npos; at = aLog.find("Write:\x02", at + 1)) {
    const size_t end = aLog.find('\x03', at);
    const std::string frame = aLog.substr(at + 6, end - at - 6 + 1);
    frames.push_back(frame.substr(4, frame.size() - 7));
  }
  return frames;
}

// The frames that start with one of the command codes, in order.
std::vector<std::string> Only(const std::vector<std::string>& aFrames, std::initializer_list<const char*> aCommands) {
  std::vector<std::string> out;
  for (const std::string& f : aFrames)
    for (const char* c : aCommands)
      if (f.rfind(c, 0) == 0) out.push_back(f);
  return out;
}

class NonFiscalExports : public ::testing::Test {
 protected:
  void SetUp() override {
    fRoot = (std::filesystem::temp_directory_path() / ("qx-e2e-nonfiscal-" + std::to_string(::getpid()))).string();
    std::filesystem::remove_all(fRoot);
    ::setenv("QX_LOG_ROOT", fRoot.c_str(), 1);
    fLibrary = std::make_unique<Library>();
  }
  void TearDown() override {
    fLibrary.reset();
    if (std::getenv("QX_KEEP_LOGS") == nullptr) std::filesystem::remove_all(fRoot);
  }

  // Starts the simulator with aArguments and opens the printer with aParameters.
  void Open(std::vector<std::string> aArguments = {}, const std::string& aParameters = "") {
    Start(std::move(aArguments));
    const Answer open = Call("OPEN", "<Parameters>" + aParameters + "</Parameters>");
    ASSERT_EQ(open.Result, 0u) << open.Output << open.ErrorText;
    fHandle = std::stoi(Tag(open.Output, "Handle"));
    fLogName = Tag(open.Output, "LogFileName");
  }
  // Starts the simulator with aArguments; the connection to it is the one of every request.
  void Start(std::vector<std::string> aArguments = {}) {
    aArguments.push_back("--no-tcp");
    fSimulator = std::make_unique<e2e::SimulatorProcess>(aArguments);
    fConnection = "<Connection><Type>serial</Type><SerialPort>" + fSimulator->Device() +
                  "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity>"
                  "<StopBits>1</StopBits><ReadTimeout>1000</ReadTimeout></Connection>";
  }
  Answer Call(const char* aExport, const std::string& aDocument) {
    return fLibrary->Call(aExport, "<Request><Driver>QXRP_EPSFPNAT_20</Driver><LogId>nf</LogId><Handle>" +
                                       std::to_string(fHandle) + "</Handle>" + fConnection + aDocument +
                                       "</Request>");
  }
  // Closes the printer and returns the frames sent from the first operation labelled aLabel on.
  std::vector<std::string> CloseAndFrames(const std::string& aLabel) {
    EXPECT_EQ(Call("CLOSE", "").Result, 0u);
    fLog = FileText(fLogName);
    const size_t from = fLog.find(std::string(60, '-') + " " + aLabel + "\r\n");
    EXPECT_NE(from, std::string::npos) << aLabel;
    return FramesInLog(fLog.substr(from == std::string::npos ? 0 : from));
  }

  std::string fRoot;
  std::unique_ptr<Library> fLibrary;
  std::unique_ptr<e2e::SimulatorProcess> fSimulator;
  std::string fConnection;
  int fHandle = 0;
  std::string fLogName;
  std::string fLog;
};

const char kNFReceipt[] =
    "<NFReceipt><Lines>"
    "<Text><Value></Value><Alignment>Left</Alignment></Text>"
    "<Barcode><Value>ABC  </Value><Type>QRCode</Type></Barcode>"
    "<Barcode><Value> 123 </Value><Type>Code128</Type></Barcode>"
    "<Barcode><Value>4006381333931</Value><Type>EAN13</Type></Barcode>"
    "</Lines></NFReceipt>";

TEST_F(NonFiscalExports, NonFiscalReceiptFailingMidwayThenPrinted) {
  // The first text line meets the end of the paper; the receipt stays open on the printer.
  Open({"--fault", "1064:error=2"});
  const Answer failed = Call("PRINTNFR", kNFReceipt);
  EXPECT_EQ(failed.Result, 65535u);
  EXPECT_EQ(failed.ErrorText, "CARTA SCONTRINO");
  EXPECT_EQ(Tag(failed.Output, "NFReceiptDateTime"), "1899-12-30T00:00:00");

  const Answer printed = Call("PRINTNFR", kNFReceipt);
  ASSERT_EQ(printed.Result, 0u) << printed.Output;
  EXPECT_EQ(Tag(printed.Output, "NFReceiptNumber"), "");
  EXPECT_NE(Tag(printed.Output, "NFReceiptDateTime"), "1899-12-30T00:00:00");
  EXPECT_EQ(Tag(printed.Output, "Error"), "False");
  EXPECT_EQ(Tag(printed.Output, "ErrorText"), "");

  const Answer badBarcode =
      Call("PRINTNFR",
           "<NFReceipt><Lines><Barcode><Value>12AB</Value><Type>EAN13</Type></Barcode></Lines></NFReceipt>");
  EXPECT_EQ(badBarcode.Result, 65535u);
  EXPECT_NE(badBarcode.ErrorText.find("The EAN13 barcode value '12AB' has 4 characters"), std::string::npos)
      << badBarcode.ErrorText;

  const std::vector<std::string> frames =
      Only(CloseAndFrames("PrintNFReceipt"), {"1063", "1064", "1075", "1065", "1088"});
  const std::vector<std::string> expected = {
      "106301", "106401" "1" "\x7F" + std::string(39, ' '),  // refused by the printer
      "108801",                                              // the open receipt is cancelled
      "106301", "106401" "1" "\x7F" + std::string(39, ' '),
      "1075" "010010006020092" "ABC",
      "1075" "019011050210073" "{A123",
      "1075" "019013050210067" "4006381333931",
      "106501"};  // the bad barcode fails before the receipt is begun
  EXPECT_EQ(frames, expected);
}

TEST_F(NonFiscalExports, DisplayAndDrawer) {
  Open();
  const Answer display = Call("DISPLAY",
                              "<Display><Clear>true</Clear><Lines>"
                              "<Text><Value>IMPORTO</Value><Alignment>Left</Alignment></Text>"
                              "<Text><Value>EUR 4.00</Value><Alignment>Right</Alignment></Text>"
                              "<Text><Value>never shown</Value><Alignment>Left</Alignment></Text>"
                              "</Lines></Display>");
  EXPECT_EQ(display.Result, 0u) << display.Output;
  EXPECT_EQ(Tag(display.Output, "Error"), "False");
  const Answer noClear =
      Call("DISPLAY", "<Display><Clear>false</Clear><Lines><Text><Value>CIAO</Value><Alignment>Left</Alignment>"
                      "</Text></Lines></Display>");
  EXPECT_EQ(noClear.Result, 0u);
  EXPECT_EQ(Call("OPENDR", "<Drawer><Number>1</Number></Drawer>").Result, 0u);
  const Answer drawer = Call("GETDRSTATUS", "<Drawer><Number>1</Number></Drawer>");
  EXPECT_EQ(Tag(drawer.Output, "IsOpen"), "True");
  const std::vector<std::string> frames = Only(CloseAndFrames("WriteDisplay"), {"1062", "1050"});
  EXPECT_EQ(frames, (std::vector<std::string>{"1062011" + std::string(40, ' ') + "00",
                                              "1062011" "IMPORTO             " "            EUR 4.00" "00",
                                              "1062011" "CIAO" + std::string(16, ' ') + "00", "105001"}));
}

TEST_F(NonFiscalExports, ReprintFrames) {
  Open();
  const std::string reference = "<ReceiptReference><ReceiptType>Sale</ReceiptType><EJClosingNumber>1</EJClosingNumber>"
                                "<ReceiptDateTime>2025-03-02T10:00:00</ReceiptDateTime><ReceiptNumber>";
  // The simulator has printed no receipt: it answers that it has none to reprint.
  for (const char* number : {"0", "17"}) {
    const Answer a = Call("REPRINTFR", reference + number + "</ReceiptNumber></ReceiptReference>");
    EXPECT_EQ(a.Result, 65535u);
    EXPECT_EQ(a.ErrorText, "DATI INESISTENTI");
    EXPECT_EQ(Tag(a.Output, "Error"), "True");
  }
  EXPECT_EQ(Only(CloseAndFrames("ReprintReceipt"), {"1047", "3098"}),
            (std::vector<std::string>{"104701", "309801" "020325" "0017" "0017"}));
}

TEST_F(NonFiscalExports, JournalInMfModeAndTheLoginPasswordMasked) {
  Open({"--set", "mode=MF", "--set", "password=S3cret"}, "<LocalPassword>S3cret</LocalPassword>");
  const std::string dates = "<StartDate>2025-03-01T00:00:00</StartDate><EndDate>2025-03-02T23:59:59</EndDate>";
  const Answer read = Call("EJREPORT", "<EJReport><ReportType>FiscalReceipt</ReportType><ReportDestination>Memory"
                                       "</ReportDestination>" + dates + "</EJReport>");
  EXPECT_EQ(read.Result, 0u) << read.Output;
  EXPECT_EQ(Tag(read.Output, "Text"), "");  // no receipt in those days: "3102" at once
  const Answer nonFiscal = Call("EJREPORT", "<EJReport><ReportType>NonFiscalReceipt</ReportType><ReportDestination>"
                                            "Memory</ReportDestination>" + dates + "</EJReport>");
  EXPECT_EQ(nonFiscal.Result, 65535u);
  EXPECT_EQ(nonFiscal.ErrorText, "Non Fiscal Receipt Read is not supported.");
  const Answer print = Call("EJREPORT", "<EJReport><ReportType>Invoice</ReportType><ReportDestination>Printer"
                                        "</ReportDestination>" + dates + "</EJReport>");
  EXPECT_EQ(print.Result, 0u) << print.ErrorText;
  // The log shows the login's password as asterisks; the wire carries it (the simulator
  // accepted the login, or the read would have failed).
  const std::string login = "403802" "******" + std::string(34, ' ');
  EXPECT_EQ(Only(CloseAndFrames("EJReport"), {"4038", "3103"}),
            (std::vector<std::string>{login, "3103" "01" "1" "1" "010325" "020325" "000", login, login,
                                      "3103" "01" "0" "2" "010325" "020325" "000"}));
  EXPECT_EQ(fLog.find("S3cret"), std::string::npos);
}

TEST_F(NonFiscalExports, ZReportJournalInRtModeWithoutWebAddress) {
  Open();
  const Answer z = Call("EJREPORT", "<EJReport><ReportType>ZReport</ReportType><ReportDestination>Memory"
                                    "</ReportDestination><StartDate>2025-03-01T00:00:00</StartDate>"
                                    "<EndDate>2025-03-02T00:00:00</EndDate></EJReport>");
  EXPECT_EQ(z.Result, 0u) << z.ErrorText;
  EXPECT_EQ(Tag(z.Output, "Text"), "");
  EXPECT_TRUE(Only(CloseAndFrames("EJReport"), {"4038", "3103"}).empty());
}

TEST_F(NonFiscalExports, LotteryStateOfAnotherPrintersAndOfAnUnknownReceipt) {
  Open();
  const std::string reference = "<ReceiptReference><ReceiptType>Sale</ReceiptType><EJClosingNumber>3"
                                "</EJClosingNumber><ReceiptDateTime>2025-03-02T10:00:00</ReceiptDateTime>"
                                "<ReceiptNumber>17</ReceiptNumber><DeviceSerialNumber>";
  const Answer other = Call("GETLOTTERYRCPTSTATUS", reference + "99MEB000001</DeviceSerialNumber></ReceiptReference>");
  EXPECT_EQ(other.Result, 0u) << other.ErrorText;
  EXPECT_EQ(Tag(other.Output, "CorrectlySent"), "False");
  EXPECT_EQ(Tag(other.Output, "StatusCode"), "XXXXX");
  EXPECT_EQ(Tag(other.Output, "StatusDescription"), "Documento emesso da un dispositivo differente");
  EXPECT_EQ(Tag(other.Output, "ReferenceId"), "");
  const Answer own = Call("GETLOTTERYRCPTSTATUS", reference + "99MEB012345</DeviceSerialNumber></ReceiptReference>");
  EXPECT_EQ(own.Result, 0u) << own.ErrorText;
  EXPECT_EQ(Tag(own.Output, "CorrectlySent"), "False");
  EXPECT_EQ(Tag(own.Output, "StatusCode"), "00000");
  EXPECT_EQ(Tag(own.Output, "StatusDescription"),
            "Documento Commerciale non trovato o Codice Lotteria non specificato nel Documento");
  EXPECT_EQ(Only(CloseAndFrames("GetLotteryRcptStatus"), {"9218"}),
            std::vector<std::string>{"9218" "99MEB012" "0003" "0017" "020325" "00"});
}

const char kPayment[] =
    "<Payment><Copies>2</Copies><StoreCode>1</StoreCode><TillCode>1</TillCode><Reference>9</Reference>"
    "<Amount>12.50</Amount><Currency>EUR</Currency><ReceiptId>R9</ReceiptId><PrintLocation>ECR</PrintLocation>"
    "</Payment>";

TEST_F(NonFiscalExports, PaymentWithTwoCopies) {
  Open();
  const Answer pay = Call("PAY", kPayment);
  ASSERT_EQ(pay.Result, 0u) << pay.ErrorText;
  EXPECT_EQ(Tag(pay.Output, "TransactionType"), "MANUAL");
  EXPECT_EQ(Tag(pay.Output, "PaymentNetwork"), "other");
  EXPECT_EQ(Tag(pay.Output, "ReceiptText"), "");
  EXPECT_EQ(Tag(pay.Output, "RawResponse").substr(0, 12), "TERM000101" "00");
  const std::vector<std::string> frames = CloseAndFrames("Pay");
  const std::vector<std::string> copy = {"107401", "106301", "10780180001", "106501"};
  std::vector<std::string> expected = {"107401", "108401" "000001250" "2" "01" "1"};
  for (int n = 0; n < 2; ++n) expected.insert(expected.end(), copy.begin(), copy.end());
  EXPECT_EQ(Only(frames, {"1074", "1084", "1063", "1078", "1065"}), expected);
}

// A PAY without handle connects the device made for it, pays and releases the device: its log
// is complete when the answer comes, and the port is free for the next caller.
TEST_F(NonFiscalExports, PaymentWithoutHandle) {
  Start();
  for (int n = 0; n < 2; ++n) {
    const Answer pay = Call("PAY", "<Payment><Copies>0</Copies><Amount>3.00</Amount></Payment>");
    ASSERT_EQ(pay.Result, 0u) << pay.Output << pay.ErrorText;
    EXPECT_EQ(Tag(pay.Output, "RawResponse").substr(0, 12), "TERM000101" "00");
    const std::string log = FileText(Tag(pay.Output, "LogFileName"));
    EXPECT_EQ(Only(FramesInLog(log.substr(log.rfind(std::string(60, '-') + " Pay"))), {"1084"}),
              std::vector<std::string>{"108401" "000000300" "2" "01" "1"});
    EXPECT_NE(log.rfind(" STOP "), std::string::npos);
  }
}

TEST_F(NonFiscalExports, RefusedPaymentAnswersTheTerminalWithoutError) {
  Open({"--set", "eft_result=05"});
  const Answer pay = Call("PAY", kPayment);
  EXPECT_EQ(pay.Result, 0u) << pay.ErrorText;
  EXPECT_EQ(Tag(pay.Output, "Error"), "False");
  EXPECT_EQ(Tag(pay.Output, "RawResponse").substr(10, 2), "05");
  EXPECT_TRUE(Only(CloseAndFrames("Pay"), {"1063", "1078"}).empty());
}

// The sample requests of examples/ for these exports, as a POS program would send them once the
// handle and the connection are its own.
TEST_F(NonFiscalExports, TheSampleRequestsRun) {
  Open();
  const struct {
    const char* file;
    const char* exportName;
    const char* errorText;  // what the simulator, which has printed no receipt, answers
  } samples[] = {
      {"nf_receipt.xml", "PRINTNFR", ""},
      {"nf_receipt_barcodes.xml", "PRINTNFR", ""},
      {"display.xml", "DISPLAY", ""},
      {"display_lines.xml", "DISPLAY", ""},
      {"drawer.xml", "OPENDR", ""},
      {"payment.xml", "PAY", ""},
      {"reprint_last.xml", "REPRINTFR", "DATI INESISTENTI"},
      {"reprint_invoice.xml", "REPRINTFR", "DATI INESISTENTI"},
      {"receipt_reference.xml", "GETLOTTERYRCPTSTATUS", ""},
      {"lottery_status.xml", "GETLOTTERYRCPTSTATUS", ""},
      {"ej_report.xml", "EJREPORT", ""},
      {"ej_report_memory.xml", "EJREPORT", ""},
  };
  for (const auto& sample : samples) {
    std::string request = FileText(std::string(QX_SOURCE_DIR) + "/examples/" + sample.file);
    const size_t handle = request.find("<Handle>1</Handle>");
    const size_t from = request.find("<Connection>");
    const size_t to = request.find("</Connection>");
    ASSERT_TRUE(handle != std::string::npos && from != std::string::npos && to != std::string::npos) << sample.file;
    request.replace(from, to + 13 - from, fConnection);
    request.replace(handle, 18, "<Handle>" + std::to_string(fHandle) + "</Handle>");
    const Answer a = fLibrary->Call(sample.exportName, request);
    EXPECT_EQ(a.ErrorText, sample.errorText) << sample.file;
  }
}

}  // namespace
