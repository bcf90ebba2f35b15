// Helpers of the transport tests: a real pseudo-terminal pair, a loopback listener, the log
// lines of a finished transport, and the process's open descriptors.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "support/error.h"
#include "support/read_file.h"
#include "support/text.h"

namespace qx::testing {

// The message of the Error that aCall raises, or "(no error)".
inline String MessageOf(const std::function<void()>& aCall) {
  try {
    aCall();
  } catch (const Error& e) {
    return e.Message();
  }
  return u"(no error)";
}

inline int OpenDescriptors() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

inline int RunningThreads() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task")) ++n;
  return n;
}

// Polls aCondition every few milliseconds until it holds or aTimeoutMs pass.
inline bool WaitFor(const std::function<bool()>& aCondition, int aTimeoutMs = 2000) {
  const int64_t deadline = platform::MonotonicMs() + aTimeoutMs;
  while (!aCondition()) {
    if (platform::MonotonicMs() > deadline) return false;
    platform::SleepMs(2);
  }
  return true;
}

// The messages of a log file, each without its time stamp: "Read:..." or "ERROR - Read Timeout:...".
inline std::vector<String> LogBodies(const String& aFileName) {
  const std::string text = ReadFile(aFileName);
  std::vector<String> lines;
  size_t start = 0;
  for (size_t hit; (hit = text.find("\r\n", start)) != std::string::npos; start = hit + 2) {
    const std::string line = text.substr(start, hit - start);
    lines.push_back(line.size() >= 26 ? FromUtf8(line.substr(26)) : FromUtf8(line));
  }
  return lines;
}

inline bool Contains(const std::vector<String>& aLines, const String& aLine) {
  for (const auto& l : aLines)
    if (l == aLine) return true;
  return false;
}

inline int CountStartingWith(const std::vector<String>& aLines, const String& aPrefix) {
  int n = 0;
  for (const auto& l : aLines)
    if (l.compare(0, aPrefix.size(), aPrefix) == 0) ++n;
  return n;
}

// Writes every byte to a descriptor, waiting for room when it is non-blocking.
inline void WriteAll(int aFd, std::string_view aBytes) {
  size_t done = 0;
  while (done < aBytes.size()) {
    const ssize_t n = ::write(aFd, aBytes.data() + done, aBytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{aFd, POLLOUT, 0};
      ::poll(&p, 1, 100);
    } else if (n < 0 && errno != EINTR) {
      return;
    }
  }
}

// Reads until aCount bytes came or aTimeoutMs passed.
inline std::string ReadSome(int aFd, size_t aCount, int aTimeoutMs = 2000) {
  std::string out;
  const int64_t deadline = platform::MonotonicMs() + aTimeoutMs;
  while (out.size() < aCount) {
    const int64_t left = deadline - platform::MonotonicMs();
    if (left <= 0) break;
    pollfd p{aFd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::read(aFd, buffer, std::min(sizeof buffer, aCount - out.size()));
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

// A pseudo-terminal pair: the transport opens the slave by its path, the test plays the printer
// on the master. The test keeps a slave descriptor of its own for looking at the line settings.
class Pty {
 public:
  Pty() {
    char name[128] = {};
    if (::openpty(&fMaster, &fSlave, name, nullptr, nullptr) == 0) {
      ::fcntl(fMaster, F_SETFD, FD_CLOEXEC);
      ::fcntl(fSlave, F_SETFD, FD_CLOEXEC);
      fPath = name;
    }
  }
  ~Pty() {
    CloseMaster();
    if (fSlave >= 0) ::close(fSlave);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  const std::string& Path() const { return fPath; }
  String PathText() const { return FromUtf8(fPath); }
  int Master() const { return fMaster; }
  int Slave() const { return fSlave; }
  void Send(std::string_view aBytes) const { WriteAll(fMaster, aBytes); }
  std::string Receive(size_t aCount, int aTimeoutMs = 2000) const { return ReadSome(fMaster, aCount, aTimeoutMs); }
  void CloseMaster() {
    if (fMaster >= 0) ::close(fMaster);
    fMaster = -1;
  }

 private:
  int fMaster = -1;
  int fSlave = -1;
  std::string fPath;
};

// A listening socket on 127.0.0.1 with a port of the system's choice.
class LoopbackServer {
 public:
  explicit LoopbackServer(int aBacklog = 4) {
    fListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fListener, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fListener, aBacklog);
    socklen_t n = sizeof a;
    ::getsockname(fListener, reinterpret_cast<sockaddr*>(&a), &n);
    fPort = ntohs(a.sin_port);
  }
  ~LoopbackServer() {
    ClosePeer();
    if (fListener >= 0) ::close(fListener);
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return fPort; }
  // Takes the next connection; false when none came within aTimeoutMs.
  bool Accept(int aTimeoutMs = 2000) {
    pollfd p{fListener, POLLIN, 0};
    if (::poll(&p, 1, aTimeoutMs) != 1) return false;
    ClosePeer();
    fPeer = ::accept4(fListener, nullptr, nullptr, SOCK_CLOEXEC);
    return fPeer >= 0;
  }
  int Peer() const { return fPeer; }
  void Send(std::string_view aBytes) const { WriteAll(fPeer, aBytes); }
  std::string Receive(size_t aCount, int aTimeoutMs = 2000) const { return ReadSome(fPeer, aCount, aTimeoutMs); }
  void ClosePeer() {
    if (fPeer >= 0) ::close(fPeer);
    fPeer = -1;
  }

 private:
  int fListener = -1;
  int fPeer = -1;
  int fPort = 0;
};

// A port on 127.0.0.1 where nothing listens.
inline int UnusedPort() {
  LoopbackServer probe;
  return probe.Port();
}

// Runs aWork on its own thread until the object is destroyed or Stop is called.
class Peer {
 public:
  explicit Peer(std::function<void(const std::atomic<bool>& aStop)> aWork)
      : fThread([this, work = std::move(aWork)] { work(fStop); }) {}
  ~Peer() { Stop(); }
  void Stop() {
    fStop = true;
    if (fThread.joinable()) fThread.join();
  }

 private:
  std::atomic<bool> fStop{false};
  std::thread fThread;
};

}  // namespace qx::testing
