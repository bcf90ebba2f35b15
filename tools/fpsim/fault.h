// Faults injected into the printer's side of the exchange: per command or for any command,
// for the next n frames (or for every frame).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx::fpsim {

enum class FaultKind {
  Silence,         // nothing is sent; the frame is not executed
  AckThenSilence,  // ACK only; the frame is not executed
  Resend,          // the resend byte 0Fh; the frame is not executed
  Busy,            // ACK, `value` busy bytes 11h `pauseMs` apart, then the answer
  Error,           // ACK, then an error answer with code `value`; the frame is not executed
  StrayBytes,      // ACK, then `text` before the answer frame
  SplitAnswer,     // ACK, then the answer in `value` pieces `pauseMs` apart
  SlowAnswer,      // ACK, then the answer after `pauseMs`
  DropConnection,  // the connection is dropped on receipt; the frame is not executed
  WrongChecksum,   // the answer's checksum is off by one
  WrongEcho,       // the answer echoes the command `text` instead of the one received
  // Faults after the printer acted: the frame is executed, its answer never reaches the driver,
  // and a resend of the same frame gets the stored answer.
  LostAnswer,      // ACK, then nothing
  ActThenSilence,  // nothing, then every frame ignored for `value` frames or `pauseMs` (both 0: until cleared)
  ActThenDrop,     // nothing; the connection is dropped
};

struct Fault {
  FaultKind kind = FaultKind::Silence;
  std::string command;  // four digits; empty: any command
  int count = 1;        // frames it applies to; -1: every frame
  int value = 0;        // busy bytes, error code, pieces or silent frames
  int pauseMs = 0;      // busy interval, split pause, answer delay or silent time
  std::string text;     // stray bytes or echo
};

// True when the frame is executed by the printer despite the fault (only its answer changes).
bool FaultExecutesFrame(FaultKind aKind);
std::string FaultKindName(FaultKind aKind);

// "COMMAND:KIND[=ARGS][:COUNT]" with COMMAND four digits or "*", COUNT a number or "always":
//   4201:silence   *:ack-silence:3   1084:resend:2   *:busy=3/50   1085:error=23
//   *:stray=FF00   2050:split=3/20   *:slow=500   *:drop   *:bad-checksum   2050:echo=4201
//   1084:lost   1084:act-silence=2000   1084:act-silence=2/frames   1084:act-silence=0   1084:act-drop
// Raises qx::Error with a message quoting the fault when it cannot be read.
Fault ParseFault(std::string_view aFaultText);

// The faults in force, in the order they were added; the first one that matches a frame applies.
class FaultPlan {
 public:
  void Add(const Fault& aFault);
  void Clear();
  // The fault for a frame of aCommand, consuming one of its frames.
  std::optional<Fault> Take(std::string_view aCommand);
  const std::vector<Fault>& Pending() const { return fFaults; }

  // After an act-silence fault the printer ignores every frame until the silence ends; Clear
  // ends it too. It belongs to the printer, not to a connection.
  void StartSilence(const Fault& aFault, int64_t aNowMs);
  // True when a frame arriving at aNowMs is ignored; uses one of the silence's frames.
  bool Silenced(int64_t aNowMs);

 private:
  struct Silence {
    bool active = false;
    int framesLeft = 0;    // > 0: ends after this many frames
    int64_t untilMs = -1;  // >= 0: ends at this monotonic time
  };
  std::vector<Fault> fFaults;
  Silence fSilence;
};

}  // namespace qx::fpsim
