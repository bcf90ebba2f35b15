// The simulator program run with --trace as a child process: its output is read all along on a
// thread of its own, so the frames it received and the paper it printed can be asserted.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "simulator_process.h"

namespace e2e {

class TracingSimulator {
 public:
  explicit TracingSimulator(std::vector<std::string> aArguments = {}) {
    aArguments.insert(aArguments.begin(), {"--no-tcp", "--trace"});
    fPid = SpawnSimulator(aArguments, fOut);
    fReader = std::thread([this] { Read(); });
    if (!WaitFor([](const std::vector<std::string>& l) {
          for (const std::string& s : l)
            if (s.rfind("fpsim: serial", 0) == 0) return true;
          return false;
        }, 10000))
      throw std::runtime_error("fpsim did not start");
    for (const std::string& s : Lines())
      if (s.rfind("fpsim: pseudo-terminal ", 0) == 0) fDevice = s.substr(23);
  }
  ~TracingSimulator() {
    ::kill(fPid, SIGTERM);
    ::waitpid(fPid, nullptr, 0);
    fReader.join();
    ::close(fOut);
  }
  TracingSimulator(const TracingSimulator&) = delete;
  TracingSimulator& operator=(const TracingSimulator&) = delete;

  const std::string& Device() const { return fDevice; }

  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> lock(fMutex);
    return fLines;
  }
  // Waits until aCondition holds for the lines read so far, or aTimeoutMs pass.
  bool WaitFor(const std::function<bool(const std::vector<std::string>&)>& aCondition, int aTimeoutMs) {
    std::unique_lock<std::mutex> lock(fMutex);
    return fChanged.wait_for(lock, std::chrono::milliseconds(aTimeoutMs), [&] { return aCondition(fLines); });
  }
  // Waits until every byte the simulator has written so far is read and split into lines. The
  // reader reads and stores under the lock, so an empty pipe seen under the lock means that
  // nothing written before this call is still on its way.
  void Settle() {
    std::unique_lock<std::mutex> lock(fMutex);
    fChanged.wait_for(lock, std::chrono::seconds(10), [&] {
      int pending = 0;
      return ::ioctl(fOut, FIONREAD, &pending) != 0 || pending == 0;
    });
  }
  // Forgets what was read so far.
  void Clear() {
    std::lock_guard<std::mutex> lock(fMutex);
    fLines.clear();
  }
  // The frames received, STX to ETX, decoded from the trace lines "<- frame CMD: 02 30 ...".
  std::vector<std::string> Frames() {
    std::vector<std::string> frames;
    for (const std::string& line : Lines()) {
      if (line.rfind("<- frame ", 0) != 0) continue;
      const size_t colon = line.find(": ");
      if (colon == std::string::npos) continue;
      std::string bytes;
      for (size_t i = colon + 2; i + 1 < line.size(); i += 3) bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
      frames.push_back(bytes);
    }
    return frames;
  }
  // The paper printed, from the lines "| text".
  std::vector<std::string> Paper() {
    std::vector<std::string> paper;
    for (const std::string& line : Lines())
      if (line.rfind("| ", 0) == 0) paper.push_back(line.substr(2));
    return paper;
  }

 private:
  void Read() {
    std::string partial;
    char buffer[4096];
    for (;;) {
      pollfd p{fOut, POLLIN, 0};
      if (::poll(&p, 1, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      // Read and store under one lock: Settle relies on it.
      std::lock_guard<std::mutex> lock(fMutex);
      const ssize_t n = ::read(fOut, buffer, sizeof buffer);
      if (n <= 0) {
        fChanged.notify_all();
        break;
      }
      partial.append(buffer, static_cast<size_t>(n));
      size_t end;
      while ((end = partial.find('\n')) != std::string::npos) {
        fLines.push_back(partial.substr(0, end));
        partial.erase(0, end + 1);
      }
      fChanged.notify_all();
    }
  }

  pid_t fPid = -1;
  int fOut = -1;
  std::string fDevice;
  std::thread fReader;
  std::mutex fMutex;
  std::condition_variable fChanged;
  std::vector<std::string> fLines;
};

}  // namespace e2e
