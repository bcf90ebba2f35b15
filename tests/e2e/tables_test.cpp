// GETVATTABLE, SETVATTABLE, GETDEPTTABLE and SETDEPTTABLE through the exported functions against
// the printer simulator program, with the exact frames the printer receives.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "library.h"
#include "simulator_process.h"

namespace {

using e2e::Answer;

// Every text between <aTag> and </aTag> in an answer, in order.
std::vector<std::string> Values(const std::string& aAnswer, const std::string& aTag) {
  std::vector<std::string> out;
  const std::string open = "<" + aTag + ">";
  const std::string close = "</" + aTag + ">";
  for (size_t at = aAnswer.find(open); at != std::string::npos; at = aAnswer.find(open, at + 1)) {
    const size_t end = aAnswer.find(close, at);
    if (end == std::string::npos) break;
    out.push_back(aAnswer.substr(at + open.size(), end - at - open.size()));
  }
  return out;
}

// The commands of the tables, the day state and the Z report as command + data ("420501"),
// read from the simulator's trace lines "<- frame 4205: 02 30 31 ...".
std::vector<std::string> TableFrames(const std::string& aTrace) {
  static const std::vector<std::string> kKept = {"2050", "3001", "4205", "4005", "4237", "4037", "4202", "4002"};
  std::vector<std::string> out;
  std::istringstream lines(aTrace);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("<- frame ", 0) != 0) continue;
    std::string bytes;
    std::istringstream hex(line.substr(line.find(':') + 1));
    std::string pair;
    while (hex >> pair) bytes += static_cast<char>(std::stoi(pair, nullptr, 16));
    if (bytes.size() < 11) continue;
    const std::string text = bytes.substr(4, bytes.size() - 4 - 3);  // command and data
    for (const std::string& kept : kKept)
      if (text.rfind(kept, 0) == 0) out.push_back(text);
  }
  return out;
}

// The first aCount of them.
std::vector<std::string> First(const std::string& aAnswer, const std::string& aTag, size_t aCount) {
  std::vector<std::string> values = Values(aAnswer, aTag);
  if (values.size() > aCount) values.resize(aCount);
  return values;
}

std::vector<std::string> Reads(const std::string& aCommand, int aLast) {
  std::vector<std::string> out;
  for (int n = 1; n <= aLast; ++n) out.push_back(aCommand + (n < 10 ? "0" : "") + std::to_string(n));
  return out;
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> aParts) {
  std::vector<std::string> out;
  for (const auto& part : aParts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

std::string Vat(const std::string& aCode, const std::string& aRate) {
  return "<VAT><Code>" + aCode + "</Code><Description>IVA " + aRate + "</Description><Rate>" + aRate + "</Rate></VAT>";
}

std::string Dept(const std::string& aCode, const std::string& aDescription, const std::string& aVat,
                 const std::string& aType, const std::string& aEA = "", const std::string& aEAMode = "0") {
  return "<Department><Code>" + aCode + "</Code><Description>" + aDescription + "</Description><VATCode>" + aVat +
         "</VATCode><SalesType>" + aType + "</SalesType><EACode>" + aEA + "</EACode><EADescription>Attivita " + aEA +
         "</EADescription><EAVATMode>" + aEAMode + "</EAVATMode></Department>";
}

std::string Record(const std::string& aNumber, const std::string& aDescription, const std::string& aSlot, char aType,
                   const std::string& aActivity) {
  std::string description = aDescription;
  description.resize(20, ' ');
  return "4002" + aNumber + description + std::string(27, '0') + "0" + aSlot + std::string(9, '0') + "0000" + "  " +
         std::string(1, aType) + "00" + aActivity;
}

// A printer in RT mode with VAT slots 1 = 22.00 and 2 = 10.00 and a day that has two sales,
// opened through OPEN; every call's frames are read from the simulator's trace.
class Tables : public ::testing::Test {
 protected:
  void SetUp() override {
    fRoot = (std::filesystem::temp_directory_path() / ("qx-e2e-tables-" + std::to_string(::getpid()))).string();
    std::filesystem::remove_all(fRoot);
    ::setenv("QX_LOG_ROOT", fRoot.c_str(), 1);
    fLibrary = std::make_unique<e2e::Library>();
  }
  void TearDown() override {
    if (fSimulator && fHandle > 0) fLibrary->Call("CLOSE", Request(""));
    fLibrary.reset();
    fSimulator.reset();
    std::filesystem::remove_all(fRoot);
  }

  void Start(std::vector<std::string> aMore = {}) {
    std::vector<std::string> args = {"--no-tcp", "--trace", "--set", "vat.3=0", "--set", "vat.4=0",
                                     "--set", "day_documents=2"};
    args.insert(args.end(), aMore.begin(), aMore.end());
    fSimulator = std::make_unique<e2e::SimulatorProcess>(args);
    const Answer open = fLibrary->Call("OPEN", Request(""));
    ASSERT_EQ(open.Result, 0u) << open.Output;
    fHandle = std::stoi(Values(open.Output, "Handle").at(0));
    fOpenFrames = Frames();
  }

  std::string Request(const std::string& aDocument) const {
    return "<Request><Driver>QXRP_EPSFPNAT_20</Driver><LogId>tables</LogId><Handle>" + std::to_string(fHandle) +
           "</Handle><Connection><Type>serial</Type><SerialPort>" + fSimulator->Device() +
           "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity><StopBits>1</StopBits>"
           "<ReadTimeout>1000</ReadTimeout></Connection>" + aDocument +
           "</Request>";
  }
  Answer Call(const char* aExport, const std::string& aDocument = "") {
    return fLibrary->Call(aExport, Request(aDocument));
  }
  // The table frames since the last call.
  std::vector<std::string> Frames() { return TableFrames(fSimulator->ReadAvailable()); }

  std::string fRoot;
  std::unique_ptr<e2e::Library> fLibrary;
  std::unique_ptr<e2e::SimulatorProcess> fSimulator;
  int fHandle = 0;
  std::vector<std::string> fOpenFrames;
};

TEST_F(Tables, OpenReadsTheVatTableThatGetDeptTableUses) {
  Start({"--set", "department.2=FRUTTA;11;service;0", "--set", "department.6=SENZA ALIQUOTA;7;product;0"});
  EXPECT_EQ(fOpenFrames, Join({{"20502400"}, Reads("4205", 9)}));
  const Answer get = Call("GETDEPTTABLE");
  ASSERT_EQ(get.Result, 0u) << get.ErrorText;
  EXPECT_EQ(Frames(), Join({Reads("4237", 3), Reads("4202", 25)}));
  // Departments 3, 4 and 6 name empty slots; department 2 the nature N2 (slot 11).
  EXPECT_EQ(First(get.Output, "Code", 4), (std::vector<std::string>{"01", "02", "05", "07"}));
  EXPECT_EQ(First(get.Output, "VATCode", 2), (std::vector<std::string>{"2200", "N2"}));
  EXPECT_EQ(First(get.Output, "SalesType", 2), (std::vector<std::string>{"Product", "Service"}));
}

TEST_F(Tables, VatTableProgrammedAfterTheZReportAndReadBack) {
  Start();
  const Answer get = Call("GETVATTABLE");
  ASSERT_EQ(get.Result, 0u) << get.ErrorText;
  EXPECT_EQ(Frames(), Reads("4205", 9));
  EXPECT_EQ(Values(get.Output, "Index"), (std::vector<std::string>{"1", "2", "0", "10", "11", "12", "13", "14"}));
  EXPECT_EQ(Values(get.Output, "Code"), (std::vector<std::string>{"2200", "1000", "N4", "N1", "N2", "N3", "N5", "N6"}));
  EXPECT_EQ(Values(get.Output, "Description")[5], "*NI Non imponibili");
  EXPECT_EQ(Values(get.Output, "Rate")[0], "22");
  EXPECT_NE(get.Output.find("<Error>False</Error>"), std::string::npos) << get.Output;

  const std::string request = "<VATTable>" + Vat("2200", "22") + Vat("1000", "10") + Vat("0400", "4") + "</VATTable>";
  const Answer set = Call("SETVATTABLE", request);
  ASSERT_EQ(set.Result, 0u) << set.ErrorText;
  EXPECT_EQ(Frames(), Join({Reads("4205", 9), {"20502400", "300101", "40050304" "0000"}, Reads("4205", 9)}));

  const Answer back = Call("GETVATTABLE");
  EXPECT_EQ(Values(back.Output, "Code"),
            (std::vector<std::string>{"2200", "1000", "0400", "N4", "N1", "N2", "N3", "N5", "N6"}));
  EXPECT_EQ(Values(back.Output, "Index")[2], "3");
  Frames();

  // The same table again: read, nothing written, no Z report.
  EXPECT_EQ(Call("SETVATTABLE", request).Result, 0u);
  EXPECT_EQ(Frames(), Reads("4205", 9));
}

TEST_F(Tables, VatTableBadInputSendsNothing) {
  Start();
  struct Case {
    std::string Document;
    std::string Message;
  };
  for (const Case& c : {Case{"<VATTable>" + Vat("0400", "4") + Vat("X", "100") + "</VATTable>",
                             "The value 100 of the VAT rate X does not fit its field of 4 digits"},
                        Case{"<VATTables/>", "VATTable node not found"},
                        Case{"<VATTable><VAT><Rate>4,5</Rate></VAT></VATTable>", ""}}) {
    const Answer a = Call("SETVATTABLE", c.Document);
    EXPECT_NE(a.Result, 0u) << c.Document;
    if (!c.Message.empty()) {
      EXPECT_EQ(a.ErrorText, c.Message);
    }
    EXPECT_EQ(Frames(), std::vector<std::string>{}) << c.Document;
  }
}

TEST_F(Tables, NoMoreVatSlots) {
  Start({"--set", "vat.3=5", "--set", "vat.4=4", "--set", "vat.5=1", "--set", "vat.6=2", "--set", "vat.7=3",
         "--set", "vat.8=6", "--set", "vat.9=7"});
  const Answer a = Call("SETVATTABLE", "<VATTable>" + Vat("2100", "21") + "</VATTable>");
  EXPECT_NE(a.Result, 0u);
  EXPECT_EQ(a.ErrorText, "No more available VAT slots");
  EXPECT_EQ(Frames(), Join({Reads("4205", 9), {"20502400", "300101"}}));
}

TEST_F(Tables, APrinterErrorInTheMiddleOfTheVatTable) {
  Start({"--fault", "4005:slow=0", "--fault", "4005:error=13"});
  const std::string request = "<VATTable>" + Vat("0400", "4") + Vat("0500", "5") + "</VATTable>";
  const Answer a = Call("SETVATTABLE", request);
  EXPECT_NE(a.Result, 0u);
  EXPECT_EQ(a.ErrorText, "VALORE ERRATO");
  EXPECT_EQ(Frames(), Join({Reads("4205", 9), {"20502400", "300101", "40050304" "0000", "40050405" "0000"}}));
  // The printer holds the first rate; the next request programs the second.
  EXPECT_EQ(Values(Call("GETVATTABLE").Output, "Code")[2], "0400");
  Frames();
  EXPECT_EQ(Call("SETVATTABLE", request).Result, 0u);
  EXPECT_EQ(Frames(), Join({Reads("4205", 9), {"20502400", "40050405" "0000"}, Reads("4205", 9)}));
}

TEST_F(Tables, DeptTableProgrammedAndReadBack) {
  Start({"--set", "activity.3=999999;1"});
  const std::string request = "<DeptTable>" + Dept("01", "BAR", "1000", "Product", "563000") +
                              Dept("2", "Libri &amp; giornali", "N2", "service") +
                              Dept("03", "CANCELLERIA E ARTICOLI DA UFFICIO", "2200", "Product", "476200", "1") +
                              "</DeptTable>";
  const Answer set = Call("SETDEPTTABLE", request);
  ASSERT_EQ(set.Result, 0u) << set.ErrorText;
  // The printer's tables are read to check the whole request before the day is closed.
  EXPECT_EQ(Frames(),
            Join({Reads("4205", 9), Reads("4237", 3), Reads("4237", 3),
                  {"20502400", "300101", "403701563000" "0" "1" + std::string(9, ' '),
                   "403702476200" "1" "1" + std::string(9, ' ')},
                  Reads("4205", 9), Reads("4237", 3),
                  {"420201", "420202", "420203", "20502400", Record("01", "BAR", "02", '0', "01"),
                   Record("02", "Libri & giornali", "11", '1', "00"),
                   Record("03", "CANCELLERIA E ARTICOLI DA UFFICIO", "01", '0', "02")}}));

  const Answer get = Call("GETDEPTTABLE");
  ASSERT_EQ(get.Result, 0u) << get.ErrorText;
  EXPECT_EQ(Frames(), Join({Reads("4237", 3), Reads("4202", 25)}));
  // Department 4 of the printer names the empty slot 4: not listed.
  EXPECT_EQ(Values(get.Output, "Code").size(), 24u);
  EXPECT_EQ(First(get.Output, "Code", 4), (std::vector<std::string>{"01", "02", "03", "05"}));
  EXPECT_EQ(First(get.Output, "Description", 3),
            (std::vector<std::string>{"BAR", "Libri &amp; giornali", "CANCELLERIA E ARTICO"}));
  EXPECT_EQ(First(get.Output, "VATCode", 3), (std::vector<std::string>{"1000", "N2", "2200"}));
  EXPECT_EQ(First(get.Output, "SalesType", 3), (std::vector<std::string>{"Product", "Service", "Product"}));
  // The activity codes of the printer, without a description (the printer keeps none).
  EXPECT_EQ(First(get.Output, "EACode", 3), (std::vector<std::string>{"563000", "", "476200"}));
  EXPECT_EQ(First(get.Output, "EADescription", 3), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(First(get.Output, "EAVATMode", 3), (std::vector<std::string>{"0", "", "1"}));

  // The same table again: read, nothing written.
  EXPECT_EQ(Call("SETDEPTTABLE", request).Result, 0u);
  EXPECT_EQ(Frames(), Join({Reads("4205", 9), Reads("4237", 3), Reads("4237", 3), Reads("4205", 9), Reads("4237", 3),
                            {"420201", "420202", "420203"}}));
}

TEST_F(Tables, DeptTableFailures) {
  Start({"--fault", "4002:slow=0", "--fault", "4002:error=13"});
  struct Case {
    std::string Document;
    std::string Message;
  };
  // Nothing is written for a request that cannot be programmed whole.
  for (const Case& c : {Case{"<Departments/>", "DeptTable node not found"},
                        Case{"<DeptTable>" + Dept("100", "X", "2200", "Product") + "</DeptTable>",
                             "The value 100 of the department number does not fit its field of 2 digits"},
                        Case{"<DeptTable>" + Dept("A1", "X", "2200", "Product") + "</DeptTable>",
                             "'A1' is not a valid integer value"},
                        Case{"<DeptTable>" + Dept("1", "X", "2200", "Product") + Dept("2", "Y", "0700", "Product") +
                                 "</DeptTable>",
                             "VATCode 0700 not found"},
                        // Activities to write and a day with sales: still checked before both.
                        Case{"<DeptTable>" + Dept("1", "X", "2200", "Product", "563000") +
                                 Dept("2", "Y", "0700", "Product", "476200") + "</DeptTable>",
                             "VATCode 0700 not found"}}) {
    const Answer a = Call("SETDEPTTABLE", c.Document);
    EXPECT_NE(a.Result, 0u);
    EXPECT_EQ(a.ErrorText, c.Message);
    const std::vector<std::string> frames = Frames();
    for (const std::string& f : frames) {
      EXPECT_NE(f.substr(0, 2), "40") << c.Message << ": " << f;
      EXPECT_NE(f.substr(0, 4), "3001") << c.Message << ": the day was closed";
    }
  }

  // A printer error in the middle: the first department is written, the second refused.
  const std::string request = "<DeptTable>" + Dept("1", "UNO", "1000", "Product") + Dept("2", "DUE", "1000", "Product") +
                              "</DeptTable>";
  const Answer a = Call("SETDEPTTABLE", request);
  EXPECT_EQ(a.ErrorText, "VALORE ERRATO");
  const std::vector<std::string> frames = Frames();
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(frames.end() - 2, frames.end()),
            (std::vector<std::string>{Record("01", "UNO", "02", '0', "00"), Record("02", "DUE", "02", '0', "00")}));
  const Answer back = Call("GETDEPTTABLE");
  EXPECT_EQ(Values(back.Output, "Description")[0], "UNO");
  EXPECT_EQ(Values(back.Output, "Description")[1], "REPARTO 02");
  Frames();
  // The next request writes what still differs.
  EXPECT_EQ(Call("SETDEPTTABLE", request).Result, 0u);
  EXPECT_EQ(Frames().back(), Record("02", "DUE", "02", '0', "00"));
}

// In MF mode the Z report before the programming logs in to the journal; a refused login leaves
// its error, but the activities and the departments are still written.
TEST_F(Tables, AFailedJournalLoginOfTheZReportDoesNotStopTheDepartments) {
  Start({"--set", "mode=MF", "--fault", "4038:error=13"});
  const std::string request = "<DeptTable>" + Dept("1", "BAR", "1000", "Product", "563000") + "</DeptTable>";
  const Answer a = Call("SETDEPTTABLE", request);
  const std::vector<std::string> frames = Frames();
  ASSERT_FALSE(frames.empty());
  EXPECT_NE(std::find(frames.begin(), frames.end(), "300101"), frames.end());
  EXPECT_NE(std::find(frames.begin(), frames.end(), "403701563000" "0" "1" + std::string(9, ' ')), frames.end());
  EXPECT_EQ(frames.back(), Record("01", "BAR", "02", '0', "01")) << a.Output;
}

TEST_F(Tables, APrinterErrorInTheMiddleOfTheActivities) {
  Start({"--fault", "4037:slow=0", "--fault", "4037:error=13"});
  const std::string request = "<DeptTable>" + Dept("1", "BAR", "1000", "Product", "563000") +
                              Dept("2", "LIBRI", "2200", "Product", "476200") + "</DeptTable>";
  const Answer a = Call("SETDEPTTABLE", request);
  EXPECT_EQ(a.ErrorText, "VALORE ERRATO");
  // The first activity is written, the second refused; no department is written.
  EXPECT_EQ(Frames(), Join({Reads("4205", 9), Reads("4237", 3), Reads("4237", 3),
                            {"20502400", "300101", "403701563000" "0" "1" + std::string(9, ' '),
                             "403702476200" "0" "1" + std::string(9, ' ')}}));
  const Answer back = Call("GETDEPTTABLE");
  EXPECT_EQ(First(back.Output, "EACode", 2), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(First(back.Output, "Description", 2), (std::vector<std::string>{"REPARTO 01", "REPARTO 02"}));
  Frames();
  // The next request writes the activities again and the departments.
  EXPECT_EQ(Call("SETDEPTTABLE", request).Result, 0u);
  const std::vector<std::string> frames = Frames();
  ASSERT_GE(frames.size(), 18u);
  EXPECT_EQ(frames[17], "403702476200" "0" "1" + std::string(9, ' '));
  EXPECT_EQ(frames.back(), Record("02", "LIBRI", "01", '0', "02"));
}

}  // namespace
