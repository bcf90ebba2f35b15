#include "platform/app_paths.h"

#include "platform/file_system.h"
#include "platform/process.h"

namespace qx::platform {

String LogRootDirectory() {
  String root = EnvironmentVariable(kLogRootVariable);
  if (root.empty()) root = ExecutableDirectory();
  if (root.empty()) root = CurrentDirectory();
  return root;
}

String LogFilesDirectory() { return CombinePath(LogRootDirectory(), u"LogFiles"); }

}  // namespace qx::platform
