// Sets (or removes) an environment variable for the life of the object and puts the old value
// back afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace qx::testing {

class ScopedEnv {
 public:
  ScopedEnv(const char* aName, const std::optional<std::string>& aValue) : fName(aName) {
    if (const char* old = std::getenv(aName)) fOld = old;
    Set(aValue);
  }
  ~ScopedEnv() { Set(fOld); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const std::optional<std::string>& aValue) {
    if (aValue) {
      ::setenv(fName.c_str(), aValue->c_str(), 1);
    } else {
      ::unsetenv(fName.c_str());
    }
  }
  std::string fName;
  std::optional<std::string> fOld;
};

}  // namespace qx::testing
