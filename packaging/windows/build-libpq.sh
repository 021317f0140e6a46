#!/usr/bin/env bash
# libpq, PostgreSQL's client library, for 64-bit Windows (MinGW-w64) from Debian's own
# `postgresql-15` source, into the Windows cache: libpq.dll in bin/, its import library in lib/,
# its headers in include/. It talks TLS through the OpenSSL that build-openssl.sh put there first;
# Qt's QPSQL driver links it. Called by build-qt.sh, which sets PREFIX, WORK and JOBS; does
# nothing once PREFIX/.libpq exists.
#
# Only what libpq.dll is made of is built (src/port, src/common, src/interfaces/libpq), not the
# server. No readline, ICU or zlib: a client library needs none of them. The one folder libpq
# reads a file from by itself (pg_service.conf, when a connection names a service) is compiled
# in; it is put in the program's folder, C:\Program Files\Ronvalo\postgresql, which only
# administrators write, instead of the cache's Unix path, which on Windows names a folder on the
# current drive that any account can make.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${PREFIX:?}" "${WORK:?}" "${JOBS:=1}"
[ -f "$PREFIX/.libpq" ] && { echo "libpq for Windows is ready in $PREFIX"; exit 0; }
[ -f "$PREFIX/.openssl" ] || { echo "build-libpq: no OpenSSL for Windows in $PREFIX (build-openssl.sh)" >&2; exit 1; }
. "$here/debian-source.sh"

cd "$WORK"
debian_sources_ready
unpack_source postgresql-15 postgresql
rm -rf libpq-build && mkdir libpq-build && cd libpq-build
../postgresql/configure --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix \
  --prefix="$PREFIX" --sysconfdir="C:/Program Files/Ronvalo" \
  --with-ssl=openssl --with-includes="$PREFIX/include" --with-libraries="$PREFIX/lib" \
  --without-readline --without-icu --without-zlib >/dev/null
# The generated headers (utils/errcodes.h and the like) first: each folder's own make starts
# their generation beside its objects, so a parallel build could compile an object before them.
make -s -C src/backend generated-headers
for dir in src/port src/common src/interfaces/libpq; do make -s -C "$dir" -j"$JOBS" NO_GENERATED_HEADERS=yes; done
make -s -C src/interfaces/libpq install >/dev/null
# The DLL belongs in bin/ beside OpenSSL's, where the program's build looks; the copy in lib/ is
# left out so that nothing links or ships it from there.
rm -f "$PREFIX/lib/libpq.dll"
# The headers libpq-fe.h includes, and pg_config.h, whose version Qt's driver checks.
install -m 644 ../postgresql/src/include/postgres_ext.h ../postgresql/src/include/pg_config_manual.h \
  src/include/pg_config.h src/include/pg_config_ext.h "$PREFIX/include/"
touch "$PREFIX/.libpq"
echo "libpq for Windows is ready in $PREFIX"
