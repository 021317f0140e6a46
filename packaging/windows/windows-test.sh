#!/usr/bin/env bash
# make windows-test: the platform layer's Windows tests, built with MinGW-w64 and run under Wine
# in a throwaway prefix, with COM1 mapped to a pseudo-terminal where the instrument simulator
# (a Linux build) sends one transmission once the port is open.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/packaging/windows"
JOBS=${JOBS:-2}
cd "$root"

cmake -S . -B build-win-test -DCMAKE_TOOLCHAIN_FILE="$here/toolchain-mingw64.cmake" \
  -DRONVALO_PLATFORM_TESTS_ONLY=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-win-test -j"$JOBS"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DRONVALO_TESTS=OFF >/dev/null
cmake --build build -j"$JOBS" --target veruru-sim

. "$here/wine-env.sh"
sim=
cleanup() {
  [ -z "$sim" ] || kill "$sim" 2>/dev/null || true
  wine_prefix_end
}
trap cleanup EXIT
wine_prefix_start

dump="$root/tests/data/veruru_sample_dump.txt"
build/bin/veruru-sim --link "$WINEPREFIX/com1" --auto 1 --gap 500 "$dump" >/dev/null 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$WINEPREFIX/com1" ] && break; sleep 0.1; done
wine_map_com 1 "$WINEPREFIX/com1"

RONVALO_TEST_DUMP="Z:${dump//\//\\}" wine_run build-win-test/bin/test_platform_win32.exe
