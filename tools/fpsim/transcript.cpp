#include "fpsim/transcript.h"

#include "platform/clock.h"

namespace qx::fpsim {

std::string EntryKindName(EntryKind aKind) {
  switch (aKind) {
    case EntryKind::Frame: return "frame";
    case EntryKind::DriverAck: return "driver ack";
    case EntryKind::Junk: return "junk";
    case EntryKind::Ack: return "ack";
    case EntryKind::Resend: return "resend";
    case EntryKind::Busy: return "busy";
    case EntryKind::Answer: return "answer";
    case EntryKind::Stray: return "stray";
    case EntryKind::Drop: return "drop";
    case EntryKind::Lost: return "lost answer";
  }
  return "?";
}

std::string HexBytes(const std::string& aBytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char c : aBytes) {
    if (!text.empty()) text += ' ';
    text += kHex[c >> 4];
    text += kHex[c & 15];
  }
  return text;
}

std::string DescribeEntry(const TranscriptEntry& aEntry) {
  std::string line = aEntry.direction == Direction::FromDriver ? "<- " : "-> ";
  line += EntryKindName(aEntry.kind);
  if (!aEntry.command.empty()) line += " " + aEntry.command;
  if (!aEntry.bytes.empty()) line += ": " + HexBytes(aEntry.bytes);
  return line;
}

void Transcript::Add(Direction aDirection, EntryKind aKind, std::string aBytes, std::string aCommand) {
  BoundedLog::Add({aDirection, aKind, std::move(aBytes), std::move(aCommand), platform::MonotonicMs()});
}

}  // namespace qx::fpsim
