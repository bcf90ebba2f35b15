// The TCP client over Winsock: a non-blocking socket whose connect, receive and send waits are
// bounded with select.
#include "platform/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <string>

#include "platform/clock.h"
#include "platform/windows/system_text.h"

namespace qx::platform {

namespace {

// Winsock is started once for the process's use of the library and stopped at unload.
struct WinsockSession {
  bool Started = false;
  WinsockSession() {
    WSADATA data{};
    Started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (Started) ::WSACleanup();
  }
};

bool StartWinsock(String& aErrorText) {
  static WinsockSession session;
  if (!session.Started) aErrorText = u"Windows Sockets could not be started";
  return session.Started;
}

int RemainingMs(int64_t aDeadline) {
  const int64_t left = aDeadline - MonotonicMs();
  return left <= 0 ? 0 : static_cast<int>(std::min<int64_t>(left, 0x7FFFFFFF));
}

SOCKET AsSocket(intptr_t aHandle) { return static_cast<SOCKET>(aHandle); }

// Waits at most aMs for the socket to become readable (aWrite false) or writable (aWrite true);
// a failed connect shows in the exception set. 1 ready, 0 timed out, -1 failed.
int WaitFor(SOCKET aSocket, bool aWrite, int aMs) {
  fd_set ready;
  fd_set failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(aSocket, &ready);
  FD_SET(aSocket, &failed);
  timeval wait{aMs / 1000, (aMs % 1000) * 1000};
  const int r = ::select(0, aWrite ? nullptr : &ready, aWrite ? &ready : nullptr, &failed, &wait);
  if (r == SOCKET_ERROR) return -1;
  return r == 0 ? 0 : 1;
}

}  // namespace

SocketStatus TcpSocket::Connect(const std::string& aHost, uint16_t aPort, int32_t aTimeoutMs, String& aErrorText) {
  Close();
  if (!StartWinsock(aErrorText)) return SocketStatus::failed;
  const int64_t deadline = MonotonicMs() + std::max<int32_t>(aTimeoutMs, 0);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* list = nullptr;
  // The system resolver has no time-out of its own; an address in numeric form (what printer
  // settings hold) needs no lookup at all.
  const int rc = ::getaddrinfo(aHost.c_str(), std::to_string(aPort).c_str(), &hints, &list);
  if (rc != 0) {
    aErrorText = SystemErrorText(static_cast<DWORD>(rc));
    return SocketStatus::failed;
  }

  DWORD lastError = WSAECONNREFUSED;
  SocketStatus status = SocketStatus::failed;
  for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
    SOCKET s = ::WSASocketW(a->ai_family, a->ai_socktype, a->ai_protocol, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) {
      lastError = static_cast<DWORD>(::WSAGetLastError());
      continue;
    }
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    DWORD error = 0;
    if (::connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0) {
      error = static_cast<DWORD>(::WSAGetLastError());
      if (error == WSAEWOULDBLOCK) {
        const int r = WaitFor(s, true, RemainingMs(deadline));
        if (r == 0) {
          ::closesocket(s);
          status = SocketStatus::timed_out;
          break;
        }
        int soError = 0;
        int length = sizeof soError;
        if (r < 0) {
          error = static_cast<DWORD>(::WSAGetLastError());
        } else if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &length) != 0) {
          error = static_cast<DWORD>(::WSAGetLastError());
        } else {
          error = static_cast<DWORD>(soError);
        }
      }
    }
    if (error != 0) {
      lastError = error;
      ::closesocket(s);
      continue;
    }
    // Frames are small and answered at once: send them without delay.
    const BOOL on = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    fHandle = static_cast<intptr_t>(s);
    status = SocketStatus::ok;
    break;
  }
  ::freeaddrinfo(list);
  if (status == SocketStatus::failed) aErrorText = SystemErrorText(lastError);
  return status;
}

void TcpSocket::Close() {
  if (fHandle >= 0) ::closesocket(AsSocket(fHandle));
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
  const int size = static_cast<int>(std::min<size_t>(aSize, 0x7FFFFFFF));
  for (;;) {
    const int n = ::recv(AsSocket(fHandle), aBuffer, size, 0);
    if (n > 0) {
      aReceived = static_cast<size_t>(n);
      return SocketStatus::ok;
    }
    if (n == 0) return SocketStatus::closed;
    const int error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK) {
      aErrorText = SystemErrorText(static_cast<DWORD>(error));
      return SocketStatus::failed;
    }
    const int left = RemainingMs(deadline);
    if (left == 0) return SocketStatus::timed_out;
    const int r = WaitFor(AsSocket(fHandle), false, left);
    if (r == 0) return SocketStatus::timed_out;
    if (r < 0) {
      aErrorText = SystemErrorText(static_cast<DWORD>(::WSAGetLastError()));
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
    const int chunk = static_cast<int>(std::min<size_t>(aSize - done, 0x7FFFFFFF));
    const int n = ::send(AsSocket(fHandle), aData + done, chunk, 0);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    const int error = ::WSAGetLastError();
    if (n < 0 && error != WSAEWOULDBLOCK) {
      aErrorText = SystemErrorText(static_cast<DWORD>(error));
      return SocketStatus::failed;
    }
    const int r = WaitFor(AsSocket(fHandle), true, std::max<int32_t>(aTimeoutMs, 0));
    if (r == 0) {
      aErrorText = u"Send timed out";
      return SocketStatus::timed_out;
    }
    if (r < 0) {
      aErrorText = SystemErrorText(static_cast<DWORD>(::WSAGetLastError()));
      return SocketStatus::failed;
    }
  }
  return SocketStatus::ok;
}

}  // namespace qx::platform
