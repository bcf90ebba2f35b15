// Serial reads over a real pseudo-terminal: how soon ReadUpTo returns once the terminator has
// arrived, and how often a read on a quiet line wakes the process.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "transport/io_handler_serial.h"

namespace {

using namespace qx;
using Clock = std::chrono::steady_clock;

const ByteList kTerminators = {0x06, 0x0F, 0x11, 0x03};

// A fresh directory for the log, removed at the end.
struct LogDir {
  std::string path;
  LogDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qxbench-XXXXXX").string();
    path = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~LogDir() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
  String Text() const { return FromUtf8(path); }
};

struct PtyLine {
  int master = -1;
  int slave = -1;
  std::string path;
  PtyLine() {
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
  }
  ~PtyLine() {
    ::close(master);
    ::close(slave);
  }
};

kConnection LineSettings(const std::string& aPath, int aReadTimeout) {
  kConnection c;
  c.SetSerialPort(FromUtf8(aPath));
  c.SetSpeed(115200);
  c.SetDataBits(8);
  c.SetStopBits(1);
  c.SetReadTimeOut(aReadTimeout);
  return c;
}

// The printer side: on each request it lets the reader settle in its wait, notes the time and
// writes the reply, whose last byte is the terminator.
class Printer {
 public:
  Printer(int aMaster, std::string aReply) : fMaster(aMaster), fReply(std::move(aReply)), fThread([this] { Run(); }) {}
  ~Printer() {
    {
      std::lock_guard<std::mutex> g(fLock);
      fStop = true;
    }
    fWake.notify_one();
    fThread.join();
  }
  void Request() {
    {
      std::lock_guard<std::mutex> g(fLock);
      ++fRequests;
    }
    fWake.notify_one();
  }
  Clock::time_point SentAt() const { return Clock::time_point(Clock::duration(fSentAt.load())); }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(fLock);
    for (;;) {
      fWake.wait(lock, [this] { return fStop || fRequests > 0; });
      if (fStop) return;
      --fRequests;
      lock.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the reader is now in poll
      fSentAt = Clock::now().time_since_epoch().count();
      [[maybe_unused]] const ssize_t n = ::write(fMaster, fReply.data(), fReply.size());
      lock.lock();
    }
  }

  int fMaster;
  std::string fReply;
  std::mutex fLock;
  std::condition_variable fWake;
  int fRequests = 0;
  bool fStop = false;
  std::atomic<Clock::rep> fSentAt{0};
  std::thread fThread;
};

// Time from the write of a reply on the master to the return of ReadUpTo on the slave. Argument:
// reply length in bytes (1 = the terminator alone). With a log (hex dump included) as a device has.
void BM_TerminatorToReturn(benchmark::State& state, bool aLog) {
  PtyLine line;
  LogDir dir;
  const kConnection settings = LineSettings(line.path, 1000);
  kIOHandler_Serial serial(settings, aLog ? dir.Text() : String(), u"Bench");
  serial.SetHexLog(aLog);
  serial.Connect();
  std::string reply(static_cast<size_t>(state.range(0)), 'A');
  if (reply.size() > 1) reply.front() = '\x02';
  reply.back() = '\x03';
  Printer printer(line.master, reply);
  for (auto _ : state) {
    printer.Request();
    const String got = serial.ReadUpTo(kTerminators);
    const auto returned = Clock::now();
    if (got.size() != reply.size()) state.SkipWithError("short read");
    state.SetIterationTime(std::chrono::duration<double>(returned - printer.SentAt()).count());
  }
}
BENCHMARK_CAPTURE(BM_TerminatorToReturn, no_log, false)->Arg(1)->Arg(64)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_TerminatorToReturn, hex_log, true)->Arg(1)->Arg(64)->UseManualTime()->Unit(benchmark::kMicrosecond);

double ThreadCpuSeconds(const rusage& r) {
  return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
         static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// A ReadUpTo of one second on a line that stays quiet: the reading thread's voluntary context
// switches are its wake-ups.
void BM_QuietLineWakeups(benchmark::State& state) {
  PtyLine line;
  const kConnection settings = LineSettings(line.path, 1000);
  kIOHandler_Serial serial(settings, String(), String());
  serial.Connect();
  double wakeups = 0, seconds = 0, cpu = 0;
  for (auto _ : state) {
    rusage before{}, after{};
    ::getrusage(RUSAGE_THREAD, &before);
    const auto start = Clock::now();
    benchmark::DoNotOptimize(serial.ReadUpTo(kTerminators));
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
    ::getrusage(RUSAGE_THREAD, &after);
    wakeups += static_cast<double>(after.ru_nvcsw - before.ru_nvcsw);
    cpu += ThreadCpuSeconds(after) - ThreadCpuSeconds(before);
  }
  state.counters["wakeups_per_s"] = wakeups / seconds;
  state.counters["cpu_ms_per_s"] = cpu * 1000 / seconds;
}
BENCHMARK(BM_QuietLineWakeups)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
