# The simulated handset's own tests: its parsers, flash image, package
# builder, command line, and the handset driven by hand over a
# pseudo-terminal (line speeds, hang-ups, the loader's answers, faults). Included from
# tests/CMakeLists.txt.
add_executable(sim_tests
  ${CMAKE_CURRENT_LIST_DIR}/sim_command_line_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_flash_image_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_handset_faults_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_handset_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_package_builder_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_srecord_checker_test.cpp
)
target_link_libraries(sim_tests PRIVATE varnel_sim GTest::gtest_main)
gtest_discover_tests(sim_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS core TIMEOUT 60)
