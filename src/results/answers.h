// The answer text of each export, written from its result record.
#pragma once

#include "results/result_records.h"

namespace qx {

String FormatAnswer(const _int_PRINTFR_result& r);
String FormatAnswer(const _int_PRINTXR_result& r);
String FormatAnswer(const _int_PRINTZR_result& r);
String FormatAnswer(const _int_PRINTNFR_result& r);
String FormatAnswer(const _int_GETSTATUS_result& r);
String FormatAnswer(const _int_SETDATETIME_result& r);
String FormatAnswer(const _int_OPEN_result& r);
String FormatAnswer(const _int_GETDRSTATUS_result& r);
String FormatAnswer(const _int_EJREPORT_result& r);
String FormatAnswer(const _int_GETVATTABLE_result& r);
String FormatAnswer(const _int_GETDEPTTABLE_result& r);
String FormatAnswer(const _int_GETLOTTERYRCPTSTATUS_result& r);
String FormatAnswer(const _int_GETEJFILES_result& r);
String FormatAnswer(const _int_PAY_result& r);
// REPRINTFR, DISPLAY, OPENDR, SET, CLOSE, SETVATTABLE, SETDEPTTABLE: the common tail only.
String FormatAnswer(const _int_common_result& r);

}  // namespace qx
