// The sample receipt requests of examples/ print on the simulator program as a technician runs
// them with fpcall: COM1 pointed at the simulator's pseudo-terminal, OPEN, then each PRINTFR.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "library.h"
#include "receipt_simulator.h"

namespace {

using e2e::Element;
std::string Sample(const std::string& aName, const std::string& aHandle) {
  std::ifstream in(std::string(QX_SOURCE_DIR) + "/examples/" + aName, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  std::string text = s.str();
  const size_t at = text.find("<Handle>1</Handle>");
  if (at != std::string::npos) text.replace(at, 18, "<Handle>" + aHandle + "</Handle>");
  return text;
}

TEST(ReceiptExamples, SaleRefundVoidAndInvoicePrint) {
  const std::string root =
      (std::filesystem::temp_directory_path() / ("qx-e2e-examples-" + std::to_string(::getpid()))).string();
  ::setenv("QX_LOG_ROOT", root.c_str(), 1);
  e2e::TracingSimulator simulator;
  ::setenv("QX_COM1", simulator.Device().c_str(), 1);
  {
    e2e::Library library;
    const e2e::Answer open = library.Call("OPEN", Sample("open.xml", "0"));
    ASSERT_EQ(open.Result, 0u) << open.Output;
    const std::string handle = Element(open.Output, "Handle");
    int number = 0;
    for (const char* sample : {"sale.xml", "refund.xml", "void.xml", "invoice.xml"}) {
      const e2e::Answer answer = library.Call("PRINTFR", Sample(sample, handle));
      EXPECT_EQ(answer.Result, 0u) << sample << ": " << answer.ErrorText;
      EXPECT_EQ(Element(answer.Output, "ReceiptNumber"), std::to_string(++number)) << sample;
    }
    library.Call("CLOSE", Sample("open.xml", handle));
  }
  ::unsetenv("QX_COM1");
  std::filesystem::remove_all(root);
  EXPECT_TRUE(simulator.WaitFor(
      [](const std::vector<std::string>& aLines) {
        for (const std::string& line : aLines)
          if (line.find("| ") == 0 && line.find("FATTURA") != std::string::npos) return true;
        return false;
      },
      2000));
}

}  // namespace
