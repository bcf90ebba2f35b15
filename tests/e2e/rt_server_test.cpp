// RT-server mode through the exported functions, against the simulator program and the test
// RT-server library: the till login, the signing request of a receipt, the answers built from the
// signed receipt, the till's X report and daily closing, every failure of the signing, and
// libraries that are missing or lack an entry point.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "library.h"
#include "receipt_simulator.h"

namespace {

using e2e::Answer;
using e2e::Element;

// The test RT-server library as the tests steer it: the same library the driver loads.
class RTServerControl {
 public:
  explicit RTServerControl(const char* aPath) : fHandle(::dlopen(aPath, RTLD_NOW | RTLD_LOCAL)) {
    if (fHandle == nullptr) throw std::runtime_error(std::string("dlopen: ") + ::dlerror());
    reinterpret_cast<void (*)()>(::dlsym(fHandle, "qxrs_test_reset"))();
  }
  ~RTServerControl() { ::dlclose(fHandle); }
  RTServerControl(const RTServerControl&) = delete;
  RTServerControl& operator=(const RTServerControl&) = delete;

  void Mode(const char* aMode) const { reinterpret_cast<void (*)(const char*)>(::dlsym(fHandle, "qxrs_test_mode"))(aMode); }
  // The calls recorded so far, one a line.
  std::vector<std::string> Journal() const {
    uint32_t length = 0;
    const auto* text = reinterpret_cast<const char16_t* (*)(uint32_t*)>(::dlsym(fHandle, "qxrs_test_journal"))(&length);
    const std::string all = e2e::U8(std::u16string(text == nullptr ? u"" : text, length));
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(all.substr(start, end - start));
    return lines;
  }
  void Forget() const { reinterpret_cast<void (*)()>(::dlsym(fHandle, "qxrs_test_reset"))(); }

 private:
  void* fHandle;
};

// The library path as the RTServerDriver parameter holds it: without the ".so" that stands for
// Windows' ".dll".
std::string DriverName(const std::string& aPath) { return aPath.substr(0, aPath.size() - 3); }

constexpr char kPassword[] = "S3gr3t0!Till";

class RTServerEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    fRoot = (std::filesystem::temp_directory_path() / ("qx-e2e-rtserver-" + std::to_string(::getpid()))).string();
    ::setenv("QX_LOG_ROOT", fRoot.c_str(), 1);
    fLibrary = std::make_unique<e2e::Library>();
  }
  void TearDown() override {
    fLibrary.reset();
    std::filesystem::remove_all(fRoot);
  }

  Answer Open(e2e::TracingSimulator& aSimulator, const std::string& aDriver = DriverName(QX_TEST_RT_SERVER),
             const std::string& aMoreParameters = "") {
    fConnection = "<Connection><Type>serial</Type><SerialPort>" + aSimulator.Device() +
                  "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity><StopBits>1</StopBits>"
                  "<ReadTimeout>300</ReadTimeout></Connection><Parameters><RTServer>True</RTServer><RTServerDriver>" +
                  aDriver +
                  "</RTServerDriver><RTServerHost>https://rt.example</RTServerHost><RTServerPort>8443</RTServerPort>"
                  "<RTServerUser>cassa1</RTServerUser><RTServerPassword>" + kPassword +
                  "</RTServerPassword><RTServerTillSerial>CASSA-0001</RTServerTillSerial>" + aMoreParameters +
                  "</Parameters>";
    const Answer open = Call("OPEN", 0, "");
    if (open.Result == 0) fHandle = std::stoi(Element(open.Output, "Handle"));
    fLogFile = Element(open.Output, "LogFileName");
    return open;
  }
  Answer Call(const char* aFunction, int aHandle, const std::string& aDocument) {
    return fLibrary->Call(aFunction, "<Request><Driver>QXRP_EPSFPNAT_20</Driver><LogId>e2e</LogId><Handle>" +
                                         std::to_string(aHandle) + "</Handle>" + fConnection + aDocument + "</Request>");
  }
  // A call whose printer frames are collected once the simulator has answered the last one.
  Answer Traced(e2e::TracingSimulator& aSimulator, const char* aFunction, const std::string& aDocument) {
    aSimulator.Settle();
    aSimulator.Clear();
    const Answer answer = Call(aFunction, fHandle, aDocument);
    aSimulator.Settle();
    return answer;
  }
  // The frames' commands and data, without the frame's counter, checksum and delimiters.
  static std::vector<std::string> Commands(e2e::TracingSimulator& aSimulator) {
    std::vector<std::string> out;
    for (const std::string& f : aSimulator.Frames())
      if (f.size() >= 7) out.push_back(f.substr(4, f.size() - 7));
    return out;
  }

  std::string fRoot;
  std::unique_ptr<e2e::Library> fLibrary;
  std::string fConnection;
  std::string fLogFile;
  int fHandle = 0;
};

std::string Receipt(const std::string& aType, const std::string& aLines, const std::string& aPayments,
                    const std::string& aMore = "") {
  return "<Receipt><Type>" + aType + "</Type>" + aMore + "<Lines>" + aLines + "</Lines><Taxes/><Payments>" + aPayments +
         "</Payments></Receipt>";
}

const char kSale[] =
    "<ProductSale><Department>1</Department><Description>Pane</Description><Quantity>2</Quantity><TaxCode>2200</TaxCode>"
    "<Price>1.50</Price><Amount>3.00</Amount><Attribute>Service</Attribute></ProductSale>";
const char kCash[] = "<Payment><Type>Cash</Type><Amount>3.00</Amount></Payment>";

// Whether the printer was asked to print anything of a fiscal receipt.
bool PrintedAReceipt(const std::vector<std::string>& aCommands) {
  for (const std::string& c : aCommands)
    if (c.rfind("1085", 0) == 0 || c.rfind("1080", 0) == 0 || c.rfind("1084", 0) == 0) return true;
  return false;
}

TEST_F(RTServerEndToEnd, SigningRequestOfEveryLineType) {
  const RTServerControl server(QX_TEST_RT_SERVER);
  e2e::TracingSimulator simulator;
  ASSERT_EQ(Open(simulator).Result, 0u);
  const std::string lines =
      std::string(kSale) +
      "<ProductSale><Department>1</Department><Description>Omaggio</Description><Quantity>3</Quantity><TaxCode>1000</TaxCode><Price>1.25</Price>"
      "<Amount>3.75</Amount><Attribute>Product</Attribute><FreeOfCharge>true</FreeOfCharge></ProductSale>"
      "<ProductReturn><Department>1</Department><Description>Reso</Description><Quantity>1</Quantity><TaxCode>0400</TaxCode><Price>2</Price>"
      "<Amount>2</Amount><Attribute>Product</Attribute></ProductReturn>"
      "<WeightedProductSale><Department>1</Department><Description>Formaggio</Description><Quantity>0.350</Quantity><UOM>KG</UOM>"
      "<TaxCode>0500</TaxCode><Price>20.00</Price><Amount>7.00</Amount></WeightedProductSale>"
      "<VoucherSale><Department>1</Department><Description>Buono</Description><TaxCode>N1</TaxCode><Price>10</Price></VoucherSale>"
      "<VoucherRedeem><Department>1</Department><Description>Buono usato</Description><TaxCode>N2</TaxCode><Price>2</Price></VoucherRedeem>"
      "<GiftCardSale><Department>1</Department><Description>Gift card</Description><TaxCode>N3</TaxCode><Price>25</Price></GiftCardSale>"
      "<GiftCardRedeem><Department>1</Department><Description>Gift usata</Description><TaxCode>N5</TaxCode><Price>5</Price></GiftCardRedeem>"
      "<Text><Description>CAFF\xC3\x88 &amp; \"Co\"</Description></Text>"
      "<SubTotal><Amount>0</Amount></SubTotal>"
      "<DiscountPercentage><Percentage>10</Percentage><Amount>0.70</Amount><Description>Sconto 10%</Description>"
      "</DiscountPercentage>"
      "<MarkupAmount><Amount>0.30</Amount><Description>Maggiorazione</Description></MarkupAmount>"
      "<MarkupPercentage><Percentage>10</Percentage><Amount>0.50</Amount><Description>Magg 10%</Description>"
      "</MarkupPercentage>"
      "<DiscountAmountOnSubtotal><Amount>1.00</Amount><Description>Sconto sub</Description></DiscountAmountOnSubtotal>"
      "<DiscountPercentageOnSubTotal><Percentage>5</Percentage><Amount>1.84</Amount><Description>Sconto 5%</Description>"
      "</DiscountPercentageOnSubTotal>"
      "<MarkupAmountOnSubtotal><Amount>0.20</Amount><Description>Servizio</Description></MarkupAmountOnSubtotal>"
      "<MarkupPercentageOnSubTotal><Percentage>2</Percentage><Amount>0.74</Amount><Description>Servizio 2%</Description>"
      "</MarkupPercentageOnSubTotal>"
      "<CollectAmount><Department>1</Department><Description>Acconto</Description><TaxCode>N6</TaxCode><Amount>3.00</Amount></CollectAmount>"
      "<CollectAmount><Department>1</Department><Description>Storno acconto</Description><TaxCode>N4</TaxCode><Amount>-1.50</Amount>"
      "</CollectAmount>";
  const std::string payments =
      "<Payment><Type>CreditCard</Type><Description>Carta</Description><Amount>5.00</Amount></Payment>"
      "<Payment><Type>MealVoucher</Type><Description>Buoni pasto</Description><Amount>16.00</Amount>"
      "<Quantity>2</Quantity><UnitPrice>8.00</UnitPrice></Payment>"
      "<Payment><Type>Cash</Type><Description>Contanti</Description><Amount>20.00</Amount></Payment>"
      "<Payment><Type>Change</Type><Amount>0.30</Amount></Payment>";
  const std::string more = "<CurrencyCode>EUR</CurrencyCode><LotteryIdCode> ABCD1234\t</LotteryIdCode>"
                           "<TrailerMessages><Text><Value>Grazie</Value><Alignment>Left</Alignment></Text></TrailerMessages>";
  const Answer sale = Traced(simulator, "PRINTFR", Receipt("Sale", lines, payments, more));
  ASSERT_EQ(sale.Result, 0u) << sale.Output << sale.ErrorText;

  const std::vector<std::string> journal = server.Journal();
  ASSERT_EQ(journal.size(), 2u);
  // The till was opened by OPEN, with the password in clear for the server.
  EXPECT_EQ(journal[0], std::string("OPENTILL https://rt.example|8443|cassa1|") + kPassword + "|CASSA-0001");
  EXPECT_EQ(journal[1],
            "SIGNRECEIPT <printerFiscalReceipt>"
            "<beginFiscalReceipt operator=\"01\" docType=\"0\"/>"
            "<printRecLotteryID operator=\"01\" lotteryID=\"ABCD1234\"/>"
            "<printRecItem operator=\"01\" description=\"Pane\" quantity=\"2.000\" unitPrice=\"1.500\" vatID=\"1\" type=\"S\" justification=\"1\"/>"
            "<printRecItem operator=\"01\" description=\"Omaggio\" quantity=\"3.000\" unitPrice=\"1.250\" vatID=\"2\" type=\"B\" justification=\"1\"/>"
            "<printRecItemAdjustment operator=\"01\" adjustmentType=\"11\" amount=\"3.75\" vatID=\"2\"/>"
            "<printRecRefund operator=\"01\" description=\"Reso\" quantity=\"1.000\" unitPrice=\"2.000\" vatID=\"3\" type=\"B\" justification=\"1\"/>"
            "<printRecMessage operator=\"01\" messageType=\"4\" index=\"1\" font=\"1\" message=\" 0.350 kg x EUR 20.00/kg\"/>"
            "<printRecItem operator=\"01\" description=\"Formaggio\" quantity=\"1.000\" unitPrice=\"7.000\" vatID=\"4\" type=\"B\" justification=\"1\"/>"
            "<printRecItem operator=\"01\" description=\"Buono\" quantity=\"1\" unitPrice=\"10.000\" vatID=\"10\" justification=\"1\"/>"
            "<printRecItemAdjustment operator=\"01\" adjustmentType=\"12\" amount=\"2.00\" vatID=\"11\"/>"
            "<printRecItem operator=\"01\" description=\"Gift card\" quantity=\"1\" unitPrice=\"25.000\" vatID=\"12\" type=\"B\" justification=\"1\"/>"
            "<printRecItemAdjustment operator=\"01\" adjustmentType=\"12\" amount=\"5.00\" vatID=\"13\"/>"
            "<printRecMessage operator=\"01\" messageType=\"4\" index=\"1\" font=\"1\" message=\"CAFFE &amp; &quot;Co&quot;\"/>"
            "<printRecSubtotal operator=\"01\"/>"
            "<printRecItemAdjustment operator=\"01\" adjustmentType=\"0\" description=\"Sconto 10%\" amount=\"0.70\" vatID=\"3\"/>"
            "<printRecItemAdjustment operator=\"01\" adjustmentType=\"5\" description=\"Maggiorazione\" amount=\"0.30\" vatID=\"3\"/>"
            "<printRecItemAdjustment operator=\"01\" adjustmentType=\"5\" description=\"Magg 10%\" amount=\"0.50\" vatID=\"3\"/>"
            "<printRecSubtotalAdjustment operator=\"01\" adjustmentType=\"1\" description=\"Sconto sub\" amount=\"1.00\"/>"
            "<printRecSubtotalAdjustment operator=\"01\" adjustmentType=\"1\" description=\"Sconto 5%\" amount=\"1.84\"/>"
            "<printRecSubtotalAdjustment operator=\"01\" adjustmentType=\"6\" description=\"Servizio\" amount=\"0.20\"/>"
            "<printRecSubtotalAdjustment operator=\"01\" adjustmentType=\"6\" description=\"Servizio 2%\" amount=\"0.74\"/>"
            "<printRecItem operator=\"01\" description=\"Acconto\" quantity=\"1\" unitPrice=\"3.000\" vatID=\"14\" type=\"B\" justification=\"1\"/>"
            "<printRecItemAdjustment operator=\"01\" adjustmentType=\"10\" amount=\"1.50\" vatID=\"0\"/>"
            "<printRecTotal operator=\"01\" paymentType=\"2\" description=\"Carta\" payment=\"5.00\"/>"
            "<printRecTotal operator=\"01\" paymentType=\"3\" description=\"Buoni pasto\" payment=\"16.00\" quantity=\"2\" unitPrice=\"8.00\"/>"
            "<printRecTotal operator=\"01\" paymentType=\"0\" description=\"Contanti\" payment=\"20.00\"/>"
            "<endFiscalReceipt operator=\"01\"/>"
            "</printerFiscalReceipt>");

  // On the printer: a sale with the server's header lines before it opens and its footer lines
  // (the server's numbers and signature) before each payment.
  const std::vector<std::string> commands = Commands(simulator);
  const auto begin = std::find(commands.begin(), commands.end(), "108501");
  ASSERT_NE(begin, commands.end());
  ASSERT_GE(begin - commands.begin(), 4);
  EXPECT_EQ(*(begin - 4), "10780110102" + std::string(9, ' ') + "DOCUMENTO  COMMERCIALE" + std::string(9, ' '));
  EXPECT_EQ(*(begin - 3), "10780110202" + std::string(8, ' ') + "di vendita o prestazione" + std::string(8, ' '));
  int paid = 0;
  for (size_t i = 13; i < commands.size(); ++i) {
    if (commands[i].rfind("1084", 0) != 0) continue;
    ++paid;
    EXPECT_EQ(commands[i - 13].substr(0, 21), "10780120103di cui IVA");
    EXPECT_EQ(commands[i - 11], "10780120302" + std::string(9, ' ') + "Documento N: 0001-0001" + std::string(9, ' '));
    EXPECT_EQ(commands[i - 10], "10780120402" + std::string(6, ' ') + "Matricola Cassa: CASSA-0001" + std::string(7, ' '));
    EXPECT_EQ(commands[i - 6], "10780120801" + std::string(4, ' ') + "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345" + std::string(4, ' '));
  }
  EXPECT_EQ(paid, 3);

  // The answer carries the signed receipt's numbers.
  EXPECT_EQ(Element(sale.Output, "Error"), "False") << sale.Output;
  EXPECT_EQ(Element(sale.Output, "MessageText"), "") << sale.Output;
  EXPECT_EQ(Element(sale.Output, "ReceiptNumber"), "1");
  EXPECT_EQ(Element(sale.Output, "EJNumber"), "0");
  EXPECT_EQ(Element(sale.Output, "EJClosingNumber"), "1");
  EXPECT_EQ(Element(sale.Output, "DeviceSerialNumber"), "CASSA-0001");
  EXPECT_EQ(Element(sale.Output, "ServerSerialNumber"), "99SEP000123");
  EXPECT_EQ(Call("CLOSE", fHandle, "").Result, 0u);
}

TEST_F(RTServerEndToEnd, SigningFailuresPrintNothing) {
  const RTServerControl server(QX_TEST_RT_SERVER);
  e2e::TracingSimulator simulator;
  ASSERT_EQ(Open(simulator).Result, 0u);
  const struct {
    const char* fMode;
    const char* fErrorText;
  } kCases[] = {
      {"sign-fail", "Errore nella generazione del documento commerciale."},
      {"sign-refused", "Errore nella generazione del documento commerciale."},
      {"sign-not-xml", "The RT server answer is not XML: Invalid XML request: "},
      {"sign-missing", "The RT server answer has no element nDoc"},
      {"sign-huge", "The RT server answer is too long"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.fMode);
    server.Mode(c.fMode);
    const Answer answer = Traced(simulator, "PRINTFR", Receipt("Sale", kSale, kCash));
    EXPECT_EQ(Element(answer.Output, "Error"), "True") << answer.Output;
    EXPECT_EQ(Element(answer.Output, "ErrorText").rfind(c.fErrorText, 0), 0u) << answer.Output;
    EXPECT_FALSE(PrintedAReceipt(Commands(simulator)));
  }
  // The server signs again: the receipt is printed with its number.
  server.Mode("");
  const Answer answer = Traced(simulator, "PRINTFR", Receipt("Sale", kSale, kCash));
  EXPECT_EQ(Element(answer.Output, "Error"), "False") << answer.Output;
  EXPECT_EQ(Element(answer.Output, "ReceiptNumber"), "1");
  EXPECT_TRUE(PrintedAReceipt(Commands(simulator)));
}

TEST_F(RTServerEndToEnd, SignedButNotPrintedIsNoError) {
  // The printer refuses the sale, then the payment: the server has registered both receipts, so
  // neither answer may invite the till to register it again.
  const struct {
    const char* fFault;
    const char* fErrorText;
  } kCases[] = {{"1085:error=20", "SUPERA VALORE"}, {"1084:error=20", "SUPERA VALORE"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.fFault);
    const RTServerControl server(QX_TEST_RT_SERVER);
    e2e::TracingSimulator simulator({"--fault", c.fFault});
    ASSERT_EQ(Open(simulator).Result, 0u);
    const Answer answer = Traced(simulator, "PRINTFR", Receipt("Sale", kSale, kCash));
    EXPECT_EQ(answer.Result, 0u) << answer.Output;
    EXPECT_EQ(Element(answer.Output, "Error"), "False") << answer.Output;
    EXPECT_EQ(Element(answer.Output, "ErrorText"), c.fErrorText) << answer.Output;
    EXPECT_EQ(Element(answer.Output, "MessageText"),
              "La transazione di vendita \xC3\xA8 stata registrata correttamente ma non \xC3\xA8 stato possibile "
              "stamparla.");
    EXPECT_EQ(Element(answer.Output, "ReceiptNumber"), "1");
    EXPECT_EQ(Call("CLOSE", fHandle, "").Result, 0u);
  }
}

// The server signs the receipt before the processor library sees it: a receipt the processor
// then rejects is registered all the same, and must not answer as failed.
TEST_F(RTServerEndToEnd, AReceiptTheProcessorRejectsAfterSigningIsRegistered) {
  const RTServerControl server(QX_TEST_RT_SERVER);
  e2e::TracingSimulator simulator;
  ASSERT_EQ(Open(simulator, DriverName(QX_TEST_RT_SERVER), std::string("<Processor>") + QX_TEST_PROCESSOR + "</Processor>")
                .Result,
            0u);
  const Answer answer = Traced(simulator, "PRINTFR", Receipt("Sale", kSale, kCash, "<Notes>REJECT</Notes>"));
  EXPECT_EQ(answer.Result, 0u) << answer.Output;
  EXPECT_EQ(Element(answer.Output, "Error"), "False") << answer.Output;
  EXPECT_EQ(Element(answer.Output, "ErrorText"), "Receipt rejected by the processor");
  EXPECT_EQ(Element(answer.Output, "MessageText"),
            "La transazione di vendita \xC3\xA8 stata registrata correttamente ma non \xC3\xA8 stato possibile "
            "stamparla.");
  EXPECT_EQ(Element(answer.Output, "ReceiptNumber"), "1");
  EXPECT_FALSE(PrintedAReceipt(Commands(simulator)));
  EXPECT_EQ(Call("CLOSE", fHandle, "").Result, 0u);
}

TEST_F(RTServerEndToEnd, RefundAndVoidCarryTheirReference) {
  const RTServerControl server(QX_TEST_RT_SERVER);
  e2e::TracingSimulator simulator;
  ASSERT_EQ(Open(simulator).Result, 0u);
  const std::string reference =
      "<References><OriginalReceipt><ReceiptDateTime>2026-12-01T10:20:00</ReceiptDateTime><ReceiptNumber>7"
      "</ReceiptNumber><DeviceSerialNumber>CASSA-0001</DeviceSerialNumber><ServerSerialNumber>99SEP000123"
      "</ServerSerialNumber><EJClosingNumber>12</EJClosingNumber></OriginalReceipt></References>";
  ASSERT_EQ(Traced(simulator, "PRINTFR", Receipt("Refund", kSale, kCash, reference)).Result, 0u);
  const std::string empties =
      "<References><OriginalReceipt><ReceiptDateTime>2026-11-30T00:00:00</ReceiptDateTime><DeviceSerialNumber>"
      "99MEB012345</DeviceSerialNumber><ReferenceType>Empties</ReferenceType></OriginalReceipt></References>";
  ASSERT_EQ(Traced(simulator, "PRINTFR", Receipt("Void", "", "", empties)).Result, 0u);
  // Only the last four digits of a longer number go; a number that is none fails the receipt
  // before anything is signed or printed.
  const std::string longer = "<References><OriginalReceipt><ReceiptDateTime>2026-12-01T10:20:00</ReceiptDateTime>"
                             "<ReceiptNumber>123456</ReceiptNumber><EJClosingNumber>12a</EJClosingNumber>"
                             "</OriginalReceipt></References>";
  const Answer refused = Traced(simulator, "PRINTFR", Receipt("Refund", kSale, kCash, longer));
  EXPECT_EQ(Element(refused.Output, "Error"), "True");
  EXPECT_NE(refused.ErrorText.find("012a"), std::string::npos) << refused.ErrorText;
  EXPECT_FALSE(PrintedAReceipt(Commands(simulator)));
  ASSERT_EQ(Traced(simulator, "PRINTFR",
                   Receipt("Refund", kSale, kCash,
                           "<References><OriginalReceipt><ReceiptNumber>123456</ReceiptNumber><EJClosingNumber>"
                           "</EJClosingNumber></OriginalReceipt></References>"))
                .Result,
            0u);
  // A receipt to be invoiced is paid as "6".
  ASSERT_EQ(Traced(simulator, "PRINTFR",
                   Receipt("Sale", kSale,
                           "<Payment><Type>CreditCard</Type><Description>Carta</Description><Amount>3.00</Amount>"
                           "</Payment>",
                           "<ToBeInvoiced>true</ToBeInvoiced>"))
                .Result,
            0u);

  const std::vector<std::string> journal = server.Journal();
  ASSERT_EQ(journal.size(), 5u);
  EXPECT_NE(journal[3].find("refZRepNum=\"0000\" refRecNum=\"3456\" refDate=\"18991230\" refServerID=\"\"/>"),
            std::string::npos)
      << journal[3];
  EXPECT_NE(journal[4].find("<printRecTotal operator=\"01\" paymentType=\"6\" description=\"Carta\" payment=\"3.00\"/>"),
            std::string::npos)
      << journal[4];
  EXPECT_EQ(journal[1].rfind(
                "SIGNRECEIPT <printerFiscalReceipt><beginFiscalReceipt operator=\"01\" docType=\"1\" refZRepNum=\"0012\" "
            "refRecNum=\"0007\" refDate=\"20261201\" refTillID=\"CASSA-0001\" refServerID=\"99SEP000123\"/>"
                "<printRecItem ",
                0),
            0u)
      << journal[1];
  EXPECT_EQ(journal[2],
            "SIGNRECEIPT <printerFiscalReceipt><beginFiscalReceipt operator=\"01\" docType=\"3\" refRefundVoidType=\"VR\" "
            "refDate=\"20261130\" refServerID=\"99MEB012345\"/><endFiscalReceipt operator=\"01\"/></printerFiscalReceipt>");
}

TEST_F(RTServerEndToEnd, TillReportsAndDailyClosing) {
  const RTServerControl server(QX_TEST_RT_SERVER);
  e2e::TracingSimulator simulator;
  ASSERT_EQ(Open(simulator).Result, 0u);
  ASSERT_EQ(Traced(simulator, "PRINTFR", Receipt("Sale", kSale, kCash)).Result, 0u);

  const Answer x = Traced(simulator, "PRINTXR", "");
  EXPECT_EQ(Element(x.Output, "Error"), "False") << x.Output;
  EXPECT_EQ(Element(x.Output, "XReportNumber"), "1");
  EXPECT_EQ(Element(x.Output, "EJNumber"), "0");
  EXPECT_EQ(Element(x.Output, "EJClosingNumber"), "1");
  EXPECT_EQ(Element(x.Output, "DeviceSerialNumber"), "CASSA-0001");
  EXPECT_EQ(Element(x.Output, "ServerSerialNumber"), "99SEP000123");
  std::string paper;
  for (const std::string& line : simulator.Paper()) paper += line + "\n";
  EXPECT_NE(paper.find("X-REPORT"), std::string::npos) << paper;
  EXPECT_NE(paper.find("Documenti Emessi: 1\n"), std::string::npos) << paper;
  EXPECT_NE(paper.find("Totale Giorno" + std::string(20, ' ') + "1234.50\n"), std::string::npos) << paper;
  EXPECT_EQ(paper.find("Data Chiusura"), std::string::npos) << paper;

  // The X report closed the till: the next receipt logs in again first.
  ASSERT_EQ(Traced(simulator, "PRINTFR", Receipt("Sale", kSale, kCash)).Result, 0u);
  std::vector<std::string> journal = server.Journal();
  ASSERT_EQ(journal.size(), 5u);
  EXPECT_EQ(journal[2], "XREPORT");
  EXPECT_EQ(journal[3].rfind("OPENTILL ", 0), 0u);

  const Answer z = Traced(simulator, "PRINTZR", "");
  EXPECT_EQ(Element(z.Output, "Error"), "False") << z.Output;
  EXPECT_EQ(Element(z.Output, "ZReportNumber"), "1");
  EXPECT_EQ(Element(z.Output, "ZReportDateTime"), "2026-03-01T23:59:00");
  EXPECT_EQ(Element(z.Output, "DayTotalAmount"), "1234.5");
  EXPECT_EQ(Element(z.Output, "DayRefundsAmount"), "50");
  EXPECT_EQ(Element(z.Output, "DayVoidsAmount"), "15.5");
  EXPECT_EQ(Element(z.Output, "DayReceiptsNumber"), "2");
  EXPECT_EQ(Element(z.Output, "GrandTotalAmount"), "0");
  EXPECT_EQ(Element(z.Output, "Text").rfind("<Line></Line><Line>Z-REPORT</Line><Line></Line><Line>Data Chiusura:    "
                                            "01-03-2026 23:59</Line><Line>Numero Chiusura:  1</Line>", 0),
            0u)
      << z.Output;
  EXPECT_EQ(server.Journal().back(), "CLOSETILL");

  // The status is the printer's, in RT-server mode too.
  const Answer status = Call("GETSTATUS", fHandle, "");
  EXPECT_EQ(Element(status.Output, "Error"), "False") << status.Output;
  EXPECT_EQ(Element(status.Output, "SerialNumber"), "99MEB012345") << status.Output;

  // A refused report answers an error without text and prints nothing.
  for (const char* mode : {"xreport-fail", "close-fail"}) {
    server.Mode(mode);
    const Answer refused = Traced(simulator, mode[0] == 'x' ? "PRINTXR" : "PRINTZR", "");
    EXPECT_EQ(Element(refused.Output, "Error"), "True") << refused.Output;
    EXPECT_EQ(Element(refused.Output, "ErrorText"), "") << refused.Output;
    EXPECT_TRUE(simulator.Paper().empty());
  }
}

TEST_F(RTServerEndToEnd, MissingLibrariesAndEntryPoints) {
  e2e::TracingSimulator simulator;
  // The default library, taken from the working directory.
  Answer open = Open(simulator, "");
  EXPECT_NE(open.Result, 0u);
  EXPECT_EQ(open.ErrorText, "Unable to load library " + std::filesystem::current_path().string() +
                                "/QXRS_EPSRT90_20.so. Error code: [126]");
  open = Open(simulator, "/nonexistent/rtserver");
  EXPECT_EQ(open.ErrorText, "Unable to load library /nonexistent/rtserver.so. Error code: [126]");
  open = Open(simulator, DriverName(QX_TEST_RT_SERVER_NO_CLOSETILL));
  EXPECT_EQ(open.ErrorText, "CLOSETILL function not found in QXRS_EPSRT90_20.dll");
  // A library without XREPORT opens; only the X report fails.
  open = Open(simulator, DriverName(QX_TEST_RT_SERVER_NO_XREPORT));
  ASSERT_EQ(open.Result, 0u) << open.Output;
  const Answer x = Call("PRINTXR", fHandle, "");
  EXPECT_EQ(Element(x.Output, "Error"), "True");
  EXPECT_EQ(x.ErrorText, "XREPORT function not found in QXRS_EPSRT90_20.dll");
}

TEST_F(RTServerEndToEnd, OneLibraryForEveryDeviceAndNoPasswordInTheLog) {
  const RTServerControl server(QX_TEST_RT_SERVER);
  e2e::TracingSimulator first;
  e2e::TracingSimulator second;
  server.Mode("open-fail");
  ASSERT_EQ(Open(first).Result, 0u);
  const int firstHandle = fHandle;
  const std::string firstLog = fLogFile;
  server.Mode("");
  ASSERT_EQ(Open(second).Result, 0u);
  const int secondHandle = fHandle;
  // The till login failed for the first device: its receipt logs in again, and the numbers of
  // both devices come from the one server library.
  ASSERT_EQ(Traced(second, "PRINTFR", Receipt("Sale", kSale, kCash)).Result, 0u);
  fHandle = firstHandle;
  const Answer sale = Traced(first, "PRINTFR", Receipt("Sale", kSale, kCash));
  EXPECT_EQ(Element(sale.Output, "ReceiptNumber"), "2") << sale.Output;
  EXPECT_EQ(server.Journal().size(), 5u);  // three logins, two signatures

  EXPECT_EQ(Call("CLOSE", firstHandle, "").Result, 0u);
  EXPECT_EQ(Call("CLOSE", secondHandle, "").Result, 0u);
  // Closed devices have written their whole log.
  const std::string log = e2e::ReadFile(firstLog);
  EXPECT_NE(log.find("RTServer:OpenTill\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("password ************, till CASSA-0001"), std::string::npos) << log;
  EXPECT_NE(log.find("RTServer:OpenTill failed: Till login refused"), std::string::npos) << log;
  EXPECT_NE(log.find("RTServer:SignReceipt\r\n"), std::string::npos) << log;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(fRoot)) {
    if (!entry.is_regular_file()) continue;
    EXPECT_EQ(e2e::ReadFile(entry.path().string()).find(kPassword), std::string::npos) << entry.path();
  }
  // The library stays loaded for the process.
  void* loaded = ::dlopen(QX_TEST_RT_SERVER, RTLD_NOW | RTLD_NOLOAD);
  EXPECT_NE(loaded, nullptr);
  if (loaded != nullptr) ::dlclose(loaded);
}

}  // namespace
