// One command exchange of the Epson driver (GetDateTime: frame out, ACK and answer in, the
// driver's ACK out, with the device log) against the printer simulator, side by side with one
// libmodbus RTU request (read ten holding registers) against a libmodbus slave, both over real
// pseudo-terminals. Each side runs in a child process of its own, so its figures are its whole
// process: processor time (getrusage, log writing included) and, counted with strace, system
// calls per exchange of the calling thread and of the other threads (the log writer). Setup is
// taken out by running each side twice with different counts and using the difference.
//
// The sides take turns for a number of rounds and the medians are shown, as the machine's load
// moves single figures a lot, and the fastest round of each side.
//
//   build/default/bench/bench_modbus_compare [exchanges] [rounds]
#include <modbus.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <pty.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device/receipt_printer_handler.h"
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "fpsim/simulator.h"

namespace {

double ProcessCpuMicros() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e6 +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

// Processor time and context switches (waits, preemptions) of the whole process so far.
struct Usage {
  double cpuUs = 0;
  long waits = 0;
  long preemptions = 0;
  static Usage Now() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return {ProcessCpuMicros(), u.ru_nvcsw, u.ru_nivcsw};
  }
};

// What a side prints: per exchange, processor time, waits and preemptions.
void PrintPerExchange(const Usage& aBefore, int aCount) {
  const Usage after = Usage::Now();
  std::printf("%.3f %.3f %.3f\n", (after.cpuUs - aBefore.cpuUs) / aCount,
              static_cast<double>(after.waits - aBefore.waits) / aCount,
              static_cast<double>(after.preemptions - aBefore.preemptions) / aCount);
}

// ---- the two sides, each the whole of a child process; they print their processor time ----

int RunDriver(const std::string& aDevice, int aCount) {
  auto handler = std::make_unique<qx::kReceiptPrinterHandler>();
  handler->Deserialize(
      qx::FromUtf8("<R><Driver>QXRP_EPSFPNAT_20</Driver><LogId>bench</LogId><Connection><Type>serial</Type>"
                   "<SerialPort>" + aDevice +
                   "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity>"
                   "<StopBits>1</StopBits></Connection><Parameters></Parameters></R>"),
      {});
  auto printer = std::make_unique<qx::kFiscalPrinter_EPSFPNAT>(*handler);
  printer->IOHandler().Connect();
  qx::TDateTime clock = 0;
  if (!printer->GetDateTime(clock)) return 1;  // the first exchange warms up
  const Usage before = Usage::Now();
  for (int i = 0; i < aCount; ++i)
    if (!printer->GetDateTime(clock)) return 1;
  printer.reset();  // drains the log
  PrintPerExchange(before, aCount);
  return 0;
}

int RunModbusMaster(const std::string& aDevice, int aCount) {
  modbus_t* ctx = modbus_new_rtu(aDevice.c_str(), 115200, 'N', 8, 1);
  if (ctx == nullptr || modbus_set_slave(ctx, 1) != 0 || modbus_connect(ctx) != 0) return 1;
  uint16_t registers[10];
  if (modbus_read_registers(ctx, 0, 10, registers) != 10) return 1;
  const Usage before = Usage::Now();
  for (int i = 0; i < aCount; ++i)
    if (modbus_read_registers(ctx, 0, 10, registers) != 10) return 1;
  PrintPerExchange(before, aCount);
  modbus_close(ctx);
  modbus_free(ctx);
  return 0;
}

// The libmodbus slave on the master end of a pseudo-terminal, until the line closes.
void ServeModbus(int aMaster) {
  modbus_t* ctx = modbus_new_rtu("/dev/null", 115200, 'N', 8, 1);
  modbus_set_slave(ctx, 1);
  modbus_set_socket(ctx, aMaster);
  modbus_mapping_t* map = modbus_mapping_new(0, 0, 100, 0);
  uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
  for (;;) {
    const int rc = modbus_receive(ctx, query);
    if (rc > 0) modbus_reply(ctx, query, rc, map);
    else if (rc < 0 && errno != EMBBADCRC && errno != EMBBADDATA) break;
  }
  modbus_mapping_free(map);
  modbus_free(ctx);
}

// ---- the parent: runs the sides, counts their system calls, prints the table ----

struct Figures {
  double cpuUs = 0;
  double callingCalls = 0;
  double otherCalls = 0;
};

// Runs this program as one side with aCount exchanges, under strace when aTrace names a file;
// returns the processor time it printed.
// What one side printed: per exchange, processor time (-1 when the side failed), waits and
// preemptions.
struct PerExchange {
  double cpuUs = -1;
  double waits = 0;
  double preemptions = 0;
};

// Runs this program as one side with aCount exchanges, under strace when aTrace names a file.
PerExchange RunSide(const std::string& aSelf, const char* aMode, const std::string& aDevice, int aCount,
              const std::string& aTrace) {
  std::string command;
  if (!aTrace.empty()) command = "strace -f -qq -o " + aTrace + " ";
  command += aSelf + " " + aMode + " " + aDevice + " " + std::to_string(aCount);
  FILE* p = ::popen(command.c_str(), "r");
  PerExchange f;
  if (p == nullptr || std::fscanf(p, "%lf %lf %lf", &f.cpuUs, &f.waits, &f.preemptions) != 3) f.cpuUs = -1;
  if (p != nullptr) ::pclose(p);
  return f;
}

// System calls in an strace file: of the first process (the calling thread) and of the others.
std::pair<long, long> CountCalls(const std::string& aTrace) {
  std::ifstream in(aTrace);
  std::string line;
  long first = -1, calling = 0, other = 0;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    long pid = 0;
    std::string call;
    if (!(s >> pid >> call) || call.rfind("<...", 0) == 0 || call == "+++" || call == "---") continue;
    if (first < 0) first = pid;
    (pid == first ? calling : other) += 1;
  }
  return {calling, other};
}

// System calls per exchange of one side, from two traced runs of different lengths.
void CountCallsPerExchange(const std::string& aSelf, const char* aMode, const std::string& aDevice, int aCount,
                           Figures& aFigures) {
  const std::string trace = (std::filesystem::temp_directory_path() / "qx-bench-strace.txt").string();
  const int small = aCount / 5;
  RunSide(aSelf, aMode, aDevice, small, trace);
  const auto a = CountCalls(trace);
  RunSide(aSelf, aMode, aDevice, aCount, trace);
  const auto b = CountCalls(trace);
  std::filesystem::remove(trace);
  aFigures.callingCalls = static_cast<double>(b.first - a.first) / (aCount - small);
  aFigures.otherCalls = static_cast<double>(b.second - a.second) / (aCount - small);
}

double Median(std::vector<double> aValues) {
  std::sort(aValues.begin(), aValues.end());
  const size_t n = aValues.size();
  return n % 2 == 1 ? aValues[n / 2] : (aValues[n / 2 - 1] + aValues[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root = (std::filesystem::temp_directory_path() / "qx-bench-compare").string();
  ::setenv("QX_LOG_ROOT", root.c_str(), 1);
  if (argc == 4 && std::string(argv[1]) == "--driver") return RunDriver(argv[2], std::atoi(argv[3]));
  if (argc == 4 && std::string(argv[1]) == "--modbus") return RunModbusMaster(argv[2], std::atoi(argv[3]));

  const int count = argc > 1 ? std::max(50, std::atoi(argv[1])) : 2000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();

  // The sides take turns, a round at a time, so that both meet the same load on the machine;
  // the figures are the medians of the rounds (and of the ratios within each round).
  qx::fpsim::Simulator simulator;
  const std::string printerLine = simulator.StartPty();
  int master = -1, slave = -1;
  char name[128] = {};
  if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) return 1;
  std::thread server(ServeModbus, master);

  std::vector<double> driverCpu, modbusCpu, ratios;
  std::vector<PerExchange> driverUsage, modbusUsage;
  for (int round = 0; round < rounds; ++round) {
    driverUsage.push_back(RunSide(self, "--driver", printerLine, count, ""));
    modbusUsage.push_back(RunSide(self, "--modbus", name, count, ""));
    driverCpu.push_back(driverUsage.back().cpuUs);
    modbusCpu.push_back(modbusUsage.back().cpuUs);
    ratios.push_back(driverCpu.back() / modbusCpu.back());
  }
  Figures driver, modbus;
  driver.cpuUs = Median(driverCpu);
  modbus.cpuUs = Median(modbusCpu);
  CountCallsPerExchange(self, "--driver", printerLine, count, driver);
  CountCallsPerExchange(self, "--modbus", name, count, modbus);

  simulator.Stop();
  ::close(slave);  // with no slave end left open the master reads fail, which ends the server
  server.join();
  ::close(master);
  std::filesystem::remove_all(root);

  std::printf("%d exchanges per side, %d rounds; processor time per round (us):\n", count, rounds);
  for (size_t round = 0; round < ratios.size(); ++round) {
    const PerExchange& d = driverUsage[round];
    const PerExchange& m = modbusUsage[round];
    std::printf("  driver %7.2f (waits %.2f, preempted %.2f)   libmodbus %7.2f (waits %.2f, preempted %.2f)"
                "   ratio %5.2f\n",
                d.cpuUs, d.waits, d.preemptions, m.cpuUs, m.waits, m.preemptions, ratios[round]);
  }
  std::printf("%-34s %12s %14s %14s\n", "per exchange", "cpu us", "calls (caller)", "calls (others)");
  std::printf("%-34s %12.2f %14.2f %14.2f\n", "driver GetDateTime, with log", driver.cpuUs, driver.callingCalls,
              driver.otherCalls);
  std::printf("%-34s %12.2f %14.2f %14.2f\n", "libmodbus read of 10 registers", modbus.cpuUs, modbus.callingCalls,
              modbus.otherCalls);
  std::printf("%-34s %12.2f %14.2f\n", "ratio driver / libmodbus", Median(ratios),
              driver.callingCalls / modbus.callingCalls);
  // The least disturbed round of each side: what an otherwise idle machine comes closest to.
  const double driverBest = *std::min_element(driverCpu.begin(), driverCpu.end());
  const double modbusBest = *std::min_element(modbusCpu.begin(), modbusCpu.end());
  std::printf("fastest rounds: driver %.2f us, libmodbus %.2f us, ratio %.2f\n", driverBest, modbusBest,
              driverBest / modbusBest);
  return driver.cpuUs > 0 && modbus.cpuUs > 0 ? 0 : 1;
}
