#include "platform/string_resource.h"

#include <iterator>

namespace qx::platform {

namespace {

struct Record {
  int32_t Id;
  const char16_t* Text;
};

#define QX_VERSION_RECORD(aId, aText) {aId, u"" aText},
constexpr Record kRecords[] = {
#include "support/version_records.inc"
};
#undef QX_VERSION_RECORD

}  // namespace

String LoadStringResource(int32_t aId) {
  for (const Record& record : kRecords)
    if (record.Id == aId) return String(record.Text).substr(0, 1024);
  return String();
}

}  // namespace qx::platform
