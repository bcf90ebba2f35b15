#include "support/string_table.h"

#include <iterator>

namespace qx {

namespace {

// Record i has the identifier kFirstVersionStringId + i. A new release appends its $VERSION,
// $RELEASEDATE, $AUTHOR and $TEXT lines at the end: the last $VERSION is the library's version.
constexpr const char16_t* kRecords[] = {
    u"$APPDESCRIPTION=Fiscal Driver - Epson FP Serial",
    u"$COPYRIGHT=Copyright (c) 2019-2022 the QXRP driver authors. All rights reserved.",

    u"$VERSION=2.00",
    u"$RELEASEDATE=14/01/2019",
    u"$AUTHOR=QX driver team",
    u"$TEXT=First release",
    u"$TEXT=Fiscal receipts, X and Z reports, non-fiscal receipts over the serial line",

    u"$VERSION=2.01",
    u"$RELEASEDATE=08/04/2019",
    u"$AUTHOR=QX driver team",
    u"$TEXT=Resend of a frame when the printer asks for it",
    u"$PTEXT=Busy printer: the command is retried until its time-out",

    u"$VERSION=2.02",
    u"$RELEASEDATE=23/09/2019",
    u"$AUTHOR=QX driver team",
    u"$TEXT=VAT and department tables read and written",

    u"$VERSION=2.03",
    u"$RELEASEDATE=20/01/2020",
    u"$AUTHOR=QX driver team",
    u"$TEXT=Electronic journal report by date and by number",
    u"$TEXT=Customer display lines",

    u"$VERSION=2.04",
    u"$RELEASEDATE=11/05/2020",
    u"$AUTHOR=QX driver team",
    u"$TEXT=TCP connection to the printer",
    u"$PTEXT=Cash drawer state",

    u"$VERSION=2.05",
    u"$RELEASEDATE=02/11/2020",
    u"$AUTHOR=QX driver team",
    u"$TEXT=RT server mode: receipts signed by the RT server, header and footer lines",

    u"$VERSION=2.06",
    u"$RELEASEDATE=15/03/2021",
    u"$AUTHOR=QX driver team",
    u"$TEXT=Z report counters read from the printer's RT data files",
    u"$TEXT=Economic activity table",

    u"$VERSION=2.07",
    u"$RELEASEDATE=28/06/2021",
    u"$AUTHOR=QX driver team",
    u"$TEXT=Receipt of an electronic payment",
    u"$PTEXT=Log files: size limit and rotation",

    u"$VERSION=2.08",
    u"$RELEASEDATE=10/12/2021",
    u"$AUTHOR=QX driver team",
    u"$TEXT=Reprint of a receipt by its reference",
    u"$TEXT=External processor library for copies of receipts and reports",

    u"$VERSION=2.09",
    u"$RELEASEDATE=21/04/2022",
    u"$AUTHOR=QX driver team",
    u"$TEXT=Receipt lottery state",

    u"$VERSION=2.10",
    u"$RELEASEDATE=10/10/2022",
    u"$AUTHOR=QX driver team",
    u"$TEXT=Download of the day's RT data files",
    u"$PTEXT=Training mode switch",
};

}  // namespace

String LibraryString(int32_t aId) {
  if (aId < kFirstVersionStringId) return String();
  const auto index = static_cast<size_t>(aId - kFirstVersionStringId);
  if (index >= std::size(kRecords)) return String();
  return kRecords[index];
}

}  // namespace qx
