# The program's cross-build: the MinGW-w64 toolchain plus the Qt for Windows in RONVALO_WIN_QT,
# with the host's Qt tools (moc, rcc, uic) doing the generating.
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw64.cmake)
if(NOT RONVALO_WIN_QT)
    set(RONVALO_WIN_QT "$ENV{RONVALO_WIN_QT}")
endif()
# A static library's cache of its own beside Qt's: VARIABLE as given to CMake, else as in the
# environment, else DEFAULT.
macro(ronvalo_win_cache variable default)
    if(NOT ${variable})
        set(${variable} "$ENV{${variable}}")
    endif()
    if(NOT ${variable})
        set(${variable} ${default})
    endif()
endmacro()
# libxlsxwriter's static build (build-xlsxwriter.sh) and SQLite's (build-sqlite.sh).
ronvalo_win_cache(RONVALO_WIN_XLSXWRITER /var/cache/ronvalo/xlsxwriter-mingw64)
ronvalo_win_cache(RONVALO_WIN_SQLITE /var/cache/ronvalo/sqlite-mingw64)
list(APPEND CMAKE_FIND_ROOT_PATH ${RONVALO_WIN_QT} ${RONVALO_WIN_XLSXWRITER} ${RONVALO_WIN_SQLITE})
list(APPEND CMAKE_PREFIX_PATH ${RONVALO_WIN_QT})
set(QT_HOST_PATH /usr)
