#include "fpsim/protocol_engine.h"

#include "fpsim/field_text.h"
#include "fpsim/frame_codec.h"
#include "platform/clock.h"

namespace qx::fpsim {

namespace {

// Rewrites the checksum of an answer frame for its (possibly changed) bytes.
std::string Reseal(std::string aFrame, bool aCorrupt) {
  if (aFrame.size() < 4) return aFrame;
  const std::string body = aFrame.substr(1, aFrame.size() - 4);
  std::string checksum = FrameChecksum(body);
  if (aCorrupt) checksum = Digits((std::stoi(checksum) + 1) % 100, 2);
  return std::string(1, kStx) + body + checksum + std::string(1, kEtx);
}

bool IsCommandCode(std::string_view aText) {
  int64_t ignored = 0;
  return aText.size() == 4 && ParseDigits(aText, ignored);
}

}  // namespace

ProtocolEngine::ProtocolEngine(PrinterModel& aModel, FaultPlan& aFaults, Transcript& aTranscript)
    : fModel(aModel), fFaults(aFaults), fTranscript(aTranscript) {}

void ProtocolEngine::Reset() {
  FlushJunk();
  if (fInFrame) fTranscript.Add(Direction::FromDriver, EntryKind::Junk, std::string(1, kStx) + fBuffer);
  fInFrame = false;
  fBuffer.clear();
  fAwaitingAck = false;
  if (fLastAnswerSent) {
    fLastFrame.clear();
    fLastAnswer.clear();
  }
}

void ProtocolEngine::FlushJunk() {
  if (fJunk.empty()) return;
  fTranscript.Add(Direction::FromDriver, EntryKind::Junk, std::move(fJunk));
  fJunk.clear();
}

void ProtocolEngine::Emit(std::vector<Emission>& aOut, int64_t aDelayMs, std::string aBytes, EntryKind aKind,
                          const std::string& aCommand) {
  fTranscript.Add(Direction::ToDriver, aKind, aBytes, aCommand);
  Emission e;
  e.delayMs = aDelayMs;
  e.bytes = std::move(aBytes);
  e.drop = aKind == EntryKind::Drop;
  aOut.push_back(std::move(e));
}

std::vector<Emission> ProtocolEngine::Feed(std::string_view aBytes) {
  std::vector<Emission> out;
  for (const char c : aBytes) {
    if (fInFrame) {
      if (c == kStx) {  // a new frame starts: the cut one is dropped
        fTranscript.Add(Direction::FromDriver, EntryKind::Junk, std::string(1, kStx) + fBuffer);
        fBuffer.clear();
      } else if (c == kEtx) {
        fInFrame = false;
        const std::string inner = std::move(fBuffer);
        fBuffer.clear();
        HandleFrame(inner, out);
      } else if (fBuffer.size() >= kMaxFrame) {
        fTranscript.Add(Direction::FromDriver, EntryKind::Junk, std::string(1, kStx) + fBuffer + c);
        fBuffer.clear();
        fInFrame = false;
        if (!fFaults.Silenced(platform::MonotonicMs())) Emit(out, 0, std::string(1, kResend), EntryKind::Resend, {});
      } else {
        fBuffer += c;
      }
      continue;
    }
    if (c == kStx) {
      FlushJunk();
      fInFrame = true;
      fBuffer.clear();
    } else if (c == kAck && fAwaitingAck && fJunk.empty()) {
      fAwaitingAck = false;
      fTranscript.Add(Direction::FromDriver, EntryKind::DriverAck, std::string(1, kAck));
    } else {
      fJunk += c;
      if (fJunk.size() >= kMaxFrame) FlushJunk();
    }
  }
  FlushJunk();
  return out;
}

std::string ProtocolEngine::Answer(const RequestFrame& aFrame) {
  if (aFrame.identifier != 'E' || !IsCommandCode(aFrame.command)) return BuildErrorFrame(aFrame.frameNumber, kErrNotExpected);
  const Reply reply = fModel.Execute(aFrame.command, aFrame.data);
  if (reply.error != 0) return BuildErrorFrame(aFrame.frameNumber, reply.error);
  return BuildAnswerFrame(aFrame.frameNumber, reply.echo.empty() ? aFrame.command : reply.echo, reply.data);
}

void ProtocolEngine::HandleFrame(const std::string& aInner, std::vector<Emission>& aOut) {
  const std::string command = aInner.size() >= 7 ? aInner.substr(3, 4) : std::string();
  fTranscript.Add(Direction::FromDriver, EntryKind::Frame, std::string(1, kStx) + aInner + std::string(1, kEtx), command);
  fAwaitingAck = false;
  // A silent printer reads nothing: no checksum check, no fault, no answer.
  if (fFaults.Silenced(platform::MonotonicMs())) return;

  RequestFrame frame;
  if (ParseRequestInner(aInner, frame) != FrameCheck::Ok) {
    Emit(aOut, 0, std::string(1, kResend), EntryKind::Resend, command);
    return;
  }

  const std::optional<Fault> fault = fFaults.Take(frame.command);
  if (fault && !FaultExecutesFrame(fault->kind)) {
    switch (fault->kind) {
      case FaultKind::Silence:
        return;
      case FaultKind::AckThenSilence:
        Emit(aOut, 0, std::string(1, kAck), EntryKind::Ack, command);
        return;
      case FaultKind::Resend:
        Emit(aOut, 0, std::string(1, kResend), EntryKind::Resend, command);
        return;
      case FaultKind::DropConnection:
        Emit(aOut, 0, {}, EntryKind::Drop, command);
        return;
      case FaultKind::Error:
        Emit(aOut, 0, std::string(1, kAck), EntryKind::Ack, command);
        Emit(aOut, 0, BuildErrorFrame(frame.frameNumber, fault->value), EntryKind::Answer, command);
        fAwaitingAck = fModel.DriverAcks();
        return;
      default:
        break;
    }
  }

  // The same frame again: the driver missed the answer. Repeat it; do not execute twice.
  std::string answer;
  if (!fLastFrame.empty() && aInner == fLastFrame) {
    answer = fLastAnswer;
  } else {
    answer = Answer(frame);
    fLastFrame = aInner;
    fLastAnswer = answer;
  }

  // Faults after the printer acted: the answer is kept back, for the resend.
  if (fault && (fault->kind == FaultKind::LostAnswer || fault->kind == FaultKind::ActThenSilence ||
                fault->kind == FaultKind::ActThenDrop)) {
    if (fault->kind == FaultKind::LostAnswer) Emit(aOut, 0, std::string(1, kAck), EntryKind::Ack, command);
    fTranscript.Add(Direction::ToDriver, EntryKind::Lost, answer, command);
    if (fault->kind == FaultKind::ActThenSilence) fFaults.StartSilence(*fault, platform::MonotonicMs());
    if (fault->kind == FaultKind::ActThenDrop) Emit(aOut, 0, {}, EntryKind::Drop, command);
    fLastAnswerSent = false;
    return;
  }
  fLastAnswerSent = true;

  int64_t answerDelay = 0;
  Emit(aOut, 0, std::string(1, kAck), EntryKind::Ack, command);
  if (fault) {
    switch (fault->kind) {
      case FaultKind::Busy:
        for (int i = 0; i < fault->value; ++i) Emit(aOut, fault->pauseMs, std::string(1, kBusy), EntryKind::Busy, command);
        answerDelay = fault->pauseMs;
        break;
      case FaultKind::SlowAnswer:
        answerDelay = fault->pauseMs;
        break;
      case FaultKind::StrayBytes:
        Emit(aOut, 0, fault->text, EntryKind::Stray, command);
        break;
      case FaultKind::WrongChecksum:
        answer = Reseal(answer, true);
        break;
      case FaultKind::WrongEcho:
        if (answer.size() >= 8) answer = Reseal(answer.replace(4, 4, fault->text), false);
        break;
      default:
        break;
    }
  }

  if (fault && fault->kind == FaultKind::SplitAnswer && fault->value > 1 && answer.size() > 1) {
    const size_t pieces = std::min(answer.size(), static_cast<size_t>(fault->value));
    size_t start = 0;
    for (size_t i = 0; i < pieces; ++i) {
      const size_t end = answer.size() * (i + 1) / pieces;
      Emit(aOut, i == 0 ? 0 : fault->pauseMs, answer.substr(start, end - start), EntryKind::Answer, command);
      start = end;
    }
  } else {
    Emit(aOut, answerDelay, answer, EntryKind::Answer, command);
  }
  fAwaitingAck = fModel.DriverAcks();
}

}  // namespace qx::fpsim
