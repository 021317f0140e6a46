# bench/report_window: how long the windows' thread stays busy while the exception report's window
# judges a year.
add_executable(bench_report_window ${CMAKE_CURRENT_SOURCE_DIR}/report_window.cpp)
target_link_libraries(bench_report_window PRIVATE ronvalo_desktop)
set_target_properties(bench_report_window PROPERTIES OUTPUT_NAME report_window
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
