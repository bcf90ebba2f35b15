// A fresh directory under the system's temporary folder, removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/text.h"

namespace qx::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qxtest-XXXXXX").string();
    fPath = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(fPath, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return fPath; }
  String Text() const { return FromUtf8(fPath); }
  std::string operator/(const std::string& aName) const { return fPath + "/" + aName; }

 private:
  std::string fPath;
};

}  // namespace qx::testing
