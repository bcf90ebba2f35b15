// Serves the printer on a pseudo-terminal: the driver opens Path() as its serial device.
#pragma once

#include <string>

#include "fpsim/printer_host.h"
#include "fpsim/protocol_engine.h"
#include "fpsim/server_thread.h"

namespace qx::fpsim {

class PtyServer {
 public:
  // Opens the pseudo-terminal in raw mode and starts serving; raises qx::Error on failure.
  explicit PtyServer(PrinterHost& aHost);
  ~PtyServer();  // stops and joins
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  const std::string& Path() const { return fPath; }

 private:
  void Run();

  PrinterHost& fHost;
  ProtocolEngine fEngine;
  int fMaster = -1;
  int fNotify = -1;  // inotify on the terminal's path: every open starts a new session
  std::string fPath;
  ServerThread fThread;
};

}  // namespace qx::fpsim
