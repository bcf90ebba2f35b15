// The Linux pos_probe keeps the driver library's system libraries loaded from its start, so that
// under AddressSanitizer their never-freed state is not taken for leaks of unloaded modules.
#include "common/system_libraries.h"

namespace {

const bool kKept = (qxtools::KeepSystemLibrariesLoaded(), true);

}  // namespace
