// Serves the printer on a TCP port of 127.0.0.1, one connection at a time: a new connection
// replaces the previous one (a driver reconnecting after a failure must not be locked out).
#pragma once

#include <cstdint>

#include "fpsim/printer_host.h"
#include "fpsim/protocol_engine.h"
#include "fpsim/server_thread.h"

namespace qx::fpsim {

class TcpServer {
 public:
  // Listens on 127.0.0.1:aPort (0: a port chosen by the system); raises qx::Error on failure.
  TcpServer(PrinterHost& aHost, uint16_t aPort);
  ~TcpServer();  // stops, closes every descriptor and joins
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  uint16_t Port() const { return fPort; }

 private:
  void Run();

  PrinterHost& fHost;
  ProtocolEngine fEngine;
  int fListen = -1;
  uint16_t fPort = 0;
  ServerThread fThread;
};

}  // namespace qx::fpsim
