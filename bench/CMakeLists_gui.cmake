# The log benchmark: the main window's log with 100,000 lines, offscreen.
# A program that prints its figures, never a test. Included from
# bench/CMakeLists.txt when the GUI is built.
add_executable(varnel-log-bench ${CMAKE_CURRENT_LIST_DIR}/log_bench.cpp)
target_link_libraries(varnel-log-bench PRIVATE varnel_gui)
