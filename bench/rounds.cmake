# bench/rounds: the evaluation of a year of punches against one plain reading of them.
add_executable(bench_rounds ${CMAKE_CURRENT_SOURCE_DIR}/rounds.cpp
                            ${CMAKE_CURRENT_SOURCE_DIR}/punch_fill.cpp)
target_link_libraries(bench_rounds PRIVATE ronvalo_desktop)
set_target_properties(bench_rounds PROPERTIES OUTPUT_NAME rounds
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
