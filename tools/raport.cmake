ronvalo_tool(ronvalo-raport ${CMAKE_CURRENT_SOURCE_DIR}/raport.cpp)
