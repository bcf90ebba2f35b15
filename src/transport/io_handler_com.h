// The COM transport: an empty transport for drivers that reach their device by other means.
// Every operation succeeds or answers nothing, except Write, which answers false.
#pragma once

#include "transport/io_handler_passive.h"

namespace qx {

class kIOHandler_Com : public kIOHandler_Passive {
 public:
  kIOHandler_Com(const kConnection* aConnection, StringView aDirectory, StringView aFileName)
      : kIOHandler_Passive(aConnection, aDirectory, aFileName) {}

  // Nothing is sent.
  bool Write(StringView) override { return false; }
  String ClassName() const override { return u"kIOHandler_Com"; }
};

}  // namespace qx
