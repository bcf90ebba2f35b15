// Servers start, stop and leave nothing behind; the program prints its path and the paper.
#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "driver_side.h"
#include "fpsim/simulator.h"
#include "platform/clock.h"

extern char** environ;

namespace qx::fpsim {
namespace {

using testing::WireLink;

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

TEST(Lifecycle, StoppingClosesEveryDescriptor) {
  const int before = OpenDescriptors();
  {
    Simulator simulator;
    const std::string path = simulator.StartPty();
    const uint16_t port = simulator.StartTcp();
    EXPECT_EQ(simulator.StartPty(), path);  // started once
    WireLink pty = WireLink::Pty(path);
    WireLink tcp = WireLink::Tcp(port);
    pty.Write(BuildRequestFrame(1, "4201", ""));
    tcp.Write(BuildRequestFrame(1, "1074", "01"));
    EXPECT_EQ(pty.ReadAnswer().substr(0, 1), std::string(1, kAck));
    EXPECT_EQ(tcp.ReadAnswer().substr(0, 1), std::string(1, kAck));
    simulator.Stop();
    EXPECT_TRUE(tcp.ClosedByPeer());
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST(Lifecycle, ListenersSeeThePaperInOrder) {
  Simulator simulator;
  std::mutex mutex;
  std::vector<std::string> lines;
  simulator.SetPaperListener([&](const std::string& aLine) {
    std::lock_guard<std::mutex> lock(mutex);
    lines.push_back(aLine);
  });
  WireLink line = WireLink::Pty(simulator.StartPty());
  line.Write(BuildRequestFrame(1, "1063", "01"));
  line.ReadAnswer();
  line.Write(BuildRequestFrame(2, "1064", "011" + std::string("Ciao") + std::string(36, ' ')));
  line.ReadAnswer();
  std::lock_guard<std::mutex> lock(mutex);
  EXPECT_EQ(lines, simulator.Paper());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Ciao");
}

TEST(Lifecycle, AListenerMayUseTheSimulator) {
  Simulator simulator;
  std::atomic<int> seen{0};
  simulator.SetTranscriptListener([&](const TranscriptEntry& aEntry) {
    if (aEntry.kind != EntryKind::Frame) return;
    simulator.WithModel([](PrinterModel& m) { m.State().display = "seen"; });
    ++seen;
    throw std::runtime_error("a listener that fails");
  });
  WireLink line = WireLink::Tcp(simulator.StartTcp());
  line.Write(BuildRequestFrame(1, "4201", ""));
  EXPECT_EQ(line.ReadAnswer().substr(0, 1), std::string(1, kAck));
  line.Write(BuildRequestFrame(2, "4201", ""));
  EXPECT_EQ(line.ReadAnswer().substr(0, 1), std::string(1, kAck));  // the server lives on
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(simulator.WithModel([](PrinterModel& m) { return m.State().display; }), "seen");
}

// The program as a person starts it: it prints the device path, serves it, prints the paper and
// stops on SIGTERM.
TEST(Program, PrintsItsDevicePathAndThePaper) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  char program[] = FPSIM_PROGRAM;
  char noTcp[] = "--no-tcp";
  char set[] = "--set";
  char header[] = "header.1=BAR SPORT";
  char* argv[] = {program, noTcp, set, header, nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program, &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);

  std::string output;
  auto readUntil = [&](const std::string& aText) {
    const int64_t deadline = platform::MonotonicMs() + 5000;
    while (output.find(aText) == std::string::npos && platform::MonotonicMs() < deadline) {
      pollfd p{out[0], POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buffer[512];
      const ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      output.append(buffer, static_cast<size_t>(n));
    }
    return output.find(aText) != std::string::npos;
  };
  ASSERT_TRUE(readUntil("\n")) << output;
  const std::string prefix = "fpsim: pseudo-terminal ";
  ASSERT_EQ(output.rfind(prefix, 0), 0u) << output;
  const std::string path = output.substr(prefix.size(), output.find('\n') - prefix.size());
  {
    WireLink line = WireLink::Pty(path);
    line.Write(BuildRequestFrame(1, "1063", "01"));
    EXPECT_EQ(line.ReadAnswer().substr(0, 1), std::string(1, kAck));
  }
  EXPECT_TRUE(readUntil("| ")) << output;
  EXPECT_TRUE(readUntil("DOCUMENTO GESTIONALE")) << output;
  EXPECT_NE(output.find("BAR SPORT"), std::string::npos);

  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  close(out[0]);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace qx::fpsim
