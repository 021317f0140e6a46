# bench/archive: the archive check over a year of downloads, beside one plain reading of the punches.
add_executable(bench_archive ${CMAKE_CURRENT_SOURCE_DIR}/archive.cpp)
target_link_libraries(bench_archive PRIVATE ronvalo_desktop)
set_target_properties(bench_archive PROPERTIES OUTPUT_NAME archive
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
