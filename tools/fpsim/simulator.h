// The printer simulator as tests and the fpsim program use it: one simulated printer, served on
// a pseudo-terminal and/or a TCP port of 127.0.0.1, each on its own thread, with faults to
// inject, the transcript of the traffic, the paper, and the model's state. Every accessor is
// thread-safe; the destructor stops the servers and joins their threads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fpsim/printer_host.h"
#include "fpsim/printer_config.h"

namespace qx::fpsim {

class PtyServer;
class TcpServer;

class Simulator {
 public:
  explicit Simulator(const SimulatorConfig& aConfig = {});
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Starts the pseudo-terminal server (once) and returns the device path for the driver.
  std::string StartPty();
  // Starts the TCP server (once) and returns its port; aPort 0 lets the system choose.
  uint16_t StartTcp(uint16_t aPort = 0);
  // Stops both servers; the model keeps its state.
  void Stop();

  // A session of its own, without a medium: bytes in, what the printer sends out.
  std::vector<Emission> Feed(std::string_view aBytes);
  // The same, with the emissions' bytes joined (pauses ignored, nothing after a drop).
  std::string FeedBytes(std::string_view aBytes);

  void AddFault(const Fault& aFault);
  void AddFault(std::string_view aFaultText);  // as ParseFault
  void ClearFaults();

  std::vector<TranscriptEntry> Transcript() const;
  // The frames received from the driver, STX to ETX.
  std::vector<std::string> FramesReceived() const;
  void ClearTranscript();
  std::vector<std::string> Paper() const;
  void ClearPaper();

  // Runs aAction(model) under the lock: read or change the printer's state.
  template <typename F>
  auto WithModel(F&& aAction) {
    struct Notify {
      PrinterHost& host;
      ~Notify() { host.Changed(); }
    } notify{*fHost};
    return fHost->With([&](PrinterModel& m, FaultPlan&, fpsim::Transcript&) { return aAction(m); });
  }
  // Waits until aCondition holds or aTimeoutMs pass; true when it holds.
  bool WaitFor(const std::function<bool(const PrinterModel&, const fpsim::Transcript&)>& aCondition,
               int aTimeoutMs);

  // Told of each paper line and of each transcript entry, on a server thread, in order.
  void SetPaperListener(PrinterHost::PaperListener aListener);
  void SetTranscriptListener(PrinterHost::TranscriptListener aListener);

 private:
  std::unique_ptr<PrinterHost> fHost;
  std::unique_ptr<ProtocolEngine> fDirect;  // the session of Feed
  std::mutex fServersMutex;
  std::unique_ptr<PtyServer> fPty;
  std::unique_ptr<TcpServer> fTcp;
};

}  // namespace qx::fpsim
