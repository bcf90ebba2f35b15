// The shared library as a point-of-sale program sees it: loaded with dlopen, its functions
// looked up by name, texts passed as BSTR strings made with the library's own allocator.
#pragma once

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "QXRP_EPSFPNAT_20.h"
#include "common/system_libraries.h"
#include "common/utf16_text.h"

namespace e2e {

using RequestFunction = QXRP_RESULT (*)(QXRP_BSTR, QXRP_BSTR*, QXRP_BSTR*);
using AllocFunction = QXRP_BSTR (*)(const QXRP_OLECHAR*, uint32_t);
using FreeFunction = void (*)(QXRP_BSTR);
using LengthFunction = uint32_t (*)(QXRP_BSTR);

using qxtools::U16;
using qxtools::U8;

// The text of the first element aTag of an answer, "(missing)" when there is none.
inline std::string Element(const std::string& aAnswer, const std::string& aTag) {
  const size_t open = aAnswer.find("<" + aTag + ">");
  const size_t close = aAnswer.find("</" + aTag + ">");
  if (open == std::string::npos || close == std::string::npos) return "(missing)";
  return aAnswer.substr(open + aTag.size() + 2, close - open - aTag.size() - 2);
}

// A whole file's bytes (empty when it cannot be read).
inline std::string ReadFile(const std::string& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Answer {
  std::string Output;
  std::string ErrorText;
  uint32_t Result = 12345;
  bool OutputNull = true;
};

class Library {
 public:
  Library() {
    qxtools::KeepSystemLibrariesLoaded();
    fHandle = ::dlopen(QX_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    if (fHandle == nullptr) throw std::runtime_error(std::string("dlopen: ") + ::dlerror());
    fAlloc = reinterpret_cast<AllocFunction>(Symbol("SysAllocStringLen"));
    fFree = reinterpret_cast<FreeFunction>(Symbol("SysFreeString"));
    fLength = reinterpret_cast<LengthFunction>(Symbol("SysStringLen"));
  }
  ~Library() {
    if (fHandle != nullptr) ::dlclose(fHandle);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  void* Symbol(const char* aName) const {
    void* p = ::dlsym(fHandle, aName);
    if (p == nullptr) throw std::runtime_error(std::string("dlsym: ") + aName);
    return p;
  }

  QXRP_BSTR Alloc(const std::u16string& aText) const {
    return fAlloc(reinterpret_cast<const QXRP_OLECHAR*>(aText.data()), static_cast<uint32_t>(aText.size()));
  }
  std::u16string Text(QXRP_BSTR aText) const {
    if (aText == nullptr) return std::u16string();
    return std::u16string(reinterpret_cast<const char16_t*>(aText), fLength(aText));
  }
  void Free(QXRP_BSTR aText) const { fFree(aText); }

  // Calls a request function (or VERSION) with a UTF-16 text and collects the outputs.
  Answer Call(const char* aFunction, const std::u16string& aRequest) const {
    auto fn = reinterpret_cast<RequestFunction>(Symbol(aFunction));
    QXRP_BSTR in = Alloc(aRequest);
    QXRP_BSTR out = nullptr;
    QXRP_BSTR err = nullptr;
    Answer a;
    a.Result = fn(in, &out, &err);
    a.OutputNull = out == nullptr;
    a.Output = U8(Text(out));
    a.ErrorText = U8(Text(err));
    fFree(out);
    fFree(err);
    fFree(in);
    return a;
  }
  Answer Call(const char* aFunction, const std::string& aRequest) const { return Call(aFunction, U16(aRequest)); }

 private:
  void* fHandle = nullptr;
  AllocFunction fAlloc = nullptr;
  FreeFunction fFree = nullptr;
  LengthFunction fLength = nullptr;
};

}  // namespace e2e
