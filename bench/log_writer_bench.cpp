// Cost of one Write call (format, cut, queue) with one and with four producer threads while the
// writer's thread is busy appending, and the rate at which lines reach the file.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/log_writer.h"

namespace {

std::string BenchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qxbench-XXXXXX").string();
  return ::mkdtemp(pattern.data()) ? pattern : std::string("/tmp");
}

const std::string& Dir() {
  static const std::string dir = BenchDir();
  return dir;
}

qx::tQX_LogWriter* gWriter = nullptr;

void BM_Write(benchmark::State& state) {
  if (state.thread_index() == 0) gWriter = new qx::tQX_LogWriter(u"bench", qx::FromUtf8(Dir()), 0, false);
  const qx::String message = u"Write: 02 30 31 45 34 32 30 31 36 35 03 [STX]01E420165[ETX]";
  for (auto _ : state) gWriter->Write(qx::let_info, message);
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) {
    delete gWriter;  // drains: the lines are on disk before the next run starts
    gWriter = nullptr;
    std::filesystem::remove(Dir() + "/bench.log");
  }
}
BENCHMARK(BM_Write)->Threads(1)->Iterations(200000)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Write)->Threads(4)->Iterations(50000)->Repetitions(5)->ReportAggregatesOnly(true);

// Lines per second from Write to the file: queue N lines, destroy the writer (which returns only
// when all are written).
void BM_LinesToDisk(benchmark::State& state) {
  const qx::String message = u"2024-03-05 a typical traffic line of a device log, about eighty chars";
  for (auto _ : state) {
    {
      qx::tQX_LogWriter log(u"disk", qx::FromUtf8(Dir()), 0, false);
      for (int i = 0; i < state.range(0); ++i) log.Write(qx::let_info, message);
    }
    std::filesystem::remove(Dir() + "/disk.log");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LinesToDisk)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
