#include "driver_side.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>

#include "platform/clock.h"

namespace qx::fpsim::testing {

std::string DirectLink::Raw(std::string_view aCommand, std::string_view aData) {
  return fSimulator.FeedBytes(BuildRequestFrame(++fFrame, aCommand, aData));
}

AnswerFrame DirectLink::Send(std::string_view aCommand, std::string_view aData) {
  const std::string bytes = Raw(aCommand, aData);
  AnswerFrame answer;
  EXPECT_TRUE(!bytes.empty() && bytes[0] == kAck) << aCommand << " not acknowledged: " << bytes;
  EXPECT_TRUE(ParseAnswerFrame(bytes.empty() ? bytes : std::string_view(bytes).substr(1), answer))
      << aCommand << " answered " << bytes;
  EXPECT_TRUE(answer.checksumOk) << aCommand;
  fSimulator.FeedBytes(std::string(1, kAck));  // the driver's ACK
  return answer;
}

std::string DirectLink::Data(std::string_view aCommand, std::string_view aData) {
  const AnswerFrame answer = Send(aCommand, aData);
  EXPECT_FALSE(answer.isError) << aCommand << " " << aData << " failed with " << answer.errorCode;
  EXPECT_EQ(answer.echo, aCommand);
  return answer.data;
}

WireLink WireLink::Pty(const std::string& aPath) {
  const int fd = open(aPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + aPath);
  termios tio{};
  tcgetattr(fd, &tio);
  cfmakeraw(&tio);
  tcsetattr(fd, TCSANOW, &tio);
  return WireLink(fd, false);
}

WireLink WireLink::Tcp(uint16_t aPort) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(aPort);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (fd >= 0) close(fd);
    throw std::runtime_error("cannot connect to port " + std::to_string(aPort));
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  return WireLink(fd, true);
}

WireLink::~WireLink() {
  if (fFd >= 0) close(fFd);
}

void WireLink::Write(std::string_view aBytes) {
  size_t done = 0;
  while (done < aBytes.size()) {
    const ssize_t n = fSocket ? send(fFd, aBytes.data() + done, aBytes.size() - done, MSG_NOSIGNAL)
                              : write(fFd, aBytes.data() + done, aBytes.size() - done);
    if (n <= 0) {
      pollfd p{fFd, POLLOUT, 0};
      if (poll(&p, 1, 1000) <= 0) throw std::runtime_error("cannot write");
      continue;
    }
    done += static_cast<size_t>(n);
  }
}

std::string WireLink::ReadUntil(bool (*aStop)(const std::string&), int aTimeoutMs) {
  std::string bytes;
  const int64_t deadline = platform::MonotonicMs() + aTimeoutMs;
  while (!aStop(bytes)) {
    const int64_t left = deadline - platform::MonotonicMs();
    if (left <= 0) break;
    pollfd p{fFd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    char buffer[512];
    const ssize_t n = read(fFd, buffer, sizeof buffer);
    if (n <= 0) {
      if (n == 0 || (errno != EAGAIN && errno != EINTR)) break;
      continue;
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  return bytes;
}

std::string WireLink::ReadAnswer(int aTimeoutMs) {
  return ReadUntil([](const std::string& b) { return !b.empty() && b.back() == kEtx; }, aTimeoutMs);
}

std::string WireLink::ReadFor(int aMs) {
  return ReadUntil([](const std::string&) { return false; }, aMs);
}

bool WireLink::ClosedByPeer(int aTimeoutMs) {
  const int64_t deadline = platform::MonotonicMs() + aTimeoutMs;
  while (platform::MonotonicMs() < deadline) {
    pollfd p{fFd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(deadline - platform::MonotonicMs())) <= 0) continue;
    char buffer[64];
    const ssize_t n = read(fFd, buffer, sizeof buffer);
    if (n == 0 || (n < 0 && errno == ECONNRESET)) return true;
  }
  return false;
}

}  // namespace qx::fpsim::testing
