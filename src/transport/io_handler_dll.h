// The library transport: loads the device library named by the connection's LibraryName for the
// whole life of the transport and hands out the addresses of its functions. It carries no byte
// stream: Write answers true and sends nothing.
#pragma once

#include "platform/dynamic_library.h"
#include "transport/io_handler_passive.h"

namespace qx {

class kIOHandler_Dll : public kIOHandler_Passive {
 public:
  // Logs the loading. A library that cannot be loaded raises
  // "Unable to Load Library <name>. <system message> [<number>]"; the log then shows START
  // and STOP, as the half-built transport is taken down.
  kIOHandler_Dll(const kConnection& aConnection, StringView aDirectory, StringView aFileName);
  // Unloads the library, logging it.
  ~kIOHandler_Dll() override;

  // Nothing is sent.
  bool Write(StringView) override { return true; }
  String ClassName() const override { return u"kIOHandler_Dll"; }

  // The address of the library's exported function aProcName; raises
  // "Unable to get address for procedure <name>" when it has none.
  void* GetAddress(StringView aProcName) const;

 private:
  platform::LibraryHandle fLibraryHandle = nullptr;
};

}  // namespace qx
