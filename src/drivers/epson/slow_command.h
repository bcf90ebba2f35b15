// The raised read time-out of a slow printer command, restored when the scope ends, also when
// the exchange raises an error.
#pragma once

#include <cstdint>

#include "transport/io_handler.h"

namespace qx {

class SlowCommandTimeout {
 public:
  SlowCommandTimeout(kIOHandler& aIOHandler, int32_t aTimeoutMs) : fIOHandler(aIOHandler) {
    fIOHandler.SetTemporaryReadTimeout(aTimeoutMs);
  }
  ~SlowCommandTimeout() { fIOHandler.ResetTemporaryReadTimeout(); }
  SlowCommandTimeout(const SlowCommandTimeout&) = delete;
  SlowCommandTimeout& operator=(const SlowCommandTimeout&) = delete;

 private:
  kIOHandler& fIOHandler;
};

}  // namespace qx
