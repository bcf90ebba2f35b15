// The exported C functions of the shared library: the twenty-one request functions and VERSION.
// Each request function runs the same frame: wrapper, Process, Format.
#include "QXRP_EPSFPNAT_20.h"

#include "exports/bstr.h"
#include "exports/fiscal_printer_wrapper.h"
#include "exports/registry.h"
#include "platform/library_lifetime.h"
#include "support/application.h"

namespace qx {
namespace {

constexpr QXRP_RESULT kFailure = 0xFFFF;

char16_t* AsText(QXRP_BSTR aText) { return reinterpret_cast<char16_t*>(aText); }
QXRP_BSTR AsBstr(char16_t* aText) { return reinterpret_cast<QXRP_BSTR>(aText); }

template <typename Wrapper>
QXRP_RESULT RunRequest(QXRP_BSTR aXml, QXRP_BSTR* aOutput, QXRP_BSTR* aErrorMessage) noexcept {
  // The outputs are cleared without releasing what they held: callers pass fresh variables.
  if (aOutput != nullptr) *aOutput = nullptr;
  if (aErrorMessage != nullptr) *aErrorMessage = nullptr;
  try {
    const String xml = BstrToString(AsText(aXml));
    Wrapper wrapper;
    wrapper.Process(xml);
    String answer;
    String error;
    int16_t result = -1;
    wrapper.Format(answer, error, result);
    if (aOutput != nullptr) *aOutput = AsBstr(BstrFromString(answer));
    if (aErrorMessage != nullptr) *aErrorMessage = AsBstr(BstrFromString(error));
    return result == 0 ? 0 : kFailure;
  } catch (...) {
    // Only memory exhaustion can get here (the wrapper catches everything else).
    return kFailure;
  }
}

// The application object and the registries are made on first use (the first call), not in a
// load hook that could run before the library's own static data is initialised.
// Library unload: every device still open is shut down (ports closed, logs drained), then the
// application object goes, so no thread of ours outlives the library.
// When the whole process ends on Windows, the system has already stopped every thread: the
// system releases what is left, and waiting for a log writer could only hang.
__attribute__((destructor)) void OnLibraryUnload() {
  if (platform::ProcessIsEnding()) return;
  try {
    kFiscalPrinterRegistry::Shutdown();
    DestroyApplication();
  } catch (...) {
  }
}

}  // namespace
}  // namespace qx

using namespace qx;

#define QX_EXPORT_REQUEST(NAME)                                                                     \
  QXRP_API QXRP_RESULT QXRP_CALL NAME(QXRP_BSTR aXml, QXRP_BSTR* aOutput, QXRP_BSTR* aErrorMessage) { \
    return RunRequest<kFiscalPrinterWrapper_##NAME>(aXml, aOutput, aErrorMessage);                  \
  }

QX_EXPORT_REQUEST(PRINTFR)
QX_EXPORT_REQUEST(REPRINTFR)
QX_EXPORT_REQUEST(PRINTXR)
QX_EXPORT_REQUEST(PRINTZR)
QX_EXPORT_REQUEST(PRINTNFR)
QX_EXPORT_REQUEST(DISPLAY)
QX_EXPORT_REQUEST(OPENDR)
QX_EXPORT_REQUEST(GETSTATUS)
QX_EXPORT_REQUEST(SET)
QX_EXPORT_REQUEST(SETDATETIME)
QX_EXPORT_REQUEST(OPEN)
QX_EXPORT_REQUEST(GETDRSTATUS)
QX_EXPORT_REQUEST(EJREPORT)
QX_EXPORT_REQUEST(CLOSE)
QX_EXPORT_REQUEST(GETVATTABLE)
QX_EXPORT_REQUEST(SETVATTABLE)
QX_EXPORT_REQUEST(GETDEPTTABLE)
QX_EXPORT_REQUEST(SETDEPTTABLE)
QX_EXPORT_REQUEST(PAY)
QX_EXPORT_REQUEST(GETLOTTERYRCPTSTATUS)
QX_EXPORT_REQUEST(GETEJFILES)
#undef QX_EXPORT_REQUEST

QXRP_API QXRP_RESULT QXRP_CALL VERSION(QXRP_BSTR aDriverName, QXRP_BSTR* aVersion, QXRP_BSTR* aErrorMessage) {
  if (aVersion != nullptr) *aVersion = nullptr;
  if (aErrorMessage != nullptr) *aErrorMessage = nullptr;
  try {
    const String name = BstrToString(AsText(aDriverName));
    if (kFiscalPrinterRegistry::Instance().FindClass(name) != nullptr && aVersion != nullptr)
      *aVersion = AsBstr(BstrFromString(kFiscalPrinterDevice::GetDriverVersion()));
  } catch (...) {
  }
  return 0;
}
