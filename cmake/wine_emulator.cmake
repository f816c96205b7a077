# Runs the programs of a Windows build cross-compiled on Linux under Wine:
# CMAKE_CROSSCOMPILING_EMULATOR makes CTest and GoogleTest's test discovery
# start each .exe through wine64, in a Wine prefix of this build's own. The
# target wine_prefix makes that prefix once, before any test program runs,
# so parallel tests never race to create it; they then share its wineserver.
# Included from the root CMakeLists.txt before any target is defined, so
# that every executable, varnel-cli too, carries the emulator.

# Debian installs the 64-bit loader outside PATH, and its "wine" wrapper
# wants the 32-bit one; elsewhere "wine" alone may run 64-bit programs.
find_program(VARNEL_WINE64 NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH
             DOC "Wine's 64-bit loader, which runs the Windows test programs")
find_program(VARNEL_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH
             DOC "Wine's server, asked to wait until a new prefix is set up")
set(VARNEL_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix" CACHE PATH
    "The Wine prefix (a Windows system directory tree) the tests run in")

if(CMAKE_CROSSCOMPILING_EMULATOR)
  message(STATUS "Windows programs run with ${CMAKE_CROSSCOMPILING_EMULATOR}")
  return()
endif()
if(NOT VARNEL_WINE64 OR NOT VARNEL_WINESERVER)
  message(STATUS "Wine not found: the Windows tests are not built")
  return()
endif()

# Wine's own diagnostics would bury the tests' output. Without a display a
# crashing program gets its backtrace printed instead of a dialog that
# waits for a click.
set(VARNEL_WINE_ENVIRONMENT --unset=DISPLAY WINEPREFIX=${VARNEL_WINE_PREFIX} WINEDEBUG=-all)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env ${VARNEL_WINE_ENVIRONMENT} ${VARNEL_WINE64})

# wineboot returns before the new prefix is complete; the server's wait
# returns once every process that works on it has ended. The marker is
# written inside the prefix so that removing the prefix makes it again.
# Its note that C:\windows\syswow64\rundll32.exe can't be opened is
# harmless: that is the 32-bit Wine, which nothing here needs.
set(VARNEL_WINE_PREFIX_READY "${VARNEL_WINE_PREFIX}/varnel-prefix-ready")
add_custom_command(
  OUTPUT ${VARNEL_WINE_PREFIX_READY}
  COMMAND ${CMAKE_COMMAND} -E env ${VARNEL_WINE_ENVIRONMENT} ${VARNEL_WINE64} wineboot --init
  COMMAND ${CMAKE_COMMAND} -E env ${VARNEL_WINE_ENVIRONMENT} ${VARNEL_WINESERVER} --wait
  COMMAND ${CMAKE_COMMAND} -E touch ${VARNEL_WINE_PREFIX_READY}
  COMMENT "Creating the Wine prefix ${VARNEL_WINE_PREFIX}"
  VERBATIM)
add_custom_target(wine_prefix ALL DEPENDS ${VARNEL_WINE_PREFIX_READY})
