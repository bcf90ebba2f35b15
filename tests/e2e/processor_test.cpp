// The processor library through the exported functions, against the simulator program: a
// receipt rewritten before it is printed, one rejected, the reports' counters and the status
// answered by the processor, and a library that cannot be loaded.
#include <gtest/gtest.h>

#include <filesystem>

#include "library.h"
#include "receipt_simulator.h"

namespace {

using e2e::Element;
using e2e::Answer;

class ProcessorEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    fRoot = (std::filesystem::temp_directory_path() / ("qx-e2e-processor-" + std::to_string(::getpid()))).string();
    ::setenv("QX_LOG_ROOT", fRoot.c_str(), 1);
    fLibrary = std::make_unique<e2e::Library>();
  }
  void TearDown() override {
    fLibrary.reset();
    std::filesystem::remove_all(fRoot);
  }

  Answer Open(e2e::TracingSimulator& aSimulator, const std::string& aProcessor = QX_TEST_PROCESSOR,
             const std::string& aMoreParameters = "") {
    fConnection = "<Connection><Type>serial</Type><SerialPort>" + aSimulator.Device() +
                  "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity><StopBits>1</StopBits>"
                  "<ReadTimeout>300</ReadTimeout></Connection><Parameters><Processor>" + aProcessor +
                  "</Processor>" + aMoreParameters + "</Parameters>";
    const Answer open = Call("OPEN", 0, "");
    if (open.Result == 0) fHandle = std::stoi(Element(open.Output, "Handle"));
    return open;
  }
  Answer Call(const char* aFunction, int aHandle, const std::string& aDocument) {
    return fLibrary->Call(aFunction, "<Request><Driver>QXRP_EPSFPNAT_20</Driver><LogId>e2e</LogId><Handle>" +
                                         std::to_string(aHandle) + "</Handle>" + fConnection + aDocument + "</Request>");
  }
  // The call's frames as text, once the simulator has answered the last one.
  std::string FramesOf(e2e::TracingSimulator& aSimulator, const char* aFunction, const std::string& aDocument,
                       Answer& aAnswer) {
    aSimulator.Settle();
    aSimulator.Clear();
    aAnswer = Call(aFunction, fHandle, aDocument);
    aSimulator.Settle();
    std::string all;
    for (const std::string& f : aSimulator.Frames()) all += f + "\n";
    return all;
  }

  std::string fRoot;
  std::unique_ptr<e2e::Library> fLibrary;
  std::string fConnection;
  int fHandle = 0;
};

std::string Receipt(const std::string& aDescription) {
  return "<Receipt><Type>Sale</Type><Lines><ProductSale><Description>" + aDescription +
         "</Description><Quantity>1</Quantity><Department>01</Department><Price>1.00</Price><Amount>1.00</Amount>"
         "</ProductSale></Lines><Taxes/><Payments><Payment><Type>Cash</Type><Amount>1.00</Amount></Payment>"
         "</Payments></Receipt>";
}

TEST_F(ProcessorEndToEnd, ReceiptsAreRewrittenOrRejected) {
  e2e::TracingSimulator simulator;
  ASSERT_EQ(Open(simulator).Result, 0u);
  Answer answer;
  // What is printed is the processor's version of the receipt.
  std::string frames = FramesOf(simulator, "PRINTFR", Receipt("Original bread"), answer);
  ASSERT_EQ(answer.Result, 0u) << answer.Output << answer.ErrorText;
  EXPECT_EQ(Element(answer.Output, "Error"), "False") << answer.Output;
  EXPECT_NE(frames.find("Rewritten bread"), std::string::npos) << frames;
  EXPECT_EQ(frames.find("Original"), std::string::npos) << frames;
  // A receipt the processor passes unchanged.
  frames = FramesOf(simulator, "PRINTFR", Receipt("Milk"), answer);
  EXPECT_EQ(Element(answer.Output, "Error"), "False") << answer.Output;
  EXPECT_NE(frames.find("Milk"), std::string::npos) << frames;
  // A rejected receipt is not printed and answers the processor's message.
  frames = FramesOf(simulator, "PRINTFR", Receipt("REJECT me"), answer);
  EXPECT_EQ(Element(answer.Output, "Error"), "True") << answer.Output;
  EXPECT_EQ(Element(answer.Output, "ErrorText"), "Receipt rejected by the processor") << answer.Output;
  EXPECT_EQ(frames.find("REJECT"), std::string::npos) << frames;
  // An answer longer than any request is refused before it is read.
  frames = FramesOf(simulator, "PRINTFR", Receipt("HUGEANSWER"), answer);
  EXPECT_EQ(Element(answer.Output, "Error"), "True") << answer.Output;
  EXPECT_EQ(answer.ErrorText, "The processor answer is too long");
  EXPECT_EQ(frames.find("1085"), std::string::npos) << frames;
}

TEST_F(ProcessorEndToEnd, ReportsAndStatusComeFromTheProcessor) {
  e2e::TracingSimulator simulator;
  ASSERT_EQ(Open(simulator).Result, 0u);
  Answer answer;
  // The X report's text is printed as a non-fiscal document.
  std::string frames = FramesOf(simulator, "PRINTXR", "", answer);
  EXPECT_EQ(Element(answer.Output, "Error"), "False") << answer.Output;
  EXPECT_EQ(Element(answer.Output, "XReportNumber"), "7") << answer.Output;
  EXPECT_NE(frames.find("X REPORT"), std::string::npos) << frames;
  EXPECT_NE(frames.find("Line two"), std::string::npos) << frames;

  frames = FramesOf(simulator, "PRINTZR", "", answer);
  EXPECT_EQ(Element(answer.Output, "Error"), "False") << answer.Output;
  EXPECT_EQ(Element(answer.Output, "ZReportNumber"), "9") << answer.Output;
  EXPECT_EQ(Element(answer.Output, "DayReceiptsNumber"), "4") << answer.Output;
  EXPECT_EQ(Element(answer.Output, "Text"), "<Line>Z REPORT</Line>") << answer.Output;
  EXPECT_NE(frames.find("Z REPORT"), std::string::npos) << frames;

  // A refused report answers the processor's message; an answer that is not XML the parser's.
  answer = Call("PRINTZR", fHandle, "<!--REJECT-->");
  EXPECT_EQ(Element(answer.Output, "Error"), "True") << answer.Output;
  EXPECT_EQ(Element(answer.Output, "ErrorText"), "Report refused by the processor") << answer.Output;
  answer = Call("PRINTZR", fHandle, "<!--NOTXML-->");
  EXPECT_NE(answer.Output.find("Invalid XML request"), std::string::npos) << answer.Output << answer.ErrorText;

  answer = Call("GETSTATUS", fHandle, "");
  EXPECT_EQ(Element(answer.Output, "SerialNumber"), "PROC0001") << answer.Output;
  EXPECT_EQ(Element(answer.Output, "FiscalMode"), "Processor") << answer.Output;
}

// A processor whose status answer has no fiscal mode and an empty serial number: the printer's
// stay, in the answer and in the device, whose VAT table still follows the RT mode.
TEST_F(ProcessorEndToEnd, AStatusWithoutModeOrSerialKeepsThePrinters) {
  e2e::TracingSimulator simulator;
  ASSERT_EQ(Open(simulator, QX_TEST_PROCESSOR, "<Mark>STATUSWITHOUTPRINTER</Mark>").Result, 0u);
  const Answer status = Call("GETSTATUS", fHandle, "");
  EXPECT_EQ(Element(status.Output, "Error"), "False") << status.Output;
  EXPECT_EQ(Element(status.Output, "FiscalMode"), "RT") << status.Output;
  EXPECT_EQ(Element(status.Output, "SerialNumber"), "99MEB012345") << status.Output;
  EXPECT_EQ(Element(status.Output, "DayOpened"), "True") << "the processor's other values still count";
  // The natures of the RT mode are part of the table only when the device knows that mode.
  const Answer vat = Call("GETVATTABLE", fHandle, "");
  EXPECT_EQ(Element(vat.Output, "Error"), "False") << vat.Output;
  EXPECT_NE(vat.Output.find("<Code>N4</Code>"), std::string::npos) << vat.Output;
}

TEST_F(ProcessorEndToEnd, AMissingLibraryFailsTheOpen) {
  e2e::TracingSimulator simulator;
  const Answer absolute = Open(simulator, "/nonexistent/processor.so");
  EXPECT_NE(absolute.Result, 0u);
  EXPECT_EQ(absolute.ErrorText, "Unable to load library /nonexistent/processor.so. Error code: [126]");
  // A relative name is taken from the working directory.
  const Answer relative = Open(simulator, "noprocessor.so");
  EXPECT_EQ(relative.ErrorText, "Unable to load library " + std::filesystem::current_path().string() +
                                    "/noprocessor.so. Error code: [126]");
}

// A processor with OPEN alone: receipts print as they are, the status is the printer's, and a
// report says which entry point it lacks.
TEST_F(ProcessorEndToEnd, MissingEntryPoints) {
  e2e::TracingSimulator simulator;
  ASSERT_EQ(Open(simulator, QX_TEST_PROCESSOR_OPEN_ONLY).Result, 0u);
  Answer answer;
  const std::string frames = FramesOf(simulator, "PRINTFR", Receipt("Original bread"), answer);
  EXPECT_EQ(Element(answer.Output, "Error"), "False") << answer.Output;
  EXPECT_NE(frames.find("Original bread"), std::string::npos) << frames;
  for (const char* report : {"PRINTXR", "PRINTZR"}) {
    answer = Call(report, fHandle, "");
    EXPECT_EQ(Element(answer.Output, "Error"), "True") << answer.Output;
    EXPECT_EQ(answer.ErrorText, std::string(report[5] == 'X' ? "PROCESSXREPORT" : "PROCESSZREPORT") +
                                    " function not found in " + QX_TEST_PROCESSOR_OPEN_ONLY);
  }
  answer = Call("GETSTATUS", fHandle, "");
  EXPECT_EQ(Element(answer.Output, "SerialNumber"), "99MEB012345") << answer.Output;
}

}  // namespace
