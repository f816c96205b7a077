# The Qt-free units of the pages: the patch header and the patch file
# search, the conversion of the region texts, the Options dialog's mapping
# and the file dialog filter. Label "core": no Qt and no display, so CI runs
# them under the sanitizers too. The units are compiled in here as well as
# into varnel_gui, which a build without the GUI does not have.
add_executable(pages_tests
  ${CMAKE_CURRENT_LIST_DIR}/pages_file_filter_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pages_hex_text_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pages_patch_header_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pages_port_options_test.cpp
  ${PROJECT_SOURCE_DIR}/pages/file_filter.cpp
  ${PROJECT_SOURCE_DIR}/pages/hex_text.cpp
  ${PROJECT_SOURCE_DIR}/pages/patch_header.cpp
  ${PROJECT_SOURCE_DIR}/pages/port_options.cpp
)
target_link_libraries(pages_tests PRIVATE varnel_core GTest::gtest_main)
# A FIFO among the patch files: Windows has none.
if(NOT WIN32)
  target_sources(pages_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/pages_patch_header_posix_test.cpp)
endif()
gtest_discover_tests(pages_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS core TIMEOUT 60)
