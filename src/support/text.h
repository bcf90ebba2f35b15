// The library's text type and the few text helpers shared by every subsystem.
//
// Text is UTF-16 throughout; a "character" is one UTF-16 code unit, which is what positions,
// widths, padding and checksums count. Conversion to and from UTF-8 happens only at the edges
// (XML, log files, HTTP, file names).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

using String = std::u16string;
using StringView = std::u16string_view;
using StringList = std::vector<String>;

// UTF-8 <-> UTF-16. Malformed UTF-8 sequences become U+FFFD; unpaired surrogates are written
// as U+FFFD in UTF-8, so neither direction can fail.
String FromUtf8(std::string_view aText);
std::string ToUtf8(StringView aText);

// Bytes 00h-FFh <-> U+0000-U+00FF one to one (what a printer sends and what a TCP write sends).
String FromLatin1(std::string_view aBytes);
// Characters above U+00FF become '?'.
std::string ToLatin1(StringView aText);
// Windows-1252, the 8-bit code page of serial writes: U+0080-U+009F and other characters that
// the code page lacks become '?'; the euro sign and the other 1252 extras map to their bytes.
std::string ToCp1252(StringView aText);
String FromCp1252(std::string_view aBytes);

// ASCII-only case mapping, as the request vocabulary and parameter names need.
String UpperCase(StringView aText);
String LowerCase(StringView aText);
bool SameText(StringView a, StringView b);
bool StartsText(StringView aPrefix, StringView aText);

String Trim(StringView aText);       // removes characters <= U+0020 at both ends
String TrimLeft(StringView aText);
String TrimRight(StringView aText);

// Replaces every occurrence of aFrom by aTo (case-sensitive).
String ReplaceAll(StringView aText, StringView aFrom, StringView aTo);

// Splits at CR LF, CR or LF. A final line break does not add an empty line.
StringList SplitLines(StringView aText);
// Each line followed by CR LF.
String JoinLines(const StringList& aLines);

// Whole numbers. Texts accept leading blanks, an optional sign and decimal digits.
String IntToStr(int64_t aValue);
bool TryStrToInt(StringView aText, int32_t& aValue);
bool TryStrToInt64(StringView aText, int64_t& aValue);
// Raises "'<text>' is not a valid integer value".
int32_t StrToInt(StringView aText);
int32_t StrToIntDef(StringView aText, int32_t aDefault);

// Fills the "%s" placeholders of a message pattern in order; "%%" is a percent sign.
String FormatText(StringView aPattern, std::initializer_list<StringView> aArgs);

// Left-pads or right-pads to aWidth with aFill (never cuts).
String PadLeft(StringView aText, size_t aWidth, char16_t aFill = u' ');
String PadRight(StringView aText, size_t aWidth, char16_t aFill = u' ');

}  // namespace qx
