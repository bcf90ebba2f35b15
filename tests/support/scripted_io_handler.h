// A transport that plays a scripted printer: each ReadUpTo returns the next scripted reply (or
// nothing once the script is used up), and every write is recorded. Writes of one chosen text
// can be made to fail, as a line that drops would.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "support/error.h"
#include "transport/io_handler.h"

namespace qx::testing {

class ScriptedIOHandler : public kIOHandler {
 public:
  explicit ScriptedIOHandler(int32_t aReadTimeout = 0) : kIOHandler(nullptr, u"", u"") { SetReadTimeout(aReadTimeout); }

  // Replies in the order the driver will read them; bytes become U+0000-U+00FF.
  void Reply(const std::string& aBytes) { fReplies.push_back(FromLatin1(aBytes)); }
  // Writes of exactly this text raise, as a failing line does.
  void FailWritesOf(const String& aText) { fFailingWrite = aText; }

  std::vector<String> fWrites;

  bool GetConnected() override { return true; }
  bool Disconnect() override { return true; }
  void ClearBuffers() override {}
  bool Write(StringView aMessage) override {
    if (!fFailingWrite.empty() && aMessage == fFailingWrite) throw Error(u"Write to com port failed.");
    fWrites.emplace_back(aMessage);
    return true;
  }
  String ReadUpTo(const ByteList&) override {
    if (fReplies.empty()) return String();
    String next = std::move(fReplies.front());
    fReplies.pop_front();
    return next;
  }
  String ReadChars(int32_t) override { return String(); }
  String ReadAll() override { return String(); }
  String DecodeError(int32_t) override { return String(); }
  bool InputBufferContainsData() override { return !fReplies.empty(); }
  void SetParameter(StringView, StringView) override {}
  String ClassName() const override { return u"ScriptedIOHandler"; }

 private:
  std::deque<String> fReplies;
  String fFailingWrite;
};

// An answer frame as the printer sends it: STX, frame number "01", one character, the inner text
// (command echo and data, or "ERR" and a code), a checksum that nobody checks, ETX.
inline std::string AnswerFrame(const std::string& aInner) { return "\x02" "01" "0" + aInner + "00" "\x03"; }

}  // namespace qx::testing
