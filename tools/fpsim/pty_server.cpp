#include "fpsim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
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
  // Each open of the terminal is a new connection (a driver's device object starts its frame
  // numbers again). Without inotify a new connection is only seen after a hang-up.
  fNotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fNotify >= 0 && inotify_add_watch(fNotify, fPath.c_str(), IN_OPEN) < 0) {
    close(fNotify);
    fNotify = -1;
  }
  fThread.Start("pseudo-terminal", [this] { Run(); });
}

PtyServer::~PtyServer() {
  fThread.Stop();
  if (fNotify >= 0) close(fNotify);
  close(fMaster);
}

void PtyServer::Run() {
  OutputQueue queue;
  bool hungUp = true;  // nobody has the terminal side open
  char buffer[4096];
  auto newSession = [&] {
    queue.Clear();
    fHost.Reset(fEngine);
  };
  while (true) {
    // While hung up the master reports POLLHUP at once: leave it out when inotify tells of the
    // next open, otherwise look again every few milliseconds.
    const bool watchMaster = !hungUp || fNotify < 0;
    pollfd fds[3] = {{fThread.WakeFd(), POLLIN, 0}, {fNotify, POLLIN, 0}, {watchMaster ? fMaster : -1, POLLIN, 0}};
    int timeout = queue.TimeoutMs(platform::MonotonicMs());
    if (hungUp && fNotify < 0) timeout = kIdlePollMs;
    if (poll(fds, 3, timeout) < 0 && errno != EINTR) break;
    if (fds[0].revents != 0) break;

    if (fds[1].revents & POLLIN) {
      bool opened = false;
      alignas(inotify_event) char events[1024];
      ssize_t n = 0;
      while ((n = read(fNotify, events, sizeof events)) > 0) {
        for (ssize_t at = 0; at < n;) {
          const auto* event = reinterpret_cast<const inotify_event*>(events + at);
          opened = opened || (event->mask & IN_OPEN) != 0;
          at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
      }
      if (opened) {
        hungUp = false;
        newSession();
      }
    }

    bool hangup = (fds[2].revents & (POLLHUP | POLLERR)) != 0;
    if (fds[2].revents & POLLIN) {
      const ssize_t n = read(fMaster, buffer, sizeof buffer);
      if (n > 0) {
        if (hungUp) {  // opened again, seen without inotify
          hungUp = false;
          newSession();
        }
        queue.Schedule(fHost.Process(fEngine, std::string_view(buffer, static_cast<size_t>(n))),
                       platform::MonotonicMs());
        hangup = false;
      } else if (n < 0 && errno == EIO) {
        hangup = true;
      }
    }
    if (hangup) {
      if (!hungUp) newSession();
      hungUp = true;
      continue;
    }

    for (const Emission& e : queue.TakeDue(platform::MonotonicMs())) {
      if (e.drop) {
        // A serial line cannot be hung up from the printer's side: the printer goes silent,
        // forgetting what it was sending and what it had half read.
        while (read(fMaster, buffer, sizeof buffer) > 0) {
        }
        newSession();
        break;
      }
      WriteAll(fMaster, e.bytes, false);
    }
  }
}

}  // namespace qx::fpsim
