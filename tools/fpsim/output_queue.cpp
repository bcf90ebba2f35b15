#include "fpsim/output_queue.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/clock.h"

namespace qx::fpsim {

void OutputQueue::Schedule(const std::vector<Emission>& aEmissions, int64_t aNowMs) {
  int64_t due = fItems.empty() ? aNowMs : std::max(aNowMs, fItems.back().dueMs);
  for (const Emission& e : aEmissions) {
    due += e.delayMs;
    fItems.push_back({due, e});
  }
}

int OutputQueue::TimeoutMs(int64_t aNowMs) const {
  if (fItems.empty()) return -1;
  const int64_t wait = fItems.front().dueMs - aNowMs;
  return wait <= 0 ? 0 : static_cast<int>(std::min<int64_t>(wait, 60000));
}

std::vector<Emission> OutputQueue::TakeDue(int64_t aNowMs) {
  std::vector<Emission> due;
  while (!fItems.empty() && fItems.front().dueMs <= aNowMs) {
    due.push_back(std::move(fItems.front().emission));
    fItems.pop_front();
  }
  return due;
}

bool WriteAll(int aFd, const std::string& aBytes, bool aSocket, int aTimeoutMs) {
  size_t done = 0;
  const int64_t deadline = platform::MonotonicMs() + aTimeoutMs;
  while (done < aBytes.size()) {
    const ssize_t n = aSocket ? send(aFd, aBytes.data() + done, aBytes.size() - done, MSG_NOSIGNAL)
                              : write(aFd, aBytes.data() + done, aBytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      const int64_t left = deadline - platform::MonotonicMs();
      if (left <= 0) return false;  // nobody reads: the rest is lost, as on a line
      pollfd p{aFd, POLLOUT, 0};
      poll(&p, 1, static_cast<int>(left));
      continue;
    }
    return false;
  }
  return true;
}

}  // namespace qx::fpsim
