# varnel-cli.exe, the Windows build, under Wine against the simulated
# handset (label "wine"), when VARNEL_WINDOWS_CLI names a cross-built
# varnel-cli.exe. The Wine prefix is made once per run by the WinePrefix
# fixture and its server stopped by WinePrefixDone.
set(VARNEL_WINDOWS_CLI "" CACHE FILEPATH "A cross-built varnel-cli.exe to test under Wine")
if(NOT VARNEL_WINDOWS_CLI)
  return()
endif()
find_program(VARNEL_WINE64 NAMES wine64 wine PATHS /usr/lib/wine REQUIRED)
find_program(VARNEL_WINESERVER wineserver PATHS /usr/lib/wine REQUIRED)
find_program(VARNEL_OBJDUMP x86_64-w64-mingw32-objdump REQUIRED)
set(VARNEL_WINE_PREFIX ${CMAKE_CURRENT_BINARY_DIR}/wine-prefix)

add_executable(wine_tests ${CMAKE_CURRENT_LIST_DIR}/wine_cli_test.cpp)
target_link_libraries(wine_tests PRIVATE varnel_core varnel_sim GTest::gtest_main)
target_compile_definitions(wine_tests PRIVATE
  VARNEL_WINE64="${VARNEL_WINE64}"
  VARNEL_WINDOWS_CLI="${VARNEL_WINDOWS_CLI}"
  VARNEL_WINE_PREFIX="${VARNEL_WINE_PREFIX}"
  VARNEL_OBJDUMP="${VARNEL_OBJDUMP}"
  VARNEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")

# wineboot returns before the new prefix is complete; the server's wait
# returns once every process working on it has ended.
add_test(NAME WinePrefix
         COMMAND sh -c "\"$0\" wineboot --init && \"$1\" --wait" ${VARNEL_WINE64} ${VARNEL_WINESERVER})
set_tests_properties(WinePrefix PROPERTIES ENVIRONMENT "WINEPREFIX=${VARNEL_WINE_PREFIX};WINEDEBUG=-all")
add_test(NAME WinePrefixDone COMMAND ${VARNEL_WINESERVER} -k)
set_tests_properties(WinePrefixDone PROPERTIES ENVIRONMENT "WINEPREFIX=${VARNEL_WINE_PREFIX}")
set_tests_properties(WinePrefix PROPERTIES FIXTURES_SETUP WinePrefix LABELS wine TIMEOUT 120)
set_tests_properties(WinePrefixDone PROPERTIES FIXTURES_CLEANUP WinePrefix LABELS wine TIMEOUT 60)
gtest_discover_tests(wine_tests DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS wine TIMEOUT 300 RUN_SERIAL TRUE FIXTURES_REQUIRED WinePrefix)
