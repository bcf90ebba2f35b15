#include <gtest/gtest.h>

#include <optional>

#include "support/error.h"
#include "support/temp_dir.h"
#include "transport/io_handler_com.h"
#include "transport/io_handler_dll.h"
#include "transport_fixtures.h"

namespace qx {
namespace {

using namespace qx::testing;

const String kStart = u"*************************** START ***************************";
const String kStop = u"*************************** STOP ****************************";
const String kDeviceLibrary = FromUtf8(QX_TEST_DEVICE_LIBRARY);

// The log lines of a transport made and destroyed by aUse.
template <typename Use>
std::vector<String> LogOf(const TempDir& aDir, Use aUse) {
  aUse();
  std::vector<String> lines;
  for (const auto& entry : std::filesystem::directory_iterator(aDir.Path())) {
    const std::vector<String> more = LogBodies(FromUtf8(entry.path().string()));
    lines.insert(lines.end(), more.begin(), more.end());
  }
  return lines;
}

TEST(DllTransport, LoadsTheLibraryFindsAndMissesFunctionsAndUnloads) {
  TempDir dir;
  kConnection connection;
  connection.SetLibraryName(kDeviceLibrary);
  const std::vector<String> log = LogOf(dir, [&] {
    kIOHandler_Dll t(connection, dir.Text(), u"Dll");
    auto answer = reinterpret_cast<int (*)()>(t.GetAddress(u"QxTestDevice_Answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(MessageOf([&] { t.GetAddress(u"QxTestDevice_Missing"); }),
              u"Unable to get address for procedure QxTestDevice_Missing");
    EXPECT_TRUE(t.Connect());
    EXPECT_TRUE(t.Write(u"ABC"));
  });
  const std::vector<String> expected = {kStart,
                                        u"kIOHandler_Dll.Create:Loading DLL " + kDeviceLibrary,
                                        u"kIOHandler_Dll.Create:DLL Loaded successfully",
                                        String(61, u'*'),
                                        u"kIOHandler_Dll",
                                        u"",
                                        u"ConnectTimeout=1000",
                                        u"ReadTimeout=1000",
                                        u"kIOHandler_Dll.Destroy:Unloading DLL",
                                        u"kIOHandler_Dll.Destroy:DLL Unloaded Successfully",
                                        kStop};
  EXPECT_EQ(log, expected);
}

TEST(DllTransport, ALibraryThatCannotBeLoadedFailsTheConstructionAndLeavesNothingOpen) {
  const int descriptors = OpenDescriptors();
  const int threads = RunningThreads();
  for (const String& name : {String(u"/nonexistent/libdevice.so"), String(u"libqx_no_such_device.so"), String()}) {
    TempDir dir;
    kConnection connection;
    connection.SetLibraryName(name);
    String message;
    const std::vector<String> log = LogOf(dir, [&] {
      message = MessageOf([&] { kIOHandler_Dll t(connection, dir.Text(), u"Dll"); });
    });
    EXPECT_EQ(message.rfind(u"Unable to Load Library " + name + u". ", 0), 0u) << ToUtf8(message);
    EXPECT_EQ(message.substr(message.size() - 6), u" [126]") << ToUtf8(message);
    EXPECT_GT(message.size(), name.size() + 30) << "the system's message is missing";
    EXPECT_TRUE(Contains(log, u"kIOHandler_Dll.Create:Loading DLL " + name));
    EXPECT_FALSE(Contains(log, u"kIOHandler_Dll.Destroy:Unloading DLL"));
    EXPECT_EQ(log.back(), kStop);
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
  EXPECT_EQ(RunningThreads(), threads);
}

// What the library and COM transports answer besides Write: no state, no input.
TEST(DllAndComTransports, StreamOperations) {
  kConnection connection;
  connection.SetLibraryName(kDeviceLibrary);
  kIOHandler_Dll dll(connection, u"", u"");
  kIOHandler_Com com(nullptr, u"", u"");
  EXPECT_FALSE(com.Write(u"ABC"));
  EXPECT_TRUE(dll.Write(u"ABC"));
  for (kIOHandler* t : std::initializer_list<kIOHandler*>{&dll, &com}) {
    SCOPED_TRACE(ToUtf8(t->ClassName()));
    EXPECT_TRUE(t->Connect());
    EXPECT_TRUE(t->GetConnected());
    t->ClearBuffers();
    EXPECT_EQ(t->ReadUpTo({0x03}), u"");
    EXPECT_EQ(t->ReadChars(5), u"");
    EXPECT_EQ(t->DecodeError(5), u"");
    t->SetParameter(u"a", u"b");
    EXPECT_EQ(MessageOf([&] { t->ReadAll(); }), u"ReadAll Unsupported");
    EXPECT_EQ(MessageOf([&] { t->InputBufferContainsData(); }), u"InputBufferContainsData Unsupported");
    EXPECT_TRUE(t->Disconnect());
    EXPECT_TRUE(t->GetConnected());
    EXPECT_FALSE(t->ErrorFound());
  }
}

}  // namespace
}  // namespace qx
