// PRINTFR of a 100-line sale through the PRINTFR request wrapper (the exported function's own
// code) against the printer simulator over a real pseudo-terminal, with the device log on.
// Reported: the wall time of a receipt, the commands it sends, and the processor time of the
// calling thread per command sent, which is the library's own cost (the simulator and the log
// writer run on threads of their own).
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "exports/fiscal_printer_wrapper.h"
#include "exports/registry.h"
#include "fpsim/simulator.h"

namespace {

double ThreadCpuMicros() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

std::string Request(const std::string& aDevice, int aHandle, const std::string& aDocument) {
  return "<R><Driver>QXRP_EPSFPNAT_20</Driver><LogId>bench</LogId><Handle>" + std::to_string(aHandle) +
         "</Handle><Connection><Type>serial</Type><SerialPort>" + aDevice +
         "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity><StopBits>1</StopBits>"
         "</Connection><Parameters><HexLog>false</HexLog></Parameters>" + aDocument + "</R>";
}

// 96 product sales, a text, a subtotal, a discount on the subtotal and a markup: 100 lines,
// paid in cash.
std::string HundredLineReceipt() {
  std::string lines;
  for (int i = 1; i <= 96; ++i)
    lines += "<ProductSale><Description>ARTICOLO " + std::to_string(i) +
             "</Description><Quantity>1</Quantity><Department>1</Department><Price>1.00</Price><Amount>1.00</Amount>"
             "</ProductSale>";
  lines += "<Text><Description>Offerta</Description></Text><SubTotal><Amount>96</Amount></SubTotal>"
           "<DiscountAmountOnSubtotal><Amount>1.00</Amount><Description>SCONTO</Description></DiscountAmountOnSubtotal>"
           "<MarkupAmountOnSubtotal><Amount>1.00</Amount><Description>SERVIZIO</Description></MarkupAmountOnSubtotal>";
  return "<Receipt><Type>Sale</Type><Lines>" + lines +
         "</Lines><Taxes/><Payments><Payment><Type>Cash</Type><Amount>100.00</Amount></Payment></Payments></Receipt>";
}

void BM_PrintReceipt(benchmark::State& state) {
  const std::string root = (std::filesystem::temp_directory_path() / "qx-bench-receipt").string();
  ::setenv("QX_LOG_ROOT", root.c_str(), 1);
  qx::fpsim::Simulator simulator;
  const std::string device = simulator.StartPty();
  qx::kFiscalPrinterWrapper_OPEN open;
  open.Process(qx::FromUtf8(Request(device, 0, "")));
  const int handle = open.ResultRecord().Handle;
  const qx::String request = qx::FromUtf8(Request(device, handle, HundredLineReceipt()));
  double cpu = 0;
  size_t commands = 0;
  for (auto _ : state) {
    simulator.ClearTranscript();
    const double before = ThreadCpuMicros();
    qx::kFiscalPrinterWrapper_PRINTFR printfr;
    printfr.Process(request);
    cpu += ThreadCpuMicros() - before;
    if (printfr.ResultRecord().Error) state.SkipWithError(qx::ToUtf8(printfr.ResultRecord().ErrorText).c_str());
    commands += simulator.FramesReceived().size();
  }
  state.counters["commands_per_receipt"] = benchmark::Counter(static_cast<double>(commands) / state.iterations());
  state.counters["cpu_us_per_command"] = benchmark::Counter(cpu / static_cast<double>(commands));
  qx::kFiscalPrinterRegistry::Shutdown();
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_PrintReceipt)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(40);

}  // namespace

BENCHMARK_MAIN();
