// What went over the line, in order: every frame and byte received from the driver and every
// byte the printer sent, so that a test can assert exact wire bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fpsim/bounded_log.h"

namespace qx::fpsim {

enum class Direction { FromDriver, ToDriver };

enum class EntryKind {
  Frame,      // from the driver: a complete frame, STX to ETX
  DriverAck,  // from the driver: the ACK after an answer
  Junk,       // from the driver: bytes outside any frame, or a frame cut short by a new STX
  Ack,        // to the driver: frame received
  Resend,     // to the driver: frame refused, send it again
  Busy,       // to the driver: busy
  Answer,     // to the driver: an answer frame (also an error answer)
  Stray,      // to the driver: stray bytes (fault)
  Drop,       // the printer dropped the connection (fault)
  Lost,       // not sent: the answer of a frame executed under a fault that loses it
};

struct TranscriptEntry {
  Direction direction = Direction::FromDriver;
  EntryKind kind = EntryKind::Frame;
  std::string bytes;
  std::string command;  // the command of a frame or of the frame an answer belongs to
  int64_t timeMs = 0;   // monotonic clock when recorded
};

std::string EntryKindName(EntryKind aKind);
// "02 30 31 45"
std::string HexBytes(const std::string& aBytes);
// One readable line: "<- frame 4201: 02 30 31 ..." / "-> ack: 06".
std::string DescribeEntry(const TranscriptEntry& aEntry);

class Transcript : public BoundedLog<TranscriptEntry> {
 public:
  void Add(Direction aDirection, EntryKind aKind, std::string aBytes, std::string aCommand = {});
};

}  // namespace qx::fpsim
