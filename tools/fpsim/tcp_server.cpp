#include "fpsim/tcp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "fpsim/output_queue.h"
#include "platform/clock.h"
#include "support/error.h"

namespace qx::fpsim {

TcpServer::TcpServer(PrinterHost& aHost, uint16_t aPort) : fHost(aHost), fEngine(aHost.MakeEngine()) {
  fListen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fListen < 0) throw Error(std::string("tcp: socket: ") + std::strerror(errno));
  const int yes = 1;
  setsockopt(fListen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(aPort);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fListen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fListen, 4) != 0 ||
      getsockname(fListen, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    const std::string why = std::strerror(errno);
    close(fListen);
    throw Error("tcp: cannot listen on 127.0.0.1:" + std::to_string(aPort) + ": " + why);
  }
  fPort = ntohs(address.sin_port);
  fThread.Start("tcp", [this] { Run(); });
}

TcpServer::~TcpServer() {
  fThread.Stop();
  close(fListen);
}

void TcpServer::Run() {
  OutputQueue queue;
  int client = -1;
  char buffer[4096];
  auto dropClient = [&] {
    if (client >= 0) close(client);
    client = -1;
    queue.Clear();
    fHost.Reset(fEngine);
  };
  while (true) {
    pollfd fds[3] = {{fThread.WakeFd(), POLLIN, 0}, {fListen, POLLIN, 0}, {client, POLLIN, 0}};
    const int count = client >= 0 ? 3 : 2;
    if (poll(fds, count, queue.TimeoutMs(platform::MonotonicMs())) < 0 && errno != EINTR) break;
    if (fds[0].revents != 0) break;

    if (fds[1].revents & POLLIN) {
      const int accepted = accept4(fListen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (accepted >= 0) {
        dropClient();
        client = accepted;
        const int yes = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);  // split answers stay split
        continue;
      }
    }
    if (count == 3 && fds[2].revents != 0) {
      const ssize_t n = recv(client, buffer, sizeof buffer, 0);
      if (n > 0) {
        queue.Schedule(fHost.Process(fEngine, std::string_view(buffer, static_cast<size_t>(n))),
                       platform::MonotonicMs());
      } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        dropClient();
        continue;
      }
    }

    for (const Emission& e : queue.TakeDue(platform::MonotonicMs())) {
      if (e.drop || client < 0) {
        dropClient();
        break;
      }
      if (!WriteAll(client, e.bytes, true)) {
        dropClient();
        break;
      }
    }
  }
  if (client >= 0) close(client);
}

}  // namespace qx::fpsim
