# bench/report: time from row source to finished PDF for large punch reports.
add_executable(bench_report ${CMAKE_CURRENT_SOURCE_DIR}/report.cpp)
target_link_libraries(bench_report PRIVATE ronvalo_desktop)
set_target_properties(bench_report PROPERTIES OUTPUT_NAME report
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
