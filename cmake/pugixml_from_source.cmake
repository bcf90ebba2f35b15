# pugixml for the Windows build: Debian ships no mingw build of it, so its Debian source package
# (unpacked by scripts/setup with `apt-get source pugixml`, Debian's patches applied) is compiled
# here into a static library under the same target name the Linux build gets from its package.
set(QX_PUGIXML_SOURCE_DIR "" CACHE PATH "Unpacked pugixml source package (holds src/pugixml.cpp)")
if(NOT EXISTS "${QX_PUGIXML_SOURCE_DIR}/src/pugixml.cpp")
  message(FATAL_ERROR "pugixml sources not found in '${QX_PUGIXML_SOURCE_DIR}': run scripts/setup windows")
endif()
add_library(qx_pugixml STATIC "${QX_PUGIXML_SOURCE_DIR}/src/pugixml.cpp")
target_include_directories(qx_pugixml SYSTEM PUBLIC "${QX_PUGIXML_SOURCE_DIR}/src")
add_library(pugixml::pugixml ALIAS qx_pugixml)
