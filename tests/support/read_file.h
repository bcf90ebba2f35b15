// A whole file as bytes, for tests that check what the library wrote (logs, date files).
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "support/text.h"

namespace qx::testing {

inline std::string ReadFile(const std::string& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string ReadFile(const String& aPath) { return ReadFile(ToUtf8(aPath)); }

}  // namespace qx::testing
