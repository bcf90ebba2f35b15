// The printer's side of the exchange, independent of the medium: bytes from the driver go in,
// bytes for the driver come out, each with the pause that precedes it.
//
// A frame with a good checksum is acknowledged (ACK), executed by the printer model and
// answered; a frame whose checksum is wrong, or that is too short or too long, is refused with
// the resend byte. Bytes outside a frame are ignored, except the driver's ACK after an answer.
// When the last frame executed arrives again, with the same frame number and content (the
// driver did not get the answer and sent it once more), the printer repeats its answer without
// executing it twice, whatever came between.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fpsim/fault.h"
#include "fpsim/frame_codec.h"
#include "fpsim/printer_model.h"
#include "fpsim/transcript.h"

namespace qx::fpsim {

struct Emission {
  int64_t delayMs = 0;  // pause before these bytes, counted from the previous emission
  std::string bytes;
  bool drop = false;  // drop the connection (and everything still to be sent)
};

class ProtocolEngine {
 public:
  static constexpr size_t kMaxFrame = 2048;

  ProtocolEngine(PrinterModel& aModel, FaultPlan& aFaults, Transcript& aTranscript);

  std::vector<Emission> Feed(std::string_view aBytes);
  // A new connection: a partial frame and a pending driver ACK are forgotten, and so is the last
  // answer once it was sent. One a fault kept back stays for the resend on the new connection.
  void Reset();

 private:
  void HandleFrame(const std::string& aInner, std::vector<Emission>& aOut);
  std::string Answer(const RequestFrame& aFrame);
  void Emit(std::vector<Emission>& aOut, int64_t aDelayMs, std::string aBytes, EntryKind aKind,
            const std::string& aCommand);
  void FlushJunk();

  PrinterModel& fModel;
  FaultPlan& fFaults;
  Transcript& fTranscript;

  bool fInFrame = false;
  std::string fBuffer;  // bytes after STX
  std::string fJunk;    // bytes outside frames not yet recorded
  bool fAwaitingAck = false;
  std::string fLastFrame;   // inner bytes of the last frame executed: number, content, checksum
  std::string fLastAnswer;  // its answer frame
  bool fLastAnswerSent = true;  // false while a fault keeps it back from the driver
};

}  // namespace qx::fpsim
