// One simulated printer shared by the servers and the tests: the model, the faults and the
// transcript behind one lock, with listeners told about new paper lines and traffic.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "fpsim/fault.h"
#include "fpsim/printer_model.h"
#include "fpsim/protocol_engine.h"
#include "fpsim/transcript.h"

namespace qx::fpsim {

class PrinterHost {
 public:
  using PaperListener = std::function<void(const std::string&)>;
  using TranscriptListener = std::function<void(const TranscriptEntry&)>;

  explicit PrinterHost(const SimulatorConfig& aConfig);

  // A session engine for one connection; use it only through Process and Reset.
  ProtocolEngine MakeEngine() { return ProtocolEngine(fModel, fFaults, fTranscript); }
  std::vector<Emission> Process(ProtocolEngine& aEngine, std::string_view aBytes);
  void Reset(ProtocolEngine& aEngine);

  template <typename F>
  auto With(F&& aAction) {
    std::lock_guard<std::mutex> lock(fMutex);
    return aAction(fModel, fFaults, fTranscript);
  }
  // Waits until aCondition holds (checked under the lock after every change) or aTimeoutMs pass.
  bool WaitFor(const std::function<bool(const PrinterModel&, const Transcript&)>& aCondition, int aTimeoutMs);
  // Wakes the waiters after a change made through With.
  void Changed();

  void SetPaperListener(PaperListener aListener);
  void SetTranscriptListener(TranscriptListener aListener);

 private:
  void NotifyListeners();

  std::mutex fMutex;
  std::condition_variable fChanged;
  PrinterModel fModel;
  FaultPlan fFaults;
  Transcript fTranscript;

  std::mutex fListenerMutex;  // keeps listener calls in order across server threads
  PaperListener fPaperListener;
  TranscriptListener fTranscriptListener;
  uint64_t fPaperSeen = 0;
  uint64_t fTranscriptSeen = 0;
};

}  // namespace qx::fpsim
