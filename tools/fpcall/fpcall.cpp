// fpcall: loads the driver library as a point-of-sale program does, calls one of its exported
// functions with a request read from a file (or standard input) and prints the answer, the
// error text and the result. What a technician uses to try a printer.
//
//   fpcall [--library PATH] FUNCTION [REQUEST-FILE | -] [FUNCTION REQUEST-FILE ...]
//   fpcall --version
//
// Without --library it loads the library by its versioned name through the system's search,
// which finds the built library from the build tree and the installed one once installed.
//
// Several calls run in one process, so an open printer stays open between them: the text
// $HANDLE in a later request stands for the handle that the last OPEN answered.
// VERSION takes the driver name instead of a request: fpcall VERSION QXRP_EPSFPNAT_20
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "QXRP_EPSFPNAT_20.h"
#include "common/driver_library.h"
#include "common/utf16_text.h"

namespace {

const char* const kFunctions[] = {"PRINTFR",     "REPRINTFR",   "PRINTXR",     "PRINTZR",      "PRINTNFR",
                                  "DISPLAY",     "OPENDR",      "GETSTATUS",   "SET",          "SETDATETIME",
                                  "OPEN",        "GETDRSTATUS", "EJREPORT",    "CLOSE",        "GETVATTABLE",
                                  "SETVATTABLE", "GETDEPTTABLE", "SETDEPTTABLE", "PAY", "GETLOTTERYRCPTSTATUS",
                                  "GETEJFILES",  "VERSION"};

int Usage() {
  std::fprintf(stderr,
               "usage: fpcall [--library PATH] FUNCTION [REQUEST-FILE | -] [FUNCTION REQUEST-FILE ...]\n"
               "       fpcall [--library PATH] VERSION DRIVER-NAME\n"
               "       fpcall --version\n"
               "FUNCTION is one of:");
  for (const char* f : kFunctions) std::fprintf(stderr, " %s", f);
  std::fprintf(stderr, "\n");
  return 2;
}

bool KnownFunction(const std::string& aName) {
  for (const char* f : kFunctions)
    if (aName == f) return true;
  return false;
}

bool ReadRequest(const char* aSource, std::string& aText) {
  if (std::strcmp(aSource, "-") == 0) {
    aText.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return true;
  }
  std::ifstream file(aSource, std::ios::binary);
  if (!file) return false;
  std::stringstream s;
  s << file.rdbuf();
  aText = s.str();
  return true;
}

// One call: prints the answer, the error text and the result; returns the result.
QXRP_RESULT Call(const qxtools::DriverLibrary& aLibrary, const std::string& aFunction, const std::string& aInput,
                 std::string& aAnswer) {
  const qxtools::RequestFunction call = aLibrary.Find(aFunction.c_str());
  if (call == nullptr) {
    std::fprintf(stderr, "fpcall: the library does not export %s\n", aFunction.c_str());
    return 0xFFFF;
  }
  const std::u16string request = qxtools::U16(aInput);
  QXRP_BSTR in = aLibrary.Alloc(request);
  QXRP_BSTR out = nullptr;
  QXRP_BSTR err = nullptr;
  const QXRP_RESULT result = call(in, &out, &err);
  auto text = [&](QXRP_BSTR s) { return qxtools::U8(aLibrary.Text(s)); };
  aAnswer = text(out);
  std::printf("%s answer:\n%s\n", aFunction.c_str(), aAnswer.c_str());
  std::printf("error text: %s\n", text(err).c_str());
  std::printf("result: %u%s\n", result, result == 0 ? "" : " (-1)");
  std::fflush(stdout);
  aLibrary.Free(out);
  aLibrary.Free(err);
  aLibrary.Free(in);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("fpcall %s\n", QXRP_EPSFPNAT_20_VERSION_STRING);
    return 0;
  }
  std::string library = QX_DEFAULT_LIBRARY;
  int arg = 1;
  if (arg + 1 < argc && std::strcmp(argv[arg], "--library") == 0) {
    library = argv[arg + 1];
    arg += 2;
  }
  if (arg >= argc || !KnownFunction(argv[arg])) return Usage();

  qxtools::DriverLibrary driver;
  std::string loadError;
  if (!driver.Load(library, loadError)) {
    std::fprintf(stderr, "fpcall: %s\n", loadError.c_str());
    return 2;
  }

  int status = 0;
  std::string lastHandle = "0";
  bool first = true;
  while (arg < argc) {
    const std::string function = argv[arg++];
    if (!KnownFunction(function)) {
      status = Usage();
      break;
    }
    std::string input;
    if (function == "VERSION") {
      input = arg < argc && !KnownFunction(argv[arg]) ? argv[arg++] : "QXRP_EPSFPNAT_20";
    } else {
      const char* source = arg < argc ? argv[arg++] : "-";
      if (!ReadRequest(source, input)) {
        std::fprintf(stderr, "fpcall: cannot read %s\n", source);
        status = 2;
        break;
      }
    }
    for (size_t at; (at = input.find("$HANDLE")) != std::string::npos;) input.replace(at, 7, lastHandle);
    if (!first) std::printf("\n");
    first = false;
    std::string answer;
    if (Call(driver, function, input, answer) != 0) status = 1;
    const size_t open = answer.find("<Handle>");
    const size_t close = answer.find("</Handle>");
    if (function == "OPEN" && open != std::string::npos && close != std::string::npos)
      lastHandle = answer.substr(open + 8, close - open - 8);
  }
  return status;
}
