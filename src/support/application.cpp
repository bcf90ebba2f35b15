#include "support/application.h"

#include <cstdlib>

#include "platform/app_paths.h"
#include "platform/library_lifetime.h"
#include "platform/process.h"

namespace qx {

namespace {

constexpr char16_t kBatchSwitch[] = u"/BATCH";
constexpr char16_t kDebugSwitch[] = u"/DEBUG";
constexpr char16_t kTestSwitch[] = u"/TEST";

// The holder of the process's application object. Both live in function-local statics that are
// constructed before the object is, so they outlive it at exit.
std::mutex& HolderLock() {
  static std::mutex lock;
  return lock;
}

std::unique_ptr<tQX_Application>& Holder() {
  static std::unique_ptr<tQX_Application> holder;
  return holder;
}

void DestroyAtExit() {
  // At the end of a Windows process the system has already stopped the log's thread: the object
  // is left to the system, as waiting for that thread could only hang.
  if (platform::ProcessIsEnding()) {
    (void)Holder().release();
    return;
  }
  DestroyApplication();
}

// Caller holds HolderLock.
void CreateLocked() {
  if (Holder()) return;
  Holder() = std::make_unique<tQX_Application>(HostApplicationSetup());
  // Registered after the object exists, so it runs before the destructors of anything the
  // object's construction created: the log drains while what it needs is still there. In the
  // shared library the handler belongs to the library and runs at its unload at the latest.
  static const bool registered = (std::atexit(DestroyAtExit), true);
  (void)registered;
}

}  // namespace

tQX_ApplicationSetup HostApplicationSetup() {
  tQX_ApplicationSetup setup;
  setup.LogDirectory = platform::LogFilesDirectory();
  setup.LogFileName = platform::ExecutableName();
  // Without a name the writer would refuse every line.
  if (setup.LogFileName.empty()) setup.LogFileName = u"application";
  setup.Arguments = platform::CommandLineArguments();
  setup.Strings = LibraryString;
  return setup;
}

bool FindCommandLineSwitch(const StringList& aArguments, StringView aSwitch) {
  for (const String& argument : aArguments) {
    if (SameText(argument, aSwitch)) return true;
    if (argument.size() > aSwitch.size() && StartsText(aSwitch, argument) &&
        (argument[aSwitch.size()] == u':' || argument[aSwitch.size()] == u'='))
      return true;
  }
  return false;
}

ApplicationSwitches ReadApplicationSwitches(const StringList& aArguments) {
  ApplicationSwitches switches;
  switches.IsBatch = FindCommandLineSwitch(aArguments, kBatchSwitch);
  switches.IsDebug = FindCommandLineSwitch(aArguments, kDebugSwitch);
  switches.IsTest = FindCommandLineSwitch(aArguments, kTestSwitch);
  return switches;
}

tQX_Application::tQX_Application(const tQX_ApplicationSetup& aSetup) {
  try {
    fLogger = std::make_unique<tQX_LogWriter>(aSetup.LogFileName, aSetup.LogDirectory, 0, false);
  } catch (...) {
    // A log path the writer refuses: the library still works, only without its application log.
    fLogger.reset();
  }
  const ApplicationSwitches switches = ReadApplicationSwitches(aSetup.Arguments);
  fIsBatch = switches.IsBatch;
  fIsDebug = switches.IsDebug;
  fIsTest = switches.IsTest;
  fInfo = std::make_unique<tQX_ApplicationInfo>();
  fInfo->Load(aSetup.Strings);
}

tQX_Application::~tQX_Application() {
  fLogger.reset();
  fInfo.reset();
}

void tQX_Application::Log(tQX_MessageType aEntryType, StringView aMessage) {
  if (aEntryType == let_error) {
    std::lock_guard<std::mutex> guard(fLastErrorLock);
    fLastError = aMessage;
  }
  if (!fLogger) return;
  try {
    fLogger->Write(aEntryType, aMessage);
  } catch (...) {
    // The application log is a diagnostic aid: a line it cannot take must not break the call.
  }
}

String tQX_Application::LastError() const {
  std::lock_guard<std::mutex> guard(fLastErrorLock);
  return fLastError;
}

void CreateApplication() {
  try {
    std::lock_guard<std::mutex> guard(HolderLock());
    CreateLocked();
  } catch (...) {
    // Runs from the library's load hook, where nothing may escape; Application() tries again.
  }
}

void DestroyApplication() {
  std::unique_ptr<tQX_Application> application;
  {
    std::lock_guard<std::mutex> guard(HolderLock());
    application = std::move(Holder());
  }
  // Destroyed outside the lock: draining the log may take a moment.
  application.reset();
}

tQX_Application& Application() {
  std::lock_guard<std::mutex> guard(HolderLock());
  CreateLocked();
  return *Holder();
}

String DriverVersionText(const tQX_ApplicationInfo& aInfo) {
  return u"Version " + aInfo.Version() + u" - " + ShortDateText(aInfo.ReleaseDate());
}

String DriverVersionText() { return DriverVersionText(Application().Info()); }

}  // namespace qx
