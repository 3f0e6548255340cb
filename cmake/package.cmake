# `make package`: the four Debian packages, one per install component.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL libcorvane32-1 libcorvane32-dev corvane python3-corvane)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Corvane developers <corvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "file transfer with a field Data Collector over a serial line")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The commands' dependency on the library comes from this build, not from an installed package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/src/api)
set(library_dependency "libcorvane32-1 (= ${PROJECT_VERSION})")
# A shlibs file for the library, so that packages built against it depend on it.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_DEBIAN_LIBCORVANE32-1_PACKAGE_NAME libcorvane32-1)
set(CPACK_DEBIAN_LIBCORVANE32-1_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBCORVANE32-1_DESCRIPTION "Corvane: file transfer with a Data Collector (shared library)
 libcorvane32 moves files between a PC and a hand-held survey Data Collector
 over a serial line with the Kermit protocol, in the classic and the wide
 framing, with a C++ and a C interface.")

set(CPACK_DEBIAN_LIBCORVANE32-DEV_PACKAGE_NAME libcorvane32-dev)
set(CPACK_DEBIAN_LIBCORVANE32-DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LIBCORVANE32-DEV_PACKAGE_DEPENDS "${library_dependency}")
set(CPACK_DEBIAN_LIBCORVANE32-DEV_DESCRIPTION "Corvane: file transfer with a Data Collector (development files)
 The C and C++ headers of libcorvane32, its pkg-config file and its CMake
 package (find_package(corvane32)).")

set(CPACK_DEBIAN_CORVANE_PACKAGE_NAME corvane)
set(CPACK_DEBIAN_CORVANE_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_CORVANE_PACKAGE_DEPENDS "${library_dependency}")
set(CPACK_DEBIAN_CORVANE_DESCRIPTION "Corvane: file transfer with a Data Collector (commands)
 corvane sends, receives and gets files, lists and changes the Data
 Collector's directory and serves its requests; corvane-dc is a simulated
 Data Collector on a pseudo-terminal.")

set(CPACK_DEBIAN_PYTHON3-CORVANE_PACKAGE_NAME python3-corvane)
set(CPACK_DEBIAN_PYTHON3-CORVANE_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON3-CORVANE_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON3-CORVANE_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PYTHON3-CORVANE_PACKAGE_DEPENDS "python3, ${library_dependency}")
set(CPACK_DEBIAN_PYTHON3-CORVANE_DESCRIPTION "Corvane: file transfer with a Data Collector (Python 3)
 The corvane package for Python 3 over libcorvane32's C interface.")

include(CPack)
