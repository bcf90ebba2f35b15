#include "platform/socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/clock.h"

namespace qx::platform {

namespace {

String SystemErrorText(int aError) {
  char buffer[256];
  const char* text = ::strerror_r(aError, buffer, sizeof buffer);
  return FromUtf8(text) + u" (error #" + IntToStr(aError) + u")";
}

int RemainingMs(int64_t aDeadline) {
  const int64_t left = aDeadline - MonotonicMs();
  return left <= 0 ? 0 : static_cast<int>(std::min<int64_t>(left, 0x7FFFFFFF));
}

// One name lookup handed to the system resolver. The resolver may still write into it after
// the caller has given up waiting, so an abandoned lookup is kept until it has finished.
struct Lookup {
  gaicb request{};
  addrinfo hints{};
  std::string host;
  std::string service;
};

std::mutex gAbandonedLock;
// Made with the first abandoned lookup and never destroyed: a lookup still running at exit keeps
// its memory. A process that never abandons a lookup allocates nothing here, so unloading the
// library leaves nothing behind.
std::vector<Lookup*>* gAbandoned = nullptr;

void ReapAbandoned() {
  std::lock_guard<std::mutex> guard(gAbandonedLock);
  if (gAbandoned == nullptr) return;
  std::erase_if(*gAbandoned, [](Lookup* aLookup) {
    if (::gai_error(&aLookup->request) == EAI_INPROGRESS) return false;
    if (aLookup->request.ar_result != nullptr) ::freeaddrinfo(aLookup->request.ar_result);
    delete aLookup;
    return true;
  });
}

struct AddrInfoFree {
  void operator()(addrinfo* a) const {
    if (a != nullptr) ::freeaddrinfo(a);
  }
};
using AddrInfoList = std::unique_ptr<addrinfo, AddrInfoFree>;

SocketStatus Resolve(const std::string& aHost, uint16_t aPort, int64_t aDeadline, AddrInfoList& aList,
                     String& aErrorText) {
  const std::string service = std::to_string(aPort);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  // An address in numeric form needs no resolver and cannot block.
  int rc = ::getaddrinfo(aHost.c_str(), service.c_str(), &hints, &found);
  if (rc == 0) {
    aList.reset(found);
    return SocketStatus::ok;
  }
  if (rc != EAI_NONAME || aHost.empty()) {
    aErrorText = FromUtf8(::gai_strerror(rc));
    return SocketStatus::failed;
  }

  ReapAbandoned();
  auto lookup = std::make_unique<Lookup>();
  lookup->host = aHost;
  lookup->service = service;
  lookup->hints.ai_family = AF_UNSPEC;
  lookup->hints.ai_socktype = SOCK_STREAM;
  lookup->hints.ai_flags = AI_NUMERICSERV;
  lookup->request.ar_name = lookup->host.c_str();
  lookup->request.ar_service = lookup->service.c_str();
  lookup->request.ar_request = &lookup->hints;
  gaicb* list[] = {&lookup->request};
  if ((rc = ::getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr)) != 0) {
    aErrorText = FromUtf8(::gai_strerror(rc));
    return SocketStatus::failed;
  }
  while ((rc = ::gai_error(&lookup->request)) == EAI_INPROGRESS) {
    const int left = RemainingMs(aDeadline);
    if (left == 0) break;
    const timespec wait{left / 1000, static_cast<long>(left % 1000) * 1000000L};
    const gaicb* waitList[] = {&lookup->request};
    ::gai_suspend(waitList, 1, &wait);
  }
  if (rc == EAI_INPROGRESS) {
    if (::gai_cancel(&lookup->request) == EAI_NOTCANCELED) {
      std::lock_guard<std::mutex> guard(gAbandonedLock);
      if (gAbandoned == nullptr) gAbandoned = new std::vector<Lookup*>();
      gAbandoned->push_back(lookup.release());
    } else if (lookup->request.ar_result != nullptr) {
      ::freeaddrinfo(lookup->request.ar_result);
    }
    return SocketStatus::timed_out;
  }
  if (rc != 0) {
    aErrorText = FromUtf8(::gai_strerror(rc));
    return SocketStatus::failed;
  }
  aList.reset(lookup->request.ar_result);
  return SocketStatus::ok;
}

}  // namespace

SocketStatus TcpSocket::Connect(const std::string& aHost, uint16_t aPort, int32_t aTimeoutMs, String& aErrorText) {
  Close();
  const int64_t deadline = MonotonicMs() + std::max<int32_t>(aTimeoutMs, 0);
  AddrInfoList list;
  const SocketStatus resolved = Resolve(aHost, aPort, deadline, list, aErrorText);
  if (resolved != SocketStatus::ok) return resolved;

  int lastError = ECONNREFUSED;
  for (const addrinfo* a = list.get(); a != nullptr; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      lastError = errno;
      continue;
    }
    int error = 0;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      error = errno;
      if (error == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int r = 0;
        do {
          r = ::poll(&p, 1, RemainingMs(deadline));
        } while (r < 0 && errno == EINTR);
        if (r == 0) {
          ::close(fd);
          return SocketStatus::timed_out;
        }
        socklen_t length = sizeof error;
        if (r < 0) {
          error = errno;
        } else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
          error = errno;
        }
      }
    }
    if (error != 0) {
      lastError = error;
      ::close(fd);
      continue;
    }
    // Frames are small and answered at once: send them without delay.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    fHandle = fd;
    return SocketStatus::ok;
  }
  aErrorText = SystemErrorText(lastError);
  return SocketStatus::failed;
}

void TcpSocket::Close() {
  if (fHandle >= 0) ::close(fHandle);
  fHandle = -1;
}

SocketStatus TcpSocket::Receive(char* aBuffer, size_t aSize, int32_t aTimeoutMs, size_t& aReceived,
                                String& aErrorText) {
  aReceived = 0;
  if (fHandle < 0) {
    aErrorText = u"Not connected";
    return SocketStatus::failed;
  }
  const int64_t deadline = MonotonicMs() + std::max<int32_t>(aTimeoutMs, 0);
  for (;;) {
    const ssize_t n = ::recv(fHandle, aBuffer, aSize, 0);
    if (n > 0) {
      aReceived = static_cast<size_t>(n);
      return SocketStatus::ok;
    }
    if (n == 0) return SocketStatus::closed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      aErrorText = SystemErrorText(errno);
      return SocketStatus::failed;
    }
    const int left = RemainingMs(deadline);
    if (left == 0) return SocketStatus::timed_out;
    pollfd p{static_cast<int>(fHandle), POLLIN, 0};
    const int r = ::poll(&p, 1, left);
    if (r == 0) return SocketStatus::timed_out;
    if (r < 0 && errno != EINTR) {
      aErrorText = SystemErrorText(errno);
      return SocketStatus::failed;
    }
  }
}

SocketStatus TcpSocket::Send(const char* aData, size_t aSize, int32_t aTimeoutMs, String& aErrorText) {
  if (fHandle < 0) {
    aErrorText = u"Not connected";
    return SocketStatus::failed;
  }
  size_t done = 0;
  while (done < aSize) {
    const ssize_t n = ::send(fHandle, aData + done, aSize - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      aErrorText = SystemErrorText(errno);
      return SocketStatus::failed;
    }
    pollfd p{static_cast<int>(fHandle), POLLOUT, 0};
    int r = 0;
    do {
      r = ::poll(&p, 1, std::max<int32_t>(aTimeoutMs, 0));
    } while (r < 0 && errno == EINTR);
    if (r == 0) {
      aErrorText = u"Send timed out";
      return SocketStatus::timed_out;
    }
    if (r < 0) {
      aErrorText = SystemErrorText(errno);
      return SocketStatus::failed;
    }
  }
  return SocketStatus::ok;
}

}  // namespace qx::platform
