#include "transport/io_handler_passive.h"

#include "support/error.h"

namespace qx {

String kIOHandler_Passive::ReadAll() { throw Error(u"ReadAll Unsupported"); }

bool kIOHandler_Passive::InputBufferContainsData() { throw Error(u"InputBufferContainsData Unsupported"); }

}  // namespace qx
