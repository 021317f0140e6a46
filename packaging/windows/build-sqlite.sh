#!/usr/bin/env bash
# SQLite for 64-bit Windows (MinGW-w64) from Debian's own `sqlite3` source, as a static library
# linked into the programs: the long readings of the punch table go through SQLite's own
# interface. Into its own cache beside Qt's (RONVALO_WIN_SQLITE): lib/libsqlite3.a and
# include/sqlite3.h. Does nothing once the cache is complete (its mark names the build's recipe,
# so a cache made by an earlier recipe is built again).
#
# Qt's SQLite driver keeps its own copy, built into qsqlite.dll from the same source: two copies
# in one process are safe on Windows, where a file's byte-range locks belong to each handle.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
PREFIX=${RONVALO_WIN_SQLITE:-/var/cache/ronvalo/sqlite-mingw64}
WORK=${RONVALO_WIN_SQLITE_WORK:-$PREFIX-work}
triple=x86_64-w64-mingw32
mark="$PREFIX/.complete-static"
[ -f "$mark" ] && { echo "SQLite for Windows is ready in $PREFIX"; exit 0; }
command -v tclsh >/dev/null || {
  echo "build-sqlite: SQLite's amalgamation is made with tclsh (Debian package tcl)" >&2; exit 1; }
. "$here/debian-source.sh"

mkdir -p "$PREFIX" "$WORK"
cd "$WORK"
debian_sources_ready
unpack_source sqlite3 sqlite
# The amalgamation (sqlite3.c, sqlite3.h), made with the host's compiler and tclsh.
if [ ! -f amalgamation/sqlite3.c ]; then
  rm -rf amalgamation && mkdir amalgamation
  (cd amalgamation && ../sqlite/configure >/dev/null && make -s sqlite3.c >/dev/null)
fi
rm -rf "$PREFIX/lib" "$PREFIX/include"
mkdir -p "$PREFIX/lib" "$PREFIX/include"
# Serialized threading as SQLite's default; no extension loading, which the program never does.
"$triple-gcc-posix" -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION \
  -c amalgamation/sqlite3.c -o amalgamation/sqlite3.o
"$triple-ar" rcs "$PREFIX/lib/libsqlite3.a" amalgamation/sqlite3.o
cp amalgamation/sqlite3.h "$PREFIX/include/"
rm -f "$PREFIX"/.complete*
touch "$mark"
echo "SQLite for Windows is ready in $PREFIX"
