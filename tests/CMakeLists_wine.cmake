# The Windows build under Wine against the simulated handset (label
# "wine"), when VARNEL_WINDOWS_CLI names a cross-built varnel-cli.exe:
# varnel-cli.exe's sessions, and the window program Varnel.exe of the same
# build (VARNEL_WINDOWS_GUI) driven through the keyboard on a virtual X
# display (Xvfb, xdotool); both programs' import tables, subsystems and
# resources. The Wine prefix is made once per run by the WinePrefix fixture
# and its server stopped by WinePrefixDone.
set(VARNEL_WINDOWS_CLI "" CACHE FILEPATH "A cross-built varnel-cli.exe to test under Wine")
if(NOT VARNEL_WINDOWS_CLI)
  return()
endif()
get_filename_component(VARNEL_WINDOWS_BUILD ${VARNEL_WINDOWS_CLI} DIRECTORY)
get_filename_component(VARNEL_WINDOWS_BUILD ${VARNEL_WINDOWS_BUILD} DIRECTORY)
set(VARNEL_WINDOWS_GUI ${VARNEL_WINDOWS_BUILD}/gui/Varnel.exe CACHE FILEPATH
    "A cross-built Varnel.exe to test under Wine (by default the one of VARNEL_WINDOWS_CLI's build)")
find_program(VARNEL_WINE64 NAMES wine64 wine PATHS /usr/lib/wine REQUIRED)
find_program(VARNEL_WINESERVER wineserver PATHS /usr/lib/wine REQUIRED)
find_program(VARNEL_OBJDUMP x86_64-w64-mingw32-objdump REQUIRED)
find_program(VARNEL_WINDRES x86_64-w64-mingw32-windres REQUIRED)
find_program(VARNEL_XVFB Xvfb REQUIRED)
find_program(VARNEL_XDOTOOL xdotool REQUIRED)
set(VARNEL_WINE_PREFIX ${CMAKE_CURRENT_BINARY_DIR}/wine-prefix)
list(LENGTH VARNEL_ICON_SIZES VARNEL_ICON_SIZE_COUNT)

add_executable(wine_tests
  ${CMAKE_CURRENT_LIST_DIR}/wine_cli_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wine_executable_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wine_gui_test.cpp
)
target_link_libraries(wine_tests PRIVATE varnel_core varnel_sim GTest::gtest_main)
target_compile_definitions(wine_tests PRIVATE
  VARNEL_WINE64="${VARNEL_WINE64}"
  VARNEL_WINESERVER="${VARNEL_WINESERVER}"
  VARNEL_WINDOWS_CLI="${VARNEL_WINDOWS_CLI}"
  VARNEL_WINDOWS_GUI="${VARNEL_WINDOWS_GUI}"
  VARNEL_WINE_PREFIX="${VARNEL_WINE_PREFIX}"
  VARNEL_OBJDUMP="${VARNEL_OBJDUMP}"
  VARNEL_WINDRES="${VARNEL_WINDRES}"
  VARNEL_XVFB="${VARNEL_XVFB}"
  VARNEL_XDOTOOL="${VARNEL_XDOTOOL}"
  VARNEL_PROJECT_VERSION="${PROJECT_VERSION}"
  VARNEL_ICON_SIZE_COUNT=${VARNEL_ICON_SIZE_COUNT}
  VARNEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")

# wineboot returns before the new prefix is complete; the server's wait
# returns once every process working on it has ended.
add_test(NAME WinePrefix
         COMMAND sh -c "\"$0\" wineboot --init && \"$1\" --wait" ${VARNEL_WINE64} ${VARNEL_WINESERVER})
set_tests_properties(WinePrefix PROPERTIES ENVIRONMENT "WINEPREFIX=${VARNEL_WINE_PREFIX};WINEDEBUG=-all")
# The server may be gone already (the window's tests stop it): then there
# is nothing to kill, and the wait returns at once.
add_test(NAME WinePrefixDone COMMAND sh -c "\"$0\" -k 2>/dev/null; \"$0\" -w" ${VARNEL_WINESERVER})
set_tests_properties(WinePrefixDone PROPERTIES ENVIRONMENT "WINEPREFIX=${VARNEL_WINE_PREFIX}")
set_tests_properties(WinePrefix PROPERTIES FIXTURES_SETUP WinePrefix LABELS wine TIMEOUT 120)
set_tests_properties(WinePrefixDone PROPERTIES FIXTURES_CLEANUP WinePrefix LABELS wine TIMEOUT 60)
gtest_discover_tests(wine_tests DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS wine TIMEOUT 300 RUN_SERIAL TRUE FIXTURES_REQUIRED WinePrefix)
