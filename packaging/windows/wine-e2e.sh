#!/usr/bin/env bash
# The Windows program end to end under Wine on a virtual screen: the installer run silently,
# the program started, "Odbior" with the instrument simulator on the Linux side of COM1, the
# summary accepted; then the punches in db\Odbicia.db, the log lines in CP1250 and the settings
# in Wine's registry are checked. Screenshots of the main window and the summary dialog go to
# build-win/e2e/. Run after `make windows`.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/packaging/windows"
shots="$root/build-win/e2e"
setup="$root/build-win/ronvalo-2.2-setup.exe"
dump="$root/tests/data/veruru_sample_dump.txt"
[ -f "$setup" ] || { echo "wine-e2e: no $setup (make windows)" >&2; exit 1; }
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DRONVALO_TESTS=OFF >/dev/null
cmake --build "$root/build" --target veruru-sim >/dev/null
rm -rf "$shots" && mkdir -p "$shots"

. "$here/wine-env.sh"
# Wine reads command lines and paths in the Unix locale's encoding: UTF-8 for the Polish letters.
export LC_ALL=C.UTF-8
xvfb= sim= program=
cleanup() {
  for pid in $program $sim $xvfb; do kill "$pid" 2>/dev/null || true; done
  wine_prefix_end
}
trap cleanup EXIT
fail() { echo "wine-e2e: $*" >&2; exit 1; }

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
wine_prefix_start
# Wine has no Windows faces; the program falls back to the Liberation faces. They are installed as
# Windows installs a face: the file in C:\windows\Fonts and its name in the registry.
fonts="$WINEPREFIX/drive_c/fonts.reg"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\r\n' >"$fonts"
for face in /usr/share/fonts/truetype/liberation/*.ttf; do
  cp "$face" "$WINEPREFIX/drive_c/windows/Fonts/"
  printf '"%s (TrueType)"="%s"\r\n' "$(fc-scan --format '%{fullname[0]}' "$face")" "${face##*/}" >>"$fonts"
done
wine_run regedit /S 'C:\fonts.reg'

# A folder with Polish letters, as an operator's user folder may have.
wine_run "$setup" /S '/D=C:\Łódź\Ronvalo'
install="$WINEPREFIX/drive_c/Łódź/Ronvalo"
[ -f "$install/ronvalo.exe" ] && [ -f "$install/db/Odbicia.db" ] && [ -d "$install/txt" ] ||
  fail "the installer left no program with empty tables in C:\\Łódź\\Ronvalo"
wine_run reg query 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.0' >/dev/null 2>&1 ||
  fail "the installer made no settings key"

"$root/build/bin/veruru-sim" --link "$WINEPREFIX/com1" --auto 2 --gap 1500 "$dump" \
  >"$shots/veruru-sim.log" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$WINEPREFIX/com1" ] && break; sleep 0.1; done
wine_map_com 1 "$WINEPREFIX/com1"

# Polish regional formats, as at the operators' desks, from a Polish UTF-8 locale made for this
# run alone (Wine also reads the folder's name through it).
locales="$WINEPREFIX/locales"
mkdir -p "$locales"
localedef -i pl_PL -f UTF-8 "$locales/pl_PL.UTF-8" >/dev/null 2>&1 || [ -d "$locales/pl_PL.UTF-8" ] ||
  fail "cannot make the pl_PL.UTF-8 locale (Debian's locales package)"
# Wine's rasterizer leaves out a few narrow glyphs of Liberation Sans at the windows' 11 px
# ("I", "!"): the layout is the program's, the gaps are Wine's. RONVALO_WINE_ARGS passes Qt
# options to the program.
LOCPATH=$locales LC_ALL=pl_PL.UTF-8 timeout -k 10 300 wine 'C:\Łódź\Ronvalo\ronvalo.exe' ${RONVALO_WINE_ARGS:-} \
  >"$shots/ronvalo.log" 2>&1 &
program=$!

window() { timeout "${2:-60}" xdotool search --sync --onlyvisible --name "$1" | head -1; }
main=$(window '^Ronvalo 2.2$') || fail "the main window did not appear"
sleep 2
import -window root "$shots/main-window.png"

# "Odbior" is the toolbar's first button, under the menu bar at the window's left edge.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 25)) $((Y + 45)) click 1
# The download dialog receives both transmissions and closes by itself; the summary follows.
summary=$(window '^Dane wprowadzone' 60) || {
  import -window root "$shots/failure.png"
  fail "no summary dialog after the download (screen in failure.png)"
}
sleep 1
import -window root "$shots/summary-dialog.png"
xdotool key --window "$summary" Return
# The success line is written once the summary has closed; a loaded machine takes its time.
for _ in $(seq 60); do
  iconv -f CP1250 -t UTF-8 "$install/serwis.log" 2>/dev/null |
    grep -qF 'Odbicia wprowadzono do bazy danych. (' && break
  sleep 0.5
done

punches=$(sqlite3 "$install/db/Odbicia.db" 'SELECT COUNT(*) FROM Odbicia')
[ "$punches" -gt 0 ] || fail "no punches in db\\Odbicia.db"
log=$(iconv -f CP1250 -t UTF-8 "$install/serwis.log") || fail "serwis.log is not CP1250 text"
for line in 'Start programu' 'Otwarcie prortu' 'Transfer OK' 'Odbicia wprowadzono do bazy danych. ('; do
  grep -qF "$line" <<<"$log" || fail "serwis.log lacks \"$line\""
done
kill "$program" 2>/dev/null || true
timeout 60 wineserver -w >/dev/null 2>&1 || true
grep -A3 -F '[Software\\Kerbis\\Ronvalo 2.0]' "$WINEPREFIX/system.reg" >"$shots/settings.reg" ||
  fail "no settings key in Wine's registry"
grep -q '"COM"=dword:00000001' "$shots/settings.reg" && grep -q '"BackupDate"=hex:' "$shots/settings.reg" ||
  fail "the settings key lacks COM or BackupDate"
cp "$install/serwis.log" "$shots/"

# Installing again over the installation keeps its tables.
wine_run "$setup" /S '/D=C:\Łódź\Ronvalo'
[ "$(sqlite3 "$install/db/Odbicia.db" 'SELECT COUNT(*) FROM Odbicia')" = "$punches" ] ||
  fail "installing again replaced the tables"

# The uninstaller takes the program and leaves the data and the log.
wine_run "$install/uninstall.exe" /S
for _ in $(seq 30); do [ -e "$install/ronvalo.exe" ] || break; sleep 1; done
[ ! -e "$install/ronvalo.exe" ] || fail "the uninstaller left ronvalo.exe"
[ -f "$install/db/Odbicia.db" ] && [ -f "$install/serwis.log" ] && [ -d "$install/txt" ] ||
  fail "the uninstaller removed data or the log"
echo "wine-e2e: $punches punches stored; log, settings, reinstall and uninstall as expected; screenshots in $shots"
