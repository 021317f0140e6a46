# bench/csv: a million punches exported as the browser's grid exports them, beside a plain read.
add_executable(bench_csv ${CMAKE_CURRENT_SOURCE_DIR}/csv.cpp)
target_link_libraries(bench_csv PRIVATE ronvalo_desktop)
set_target_properties(bench_csv PROPERTIES OUTPUT_NAME csv
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
