// PRINTFR through the loaded library against the simulator program over a pseudo-terminal: the
// exact frames the printer received, the answer's numbers as the printer printed them, a
// refund and a void of a receipt printed earlier, and a failure followed by a whole receipt.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "library.h"
#include "receipt_simulator.h"

namespace {

using e2e::Element;
using e2e::Answer;

std::string Pad(const std::string& aText, size_t aWidth) { return (aText + std::string(aWidth, ' ')).substr(0, aWidth); }

const char kLines[] =
    "<ProductSale><Description>Pane</Description><Quantity>2</Quantity><Department>01</Department>"
    "<Price>1.50</Price><Amount>3.00</Amount></ProductSale>"
    "<ProductSale><Description>Latte</Description><Quantity>1</Quantity><Department>02</Department>"
    "<Price>1.20</Price><Amount>1.20</Amount></ProductSale>"
    "<DiscountAmount><Amount>0.20</Amount><Description>Sconto</Description></DiscountAmount>"
    "<SubTotal><Amount>4.00</Amount></SubTotal>";

class ReceiptEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    fRoot = (std::filesystem::temp_directory_path() / ("qx-e2e-receipt-" + std::to_string(::getpid()))).string();
    ::setenv("QX_LOG_ROOT", fRoot.c_str(), 1);
    fLibrary = std::make_unique<e2e::Library>();
  }
  void TearDown() override {
    fLibrary.reset();
    std::filesystem::remove_all(fRoot);
  }

  void Open(e2e::TracingSimulator& aSimulator) {
    fConnection = "<Connection><Type>serial</Type><SerialPort>" + aSimulator.Device() +
                  "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity><StopBits>1</StopBits>"
                  "<ReadTimeout>300</ReadTimeout></Connection>";
    const Answer open = Call("OPEN", 0, "");
    ASSERT_EQ(open.Result, 0u) << open.Output;
    fHandle = std::stoi(Element(open.Output, "Handle"));
  }
  Answer Call(const char* aFunction, int aHandle, const std::string& aDocument) {
    return fLibrary->Call(aFunction, "<Request><Driver>QXRP_EPSFPNAT_20</Driver><LogId>e2e</LogId><Handle>" +
                                         std::to_string(aHandle) + "</Handle>" + fConnection + aDocument + "</Request>");
  }
  // PRINTFR; the simulator's trace is read up to the frames of this call.
  Answer Print(e2e::TracingSimulator& aSimulator, const std::string& aReceipt) {
    // What earlier calls made the simulator trace is read before it is forgotten.
    aSimulator.Settle();
    aSimulator.Clear();
    const Answer answer = Call("PRINTFR", fHandle, aReceipt);
    // The simulator writes a frame's trace line before it answers the frame, so once the pipe is
    // read to its end every frame of the call is there. (Waiting for the last line read to be a
    // frame line could end early, between two frames of the call.)
    aSimulator.Settle();
    return answer;
  }

  std::string fRoot;
  std::unique_ptr<e2e::Library> fLibrary;
  std::string fConnection;
  int fHandle = 0;
};

// Command and data of each frame, after checking the frame's shape and checksum.
std::vector<std::string> CommandsAndData(const std::vector<std::string>& aFrames) {
  std::vector<std::string> out;
  for (const std::string& f : aFrames) {
    EXPECT_GE(f.size(), 10u);
    EXPECT_EQ(f.front(), '\x02');
    EXPECT_EQ(f.back(), '\x03');
    EXPECT_EQ(f[3], 'E');
    const std::string body = f.substr(1, f.size() - 4);
    const int sum = std::accumulate(body.begin(), body.end(), 0, [](int s, char c) { return s + static_cast<unsigned char>(c); });
    char checksum[8];
    std::snprintf(checksum, sizeof checksum, "%02d", sum % 100);
    EXPECT_EQ(f.substr(f.size() - 3, 2), checksum) << body;
    out.push_back(f.substr(4, f.size() - 7));
  }
  return out;
}

std::string Receipt(const std::string& aType, const std::string& aLines, const std::string& aPayments,
                    const std::string& aMore = "") {
  return "<Receipt><Type>" + aType + "</Type>" + aMore + "<Lines>" + aLines + "</Lines><Taxes/><Payments>" + aPayments +
         "</Payments></Receipt>";
}

TEST_F(ReceiptEndToEnd, SaleRefundAndVoid) {
  e2e::TracingSimulator simulator;
  Open(simulator);
  const std::string payments =
      "<Payment><Type>CreditCard</Type><Description>Carta</Description><Amount>1.50</Amount></Payment>"
      "<Payment><Type>Cash</Type><Amount>5.00</Amount></Payment>";
  const std::string trailer = "<TrailerMessages><Text><Value>Grazie</Value><Alignment>Left</Alignment></Text></TrailerMessages>";
  const Answer sale = Print(simulator, Receipt("Sale", kLines, payments, trailer));
  ASSERT_EQ(sale.Result, 0u) << sale.Output;
  EXPECT_EQ(CommandsAndData(simulator.Frames()),
            (std::vector<std::string>{"107001", "107401", "108501",
                                      "108001" + Pad("Pane", 32) + "0002000000000150011",
                                      "108001" + Pad("Latte", 32) + "0001000000000120021",
                                      "108301" + Pad("Sconto", 32) + "000000020" "0" "00" "1", "108601000",
                                      "1078012010" "1" + Pad("Grazie", 40),
                                      "108401" + Pad("Carta", 32) + "0000001502011",
                                      "108401" + Pad("", 32) + "0000005000001", "2052"}));
  // The answer's numbers are those on the paper: "dd-mm-yyyy hh:nn        DOC.N. 0001-0001".
  EXPECT_EQ(Element(sale.Output, "ReceiptNumber"), "1");
  EXPECT_EQ(Element(sale.Output, "EJNumber"), "0");
  EXPECT_EQ(Element(sale.Output, "EJClosingNumber"), "1");
  EXPECT_EQ(Element(sale.Output, "DeviceSerialNumber"), "99MEB012345");
  const std::vector<std::string> paper = simulator.Paper();
  std::string closing;
  for (const std::string& line : paper)
    if (line.find("DOC.N. 0001-0001") != std::string::npos) closing = line;
  ASSERT_FALSE(closing.empty());
  const std::string when = Element(sale.Output, "ReceiptDateTime");  // yyyy-mm-ddThh:nn:ss
  EXPECT_EQ(closing.substr(0, 16), when.substr(8, 2) + "-" + when.substr(5, 2) + "-" + when.substr(0, 4) + " " +
                                       when.substr(11, 5));

  // The refund and the void refer to the sale by the numbers its answer gave.
  const std::string original = "<References><OriginalReceipt><ReceiptDateTime>" + when +
                               "</ReceiptDateTime><ReceiptNumber>1</ReceiptNumber><DeviceSerialNumber>99MEB012345"
                               "</DeviceSerialNumber><EJClosingNumber>1</EJClosingNumber></OriginalReceipt></References>";
  const std::string ddmmyyyy = when.substr(8, 2) + when.substr(5, 2) + when.substr(0, 4);
  const Answer refund = Print(simulator, Receipt("Refund", "<ProductSale><Description>Latte</Description><Quantity>1"
                                                           "</Quantity><Department>02</Department><Price>1.20</Price>"
                                                           "</ProductSale>",
                                                 "<Payment><Type>Cash</Type><Amount>1.20</Amount></Payment>", original));
  ASSERT_EQ(refund.Result, 0u) << refund.Output;
  const std::vector<std::string> refundFrames = CommandsAndData(simulator.Frames());
  ASSERT_GE(refundFrames.size(), 4u);
  EXPECT_EQ(refundFrames[2], "92051" + Pad("99MEB012345", 11) + ddmmyyyy + "00010001");
  EXPECT_EQ(refundFrames[3], "10780140001REFUND 0001 0001 " + ddmmyyyy + " 99MEB012345");
  EXPECT_EQ(Element(refund.Output, "ReceiptNumber"), "2");

  // Part of it is refunded: the printer refuses to void it.
  const Answer refused = Print(simulator, Receipt("Void", "", "", original));
  EXPECT_EQ(refused.Result, 65535u);
  EXPECT_EQ(refused.ErrorText, "Receipt already refunded");

  const Answer another = Print(simulator, Receipt("Sale", kLines, payments));
  ASSERT_EQ(Element(another.Output, "ReceiptNumber"), "3");
  const Answer voided = Print(simulator, Receipt("Void", "", "",
                                                 "<References><OriginalReceipt><ReceiptDateTime>" + when +
                                                     "</ReceiptDateTime><ReceiptNumber>3</ReceiptNumber>"
                                                     "<DeviceSerialNumber>99MEB012345</DeviceSerialNumber>"
                                                     "<EJClosingNumber>1</EJClosingNumber></OriginalReceipt></References>"));
  ASSERT_EQ(voided.Result, 0u) << voided.Output;
  EXPECT_EQ(Element(voided.Output, "ReceiptNumber"), "4");
  const std::vector<std::string> voidFrames = CommandsAndData(simulator.Frames());
  ASSERT_EQ(voidFrames.size(), 6u);
  EXPECT_EQ(voidFrames[3], "10780140001VOID 0001 0003 " + ddmmyyyy + " 99MEB012345");
  bool printed = false;
  for (const std::string& line : simulator.Paper()) printed = printed || line.find("emesso per ANNULLAMENTO") != std::string::npos;
  EXPECT_TRUE(printed);
  EXPECT_EQ(Call("CLOSE", fHandle, "").Result, 0u);
}

TEST_F(ReceiptEndToEnd, FailedLineThenAWholeReceipt) {
  e2e::TracingSimulator simulator({"--fault", "1083:error=20"});
  Open(simulator);
  const std::string cash = "<Payment><Type>Cash</Type><Amount>4.00</Amount></Payment>";
  const Answer failed = Print(simulator, Receipt("Sale", kLines, cash));
  EXPECT_EQ(failed.Result, 65535u);
  EXPECT_EQ(failed.ErrorText, "SUPERA VALORE");
  EXPECT_EQ(Element(failed.Output, "ReceiptNumber"), "");
  EXPECT_EQ(CommandsAndData(simulator.Frames()).size(), 6u);  // numbers, status, begin, two items, the discount

  const Answer next = Print(simulator, Receipt("Sale", kLines, cash));
  EXPECT_EQ(next.Result, 0u) << next.Output;
  EXPECT_EQ(Element(next.Output, "ReceiptNumber"), "1");
  const std::vector<std::string> frames = CommandsAndData(simulator.Frames());
  ASSERT_GE(frames.size(), 4u);
  EXPECT_EQ(frames[2], "108801");  // the open document is cancelled first
  EXPECT_EQ(Call("CLOSE", fHandle, "").Result, 0u);
}

}  // namespace
