// Every command each document sends, under each fault, through the exported functions: the
// answer's Error agrees with what the printer registered, its numbers are the printer's, and a
// retry of a failed request and a new request leave exactly one document per request. Each test
// appends its cells ("document|command|fault|outcome") to the file named by QX_FAULT_MATRIX
// (when set), from which docs/RELIABILITY.md's matrix is made (scripts/fault-matrix).
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

#include "outcome_fixture.h"

namespace outcome {
namespace {

// The faults, as the simulator takes them, by the column name of the matrix; the dropped
// connection over TCP, the others over the pseudo-terminal.
struct FaultCase {
  std::string first, fault;
  bool overTcp = false;
};
const std::vector<FaultCase> kFaults = {
    {"error answer", "error=13"},
    {"silent before acting", "silence:3"},
    {"answer lost once", "lost"},
    {"silent after acting", "act-silence=2/frames"},
    {"connection dropped after acting", "act-drop", true},
};

struct Document {
  std::string name;
  const char* function;
  // The request, and a different one of the same kind (the "new request").
  std::string request, other;
  // What must be printed before it (a sale that a refund or void refers to).
  std::string setup;
};

const std::string kEveryLine =
    Item("Pane", "3.00") + "<DiscountAmount><Amount>0.20</Amount><Description>Sconto</Description></DiscountAmount>"
    "<ProductSale><Description>Omaggio</Description><Quantity>1</Quantity><Department>01</Department>"
    "<Price>2.00</Price><Amount>2.00</Amount><FreeOfCharge>true</FreeOfCharge></ProductSale>"
    "<ProductReturn><Description>Vuoto</Description><Quantity>1</Quantity><Department>01</Department>"
    "<Price>0.50</Price><Amount>0.50</Amount></ProductReturn>"
    "<Text><Description>Offerta</Description></Text>"
    "<SubTotal><Amount>2.30</Amount></SubTotal>"
    "<MarkupAmountOnSubtotal><Amount>0.10</Amount><Description>Servizio</Description></MarkupAmountOnSubtotal>";
const std::string kTrailer =
    "<TrailerMessages><Text><Value>Grazie</Value><Alignment>Left</Alignment></Text>"
    "<Barcode><Value>4006381333931</Value><Type>EAN13</Type></Barcode></TrailerMessages>";
const std::string kTwoPayments =
    "<Payment><Type>CreditCard</Type><Description>Carta</Description><Amount>1.00</Amount></Payment>" + Cash("5.00");

std::string Reference(int aNumber) {
  return "<References><OriginalReceipt><ReceiptDateTime>TODAY</ReceiptDateTime><ReceiptNumber>" +
         std::to_string(aNumber) +
         "</ReceiptNumber><DeviceSerialNumber>99MEB012345</DeviceSerialNumber><EJClosingNumber>1</EJClosingNumber>"
         "</OriginalReceipt></References>";
}

const std::string kInvoiceCustomer =
    "<Number>7</Number><CustomerName>Rossi Srl</CustomerName><CustomerAddress>Via Verdi 2</CustomerAddress>"
    "<CustomerZipCode>00100</CustomerZipCode><CustomerCity>Roma</CustomerCity><CustomerProvince>RM</CustomerProvince>"
    "<CustomerCountry>IT</CustomerCountry><CustomerTaxCode>01234567890</CustomerTaxCode>";

const std::string kNonFiscal =
    "<NFReceipt><Lines><Text><Value>Buono sconto</Value><Alignment>Center</Alignment></Text>"
    "<Barcode><Value>https://example.com/coupon/4711</Value><Type>QRCode</Type></Barcode></Lines></NFReceipt>";

std::vector<Document> AllDocuments() {
  return {
      {"sale", "PRINTFR", Sale(kEveryLine, kTwoPayments, "Sale", kTrailer), Sale(Item("Latte", "1.20"), Cash("1.20")), ""},
      // One payment: the fault on "1084" strikes the payment that closes the receipt.
      {"sale paid at once", "PRINTFR", Sale(Item("Pane", "2.00"), Cash("2.00")), Sale(Item("Latte", "1.20"), Cash("1.20")),
       ""},
      {"refund", "PRINTFR", Sale(Item("Pane", "1.00"), Cash("1.00"), "Refund", Reference(1)),
       Sale(Item("Pane", "0.50"), Cash("0.50"), "Refund", Reference(1)), Sale(Item("Pane", "3.00"), Cash("3.00"))},
      {"void", "PRINTFR", Sale("", "", "Void", Reference(1)), Sale("", "", "Void", Reference(2)),
       Sale(Item("Pane", "3.00"), Cash("3.00")) + "|" + Sale(Item("Latte", "1.20"), Cash("1.20"))},
      {"invoice", "PRINTFR", Sale(Item("Pane", "1.50"), Cash("1.50"), "InvoiceSale", kInvoiceCustomer),
       Sale(Item("Latte", "1.20"), Cash("1.20"), "InvoiceSale", kInvoiceCustomer), ""},
      {"non-fiscal receipt", "PRINTNFR", kNonFiscal,
       "<NFReceipt><Lines><Text><Value>Arrivederci</Value><Alignment>Left</Alignment></Text></Lines></NFReceipt>", ""},
      {"Z report", "PRINTZR", "<ZReport/>", "<ZReport/>", Sale(Item("Pane", "3.00"), Cash("3.00"))},
  };
}

class FaultMatrix : public OutcomeFixture, public ::testing::WithParamInterface<std::tuple<size_t, size_t>> {
 protected:
  // What the printer registered of the document's kind.
  int Registered(const Document& aDocument) {
    return fSimulator->WithModel([&](auto& m) {
      const auto r = m.Registered();
      if (aDocument.function == std::string("PRINTNFR")) return r.nonFiscal;
      if (aDocument.function == std::string("PRINTZR")) return r.zReports;
      return r.Fiscal();
    });
  }
  std::string Today() {
    return fSimulator->WithModel([](auto& m) {
      const qx::DateTimeParts p = qx::DecodeDateTime(m.State().documents.front().when);
      char text[32];
      std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:00", p.Year, p.Month, p.Day, p.Hour, p.Minute);
      return std::string(text);
    });
  }
  std::string WithToday(std::string aRequest) {
    const size_t at = aRequest.find("TODAY");
    if (at != std::string::npos) aRequest.replace(at, 5, Today());
    return aRequest;
  }
  void Prepare(const Document& aDocument) {
    Start();
    Open();
    std::string setup = aDocument.setup;
    while (!setup.empty()) {
      const size_t bar = setup.find('|');
      const Answer a = Print(setup.substr(0, bar));
      ASSERT_EQ(Element(a.Output, "Error"), "False") << a.Output;
      setup = bar == std::string::npos ? "" : setup.substr(bar + 1);
    }
    fSimulator->ClearTranscript();
  }
  // The distinct commands of the document, in the order it first sends them.
  std::vector<std::string> CommandsOf(const Document& aDocument) {
    Prepare(aDocument);
    const Answer a = Call(aDocument.function, WithToday(aDocument.request));
    EXPECT_EQ(Element(a.Output, "Error"), "False") << aDocument.name << a.Output;
    std::vector<std::string> commands;
    std::set<std::string> seen;
    for (const std::string& c : Commands())
      if (seen.insert(c).second) commands.push_back(c);
    TearDown();
    SetUp();
    return commands;
  }

  // One cell: the outcome in a word for the matrix, after checking it.
  std::string Cell(const Document& aDocument, const std::string& aCommand, const std::string& aFault) {
    SCOPED_TRACE(aDocument.name + ", " + aCommand + ":" + aFault);
    Prepare(aDocument);
    if (HasFailure()) return "setup failed";
    const std::string request = WithToday(aDocument.request);
    const int before = Registered(aDocument);
    fSimulator->AddFault(aCommand + ":" + aFault);
    const Answer first = Call(aDocument.function, request);
    fSimulator->ClearFaults();
    const int registered = Registered(aDocument) - before;
    const bool error = Element(first.Output, "Error") == "True";
    const std::string text = Element(first.Output, "ErrorText");
    EXPECT_LE(registered, 1) << first.Output;
    std::string cell;
    if (registered == 1) {
      const bool inDoubt = error && text.rfind("The printer did not confirm", 0) == 0;
      EXPECT_TRUE(!error || inDoubt) << "registered, but answered as failed: " << first.Output;
      const bool readBack = (Element(first.Output, "MessageText") + text).find("answer was lost") != std::string::npos ||
                            Element(first.Output, "MessageText").find("answer to the closing command was lost") !=
                                std::string::npos;
      cell = inDoubt    ? "in doubt"
             : readBack ? "printed, answer read back"
             : text.empty() ? "printed"
                            : "printed, said what failed";
      if (aDocument.function == std::string("PRINTFR") && !error) {
        const auto [number, closing] = fSimulator->WithModel([](auto& m) {
          return std::make_pair(m.State().documents.back().number, m.State().documents.back().closing);
        });
        EXPECT_EQ(Element(first.Output, "ReceiptNumber"), std::to_string(number)) << first.Output;
        EXPECT_EQ(Element(first.Output, "EJClosingNumber"), std::to_string(closing)) << first.Output;
      }
    } else {
      EXPECT_TRUE(error) << "not registered, but answered as printed: " << first.Output;
      cell = "not printed";
    }
    // The program sends a failed request again, then a new one: one document each. A report or
    // non-fiscal receipt in doubt is not sent again: the answer told the program to check the
    // printer (only receipts are settled by the library).
    const bool receipt = aDocument.function == std::string("PRINTFR");
    if (error && (receipt || cell != "in doubt")) {
      const Answer again = Call(aDocument.function, request);
      EXPECT_EQ(Element(again.Output, "Error"), "False") << again.Output;
      if (cell == "in doubt" && Element(again.Output, "MessageText").find("already registered") != std::string::npos)
        cell = "in doubt, retry answered";
    }
    EXPECT_EQ(Registered(aDocument) - before, 1);
    const Answer next = Call(aDocument.function, WithToday(aDocument.other));
    EXPECT_EQ(Element(next.Output, "Error"), "False") << next.Output;
    EXPECT_EQ(Registered(aDocument) - before, 2);
    if (HasFailure()) cell += " (WRONG)";
    TearDown();
    SetUp();
    return cell;
  }
};

// One document under one fault, struck at each of its commands in turn.
TEST_P(FaultMatrix, EveryCommand) {
  const Document document = AllDocuments()[std::get<0>(GetParam())];
  const FaultCase& c = kFaults[std::get<1>(GetParam())];
  const std::string& faultName = c.first;
  const std::string& fault = c.fault;
  fOverTcp = c.overTcp;
  std::vector<std::string> cells;
  for (const std::string& command : CommandsOf(document))
    cells.push_back(document.name + "|" + command + "|" + faultName + "|" + Cell(document, command, fault));
  if (const char* file = std::getenv("QX_FAULT_MATRIX")) {
    std::ofstream out(file, std::ios::app);
    for (const std::string& cell : cells) out << cell << "\n";
  }
}

INSTANTIATE_TEST_SUITE_P(Documents, FaultMatrix,
                         ::testing::Combine(::testing::Range<size_t>(0, 7), ::testing::Range<size_t>(0, kFaults.size())),
                         [](const ::testing::TestParamInfo<std::tuple<size_t, size_t>>& aInfo) {
                           std::string name = AllDocuments()[std::get<0>(aInfo.param)].name + "_" +
                                              kFaults[std::get<1>(aInfo.param)].first;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
}  // namespace outcome
