# GoogleTest for a Windows build: compiled from its sources into the build
# when they are at hand, as Debian's googletest package ships them (Debian
# packages no MinGW-w64 build of the library); otherwise the installed
# package. Included from tests/CMakeLists.txt; either way the targets have
# the names find_package(GTest) gives a native build.
set(VARNEL_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH
    "GoogleTest's sources, compiled into a Windows build's tests")
if(NOT EXISTS ${VARNEL_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  find_package(GTest REQUIRED)
  return()
endif()

# The library only: no GoogleMock, nothing to install.
set(BUILD_GMOCK OFF)
set(INSTALL_GTEST OFF)
# GoogleTest brings its own warning flags; ours are for our code.
get_directory_property(varnelCompileOptions COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${VARNEL_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${varnelCompileOptions}")
