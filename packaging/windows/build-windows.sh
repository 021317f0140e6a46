#!/usr/bin/env bash
# make windows: the program cross-built for 64-bit Windows, its folder build-win/Ronvalo/ (the
# executables, the Qt DLLs and plugins they load, the MinGW runtime, all stripped) and the NSIS
# installer build-win/ronvalo-2.2-setup.exe. Needs the Qt that build-qt.sh makes and the
# libxlsxwriter of build-xlsxwriter.sh and the SQLite of build-sqlite.sh (both linked in
# statically). Of the SQL
# drivers, SQLite's serves the tables in the data folder, PostgreSQL's (with libpq and OpenSSL)
# a database server.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/packaging/windows"
QT=${RONVALO_WIN_QT:-/var/cache/ronvalo/qt6-mingw64-psql}
JOBS=${JOBS:-$(nproc)}
triple=x86_64-w64-mingw32
out="$root/build-win"
folder="$out/Ronvalo"

[ -f "$QT/.complete" ] || { echo "build-windows: no Qt for Windows in $QT (packaging/windows/build-qt.sh)" >&2; exit 1; }
"$here/build-xlsxwriter.sh"
"$here/build-sqlite.sh"
host_cmake=$(dirname "$(dirname "$(find /usr/lib -path '*cmake/Qt6HostInfo/Qt6HostInfoConfig.cmake' | head -1)")")

cmake -S "$root" -B "$out/cmake" -DCMAKE_TOOLCHAIN_FILE="$here/toolchain-ronvalo.cmake" \
  -DRONVALO_WIN_QT="$QT" -DQT_HOST_PATH_CMAKE_DIR="$host_cmake" \
  -DCMAKE_BUILD_TYPE=Release -DRONVALO_TESTS=OFF -DRONVALO_BENCH=OFF >/dev/null
cmake --build "$out/cmake" -j"$JOBS" --target ronvalo ronvalo-newdb ronvalo-raport ronvalo-verify

rm -rf "$folder"
mkdir -p "$folder"/{platforms,sqldrivers,styles}
cp "$out/cmake/bin/ronvalo.exe" "$out/cmake/bin/ronvalo-newdb.exe" "$out/cmake/bin/ronvalo-raport.exe" "$out/cmake/bin/ronvalo-verify.exe" "$folder/"
cp "$QT/plugins/platforms/qwindows.dll" "$folder/platforms/"
cp "$QT/plugins/sqldrivers/qsqlite.dll" "$QT/plugins/sqldrivers/qsqlpsql.dll" "$folder/sqldrivers/"
cp "$QT/plugins/styles/"*.dll "$folder/styles/"
# Qt's own Polish texts for its standard dialogs, from Debian's qt6-translations-l10n (a .qm
# file is the same on every system); the program looks in translations\ beside itself.
mkdir -p "$folder/translations"
cp /usr/share/qt6/translations/qtbase_pl.qm "$folder/translations/"

# qtbase has no deployment tool: follow the imports of every file in the folder and copy each
# DLL found in Qt or the MinGW runtime; the rest are the system's own. Windows matches DLL names
# regardless of case (qsqlpsql.dll imports "LIBPQ.dll"): a copy keeps its file's own name.
search=("$QT/bin" "/usr/lib/gcc/$triple/12-posix" "/usr/$triple/lib")
imports() { "$triple-objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
queue=("$folder"/*.exe "$folder"/*/*.dll)
while [ ${#queue[@]} -gt 0 ]; do
  file=${queue[0]}; queue=("${queue[@]:1}")
  for dll in $(imports "$file"); do
    [ -n "$(find "$folder" -maxdepth 1 -iname "$dll" -print -quit)" ] && continue
    for dir in "${search[@]}"; do
      found=$(find "$dir" -maxdepth 1 -iname "$dll" -print -quit)
      if [ -n "$found" ]; then cp "$found" "$folder/"; queue+=("$folder/${found##*/}"); break; fi
    done
  done
done
# The PostgreSQL driver loads libpq, and libpq OpenSSL's two DLLs, all from the cache's bin/. A
# DLL the search above did not find is taken for one of Windows' own, so their absence would pass
# unseen.
for dll in libpq.dll libssl-3-x64.dll libcrypto-3-x64.dll; do
  [ -f "$folder/$dll" ] || { echo "build-windows: no $dll for sqldrivers/qsqlpsql.dll in $QT/bin" >&2; exit 1; }
done
find "$folder" -iname '*.exe' -o -iname '*.dll' | xargs "$triple-strip" --strip-unneeded

makensis -V2 -DSOURCE="$folder" -DOUTPUT="$out/ronvalo-2.2-setup.exe" "$here/ronvalo.nsi"
echo "Windows program: $folder ($(du -sh "$folder" | cut -f1)); installer: $out/ronvalo-2.2-setup.exe ($(du -h "$out/ronvalo-2.2-setup.exe" | cut -f1))"
