// File-system calls: paths, directories, sizes, renames and whole-line appends.
// Paths are the library's UTF-16 text; they reach the system as UTF-8 on Linux and as UTF-16 on
// Windows, where "\\" is the delimiter and "/" is taken as one too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/text.h"

namespace qx::platform {

#if defined(_WIN32)
constexpr char16_t kPathDelimiter = u'\\';
#else
constexpr char16_t kPathDelimiter = u'/';
#endif

// A path that the system cannot take (it holds a NUL character).
bool HasInvalidPathChars(StringView aPath);
bool IsPathRooted(StringView aPath);
// Joins a directory and a name: an empty directory gives the name, a rooted name stays as it is,
// otherwise one delimiter goes between them unless the directory ends with one.
// Raises an Error when either part holds characters that are not valid in a path.
String CombinePath(StringView aDirectory, StringView aName);
String ExtractFileName(StringView aPath);      // the part after the last delimiter
String ExtractFileDir(StringView aPath);       // the part before it, without the delimiter
String RemoveFileExtension(StringView aPath);  // drops the last ".ext" of the file-name part

// Creates the directory and every missing parent; false when it cannot.
bool ForceDirectories(StringView aPath);
bool FileExists(StringView aPath);
bool DirectoryExists(StringView aPath);
// Size in bytes, or -1 when the file's attributes cannot be read.
int64_t GetFileSize(StringView aPath);
bool RenameFile(StringView aFrom, StringView aTo);
bool DeleteFile(StringView aPath);
// Opens (creating it when missing), appends aBytes, flushes and closes. False on any I/O error.
bool AppendToFile(StringView aPath, std::string_view aBytes);
// Reads a whole file of at most aMaxBytes bytes; false when it cannot be read or is larger.
bool ReadSmallFile(StringView aPath, std::string& aBytes, size_t aMaxBytes);
// The system's folder for temporary files (Linux: TMPDIR when set, else /tmp).
String TemporaryDirectory();

}  // namespace qx::platform
