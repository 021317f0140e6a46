# bench/soak: the import and the backup killed at random moments (make soak), with the tally.
add_executable(bench_soak ${CMAKE_CURRENT_SOURCE_DIR}/soak.cpp)
target_link_libraries(bench_soak PRIVATE ronvalo_desktop sqlite3)
set_target_properties(bench_soak PROPERTIES OUTPUT_NAME soak
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
