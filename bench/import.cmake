# bench/import: the punch import of large dumps against a raw SQLite bulk insert of the same rows.
add_executable(bench_import ${CMAKE_CURRENT_SOURCE_DIR}/import.cpp)
target_link_libraries(bench_import PRIVATE ronvalo_desktop sqlite3)
set_target_properties(bench_import PROPERTIES OUTPUT_NAME import
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
