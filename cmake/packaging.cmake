# Installation, the pkg-config file, the CMake package and the Debian package (cpack -G DEB).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The version macros of the public header must be the project's version.
file(STRINGS ${PROJECT_SOURCE_DIR}/include/QXRP_EPSFPNAT_20.h QX_HEADER_VERSION
     REGEX "^#define QXRP_EPSFPNAT_20_VERSION_STRING ")
if(NOT QX_HEADER_VERSION MATCHES "\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "include/QXRP_EPSFPNAT_20.h says ${QX_HEADER_VERSION}, the project is ${PROJECT_VERSION}")
endif()

set(QX_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/QXRP_EPSFPNAT_20)

install(TARGETS QXRP_EPSFPNAT_20 EXPORT QXRP_EPSFPNAT_20Targets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/QXRP_EPSFPNAT_20.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
foreach(tool fpcall fpsim)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
# The Python client where Debian's python3 finds it (/usr/lib/python3/dist-packages from the
# Debian package; <prefix>/lib/python3/dist-packages on PYTHONPATH for another prefix).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/qxrp DESTINATION lib/python3/dist-packages
        PATTERN "__pycache__" EXCLUDE)

# pkg-config: the prefix is found from the file's own place, so a tree installed anywhere
# (cmake --install --prefix, the Debian package) describes itself.
file(RELATIVE_PATH QX_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" QX_PC_TO_PREFIX "${QX_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/QXRP_EPSFPNAT_20.pc.in ${PROJECT_BINARY_DIR}/QXRP_EPSFPNAT_20.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/QXRP_EPSFPNAT_20.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# find_package(QXRP_EPSFPNAT_20) gives the imported target QXRP_EPSFPNAT_20::QXRP_EPSFPNAT_20.
install(EXPORT QXRP_EPSFPNAT_20Targets NAMESPACE QXRP_EPSFPNAT_20:: DESTINATION ${QX_CMAKE_PACKAGE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QXRP_EPSFPNAT_20Config.cmake.in
                              ${PROJECT_BINARY_DIR}/QXRP_EPSFPNAT_20Config.cmake
                              INSTALL_DESTINATION ${QX_CMAKE_PACKAGE_DIR})
# 2.x releases keep the interface of 2.0: the same major version is compatible.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QXRP_EPSFPNAT_20ConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QXRP_EPSFPNAT_20Config.cmake
              ${PROJECT_BINARY_DIR}/QXRP_EPSFPNAT_20ConfigVersion.cmake
        DESTINATION ${QX_CMAKE_PACKAGE_DIR})

# The Debian package: everything above in one package, installed under /usr.
set(CPACK_PACKAGE_NAME qxrp-epsfpnat-20)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "QXRP driver authors")
set(CPACK_PACKAGE_CONTACT "QXRP driver authors <qxrp-drivers@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Fiscal-printer driver library for Epson RT printers, with its printer simulator and tools")
set(CPACK_PACKAGE_DESCRIPTION
    "libQXRP_EPSFPNAT_20.so prints fiscal receipts, reports and non-fiscal documents on Epson RT\nfiscal printers over a serial line or TCP; each exported function takes an XML request.\nWith the header, the pkg-config file, the CMake package, fpcall, the printer simulator\nfpsim, the request schemas, the examples and a Python client.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The shlibs file and the ldconfig trigger, so that the library is found by name once installed.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_GENERATOR DEB)
include(CPack)
