// The printer simulator program run as a child process, as a person runs it: its device path and
// TCP port read from its first lines of output.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

// Stops a process and returns once it is stopped: SIGSTOP only asks, and a process running on
// another core may still answer a frame or two before it takes effect. Waits for its state in
// /proc, bounded by a count of short waits.
inline void StopProcess(pid_t aPid) {
  ::kill(aPid, SIGSTOP);
  const std::string stat = "/proc/" + std::to_string(aPid) + "/stat";
  for (int i = 0; i < 2000; ++i) {
    char buffer[512] = {};
    const int fd = ::open(stat.c_str(), O_RDONLY);
    if (fd < 0) return;
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    const char* close = n > 0 ? std::strrchr(buffer, ')') : nullptr;
    if (close == nullptr || close[1] == 0 || close[2] == 'T' || close[2] == 't') return;
    ::usleep(1000);
  }
}

// Starts the simulator program with aArguments; its standard output goes to aOut (read end).
inline pid_t SpawnSimulator(std::vector<std::string> aArguments, int& aOut) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    aArguments.insert(aArguments.begin(), FPSIM_PROGRAM);
    std::vector<char*> argv;
    for (std::string& a : aArguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(FPSIM_PROGRAM, argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  aOut = out[0];
  return pid;
}

class SimulatorProcess {
 public:
  explicit SimulatorProcess(std::vector<std::string> aArguments = {}) {
    aArguments.insert(aArguments.begin(), "--quiet");
    fPid = SpawnSimulator(aArguments, fOut);
    // "fpsim: pseudo-terminal PATH", "fpsim: tcp 127.0.0.1:PORT", then the serial line.
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (text.find("fpsim: serial") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{fOut, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buffer[512];
      const ssize_t n = ::read(fOut, buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<size_t>(n));
    }
    fDevice = Field(text, "fpsim: pseudo-terminal ");
    const std::string tcp = Field(text, "fpsim: tcp 127.0.0.1:");
    fPort = tcp.empty() ? 0 : std::stoi(tcp);
    if (fDevice.empty() && fPort == 0) throw std::runtime_error("fpsim did not start: " + text);
  }
  ~SimulatorProcess() {
    ::kill(fPid, SIGTERM);
    ::waitpid(fPid, nullptr, 0);
    ::close(fOut);
  }
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  const std::string& Device() const { return fDevice; }
  int Port() const { return fPort; }
  pid_t Pid() const { return fPid; }

  // What the program printed after its start lines and has not been read yet; does not wait.
  // With --trace, the frames of a request are printed before the printer answers it.
  std::string ReadAvailable() {
    std::string text;
    char buffer[4096];
    pollfd p{fOut, POLLIN, 0};
    while (::poll(&p, 1, 0) > 0) {
      const ssize_t n = ::read(fOut, buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<size_t>(n));
    }
    return text;
  }

 private:
  static std::string Field(const std::string& aText, const std::string& aPrefix) {
    const size_t at = aText.find(aPrefix);
    if (at == std::string::npos) return std::string();
    const size_t end = aText.find('\n', at);
    return aText.substr(at + aPrefix.size(), end - at - aPrefix.size());
  }

  pid_t fPid = -1;
  int fOut = -1;
  std::string fDevice;
  int fPort = 0;
};

}  // namespace e2e
