ronvalo_tool(ronvalo-newdb ronvalo_core ${CMAKE_CURRENT_SOURCE_DIR}/newdb.cpp)
