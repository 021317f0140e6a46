ronvalo_tool(ronvalo-raport ronvalo_core ${CMAKE_CURRENT_SOURCE_DIR}/raport.cpp)
