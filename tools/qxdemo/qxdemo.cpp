// The README's main command: runs the library's main job against its embedded default.
// The driver and the printer simulator are not built yet, so for now it shows the shared
// value types at work.
#include <cstdio>

#include "support/currency.h"
#include "support/date_time.h"
#include "support/text.h"

int main() {
  using namespace qx;
  const DateTimeParts now = DecodeDateTime(Now());
  std::printf("QXRP_EPSFPNAT_20 fiscal-printer driver library\n");
  std::printf("local time: %04d-%02d-%02d %02d:%02d:%02d\n", now.Year, now.Month, now.Day, now.Hour,
              now.Minute, now.Second);
  const Currency price = Currency::FromText(u"12.50");
  const Currency qty = Currency::FromText(u"3");
  std::printf("12.50 x 3 = %s\n", ToUtf8((price * qty).ToText()).c_str());
  return 0;
}
