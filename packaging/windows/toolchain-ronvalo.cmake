# The program's cross-build: the MinGW-w64 toolchain plus the Qt for Windows in RONVALO_WIN_QT,
# with the host's Qt tools (moc, rcc, uic) doing the generating.
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw64.cmake)
if(NOT RONVALO_WIN_QT)
    set(RONVALO_WIN_QT "$ENV{RONVALO_WIN_QT}")
endif()
# libxlsxwriter's static build (build-xlsxwriter.sh), in a cache of its own beside Qt's.
if(NOT RONVALO_WIN_XLSXWRITER)
    set(RONVALO_WIN_XLSXWRITER "$ENV{RONVALO_WIN_XLSXWRITER}")
endif()
if(NOT RONVALO_WIN_XLSXWRITER)
    set(RONVALO_WIN_XLSXWRITER /var/cache/ronvalo/xlsxwriter-mingw64)
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${RONVALO_WIN_QT} ${RONVALO_WIN_XLSXWRITER})
list(APPEND CMAKE_PREFIX_PATH ${RONVALO_WIN_QT})
set(QT_HOST_PATH /usr)
