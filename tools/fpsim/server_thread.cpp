#include "fpsim/server_thread.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "support/error.h"

namespace qx::fpsim {

ServerThread::ServerThread() {
  fWake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fWake < 0) throw Error(std::string("eventfd: ") + std::strerror(errno));
}

ServerThread::~ServerThread() {
  Stop();
  close(fWake);
}

void ServerThread::Start(std::string aName, std::function<void()> aLoop) {
  fThread = std::thread([name = std::move(aName), loop = std::move(aLoop)] {
    // Only memory exhaustion can throw here.
    try {
      loop();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "fpsim: %s server stopped: %s\n", name.c_str(), e.what());
    }
  });
}

void ServerThread::Stop() {
  const uint64_t one = 1;
  if (write(fWake, &one, sizeof one) < 0) {
    // The counter cannot overflow with one write per stop; nothing else can fail.
  }
  if (fThread.joinable()) fThread.join();
}

}  // namespace qx::fpsim
