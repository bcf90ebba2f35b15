// pos_probe: a point-of-sale program in miniature. It loads the driver library by its path, calls
// every export as a POS program does (the platform's BSTR allocator, null pointers, requests that
// are not XML, huge and broken texts), opens the simulated printer over TCP and over a serial port,
// unloads the library after an OPEN and counts the threads left, and prints one transcript line
// per answer. The same source runs on Linux against the shared object and on Windows (under wine)
// against the DLL; run_under_wine.sh compares the two transcripts. In a 32-bit Windows build
// every export call goes through a stub that checks the stack pointer: a __stdcall function
// removes its 12 bytes of arguments, anything else moves the caller's stack.
//
//   pos_probe LIBRARY TCP-PORT SERIAL-PORT
//   pos_probe LIBRARY TCP-PORT - --exit-while-open   (OPEN, then exit without CLOSE or unload)
//
// Parts of an answer that differ by nature between two runs are shown in a fixed form: the log
// file's path (its folder is the platform's) and the printer's clock.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>

#include "common/driver_library.h"
#include "common/utf16_text.h"
#include "thread_count.h"

namespace {

using qxtools::DriverLibrary;
using qxtools::RequestFunction;

const char* const kRequestFunctions[] = {
    "PRINTFR", "REPRINTFR", "PRINTXR", "PRINTZR", "PRINTNFR", "DISPLAY", "OPENDR", "GETSTATUS", "SET", "SETDATETIME",
    "OPEN", "GETDRSTATUS", "EJREPORT", "CLOSE", "GETVATTABLE", "SETVATTABLE", "GETDEPTTABLE", "SETDEPTTABLE", "PAY",
    "GETLOTTERYRCPTSTATUS", "GETEJFILES"};

int gFailures = 0;

void Fail(const std::string& aWhat) {
  std::printf("FAILED: %s\n", aWhat.c_str());
  ++gFailures;
}

}  // namespace

#if defined(_WIN32) && defined(__i386__)
// Calls aFunction with the three arguments and stores in *aMoved where the stack pointer ended
// up, in bytes, against where it was before the arguments went on: 0 for a __stdcall callee.
// Assembly, so that no compiler code between the two readings can hide or absorb a difference.
extern "C" QXRP_RESULT qx_checked_call(qxtools::RequestFunction aFunction, QXRP_BSTR aIn, QXRP_BSTR* aOut,
                                       QXRP_BSTR* aError, int* aMoved);
asm(R"(
  .text
  .globl _qx_checked_call
_qx_checked_call:
  pushl %ebp
  movl %esp, %ebp
  pushl %esi
  movl %esp, %esi
  pushl 20(%ebp)
  pushl 16(%ebp)
  pushl 12(%ebp)
  call *8(%ebp)
  movl %esp, %ecx
  subl %esi, %ecx
  movl %esi, %esp
  movl 24(%ebp), %edx
  movl %ecx, (%edx)
  popl %esi
  popl %ebp
  ret
)");
#endif

namespace {

int gCheckedCalls = 0;

// Every call of an export goes through here.
QXRP_RESULT Invoke(RequestFunction aFunction, const char* aName, QXRP_BSTR aIn, QXRP_BSTR* aOut, QXRP_BSTR* aError) {
#if defined(_WIN32) && defined(__i386__)
  int moved = 0;
  const QXRP_RESULT result = qx_checked_call(aFunction, aIn, aOut, aError, &moved);
  ++gCheckedCalls;
  if (moved != 0) Fail(std::string(aName) + " moved the stack pointer by " + std::to_string(moved) + " bytes");
  return result;
#else
  (void)aName;
  return aFunction(aIn, aOut, aError);
#endif
}

// CR LF shown as "|", the log file's path as its presence, the printer's clock as its shape.
std::string Normalised(std::string aText) {
  aText = std::regex_replace(aText, std::regex("\r\n"), "|");
  aText = std::regex_replace(aText, std::regex("Unable to load library [^<|]*?\\. Error code: \\[\\d+\\]"),
                             "Unable to load library (path). Error code: [n]");
  aText = std::regex_replace(aText, std::regex("<LogFileName>[^<]+</LogFileName>"), "<LogFileName>(path)</LogFileName>");
  aText = std::regex_replace(aText, std::regex("<DateTime>\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d</DateTime>\\|<PaperEnd>"),
                             "<DateTime>(clock)</DateTime>|<PaperEnd>");
  return aText;
}

struct Answer {
  std::string Output;
  std::string ErrorText;
  unsigned Result = 12345;
};

Answer Call(const DriverLibrary& aLibrary, const char* aFunction, const std::u16string& aRequest,
            const char* aLabel) {
  Answer answer;
  const RequestFunction fn = aLibrary.Find(aFunction);
  if (fn == nullptr) {
    Fail(std::string("no export ") + aFunction);
    return answer;
  }
  QXRP_BSTR in = aLibrary.Alloc(aRequest);
  QXRP_BSTR out = nullptr;
  QXRP_BSTR err = nullptr;
  answer.Result = Invoke(fn, aFunction, in, &out, &err);
  answer.Output = qxtools::U8(aLibrary.Text(out));
  answer.ErrorText = qxtools::U8(aLibrary.Text(err));
  std::printf("%s %s: result %u%s, error [%s], answer [%s]\n", aFunction, aLabel, answer.Result,
              out == nullptr ? " (no answer)" : "", Normalised(answer.ErrorText).c_str(),
              Normalised(answer.Output).c_str());
  aLibrary.Free(out);
  aLibrary.Free(err);
  aLibrary.Free(in);
  return answer;
}

std::string Element(const std::string& aAnswer, const std::string& aTag) {
  const size_t open = aAnswer.find("<" + aTag + ">");
  const size_t close = aAnswer.find("</" + aTag + ">");
  if (open == std::string::npos || close == std::string::npos) return std::string();
  return aAnswer.substr(open + aTag.size() + 2, close - open - aTag.size() - 2);
}

std::u16string Request(const std::string& aHandle, const std::string& aConnection, const std::string& aMore = "") {
  return qxtools::U16("<Request><Driver>QXRP_EPSFPNAT_20</Driver><LogId>probe</LogId><Handle>" + aHandle + "</Handle>" +
                      aConnection + aMore + "</Request>");
}

void Versions(const DriverLibrary& aLibrary) {
  for (const char* name : {"QXRP_EPSFPNAT_20", "qxrp_epsfpnat_20", "", "OTHER"})
    Call(aLibrary, "VERSION", qxtools::U16(name), (std::string("of '") + name + "'").c_str());
  const RequestFunction version = aLibrary.Find("VERSION");
  QXRP_BSTR out = nullptr;
  std::printf("VERSION of null: result %u\n", Invoke(version, "VERSION", nullptr, &out, nullptr));
  QXRP_BSTR name = aLibrary.Alloc(u"QXRP_EPSFPNAT_20");
  std::printf("VERSION into null outputs: result %u\n", Invoke(version, "VERSION", name, nullptr, nullptr));
  aLibrary.Free(name);
}

void BadInput(const DriverLibrary& aLibrary) {
  for (const char* name : kRequestFunctions) {
    Call(aLibrary, name, u"this is < not xml", "not XML");
    const RequestFunction fn = aLibrary.Find(name);
    std::printf("%s null everything: result %u\n", name, Invoke(fn, name, nullptr, nullptr, nullptr));
    QXRP_BSTR out = nullptr;
    const unsigned result = Invoke(fn, name, nullptr, &out, nullptr);
    std::printf("%s null request: result %u, answer [%s]\n", name, result,
                Normalised(qxtools::U8(aLibrary.Text(out))).c_str());
    aLibrary.Free(out);
    std::u16string lone = u"<R><LogId>";
    lone += char16_t(0xD800);
    lone += u"</LogId><Handle>";
    lone += char16_t(0xDC00);
    lone += u"</Handle></R>";
    Call(aLibrary, name, lone, "lone surrogates");
    Call(aLibrary, name, std::u16string(u"<R>\0</R>", 8), "NUL character");
    Call(aLibrary, name, std::u16string(), "empty");
  }
  // One huge request is enough: every export reads its text through the same wrapper.
  Call(aLibrary, "GETSTATUS", std::u16string(17 * 1024 * 1024, u' '), "huge");
  Call(aLibrary, "OPEN", qxtools::U16("<R>" + std::string(1 << 20, 'x') + "</R>"), "one huge element");
}

void Printer(const DriverLibrary& aLibrary, const char* aLabel, const std::string& aConnection) {
  const Answer open = Call(aLibrary, "OPEN", Request("0", aConnection), aLabel);
  const std::string handle = Element(open.Output, "Handle");
  if (open.Result != 0 || handle.empty() || handle == "0") {
    Fail(std::string("OPEN ") + aLabel);
    return;
  }
  const Answer status = Call(aLibrary, "GETSTATUS", Request(handle, aConnection), aLabel);
  if (Element(status.Output, "SerialNumber") != "99MEB012345") Fail(std::string("GETSTATUS ") + aLabel);
  const Answer clock = Call(aLibrary, "SETDATETIME",
                            Request(handle, aConnection, "<Parameters><DateTime>2025-03-05T09:07:45</DateTime></Parameters>"),
                            aLabel);
  if (Element(clock.Output, "DateTime") != "2025-03-05T09:07:00") Fail(std::string("SETDATETIME ") + aLabel);
  if (Call(aLibrary, "CLOSE", Request(handle, aConnection), aLabel).Result != 0) Fail(std::string("CLOSE ") + aLabel);
  const Answer after = Call(aLibrary, "GETSTATUS", Request(handle, aConnection), "after CLOSE");
  if (after.ErrorText != "Printer Handle not found") Fail(std::string("handle kept after CLOSE ") + aLabel);
}

// Companion libraries that are not there: each OPEN fails with the loader's message, which names
// the file as this system names libraries (the RT-server name gets ".dll" on Windows, ".so" here).
void MissingCompanions(const DriverLibrary& aLibrary, const std::string& aConnection) {
#if defined(_WIN32)
  const std::string base = "C:\\nowhere\\shoprt";
  const std::string file = base + ".dll";
#else
  const std::string base = "/nowhere/shoprt";
  const std::string file = base + ".so";
#endif
  const std::string expected = "Unable to load library " + file + ". Error code: [";
  const Answer rtServer =
      Call(aLibrary, "OPEN",
           Request("0", aConnection, "<Parameters><RTServer>true</RTServer><RTServerDriver>" + base +
                                         "</RTServerDriver></Parameters>"),
           "with a missing RT-server library");
  if (rtServer.ErrorText.rfind(expected, 0) != 0) Fail("RT-server library: " + rtServer.ErrorText);
  const Answer processor = Call(aLibrary, "OPEN",
                                Request("0", aConnection, "<Parameters><Processor>" + file + "</Processor></Parameters>"),
                                "with a missing processor library");
  if (processor.ErrorText.rfind(expected, 0) != 0) Fail("processor library: " + processor.ErrorText);
}

// Devices left open are shut down when the library is unloaded: their log writers end with it.
void UnloadAfterOpen(const std::string& aPath, const std::string& aConnection) {
  std::string error;
  {
    DriverLibrary warmup;  // the first load also brings in the system libraries the library uses
    if (!warmup.Load(aPath, error)) return Fail(error);
  }
  const int before = qxtools::ThreadCount();
  DriverLibrary library;
  if (!library.Load(aPath, error)) return Fail(error);
  const Answer open = Call(library, "OPEN", Request("0", aConnection), "left open");
  if (open.Result != 0) return Fail("OPEN before unload");
  if (qxtools::ThreadCount() <= before) Fail("no log writer thread while the device is open");
  library.Unload();
  const int left = qxtools::ThreadCount() - before;
  std::printf("unload after OPEN: %d thread(s) of the library left\n", left);
  if (left != 0) Fail("threads left after unload");
}

}  // namespace

// A POS program that ends without closing its printer or unloading the library: the process must
// still end at once (on Windows the system has stopped the log writers before the library hears
// of the end).
int ExitWhileOpen(const std::string& aPath, const std::string& aConnection) {
  static DriverLibrary library;  // never unloaded: std::exit skips it
  std::string error;
  if (!library.Load(aPath, error)) return 2;
  if (Call(library, "OPEN", Request("0", aConnection), "then exit").Result != 0) return 1;
  std::exit(0);
}

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[4], "--exit-while-open") == 0)
    return ExitWhileOpen(argv[1], "<Connection><Type>tcp</Type><Address>127.0.0.1</Address><Port>" +
                                      std::string(argv[2]) + "</Port></Connection>");
  if (argc != 4) {
    std::fprintf(stderr, "usage: pos_probe LIBRARY TCP-PORT SERIAL-PORT [--exit-while-open]\n");
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const std::string path = argv[1];
  const std::string tcp = "<Connection><Type>tcp</Type><Address>127.0.0.1</Address><Port>" + std::string(argv[2]) +
                          "</Port></Connection>";
  const std::string serial = "<Connection><Type>serial</Type><SerialPort>" + std::string(argv[3]) +
                             "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity>"
                             "<StopBits>1</StopBits><ReadTimeout>1000</ReadTimeout></Connection>";
  {
    DriverLibrary library;
    std::string error;
    if (!library.Load(path, error)) {
      std::fprintf(stderr, "pos_probe: %s\n", error.c_str());
      return 2;
    }
    Versions(library);
    BadInput(library);
    Printer(library, "over TCP", tcp);
    Printer(library, "over the serial port", serial);
    MissingCompanions(library, tcp);
  }
  UnloadAfterOpen(path, tcp);
  // On stderr: the transcript is the same on every platform.
  if (gCheckedCalls > 0) std::fprintf(stderr, "stack pointer checked around %d export calls\n", gCheckedCalls);
  std::printf("%s\n", gFailures == 0 ? "probe passed" : "probe FAILED");
  return gFailures == 0 ? 0 : 1;
}
