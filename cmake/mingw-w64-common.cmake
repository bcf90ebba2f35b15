# Cross-build for Windows with Debian's mingw-w64, the posix threads variant (std::thread over
# winpthreads), for the target that QX_MINGW_PREFIX names (mingw-w64-x86_64.cmake,
# mingw-w64-i686.cmake). The runtime (libgcc, libstdc++, winpthreads) is linked statically, so the
# DLL and the programs depend on system libraries only.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
