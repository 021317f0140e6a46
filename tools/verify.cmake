ronvalo_tool(ronvalo-verify ronvalo_core ${CMAKE_CURRENT_SOURCE_DIR}/verify.cpp)
