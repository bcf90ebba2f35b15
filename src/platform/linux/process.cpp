#include "platform/process.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/file_system.h"

namespace qx::platform {

namespace {

// readlink does not say how long the target is: grow the buffer until it fits.
std::string ReadLink(const char* aPath) {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = readlink(aPath, buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<size_t>(n));
      return buffer;
    }
    if (buffer.size() >= (1u << 20)) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

String ExecutablePath() {
  std::string path = ReadLink("/proc/self/exe");
  // A program replaced on disk while it runs reads as "<path> (deleted)"; its old place is still
  // where its logs belong.
  static constexpr std::string_view kDeleted = " (deleted)";
  struct stat st {};
  if (path.size() > kDeleted.size() && path.ends_with(kDeleted) && stat(path.c_str(), &st) != 0)
    path.resize(path.size() - kDeleted.size());
  return FromUtf8(path);
}

String ExecutableDirectory() { return ExtractFileDir(ExecutablePath()); }

String ExecutableName() { return RemoveFileExtension(ExtractFileName(ExecutablePath())); }

String CurrentDirectory() {
  std::string buffer(256, '\0');
  for (;;) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) {
      buffer.resize(buffer.find('\0'));
      return FromUtf8(buffer);
    }
    if (errno != ERANGE || buffer.size() >= (1u << 20)) return String();
    buffer.resize(buffer.size() * 2);
  }
}

StringList CommandLineArguments() {
  // Every argument, the program name first, ends with a NUL byte.
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  StringList arguments;
  size_t start = 0;
  bool first = true;
  while (start < bytes.size()) {
    size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    if (!first) arguments.push_back(FromUtf8(std::string_view(bytes).substr(start, end - start)));
    first = false;
    start = end + 1;
  }
  return arguments;
}

uint32_t CurrentProcessId() { return static_cast<uint32_t>(getpid()); }

bool ProcessIsRunning(uint32_t aProcessId) {
  if (aProcessId == 0) return false;
  // A process of another user still answers, refusing the signal.
  return kill(static_cast<pid_t>(aProcessId), 0) == 0 || errno == EPERM;
}

String EnvironmentVariable(StringView aName) {
  const std::string name = ToUtf8(aName);
  if (name.empty() || name.find_first_of("=") != std::string::npos) return String();
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? FromUtf8(value) : String();
}

}  // namespace qx::platform
