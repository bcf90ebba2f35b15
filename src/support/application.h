// The process-wide application object: the library's version information and its application
// log, plus the switches found on the host program's command line.
#pragma once

#include <memory>
#include <mutex>

#include "support/application_info.h"
#include "support/log_writer.h"
#include "support/string_table.h"
#include "support/text.h"

namespace qx {

// Where a tQX_Application takes its facts from; HostApplicationSetup() gives those of this
// process, tests build their own.
struct tQX_ApplicationSetup {
  String LogDirectory;   // folder of the application log, created at construction
  String LogFileName;    // the log's name without ".log"
  StringList Arguments;  // command-line parameters, without the program name
  StringLookup Strings;  // string table of the version information
};

// The host program's setup: the log goes to LogFiles under the log root (the executable's
// directory unless QX_LOG_ROOT names another) as <executable name>.log, the arguments come from
// the process's command line and the strings from the library's own table.
tQX_ApplicationSetup HostApplicationSetup();

struct ApplicationSwitches {
  bool IsBatch = false;
  bool IsDebug = false;
  bool IsTest = false;
};

// Whether a parameter is aSwitch ("/BATCH"): compared without regard to case, it equals the
// switch or starts with it followed by ":" or "=" ("/batch:1", "/Batch=yes").
bool FindCommandLineSwitch(const StringList& aArguments, StringView aSwitch);
// The switches "/BATCH", "/DEBUG" and "/TEST".
ApplicationSwitches ReadApplicationSwitches(const StringList& aArguments);

class tQX_Application {
 public:
  // Creates the application log (not daily; its directory at once), reads the switches and loads
  // the information. A log that cannot be set up leaves the object without one; nothing fails.
  explicit tQX_Application(const tQX_ApplicationSetup& aSetup);
  // Drains the application log before it returns.
  ~tQX_Application();
  tQX_Application(const tQX_Application&) = delete;
  tQX_Application& operator=(const tQX_Application&) = delete;

  // Writes to the application log; a let_error message is also kept as LastError. Never raises:
  // a message that cannot be logged is dropped.
  void Log(tQX_MessageType aEntryType, StringView aMessage);

  const tQX_ApplicationInfo& Info() const { return *fInfo; }
  // The application log; null when it could not be set up.
  tQX_LogWriter* Logger() const { return fLogger.get(); }
  String LastError() const;
  bool IsBatch() const { return fIsBatch; }
  bool IsDebug() const { return fIsDebug; }
  bool IsTest() const { return fIsTest; }

 private:
  std::unique_ptr<tQX_LogWriter> fLogger;
  mutable std::mutex fLastErrorLock;
  String fLastError;
  bool fIsBatch = false;
  bool fIsDebug = false;
  bool fIsTest = false;
  std::unique_ptr<tQX_ApplicationInfo> fInfo;
};

// The one application object of the process. The shared library's load hook calls
// CreateApplication and its unload hook DestroyApplication; a host that links the code
// statically (the test programs) gets the object created on first use and destroyed at exit.
// CreateApplication never raises.
void CreateApplication();
void DestroyApplication();
tQX_Application& Application();

// "Version " + version + " - " + release date as the short date: "Version 2.10 - 10/10/2022".
String DriverVersionText(const tQX_ApplicationInfo& aInfo);
// The same for the process's application object: what VERSION returns and connect banners show.
String DriverVersionText();

}  // namespace qx
