// The places where the library keeps its files.
#pragma once

#include "support/text.h"

namespace qx::platform {

// The environment variable that moves the log root (see LogRootDirectory).
inline constexpr char16_t kLogRootVariable[] = u"QX_LOG_ROOT";

// Root under which the "LogFiles" folder lives: the value of QX_LOG_ROOT when it is set and not
// empty (for hosts whose executable directory is not writable), otherwise the executable's
// directory, and the working directory when even that is unknown.
String LogRootDirectory();
// LogRootDirectory() joined with "LogFiles": the home of the application log and device logs.
String LogFilesDirectory();

}  // namespace qx::platform
