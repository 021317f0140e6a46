#!/usr/bin/env bash
# OpenSSL for 64-bit Windows (MinGW-w64) from Debian's own `openssl` source, into the Windows
# cache: libssl-3-x64.dll and libcrypto-3-x64.dll in bin/, their import libraries in lib/, the
# headers in include/. libpq links it for TLS to a PostgreSQL server. Called by build-qt.sh, which
# sets PREFIX, WORK and JOBS; does nothing once PREFIX/.openssl exists.
#
# A Windows program finds OpenSSL's configuration file (which can name DLLs to load) in the
# folder compiled in as OPENSSLDIR. Left to the cache's Unix path, that is \var\cache\... on the
# current drive, a folder any standard account can make: so the folders compiled in are the ones
# OpenSSL itself uses on Windows, under %ProgramFiles%, which only administrators write. Besides,
# no-dso leaves OpenSSL unable to load any DLL (engine or provider) at all; no-legacy leaves out
# the provider of obsolete ciphers, which would otherwise be such a DLL.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${PREFIX:?}" "${WORK:?}" "${JOBS:=1}"
[ -f "$PREFIX/.openssl" ] && { echo "OpenSSL for Windows is ready in $PREFIX"; exit 0; }
. "$here/debian-source.sh"

cd "$WORK"
debian_sources_ready
unpack_source openssl openssl
dirs=(OPENSSLDIR="C:/Program Files/Common Files/SSL"
      ENGINESDIR="C:/Program Files/OpenSSL/lib/engines-3"
      MODULESDIR="C:/Program Files/OpenSSL/lib/ossl-modules")
rm -rf openssl-build && mkdir openssl-build && cd openssl-build
../openssl/Configure mingw64 shared no-tests no-dso no-legacy \
  --cross-compile-prefix=x86_64-w64-mingw32- CC=gcc-posix \
  --prefix="$PREFIX" --libdir=lib >/dev/null
# The libraries alone (no openssl.exe, no manual pages) and what building against them needs.
make -s -j"$JOBS" build_libs "${dirs[@]}"
make -s install_dev "${dirs[@]}" >/dev/null
touch "$PREFIX/.openssl"
echo "OpenSSL for Windows is ready in $PREFIX"
