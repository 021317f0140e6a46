# bench/browse: refresh of the punch browser's selections against a full scan with the row test.
# The server it measures on is the tests' own, started by the benchmark.
add_executable(bench_browse ${CMAKE_CURRENT_SOURCE_DIR}/browse.cpp
                            ${PROJECT_SOURCE_DIR}/tests/support/postgres_server.cpp)
target_include_directories(bench_browse PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(bench_browse PRIVATE ronvalo_desktop)
set_target_properties(bench_browse PROPERTIES OUTPUT_NAME browse
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
