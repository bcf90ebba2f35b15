// The thread of one server: it runs the server's loop until Stop, which wakes the loop through
// an event descriptor that the loop polls, and joins it.
#pragma once

#include <functional>
#include <string>
#include <thread>

namespace qx::fpsim {

class ServerThread {
 public:
  ServerThread();  // raises qx::Error when the event descriptor cannot be made
  ~ServerThread();
  ServerThread(const ServerThread&) = delete;
  ServerThread& operator=(const ServerThread&) = delete;

  // Readable once Stop was called: the loop polls it and returns.
  int WakeFd() const { return fWake; }
  // Runs aLoop on the thread; an exception ends the server (with a line on stderr), not the process.
  void Start(std::string aName, std::function<void()> aLoop);
  void Stop();

 private:
  int fWake = -1;
  std::thread fThread;
};

}  // namespace qx::fpsim
