add_executable(bench_reader_dump ${CMAKE_CURRENT_SOURCE_DIR}/reader_dump_bench.cpp)
target_link_libraries(bench_reader_dump PRIVATE ronvalo_desktop)
set_target_properties(bench_reader_dump PROPERTIES OUTPUT_NAME reader_dump
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
