// The bytes a server still has to send, each at its due time, so that pauses (busy bytes, slow
// or split answers) never block the server's thread: it keeps reading while it waits.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "fpsim/protocol_engine.h"

namespace qx::fpsim {

class OutputQueue {
 public:
  // Queues after what is already queued; the first pause counts from aNowMs or from the last
  // queued emission, whichever is later.
  void Schedule(const std::vector<Emission>& aEmissions, int64_t aNowMs);
  // Milliseconds until the next emission is due (0 when one is due), -1 when nothing is queued.
  int TimeoutMs(int64_t aNowMs) const;
  std::vector<Emission> TakeDue(int64_t aNowMs);
  void Clear() { fItems.clear(); }
  bool Empty() const { return fItems.empty(); }

 private:
  struct Item {
    int64_t dueMs;
    Emission emission;
  };
  std::deque<Item> fItems;
};

// Writes all of aBytes to a non-blocking descriptor, waiting at most aTimeoutMs for room; with
// aSocket the write never raises SIGPIPE. False when the peer is gone or the bytes did not fit.
bool WriteAll(int aFd, const std::string& aBytes, bool aSocket, int aTimeoutMs = 1000);

}  // namespace qx::fpsim
