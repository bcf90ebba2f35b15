// platform_checks: the Windows platform files checked where the exported functions do not reach
// them all: paths with both delimiters and drive letters, files, the string-table resource, named
// locales, a missing COM port, the receipt picture's text and JPEG, a missing printer and, given
// the address of http_test_server.py as its one argument, HTTP over WinHTTP. Built by the windows
// preset, run under wine by run_under_wine.sh; prints each failed check and ends with
// "platform checks passed".
#include <cstdio>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/http_request.h"
#include "platform/locale.h"
#include "platform/print_spooler.h"
#include "platform/serial_port.h"
#include "platform/string_resource.h"
#include "platform/text_picture.h"
#include "support/error.h"

#include <windows.h>
#include <winhttp.h>
// <windows.h> maps DeleteFile to the system's; the library's own is meant here.
#undef DeleteFile

namespace {

using namespace qx;
using namespace qx::platform;

int gFailures = 0;

void Check(bool aOk, const char* aWhat) {
  if (aOk) return;
  std::printf("FAILED: %s\n", aWhat);
  ++gFailures;
}

void Paths() {
  struct Case {
    const char16_t* path;
    bool rooted;
    const char16_t* dir;
    const char16_t* name;
  };
  const Case cases[] = {
      {u"C:\\pos\\pos.exe", true, u"C:\\pos", u"pos.exe"},
      {u"C:/pos/pos.exe", true, u"C:/pos", u"pos.exe"},
      {u"C:\\pos.exe", true, u"C:\\", u"pos.exe"},
      {u"\\\\server\\share\\a.log", true, u"\\\\server\\share", u"a.log"},
      {u"\\a.log", true, u"\\", u"a.log"},
      {u"C:a.log", false, u"C:", u"a.log"},
      {u"logs\\a.log", false, u"logs", u"a.log"},
      {u"a.log", false, u"", u"a.log"},
  };
  for (const Case& c : cases) {
    const std::string what = ToUtf8(c.path);
    Check(IsPathRooted(c.path) == c.rooted, ("IsPathRooted " + what).c_str());
    Check(ExtractFileDir(c.path) == c.dir, ("ExtractFileDir " + what).c_str());
    Check(ExtractFileName(c.path) == c.name, ("ExtractFileName " + what).c_str());
  }
  Check(CombinePath(u"C:\\pos", u"LogFiles") == u"C:\\pos\\LogFiles", "CombinePath adds a delimiter");
  Check(CombinePath(u"C:\\pos\\", u"LogFiles") == u"C:\\pos\\LogFiles", "CombinePath keeps one delimiter");
  Check(CombinePath(u"C:\\pos", u"D:\\x") == u"D:\\x", "CombinePath keeps a rooted name");
  Check(RemoveFileExtension(u"C:\\a.b\\pos") == u"C:\\a.b\\pos", "RemoveFileExtension of a dotted folder");
}

void Files() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
  const String root = CombinePath(String(reinterpret_cast<const char16_t*>(temp), n),
                                  u"qx-platform-checks-" + IntToStr(::GetCurrentProcessId()));
  const String dir = CombinePath(root, u"a\\b");
  Check(ForceDirectories(dir) && DirectoryExists(dir), "ForceDirectories makes every missing parent");
  const String file = CombinePath(dir, u"f\u00e8.log");
  Check(AppendToFile(file, "one\r\n") && AppendToFile(file, "two\r\n"), "AppendToFile");
  Check(FileExists(file) && !FileExists(dir) && GetFileSize(file) == 10, "FileExists and GetFileSize");
  const String moved = CombinePath(dir, u"g.log");
  Check(AppendToFile(moved, "old") && RenameFile(file, moved), "RenameFile replaces the target");
  std::string bytes;
  Check(ReadSmallFile(moved, bytes, 100) && bytes == "one\r\ntwo\r\n", "ReadSmallFile");
  Check(!ReadSmallFile(moved, bytes, 5), "ReadSmallFile refuses a larger file");
  Check(DeleteFile(moved) && !FileExists(moved) && GetFileSize(moved) == -1, "DeleteFile");
  ::RemoveDirectoryW(reinterpret_cast<const wchar_t*>(dir.c_str()));
  ::RemoveDirectoryW(reinterpret_cast<const wchar_t*>(CombinePath(root, u"a").c_str()));
  ::RemoveDirectoryW(reinterpret_cast<const wchar_t*>(root.c_str()));
}

void Resources() {
  Check(LoadStringResource(10000) == u"$APPDESCRIPTION=Fiscal Driver - Epson FP Serial", "string 10000");
  Check(LoadStringResource(9999).empty() && LoadStringResource(20000).empty(), "missing strings are empty");
}

void Locales() {
  const NumberSeparators italian = ReadNumberSeparators("it_IT.UTF-8");
  Check(italian.Decimal == u',' && italian.Thousand == u'.', "Italian separators");
  const NumberSeparators english = ReadNumberSeparators("en-US");
  Check(english.Decimal == u'.' && english.Thousand == u',', "English separators");
  const String format = ShortDateFormat();
  Check(format.find(u'd') != String::npos && format.find(u'm') != String::npos && format.find(u'M') == String::npos,
        "short date pattern in the library's letters");
}

void SerialPorts() {
  TComPort port(99, 9600);
  try {
    port.Open();
    Check(false, "COM99 opened");
  } catch (const TComPortException& e) {
    Check(e.Message() == u"COM99 is not a valid COM port.", "COM99 message");
  }
}

// A plain file, a missing one, an answer over the size bound and a server that is not there.
void Http(const std::string& aBaseUrl) {
  const auto session = HttpSession::Create();
  HttpRequest request;
  HttpResponse response;
  request.URL = aBaseUrl + "/hello.txt";
  request.UserAgent = "RT Fiscal Driver";
  session->Perform(request, response);
  Check(response.Completed && response.StatusCode == 200 && response.StatusText == "OK" &&
            response.Body == "hello\n" && response.ContentType == "text/plain" && response.FailReason == 0 &&
            response.ErrorText.empty(),
        ("HTTP GET of a file: " + std::to_string(response.StatusCode) + " " + response.ErrorText).c_str());
  Check(session->Connected(), "HTTP session connected after an answer");
  session->Disconnect();
  Check(!session->Connected(), "HTTP session closed by Disconnect");

  request.URL = aBaseUrl + "/missing.txt";
  session->Perform(request, response);
  Check(response.Completed && response.StatusCode == 404 && response.FailReason == 0,
        "HTTP GET of a missing file completes with 404");

  request.URL = aBaseUrl + "/hello.txt";
  request.MaxBodyBytes = 3;
  session->Perform(request, response);
  Check(!response.Completed && response.StatusCode == 200 &&
            response.ErrorText == "The answer is larger than 3 bytes" && response.FailReason == ERROR_FILE_TOO_LARGE,
        ("HTTP answer over the size bound: " + response.ErrorText).c_str());

  // Basic credentials, the Bearer header and cookies only once they are kept.
  request = HttpRequest();
  request.URL = aBaseUrl + "/basic";
  session->Perform(request, response);
  Check(response.Completed && response.StatusCode == 401 && response.StatusText == "Unauthorized",
        "HTTP without credentials gets 401");
  request.Auth = HttpAuth::Basic;
  request.User = "user";
  request.Password = "pw";
  session->Perform(request, response);
  Check(response.Completed && response.StatusCode == 200 && response.Body == "welcome", "HTTP Basic credentials");
  request = HttpRequest();
  request.URL = aBaseUrl + "/cookie/set";
  session->Perform(request, response);
  request.URL = aBaseUrl + "/echo";
  request.Auth = HttpAuth::Bearer;
  request.Bearer = "t0k";
  session->Perform(request, response);
  Check(response.Body == "Cookie=|Authorization=Bearer t0k", ("HTTP Bearer, no cookie: " + response.Body).c_str());
  session->KeepCookies();
  request.URL = aBaseUrl + "/cookie/set";
  session->Perform(request, response);
  session->Disconnect();
  request.URL = aBaseUrl + "/echo";
  request.Auth = HttpAuth::None;
  session->Perform(request, response);
  Check(response.Body == "Cookie=s=1|Authorization=", ("HTTP cookie kept: " + response.Body).c_str());

  // The last request to the server: it answers nothing more.
  request = HttpRequest();
  request.URL = aBaseUrl + "/stall";
  request.ReadTimeoutMs = 300;
  session->Perform(request, response);
  Check(!response.Completed && response.StatusCode == 0 && response.FailReason == ERROR_WINHTTP_TIMEOUT &&
            response.ErrorText == "No answer within the read time-out of 300 ms",
        ("HTTP read time-out: " + std::to_string(response.FailReason) + " " + response.ErrorText).c_str());

  request = HttpRequest();
  request.URL = "http://127.0.0.1:1/";
  session->Perform(request, response);
  Check(!response.Completed && response.StatusCode == 0 && response.FailReason != 0 && !response.ErrorText.empty(),
        ("HTTP GET from no server fails: " + response.ErrorText).c_str());
}

void Picture() {
  try {
    const std::unique_ptr<FixedPitchFont> font = FixedPitchFont::Open(10);
    const String line = u"TOTALE EURO 12,50";
    const int height = font->TextHeight(line);
    const int width = font->TextWidth(line);
    // 10 points at 96 dpi: an em of 13 pixels, a line a little taller; a fixed pitch.
    Check(height >= 13 && height <= 20, "text height of 10 points");
    Check(width > 0 && width == font->TextWidth(u"AAAAAAAAAAAAAAAAA"), "fixed pitch widths");
    RgbPicture picture(width + 20, height + 10);
    font->Draw(picture, 10, 5, line);
    font->Draw(picture, -5, picture.Height - 3, line);  // cut off at the edges
    size_t dark = 0;
    for (const uint8_t value : picture.Pixels) dark += value < 128 ? 1 : 0;
    Check(dark > 0, "text drawn in black");
    const std::string jpeg = EncodeJpeg(picture, 90);
    Check(jpeg.size() > 4 && static_cast<uint8_t>(jpeg[0]) == 0xFF && static_cast<uint8_t>(jpeg[1]) == 0xD8 &&
              static_cast<uint8_t>(jpeg[jpeg.size() - 2]) == 0xFF && static_cast<uint8_t>(jpeg.back()) == 0xD9,
          "JPEG start and end markers");
    // The frame header (SOF0) holds the height and the width.
    const size_t sof = jpeg.find("\xFF\xC0");
    Check(sof != std::string::npos && sof + 9 <= jpeg.size() &&
              ((static_cast<uint8_t>(jpeg[sof + 5]) << 8) | static_cast<uint8_t>(jpeg[sof + 6])) == picture.Height &&
              ((static_cast<uint8_t>(jpeg[sof + 7]) << 8) | static_cast<uint8_t>(jpeg[sof + 8])) == picture.Width,
          "JPEG frame size");
  } catch (const Error& e) {
    Check(false, ("receipt picture: " + ToUtf8(e.Message())).c_str());
  }
  bool refused = false;
  try {
    EncodeJpeg(RgbPicture(0, 0), 90);
  } catch (const Error&) {
    refused = true;
  }
  Check(refused, "EncodeJpeg refuses an empty picture");
}

void Printers() {
  const PrintSpooler spooler(1000);
  String name;
  String error;
  const PrinterLookup found = spooler.FindPrinter(u"qx no such printer", name, error);
  Check(found == PrinterLookup::NotFound || (found == PrinterLookup::Failed && !error.empty()),
        "FindPrinter of a missing printer");
  Check(!spooler.PrintRaw(u"qx no such printer", u"doc", "x", error) && !error.empty(),
        "PrintRaw to a missing printer fails with a text");
  PrinterPage page;
  error.clear();
  Check(!spooler.GetPage(u"qx no such printer", page, error) && !error.empty(),
        "GetPage of a missing printer fails with a text");
}

}  // namespace

int main(int argc, char** argv) {
  Paths();
  Files();
  Resources();
  Locales();
  SerialPorts();
  Picture();
  Printers();
  if (argc > 1) Http(argv[1]);
  std::printf("%s\n", gFailures == 0 ? "platform checks passed" : "platform checks FAILED");
  return gFailures == 0 ? 0 : 1;
}
