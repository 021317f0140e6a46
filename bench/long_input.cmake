# bench/long_input: outside input at sizes no operator types: the exception report's layout of a
# name thousands of characters long, and the plan window over 50 000 plans.
add_executable(bench_long_input ${CMAKE_CURRENT_SOURCE_DIR}/long_input.cpp)
target_link_libraries(bench_long_input PRIVATE ronvalo_desktop)
set_target_properties(bench_long_input PROPERTIES OUTPUT_NAME long_input
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
