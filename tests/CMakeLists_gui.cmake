# The Qt tests: the main window, its log and progress display, the settings
# file, the bridge that carries the worker's calls to the GUI thread, the
# pages and dialogs, the region panel's presets, keyboard use, connect and
# disconnect through the main button, and connect, dump and flash through
# the pages against the simulated handset. Label "gui"; they run offscreen. Included from
# tests/CMakeLists.txt when the GUI is built.
#
# Under ThreadSanitizer (VARNEL_SANITIZE=thread) they run with
# tests/tsan.supp, which silences races inside Qt's own uninstrumented
# internals only, and a canary with a deliberate race in our code must be
# reported in spite of it.
# QTest drives the keyboard and the mouse the way the window system does.
find_package(Qt6 REQUIRED COMPONENTS Test)
# A Windows build runs these under Wine (offscreen, as here): the window,
# its log, the pages, the region panel, the keyboard, the requests, the
# file dialogs and the bridge to the GUI thread.
add_executable(gui_tests
  ${CMAKE_CURRENT_LIST_DIR}/gui_file_page_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui_log_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui_owner_bridge_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui_region_panel_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp
)
target_link_libraries(gui_tests PRIVATE varnel_gui Qt6::Test GTest::gtest)
if(WIN32)
  # Qt is static on Windows: the offscreen platform the tests run on is
  # linked in.
  qt_import_plugins(gui_tests INCLUDE Qt6::QOffscreenIntegrationPlugin)
  if(TARGET wine_prefix)
    add_dependencies(gui_tests wine_prefix)
  endif()
else()
  # These need POSIX: the simulated handset on a pseudo-terminal (connect,
  # dump and flash through the window, the log file, the whole flow), and
  # the fake sysfs tree, FIFOs and links of the dialogs' and the settings'
  # tests. Under Wine the window program itself connects, dumps and closes
  # (tests/wine_gui_test.cpp).
  target_sources(gui_tests PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/gui_connect_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gui_dialogs_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gui_flow_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gui_settings_test.cpp
  )
  target_link_libraries(gui_tests PRIVATE varnel_sim)
endif()

# The tests' main() selects the offscreen platform itself. Discovered tests
# take one ENVIRONMENT entry only (their properties pass through a list),
# so the sanitizer's options are joined with ':'.
set(VARNEL_GUI_TEST_ENVIRONMENT QT_QPA_PLATFORM=offscreen)
if(VARNEL_SANITIZE MATCHES "thread")
  set(VARNEL_GUI_TEST_ENVIRONMENT
      "TSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/tsan.supp:second_deadlock_stack=1")

  add_executable(gui_tsan_canary ${CMAKE_CURRENT_LIST_DIR}/gui_tsan_canary_test.cpp)
  target_link_libraries(gui_tsan_canary PRIVATE varnel_gui Qt6::Test GTest::gtest)
  add_test(NAME gui_tsan_canary COMMAND gui_tsan_canary)
  # Passes only on the sanitizer's report of the race in the canary itself;
  # a crash or a silent run fails it.
  set_tests_properties(gui_tsan_canary PROPERTIES
    LABELS gui TIMEOUT 60
    ENVIRONMENT "${VARNEL_GUI_TEST_ENVIRONMENT}"
    PASS_REGULAR_EXPRESSION "SUMMARY: ThreadSanitizer: data race [^\n]*gui_tsan_canary_test\\.cpp")
endif()

gtest_discover_tests(gui_tests DISCOVERY_TIMEOUT 60
                     PROPERTIES LABELS gui TIMEOUT 120 ENVIRONMENT "${VARNEL_GUI_TEST_ENVIRONMENT}"
                     ${VARNEL_WINE_FIXTURE})
