#include "platform/library_lifetime.h"

namespace qx::platform {

bool ProcessIsEnding() { return false; }

void EndOfLibraryThread() {}

}  // namespace qx::platform
