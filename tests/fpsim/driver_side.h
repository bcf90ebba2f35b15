// The driver's side of the line, for the simulator's tests: frames built and answers read as
// the driver does, directly on the engine or over a real pseudo-terminal or socket.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "fpsim/frame_codec.h"
#include "fpsim/simulator.h"

namespace qx::fpsim::testing {

// Commands straight into the simulator's own session (no medium, pauses ignored).
class DirectLink {
 public:
  explicit DirectLink(Simulator& aSimulator) : fSimulator(aSimulator) {}

  // Sends one frame and returns everything the printer answered.
  std::string Raw(std::string_view aCommand, std::string_view aData = {});
  // Sends one frame, checks the ACK and reads the answer frame as the driver does.
  AnswerFrame Send(std::string_view aCommand, std::string_view aData = {});
  // As Send, and expects a normal answer; returns its data.
  std::string Data(std::string_view aCommand, std::string_view aData = {});
  int NextFrameNumber() const { return fFrame + 1; }

 private:
  Simulator& fSimulator;
  int fFrame = 0;
};

// The line over a real medium: a pseudo-terminal opened like a serial port, or a TCP socket.
class WireLink {
 public:
  static WireLink Pty(const std::string& aPath);
  static WireLink Tcp(uint16_t aPort);
  WireLink(WireLink&& aOther) noexcept : fFd(aOther.fFd), fSocket(aOther.fSocket) { aOther.fFd = -1; }
  ~WireLink();

  void Write(std::string_view aBytes);
  // Reads until aStop returns true for what was read so far, or aTimeoutMs pass.
  std::string ReadUntil(bool (*aStop)(const std::string&), int aTimeoutMs = 2000);
  // Reads until an ETX arrives (an answer frame is complete).
  std::string ReadAnswer(int aTimeoutMs = 2000);
  // Reads whatever arrives within aMs.
  std::string ReadFor(int aMs);
  // True when the peer closed the connection within aTimeoutMs.
  bool ClosedByPeer(int aTimeoutMs = 2000);

 private:
  WireLink(int aFd, bool aSocket) : fFd(aFd), fSocket(aSocket) {}
  int fFd = -1;
  bool fSocket = false;
};

}  // namespace qx::fpsim::testing
