#!/usr/bin/env bash
# Builds Qt's base modules for 64-bit Windows (MinGW-w64) from Debian's own source of qt6-base,
# once, into a cache outside the project's build folders that every later Windows build reuses.
# Qt's PostgreSQL driver (QPSQL) needs libpq and, for TLS, OpenSSL, which Debian has for Linux
# only: both are built first, from Debian's sources too, into the same cache
# (build-openssl.sh, build-libpq.sh).
#
#   packaging/windows/build-qt.sh            # builds when the cache is missing; else does nothing
#   RONVALO_WIN_QT=/some/prefix ...          # where the finished Qt goes (default below)
#
# The cache's name says that it holds the QPSQL driver: a cache made before, without it, is never
# taken for this one. Each stage marks its end in the cache (.openssl, .libpq, and .complete for
# the whole), so a run after a failure starts at the stage that failed; Qt's own build carries on
# in its build folder.
#
# Debian removes the bundled SQLite from its Qt source, so the SQLite driver is built against the
# SQLite amalgamation made from Debian's sqlite3 source of the same release. Debian also removes
# the tablet (wintab) headers, so tablet events are left out: the program has no use for them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
PREFIX=${RONVALO_WIN_QT:-/var/cache/ronvalo/qt6-mingw64-psql}
WORK=${RONVALO_WIN_QT_WORK:-$PREFIX-work}
JOBS=${JOBS:-$(nproc)}
export PREFIX WORK JOBS
. "$here/debian-source.sh"

[ -f "$PREFIX/lib/cmake/Qt6/Qt6Config.cmake" ] && [ -f "$PREFIX/.complete" ] && {
  echo "Qt for Windows is ready in $PREFIX"; exit 0; }

need=(g++-mingw-w64-x86-64-posix cmake ninja-build make perl qt6-base-dev qt6-base-dev-tools dpkg-dev tcl)
missing=()
for p in "${need[@]}"; do dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}"
fi

debian_sources_ready
mkdir -p "$PREFIX" "$WORK"
"$here/build-openssl.sh"
"$here/build-libpq.sh"

cd "$WORK"
unpack_source qt6-base qtbase
unpack_source sqlite3 sqlite

# With OpenGL off, 6.4.2's Windows platform plugin still takes the dynamic-OpenGL branch in one
# function (its dynamicgl feature follows opengl_dynamic, not opengl) and fails to compile there:
# guard that branch by OpenGL too. The edit is idempotent.
sed -i '/^static inline bool isSoftwareGl()/,/^}/ s/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
  qtbase/src/plugins/platforms/windows/qwindowswindow.cpp

# The SQLite amalgamation (sqlite3.c, sqlite3.h, sqlite3ext.h), made with the host compiler and tclsh, placed
# where Qt's SQLite driver looks for its bundled copy.
if [ ! -f qtbase/src/3rdparty/sqlite/sqlite3.c ]; then
  rm -rf sqlite-build && mkdir sqlite-build
  (cd sqlite-build && ../sqlite/configure >/dev/null && make -s sqlite3.c >/dev/null)
  mkdir -p qtbase/src/3rdparty/sqlite
  cp sqlite-build/sqlite3.c sqlite-build/sqlite3.h sqlite/src/sqlite3ext.h qtbase/src/3rdparty/sqlite/
fi

# The driver links libpq's import library (PostgreSQL's build names it libpq.a).
libpq="$PREFIX/lib/libpq.a"
host_cmake=$(dirname "$(dirname "$(find /usr/lib -path '*cmake/Qt6HostInfo/Qt6HostInfoConfig.cmake' | head -1)")")
cmake -G Ninja -S qtbase -B build \
  -DCMAKE_TOOLCHAIN_FILE="$here/toolchain-mingw64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake" -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF \
  -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF \
  -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=OFF -DFEATURE_sql_odbc=OFF -DFEATURE_sql_psql=ON \
  -DPostgreSQL_INCLUDE_DIR="$PREFIX/include" -DPostgreSQL_LIBRARY="$libpq" \
  -DFEATURE_sql_mysql=OFF -DFEATURE_sql_ibase=OFF -DFEATURE_sql_oci=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF \
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_libpng=OFF -DFEATURE_system_libjpeg=OFF \
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF
cmake --build build --parallel "$JOBS"
cmake --install build
touch "$PREFIX/.complete"
echo "Qt for Windows is ready in $PREFIX"
