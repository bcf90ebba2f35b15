// fpcall: loads the driver library as a point-of-sale program does, calls one of its exported
// functions with a request read from a file (or standard input) and prints the answer, the
// error text and the result. What a technician uses to try a printer.
//
//   fpcall [--library PATH] FUNCTION [REQUEST-FILE | -]
//
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

std::u16string FromUtf8(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    uint32_t cp = c;
    int n = 1;
    if (c >= 0xF0) cp = c & 7, n = 4;
    else if (c >= 0xE0) cp = c & 15, n = 3;
    else if (c >= 0xC0) cp = c & 31, n = 2;
    for (int k = 1; k < n && i + k < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 63);
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string ToUtf8(const char16_t* s, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < n) cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 63));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 63));
      out += static_cast<char>(0x80 | (cp & 63));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 63));
      out += static_cast<char>(0x80 | ((cp >> 6) & 63));
      out += static_cast<char>(0x80 | (cp & 63));
    }
  }
  return out;
}

int Usage() {
  std::fprintf(stderr,
               "usage: fpcall [--library PATH] FUNCTION [REQUEST-FILE | -]\n"
               "       fpcall [--library PATH] VERSION DRIVER-NAME\n"
               "FUNCTION is one of:");
  for (const char* f : kFunctions) std::fprintf(stderr, " %s", f);
  std::fprintf(stderr, "\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string library = QX_DEFAULT_LIBRARY;
  int arg = 1;
  if (arg + 1 < argc && std::strcmp(argv[arg], "--library") == 0) {
    library = argv[arg + 1];
    arg += 2;
  }
  if (arg >= argc) return Usage();
  const std::string function = argv[arg++];
  bool known = false;
  for (const char* f : kFunctions) known = known || function == f;
  if (!known) return Usage();

  std::string input;
  if (function == "VERSION") {
    input = arg < argc ? argv[arg] : "QXRP_EPSFPNAT_20";
  } else if (arg >= argc || std::strcmp(argv[arg], "-") == 0) {
    input.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    std::ifstream file(argv[arg], std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "fpcall: cannot read %s\n", argv[arg]);
      return 2;
    }
    std::stringstream s;
    s << file.rdbuf();
    input = s.str();
  }

  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "fpcall: %s\n", ::dlerror());
    return 2;
  }
  auto alloc = reinterpret_cast<AllocFunction>(::dlsym(handle, "SysAllocStringLen"));
  auto release = reinterpret_cast<FreeFunction>(::dlsym(handle, "SysFreeString"));
  auto length = reinterpret_cast<LengthFunction>(::dlsym(handle, "SysStringLen"));
  auto call = reinterpret_cast<RequestFunction>(::dlsym(handle, function.c_str()));
  if (alloc == nullptr || release == nullptr || length == nullptr || call == nullptr) {
    std::fprintf(stderr, "fpcall: %s does not export %s\n", library.c_str(), function.c_str());
    ::dlclose(handle);
    return 2;
  }

  const std::u16string request = FromUtf8(input);
  QXRP_BSTR in = alloc(reinterpret_cast<const QXRP_OLECHAR*>(request.data()), static_cast<uint32_t>(request.size()));
  QXRP_BSTR out = nullptr;
  QXRP_BSTR err = nullptr;
  const QXRP_RESULT result = call(in, &out, &err);
  auto text = [&](QXRP_BSTR s) {
    return s == nullptr ? std::string() : ToUtf8(reinterpret_cast<const char16_t*>(s), length(s));
  };
  std::printf("%s answer:\n%s\n", function.c_str(), text(out).c_str());
  std::printf("error text: %s\n", text(err).c_str());
  std::printf("result: %u%s\n", result, result == 0 ? "" : " (-1)");
  release(out);
  release(err);
  release(in);
  ::dlclose(handle);
  return result == 0 ? 0 : 1;
}
