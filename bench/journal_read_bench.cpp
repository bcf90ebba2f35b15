// A memory read of the electronic journal (one exchange per journal line) against the printer
// simulator over a real pseudo-terminal, for journals of growing size: the time per line should
// stay the same whatever the size, that is the read grows linearly with the lines.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "device/receipt_printer_handler.h"
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "fpsim/simulator.h"

namespace {

void BM_JournalRead(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const std::string root = (std::filesystem::temp_directory_path() / "qx-bench-journal").string();
  ::setenv("QX_LOG_ROOT", root.c_str(), 1);
  qx::fpsim::Simulator simulator;
  simulator.WithModel([&](qx::fpsim::PrinterModel& m) {
    std::vector<std::string> text;
    for (int n = 0; n < lines; ++n) text.push_back("JOURNAL LINE " + std::to_string(n));
    m.State().journal.Add({qx::fpsim::JournalKind::FiscalReceipt, qx::EncodeDate(2025, 3, 1), 1, text});
  });
  const std::string device = simulator.StartPty();
  auto handler = std::make_unique<qx::kReceiptPrinterHandler>();
  handler->Deserialize(
      qx::FromUtf8("<R><Driver>QXRP_EPSFPNAT_20</Driver><LogId>bench</LogId><Connection><Type>serial</Type>"
                   "<SerialPort>" + device +
                   "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity>"
                   "<StopBits>1</StopBits></Connection><Parameters><HexLog>false</HexLog></Parameters></R>"),
      {});
  auto printer = std::make_unique<qx::kFiscalPrinter_EPSFPNAT>(*handler);
  printer->IOHandler().Connect();
  qx::String text;
  for (auto _ : state) {
    if (!printer->EJReportFiscalReceipt(qx::rd_Memory, 0, 0, text, qx::EncodeDate(2025, 3, 1),
                                        qx::EncodeDate(2025, 3, 1)) ||
        text.size() != static_cast<size_t>(lines) * 48)
      state.SkipWithError("journal read failed");
    simulator.ClearTranscript();
  }
  state.SetItemsProcessed(state.iterations() * lines);
  printer.reset();
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_JournalRead)->Arg(500)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
