// What the library, COM and spool transports have in common: no connection state and no input.
// They count as connected, read nothing, and refuse the operations that only a byte stream with
// an input side can answer.
#pragma once

#include "transport/io_handler.h"

namespace qx {

class kIOHandler_Passive : public kIOHandler {
 public:
  using kIOHandler::kIOHandler;

  bool GetConnected() override { return true; }
  bool Disconnect() override { return true; }
  void ClearBuffers() override {}
  String ReadUpTo(const ByteList&) override { return String(); }
  String ReadChars(int32_t) override { return String(); }
  // Raises "ReadAll Unsupported".
  String ReadAll() override;
  String DecodeError(int32_t) override { return String(); }
  // Raises "InputBufferContainsData Unsupported".
  bool InputBufferContainsData() override;
  void SetParameter(StringView, StringView) override {}
};

}  // namespace qx
