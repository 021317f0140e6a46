ronvalo_tool(ronvalo-verify ${CMAKE_CURRENT_SOURCE_DIR}/verify.cpp)
