// Facts about the host process: where its executable is, its working directory, its command
// line and its environment. Paths come back in the library's text type (decoded from UTF-8).
#pragma once

#include <cstdint>

#include "support/text.h"

namespace qx::platform {

// Full path of the host program's executable; empty when the system does not tell.
String ExecutablePath();
// Directory of the executable, without a trailing separator (the root stays "/").
String ExecutableDirectory();
// File name of the executable without its extension ("pos" for /opt/pos/pos.bin).
String ExecutableName();
// The process's current working directory; empty when it cannot be read.
String CurrentDirectory();
// The host's command-line parameters, without the program name, in order; empty ones kept.
StringList CommandLineArguments();
// This process's identifier, and whether the process of an identifier is still running.
uint32_t CurrentProcessId();
bool ProcessIsRunning(uint32_t aProcessId);
// Value of an environment variable; empty when it is not set.
String EnvironmentVariable(StringView aName);

}  // namespace qx::platform
