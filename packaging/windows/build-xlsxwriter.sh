#!/usr/bin/env bash
# libxlsxwriter, the XLSX writer of the exports, for 64-bit Windows (MinGW-w64) from Debian's own
# `libxlsxwriter` source, as a static library linked into the programs, with zlib from Debian's
# `libz-mingw-w64-dev`. Into its own cache beside Qt's (RONVALO_WIN_XLSXWRITER): lib/ and
# include/. Does nothing once the cache is complete (its mark names the build's recipe, so a cache
# made by an earlier recipe is built again).
#
# Changes to the source, all idempotent:
# - the library opens the workbook and its files by UTF-8 names through the wide Win32 calls,
#   except under MinGW, where it falls back to the ANSI ones: "wyjątki.xlsx" came out under a
#   garbled name. The MinGW exclusion is dropped (MinGW-w64 has them all), and minizip's Win32
#   file functions are built under MinGW too, not only with MSVC.
# - numbers go into the sheets through the library's own locale-free conversion
#   (USE_DTOA_LIBRARY), not printf, which writes "0,5" in a Polish locale.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
PREFIX=${RONVALO_WIN_XLSXWRITER:-/var/cache/ronvalo/xlsxwriter-mingw64}
WORK=${RONVALO_WIN_XLSXWRITER_WORK:-$PREFIX-work}
mark="$PREFIX/.complete-wide-names"
[ -f "$mark" ] && { echo "libxlsxwriter for Windows is ready in $PREFIX"; exit 0; }
[ -f /usr/x86_64-w64-mingw32/lib/libz.a ] || {
  echo "build-xlsxwriter: no zlib for MinGW-w64 (Debian package libz-mingw-w64-dev)" >&2; exit 1; }
. "$here/debian-source.sh"

mkdir -p "$PREFIX" "$WORK"
cd "$WORK"
debian_sources_ready
unpack_source libxlsxwriter libxlsxwriter
for file in libxlsxwriter/src/utility.c libxlsxwriter/src/packager.c; do
  sed -i '/^#ifdef __MINGW32__$/,/^#endif$/ s/^#undef _WIN32$/\/* _WIN32 kept: MinGW-w64 has the wide calls *\//' "$file"
done
sed -i '/^    if(MSVC)$/{N;s/^    if(MSVC)\(\n *list(APPEND LXW_SOURCES third_party\/minizip\/iowin32.c)\)/    if(WIN32)\1/}' \
  libxlsxwriter/CMakeLists.txt
rm -rf build "$PREFIX/lib" "$PREFIX/include"
cmake -S libxlsxwriter -B build -DCMAKE_TOOLCHAIN_FILE="$here/toolchain-mingw64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
  -DUSE_DTOA_LIBRARY=ON -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF >/dev/null
cmake --build build --parallel "${JOBS:-1}" >/dev/null
cmake --install build >/dev/null
rm -f "$PREFIX"/.complete*
touch "$mark"
echo "libxlsxwriter for Windows is ready in $PREFIX"
