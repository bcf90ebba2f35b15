// A transport for the fuzz harnesses whose reads take the printer's bytes from a buffer: up to a
// handshake byte or ETX, a count, or all; once the buffer is used up every read times out at once.
// A harness fills the buffer (Append) from its input or from a simulated printer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "transport/io_handler.h"

namespace qx::fuzzing {

class ByteStreamIOHandler : public kIOHandler {
 public:
  ByteStreamIOHandler() : kIOHandler(nullptr, u"", u"") {}

  bool GetConnected() override { return true; }
  bool Disconnect() override { return true; }
  void ClearBuffers() override {}
  bool Write(StringView) override { return true; }
  String ReadUpTo(const ByteList& aChars) override {
    size_t end = fPos;
    while (end < fBytes.size()) {
      const uint8_t byte = static_cast<uint8_t>(fBytes[end++]);
      if (std::find(aChars.begin(), aChars.end(), byte) != aChars.end()) break;
    }
    return Take(end);
  }
  String ReadChars(int32_t aCount) override {
    return Take(aCount <= 0 ? fPos : std::min(fBytes.size(), fPos + static_cast<size_t>(aCount)));
  }
  String ReadAll() override { return Take(fBytes.size()); }
  String DecodeError(int32_t) override { return String(); }
  bool InputBufferContainsData() override { return fPos < fBytes.size(); }
  void SetParameter(StringView, StringView) override {}
  String ClassName() const override { return u"ByteStreamIOHandler"; }

 protected:
  void Append(std::string_view aBytes) { fBytes.append(aBytes); }
  // What a purge of the input does: the bytes not yet read are gone.
  void DiscardUnread() { fPos = fBytes.size(); }

 private:
  String Take(size_t aEnd) {
    const String out = FromLatin1(std::string_view(fBytes).substr(fPos, aEnd - fPos));
    fPos = aEnd;
    return out;
  }

  std::string fBytes;
  size_t fPos = 0;
};

}  // namespace qx::fuzzing
