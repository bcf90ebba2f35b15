#include "fpsim/simulator.h"

#include "fpsim/pty_server.h"
#include "fpsim/tcp_server.h"

namespace qx::fpsim {

Simulator::Simulator(const SimulatorConfig& aConfig)
    : fHost(std::make_unique<PrinterHost>(aConfig)), fDirect(std::make_unique<ProtocolEngine>(fHost->MakeEngine())) {}

Simulator::~Simulator() { Stop(); }

std::string Simulator::StartPty() {
  std::lock_guard<std::mutex> lock(fServersMutex);
  if (!fPty) fPty = std::make_unique<PtyServer>(*fHost);
  return fPty->Path();
}

uint16_t Simulator::StartTcp(uint16_t aPort) {
  std::lock_guard<std::mutex> lock(fServersMutex);
  if (!fTcp) fTcp = std::make_unique<TcpServer>(*fHost, aPort);
  return fTcp->Port();
}

void Simulator::Stop() {
  std::lock_guard<std::mutex> lock(fServersMutex);
  fPty.reset();
  fTcp.reset();
}

std::vector<Emission> Simulator::Feed(std::string_view aBytes) { return fHost->Process(*fDirect, aBytes); }

std::string Simulator::FeedBytes(std::string_view aBytes) {
  std::string bytes;
  for (const Emission& e : Feed(aBytes)) {
    if (e.drop) break;
    bytes += e.bytes;
  }
  return bytes;
}

void Simulator::AddFault(const Fault& aFault) {
  fHost->With([&](PrinterModel&, FaultPlan& f, fpsim::Transcript&) { f.Add(aFault); });
}

void Simulator::AddFault(std::string_view aFaultText) { AddFault(ParseFault(aFaultText)); }

void Simulator::ClearFaults() {
  fHost->With([](PrinterModel&, FaultPlan& f, fpsim::Transcript&) { f.Clear(); });
}

std::vector<TranscriptEntry> Simulator::Transcript() const {
  return fHost->With([](PrinterModel&, FaultPlan&, fpsim::Transcript& t) { return t.All(); });
}

std::vector<std::string> Simulator::FramesReceived() const {
  std::vector<std::string> frames;
  for (const TranscriptEntry& e : Transcript())
    if (e.kind == EntryKind::Frame) frames.push_back(e.bytes);
  return frames;
}

void Simulator::ClearTranscript() {
  fHost->With([](PrinterModel&, FaultPlan&, fpsim::Transcript& t) { t.Clear(); });
}

std::vector<std::string> Simulator::Paper() const {
  return fHost->With([](PrinterModel& m, FaultPlan&, fpsim::Transcript&) { return m.Paper().All(); });
}

void Simulator::ClearPaper() {
  fHost->With([](PrinterModel& m, FaultPlan&, fpsim::Transcript&) { m.ClearPaper(); });
}

bool Simulator::WaitFor(const std::function<bool(const PrinterModel&, const fpsim::Transcript&)>& aCondition,
                        int aTimeoutMs) {
  return fHost->WaitFor(aCondition, aTimeoutMs);
}

void Simulator::SetPaperListener(PrinterHost::PaperListener aListener) { fHost->SetPaperListener(std::move(aListener)); }

void Simulator::SetTranscriptListener(PrinterHost::TranscriptListener aListener) {
  fHost->SetTranscriptListener(std::move(aListener));
}

}  // namespace qx::fpsim
