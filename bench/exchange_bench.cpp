// One command exchange of the Epson driver (GetDateTime: frame out, ACK and answer in, the
// driver's ACK out) against the printer simulator over a real pseudo-terminal. Reported: the wall
// time of an exchange and the processor time of the calling thread alone, which is the library's
// own cost (the simulator runs on threads of its own).
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <memory>

#include "device/receipt_printer_handler.h"
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "fpsim/simulator.h"

namespace {

double ThreadCpuMicros() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

void BM_Exchange(benchmark::State& state) {
  const bool hexLog = state.range(0) != 0;
  const std::string root = (std::filesystem::temp_directory_path() / "qx-bench-exchange").string();
  ::setenv("QX_LOG_ROOT", root.c_str(), 1);
  qx::fpsim::Simulator simulator;
  const std::string device = simulator.StartPty();
  auto handler = std::make_unique<qx::kReceiptPrinterHandler>();
  handler->Deserialize(
      qx::FromUtf8("<R><Driver>QXRP_EPSFPNAT_20</Driver><LogId>bench</LogId><Connection><Type>serial</Type>"
                   "<SerialPort>" + device +
                   "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity>"
                   "<StopBits>1</StopBits></Connection><Parameters><HexLog>" +
                   (hexLog ? std::string("true") : std::string("false")) + "</HexLog></Parameters></R>"),
      {});
  auto printer = std::make_unique<qx::kFiscalPrinter_EPSFPNAT>(*handler);
  printer->IOHandler().Connect();
  qx::TDateTime clock = 0;
  double cpu = 0;
  for (auto _ : state) {
    const double before = ThreadCpuMicros();
    if (!printer->GetDateTime(clock)) state.SkipWithError("exchange failed");
    cpu += ThreadCpuMicros() - before;
  }
  state.counters["cpu_us_per_exchange"] = benchmark::Counter(cpu / static_cast<double>(state.iterations()));
  printer.reset();
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_Exchange)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(2000);

}  // namespace

BENCHMARK_MAIN();
