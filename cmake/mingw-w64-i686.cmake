# 32-bit Windows (PE32): the DLL that 32-bit programs load, most point-of-sale programs among them.
# The exports are __stdcall there; the .def file gives them their plain names.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QX_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# The exports' decorated names (NAME@12) stand for the plain names of the .def file; said so
# explicitly, the linker makes that match without a warning per export.
string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,--enable-stdcall-fixup")
