# Sourced by the Windows checks: a throwaway Wine prefix that cannot hang a headless run.
#   wine_prefix_start      makes the prefix (WINEPREFIX), crash debugger off
#   wine_map_com N PATH    maps COMn to a device path (a pseudo-terminal) and restarts the server
#   wine_prefix_end        stops the prefix's server and removes it
# Every Wine call goes through `timeout`, so a program that waits for a click cannot stall a run.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
WINE_TIMEOUT=${WINE_TIMEOUT:-300}

wine_run() { timeout -k 10 "$WINE_TIMEOUT" wine "$@"; }

wine_prefix_start() {
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/ronvalo-wine.XXXXXX")
  export WINEPREFIX
  timeout -k 10 "$WINE_TIMEOUT" wineboot -i >/dev/null 2>&1
  # A crashing program ends instead of starting the debugger, which would wait for a window.
  wine_run reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
  wine_run reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
    >/dev/null 2>&1 || true
}

wine_map_com() {
  wine_run reg add 'HKLM\Software\Wine\Ports' /v "COM$1" /t REG_SZ /d "$2" /f >/dev/null
  timeout 60 wineserver -k >/dev/null 2>&1 || true
  timeout 60 wineserver -w >/dev/null 2>&1 || true
  # Wine's server takes the pseudo-terminal as its controlling terminal and dumps its objects
  # on the hang-up when the simulator goes: keep that out of the test output.
  timeout 60 wineserver 2>>"$WINEPREFIX/wineserver.log" || true
}

wine_prefix_end() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  timeout 60 wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
