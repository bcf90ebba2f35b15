// The frames of the native protocol, both directions.
//
// Request:  STX, frame number (2 digits), "E", command (4 digits), data, checksum (2 digits), ETX.
// Answer:   STX, frame number, one character, command echo (4 digits), data, checksum, ETX;
//           an error answer carries "ERR" where the echo starts and the two-digit code after it.
// The checksum is the sum of the byte values of everything between STX and the checksum,
// modulo 100, as two digits.
#pragma once

#include <string>
#include <string_view>

namespace qx::fpsim {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr char kAck = 0x06;
constexpr char kResend = 0x0F;
constexpr char kBusy = 0x11;

// The character at inner position 3 of every answer; the driver does not read it.
constexpr char kAnswerMark = 'E';

std::string FrameChecksum(std::string_view aBody);

// A request frame as the driver sends it; the frame number keeps its last two digits.
std::string BuildRequestFrame(int aFrameNumber, std::string_view aCommand, std::string_view aData);

struct RequestFrame {
  std::string frameNumber;  // 2 characters
  char identifier = 0;      // "E" in a well-formed frame
  std::string command;      // 4 characters
  std::string data;
};

enum class FrameCheck { Ok, TooShort, BadChecksum };

// Splits the bytes between STX and ETX; a frame too short to hold number, identifier, command
// and checksum, or whose checksum is not the sum of its bytes, is refused.
FrameCheck ParseRequestInner(std::string_view aInner, RequestFrame& aFrame);

// A complete answer frame (STX ... ETX). With aCorruptChecksum the checksum is off by one.
std::string BuildAnswerFrame(std::string_view aFrameNumber, std::string_view aEcho, std::string_view aData,
                             bool aCorruptChecksum = false);
// The error answer: "ERR", two filler digits "00", then the code as two digits.
std::string BuildErrorFrame(std::string_view aFrameNumber, int aCode, bool aCorruptChecksum = false);

// The driver's reading of an answer frame, for tests: positions as the driver counts them.
struct AnswerFrame {
  std::string inner;     // without STX and ETX
  std::string full;      // echo and data (inner positions 4 to length-2)
  std::string echo;      // inner positions 4-7
  std::string data;      // inner position 8 to length-2
  std::string checksum;  // last two characters
  bool isError = false;  // inner positions 4-6 are "ERR"
  int errorCode = -1;    // inner positions 9-10 of an error answer
  bool checksumOk = false;
};
bool ParseAnswerFrame(std::string_view aFrame, AnswerFrame& aAnswer);

}  // namespace qx::fpsim
