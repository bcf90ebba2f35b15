// fpcall: loads the driver library as a point-of-sale program does, calls one of its exported
// functions with a request read from a file (or standard input) and prints the answer, the
// error text and the result. What a technician uses to try a printer.
//
//   fpcall [--library PATH] FUNCTION [REQUEST-FILE | -] [FUNCTION REQUEST-FILE ...]
//
// Several calls run in one process, so an open printer stays open between them: the text
// $HANDLE in a later request stands for the handle that the last OPEN answered.
// VERSION takes the driver name instead of a request: fpcall VERSION QXRP_EPSFPNAT_20
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "QXRP_EPSFPNAT_20.h"
#include "common/utf16_text.h"

namespace {

using RequestFunction = QXRP_RESULT (*)(QXRP_BSTR, QXRP_BSTR*, QXRP_BSTR*);
using AllocFunction = QXRP_BSTR (*)(const QXRP_OLECHAR*, uint32_t);
using FreeFunction = void (*)(QXRP_BSTR);
using LengthFunction = uint32_t (*)(QXRP_BSTR);

const char* const kFunctions[] = {"PRINTFR",     "REPRINTFR",   "PRINTXR",     "PRINTZR",      "PRINTNFR",
                                  "DISPLAY",     "OPENDR",      "GETSTATUS",   "SET",          "SETDATETIME",
                                  "OPEN",        "GETDRSTATUS", "EJREPORT",    "CLOSE",        "GETVATTABLE",
                                  "SETVATTABLE", "GETDEPTTABLE", "SETDEPTTABLE", "PAY", "GETLOTTERYRCPTSTATUS",
                                  "GETEJFILES",  "VERSION"};

int Usage() {
  std::fprintf(stderr,
               "usage: fpcall [--library PATH] FUNCTION [REQUEST-FILE | -] [FUNCTION REQUEST-FILE ...]\n"
               "       fpcall [--library PATH] VERSION DRIVER-NAME\n"
               "FUNCTION is one of:");
  for (const char* f : kFunctions) std::fprintf(stderr, " %s", f);
  std::fprintf(stderr, "\n");
  return 2;
}

struct Exports {
  AllocFunction alloc = nullptr;
  FreeFunction release = nullptr;
  LengthFunction length = nullptr;
};

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
QXRP_RESULT Call(void* aHandle, const Exports& aExports, const std::string& aFunction, const std::string& aInput,
                 std::string& aAnswer) {
  auto call = reinterpret_cast<RequestFunction>(::dlsym(aHandle, aFunction.c_str()));
  if (call == nullptr) {
    std::fprintf(stderr, "fpcall: the library does not export %s\n", aFunction.c_str());
    return 0xFFFF;
  }
  const std::u16string request = qxtools::U16(aInput);
  QXRP_BSTR in =
      aExports.alloc(reinterpret_cast<const QXRP_OLECHAR*>(request.data()), static_cast<uint32_t>(request.size()));
  QXRP_BSTR out = nullptr;
  QXRP_BSTR err = nullptr;
  const QXRP_RESULT result = call(in, &out, &err);
  auto text = [&](QXRP_BSTR s) {
    return s == nullptr ? std::string() : qxtools::U8(std::u16string(reinterpret_cast<const char16_t*>(s), aExports.length(s)));
  };
  aAnswer = text(out);
  std::printf("%s answer:\n%s\n", aFunction.c_str(), aAnswer.c_str());
  std::printf("error text: %s\n", text(err).c_str());
  std::printf("result: %u%s\n", result, result == 0 ? "" : " (-1)");
  std::fflush(stdout);
  aExports.release(out);
  aExports.release(err);
  aExports.release(in);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  std::string library = QX_DEFAULT_LIBRARY;
  int arg = 1;
  if (arg + 1 < argc && std::strcmp(argv[arg], "--library") == 0) {
    library = argv[arg + 1];
    arg += 2;
  }
  if (arg >= argc || !KnownFunction(argv[arg])) return Usage();

  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "fpcall: %s\n", ::dlerror());
    return 2;
  }
  Exports exports;
  exports.alloc = reinterpret_cast<AllocFunction>(::dlsym(handle, "SysAllocStringLen"));
  exports.release = reinterpret_cast<FreeFunction>(::dlsym(handle, "SysFreeString"));
  exports.length = reinterpret_cast<LengthFunction>(::dlsym(handle, "SysStringLen"));
  if (exports.alloc == nullptr || exports.release == nullptr || exports.length == nullptr) {
    std::fprintf(stderr, "fpcall: %s is not the driver library\n", library.c_str());
    ::dlclose(handle);
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
    if (Call(handle, exports, function, input, answer) != 0) status = 1;
    const size_t open = answer.find("<Handle>");
    const size_t close = answer.find("</Handle>");
    if (function == "OPEN" && open != std::string::npos && close != std::string::npos)
      lastHandle = answer.substr(open + 8, close - open - 8);
  }
  ::dlclose(handle);
  return status;
}
