#include "fpsim/printer_host.h"

#include <chrono>

namespace qx::fpsim {

PrinterHost::PrinterHost(const SimulatorConfig& aConfig) : fModel(aConfig) {
  for (const Fault& f : aConfig.faults) fFaults.Add(f);
}

std::vector<Emission> PrinterHost::Process(ProtocolEngine& aEngine, std::string_view aBytes) {
  std::vector<Emission> out;
  {
    std::lock_guard<std::mutex> lock(fMutex);
    out = aEngine.Feed(aBytes);
  }
  Changed();
  return out;
}

void PrinterHost::Reset(ProtocolEngine& aEngine) {
  {
    std::lock_guard<std::mutex> lock(fMutex);
    aEngine.Reset();
  }
  Changed();
}

void PrinterHost::Changed() {
  fChanged.notify_all();
  NotifyListeners();
}

bool PrinterHost::WaitFor(const std::function<bool(const PrinterModel&, const Transcript&)>& aCondition,
                          int aTimeoutMs) {
  std::unique_lock<std::mutex> lock(fMutex);
  return fChanged.wait_for(lock, std::chrono::milliseconds(aTimeoutMs),
                           [&] { return aCondition(fModel, fTranscript); });
}

void PrinterHost::SetPaperListener(PaperListener aListener) {
  std::lock_guard<std::mutex> listeners(fListenerMutex);
  std::lock_guard<std::mutex> lock(fMutex);
  fPaperListener = std::move(aListener);
  fPaperSeen = fModel.Paper().Total();
}

void PrinterHost::SetTranscriptListener(TranscriptListener aListener) {
  std::lock_guard<std::mutex> listeners(fListenerMutex);
  std::lock_guard<std::mutex> lock(fMutex);
  fTranscriptListener = std::move(aListener);
  fTranscriptSeen = fTranscript.Total();
}

void PrinterHost::NotifyListeners() {
  // A listener that changes the model through the simulator comes back here on its thread: the
  // call in progress reports those changes too, once the listener has returned.
  thread_local bool notifying = false;
  if (notifying) return;
  std::lock_guard<std::mutex> listeners(fListenerMutex);
  notifying = true;
  while (true) {
    std::vector<std::string> paper;
    std::vector<TranscriptEntry> traffic;
    {
      std::lock_guard<std::mutex> lock(fMutex);
      if (fPaperListener) paper = fModel.Paper().Since(fPaperSeen);
      if (fTranscriptListener) traffic = fTranscript.Since(fTranscriptSeen);
      fPaperSeen = fModel.Paper().Total();
      fTranscriptSeen = fTranscript.Total();
    }
    if (paper.empty() && traffic.empty()) break;
    // A failing listener must not stop the server thread that told it.
    for (const TranscriptEntry& e : traffic) {
      try {
        fTranscriptListener(e);
      } catch (...) {
      }
    }
    for (const std::string& line : paper) {
      try {
        fPaperListener(line);
      } catch (...) {
      }
    }
  }
  notifying = false;
}

}  // namespace qx::fpsim
