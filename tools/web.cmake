# The web service is not built for Windows.
if(NOT WIN32)
    ronvalo_tool(ronvalo-web ronvalo_web ${CMAKE_CURRENT_SOURCE_DIR}/web.cpp)
endif()
