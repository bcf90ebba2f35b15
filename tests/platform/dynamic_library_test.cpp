// Loading libraries at run time: a system library, a missing one, a missing symbol.
#include <gtest/gtest.h>

#include "platform/dynamic_library.h"

namespace qx::platform {
namespace {

TEST(DynamicLibrary, LoadsFindsAndFails) {
  String text;
  int32_t code = 0;
  LibraryHandle libc = LoadDynamicLibrary(u"libc.so.6", text, code);
  ASSERT_NE(libc, nullptr);
  EXPECT_NE(FindSymbol(libc, "strlen"), nullptr);
  EXPECT_EQ(FindSymbol(libc, "no_such_symbol_here"), nullptr);
  FreeDynamicLibrary(libc);

  EXPECT_EQ(LoadDynamicLibrary(u"/nonexistent/libnothing.so", text, code), nullptr);
  EXPECT_NE(text.find(u"libnothing.so"), String::npos);
  EXPECT_NE(code, 0);
  EXPECT_EQ(FindSymbol(nullptr, "strlen"), nullptr);
}

}  // namespace
}  // namespace qx::platform
