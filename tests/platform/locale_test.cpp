#include "platform/locale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <string>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace qx {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

TEST(Locale, SeparatorsOfKnownAndUnknownLocales) {
  struct Case { const char* name; char16_t decimal, thousand; };
  const Case cases[] = {
      {"C", u'.', u','},  // C names no grouping character: the default stays
      {"POSIX", u'.', u','},
      {"C.UTF-8", u'.', u','},
      {"xx_NOWHERE.UTF-8", u'.', u','},
  };
  for (const Case& c : cases) {
    const platform::NumberSeparators s = platform::ReadNumberSeparators(c.name);
    EXPECT_EQ(s.Decimal, c.decimal) << c.name;
    EXPECT_EQ(s.Thousand, c.thousand) << c.name;
  }
}

// A locale of our own, compiled into a temporary folder: decimal comma and a no-break space
// (byte A0h of ISO-8859-1) for grouping, as several European locales have.
TEST(Locale, EnvironmentLocaleIsReadWithoutTouchingTheProcessLocale) {
  TempDir dir;
  {
    std::ofstream source(dir / "qx_numeric");
    source << "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"<U00A0>\"\ngrouping 3;3\n"
              "END LC_NUMERIC\n";
  }
  const std::string command = "localedef -c -i " + (dir / "qx_numeric") + " -f ISO-8859-1 " +
                              (dir / "qx_TEST.ISO-8859-1") + " >/dev/null 2>&1";
  if (std::system(command.c_str()) == -1 || !std::ifstream(dir / "qx_TEST.ISO-8859-1/LC_NUMERIC"))
    GTEST_SKIP() << "localedef cannot build a test locale here";

  const std::string processLocale = std::setlocale(LC_ALL, nullptr);
  ScopedEnv locpath("LOCPATH", dir.Path());
#if defined(__SANITIZE_ADDRESS__)
  // glibc keeps the parsed LOCPATH of a loaded locale for good; that is not ours to free.
  __lsan::ScopedDisabler glibcKeepsLocpath;
#endif

  const platform::NumberSeparators named = platform::ReadNumberSeparators("qx_TEST.ISO-8859-1");
  EXPECT_EQ(named.Decimal, u',');
  EXPECT_EQ(named.Thousand, u'\u00A0');

  ScopedEnv all("LC_ALL", "qx_TEST.ISO-8859-1");
  const platform::NumberSeparators fromEnvironment = platform::ReadNumberSeparators("");
  EXPECT_EQ(fromEnvironment.Decimal, u',');
  EXPECT_EQ(fromEnvironment.Thousand, u'\u00A0');
  EXPECT_EQ(std::setlocale(LC_ALL, nullptr), processLocale);
}

TEST(Locale, FixedFormats) {
  EXPECT_EQ(platform::TimeSeparator(), u':');
  EXPECT_EQ(platform::ShortDateFormat(), u"dd/mm/yyyy");
}

}  // namespace
}  // namespace qx
