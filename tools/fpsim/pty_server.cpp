#include "fpsim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "fpsim/output_queue.h"
#include "platform/clock.h"
#include "support/error.h"

namespace qx::fpsim {

namespace {

[[noreturn]] void Fail(const char* aWhat) {
  throw Error(std::string("pseudo-terminal: ") + aWhat + ": " + std::strerror(errno));
}

// While no one has the terminal open the master only reports a hang-up; look again this often.
constexpr int kIdlePollMs = 10;

}  // namespace

PtyServer::PtyServer(PrinterHost& aHost) : fHost(aHost), fEngine(aHost.MakeEngine()) {
  fMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fMaster < 0) Fail("posix_openpt");
  char name[128] = {};
  if (grantpt(fMaster) != 0 || unlockpt(fMaster) != 0 || ptsname_r(fMaster, name, sizeof name) != 0) {
    close(fMaster);
    Fail("ptsname");
  }
  fPath = name;
  // Raw mode for the terminal side, so that nothing is echoed or translated before the driver
  // sets its own modes.
  termios tio{};
  if (tcgetattr(fMaster, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(fMaster, TCSANOW, &tio);
  }
  fcntl(fMaster, F_SETFL, fcntl(fMaster, F_GETFL) | O_NONBLOCK);
  fWake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fWake < 0) {
    close(fMaster);
    Fail("eventfd");
  }
  fThread = std::thread([this] { Run(); });
}

PtyServer::~PtyServer() {
  const uint64_t one = 1;
  if (write(fWake, &one, sizeof one) < 0) {
    // The counter cannot overflow here; nothing else can fail.
  }
  if (fThread.joinable()) fThread.join();
  close(fWake);
  close(fMaster);
}

void PtyServer::Run() {
  OutputQueue queue;
  bool open = false;  // someone has the terminal side open
  char buffer[4096];
  while (true) {
    pollfd fds[2] = {{fWake, POLLIN, 0}, {fMaster, POLLIN, 0}};
    if (poll(fds, 2, queue.TimeoutMs(platform::MonotonicMs())) < 0 && errno != EINTR) break;
    if (fds[0].revents != 0) break;

    bool hangup = (fds[1].revents & (POLLHUP | POLLERR)) != 0;
    if (fds[1].revents & POLLIN) {
      const ssize_t n = read(fMaster, buffer, sizeof buffer);
      if (n > 0) {
        if (!open) {  // first bytes since the terminal was opened: a new connection
          open = true;
          fHost.Reset(fEngine);
        }
        queue.Schedule(fHost.Process(fEngine, std::string_view(buffer, static_cast<size_t>(n))),
                       platform::MonotonicMs());
        hangup = false;
      } else if (n < 0 && errno == EIO) {
        hangup = true;
      }
    }
    if (hangup) {
      if (open) {
        open = false;
        queue.Clear();
        fHost.Reset(fEngine);
      }
      pollfd wake{fWake, POLLIN, 0};
      if (poll(&wake, 1, kIdlePollMs) > 0) break;
      continue;
    }

    for (const Emission& e : queue.TakeDue(platform::MonotonicMs())) {
      if (e.drop) {
        // A serial line cannot be hung up from the printer's side: the printer goes silent,
        // forgetting what it was sending and what it had half read.
        queue.Clear();
        while (read(fMaster, buffer, sizeof buffer) > 0) {
        }
        fHost.Reset(fEngine);
        break;
      }
      WriteAll(fMaster, e.bytes, false);
    }
  }
}

}  // namespace qx::fpsim
