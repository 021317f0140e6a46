# bench/browse: refresh of the punch browser's selections against a full scan with the row test.
add_executable(bench_browse ${CMAKE_CURRENT_SOURCE_DIR}/browse.cpp)
target_link_libraries(bench_browse PRIVATE ronvalo_browse)
set_target_properties(bench_browse PROPERTIES OUTPUT_NAME browse
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
