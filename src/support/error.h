// The one exception type of the library: every failure that is raised (bad XML, bad
// configuration, unknown handles, unsupported operations) carries its message text in it.
#pragma once

#include <exception>
#include <string>

#include "support/text.h"

namespace qx {

class Error : public std::exception {
 public:
  explicit Error(String aMessage);
  explicit Error(std::string_view aUtf8Message);

  const String& Message() const noexcept { return fMessage; }
  const char* what() const noexcept override { return fUtf8.c_str(); }

 private:
  String fMessage;
  std::string fUtf8;
};

}  // namespace qx
