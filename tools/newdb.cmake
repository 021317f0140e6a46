ronvalo_tool(ronvalo-newdb ${CMAKE_CURRENT_SOURCE_DIR}/newdb.cpp)
