# bench/web: the web service's pages on ten million punches, each beside a baseline of the same
# run (its static style sheet, ronvalo-raport's PDF), and 50 clients at once through ab. It starts
# the service of this build the way the web tests do.
if(NOT WIN32)
    add_executable(bench_web ${CMAKE_CURRENT_SOURCE_DIR}/web.cpp
                             ${CMAKE_CURRENT_SOURCE_DIR}/web_installation.cpp
                             ${CMAKE_CURRENT_SOURCE_DIR}/load_figures.cpp
                             ${CMAKE_CURRENT_SOURCE_DIR}/overview_parts.cpp
                             ${CMAKE_CURRENT_SOURCE_DIR}/punch_fill.cpp
                             ${PROJECT_SOURCE_DIR}/tests/web/service_process.cpp)
    target_include_directories(bench_web PRIVATE ${PROJECT_SOURCE_DIR}/tests/web)
    target_compile_definitions(bench_web PRIVATE RONVALO_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    target_link_libraries(bench_web PRIVATE ronvalo_web)
    add_dependencies(bench_web ronvalo-web ronvalo-raport)
    set_target_properties(bench_web PROPERTIES OUTPUT_NAME web
                          RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
