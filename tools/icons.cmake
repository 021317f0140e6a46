# ronvalo-icons: writes the program's icon in the icon theme's sizes, for the desktop menu.
ronvalo_tool(ronvalo-icons ronvalo_desktop ${CMAKE_CURRENT_SOURCE_DIR}/icons.cpp)
