#!/usr/bin/env bash
# The Windows installer and program end to end under Wine on a virtual screen, run after
# `make windows`:
#  1. refusals: a link or a file in place of C:\ProgramData\Ronvalo, and a failing icacls, stop
#     the installer before it copies anything;
#  2. a new installation: code in C:\Program Files\Ronvalo, data in C:\ProgramData\Ronvalo with
#     the rights commands run on it and on everything in it, DataFolder in
#     HKLM\SOFTWARE\Kerbis\Ronvalo 2.2; "Odbior" with
#     the instrument simulator on the Linux side of COM1 stores punches in the data folder; the
#     log in CP1250 and the settings are checked; reinstalling keeps the tables; uninstalling
#     takes the code and leaves the data;
#  3. an upgrade of the earlier layout (code and data together in C:\Łódź\Ronvalo, with files a
#     user planted there): the data stays where it is and is named as the data folder, the old
#     code goes, nothing from that folder runs, "Baza" moves from the settings key into the
#     installation key, and a second download lands in its tables;
#  4. a site on a server: the installed ronvalo-newdb.exe makes the tables on a PostgreSQL
#     server of this machine over TLS (sslmode=verify-full, the password in the operator's
#     pgpass.conf); "Baza" in the operators' settings key is ignored (the download stays in the
#     data folder, the log says so); "Baza" in the installation key names the server, and
#     "Odbior" stores the punches and their archive row there instead of in the data folder.
# Wine's icacls is a dummy that changes no rights, so a recorder takes its place: the check sees
# which commands the installer ran and how it takes a failure, not their effect on the rights.
# Wine grants every account everything, so what a standard account is refused shows only on
# Windows. Screenshots and logs go to build-win/e2e/.
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
recorder="$shots/command-recorder.exe"
x86_64-w64-mingw32-g++-posix -std=c++20 -O1 -static -Wall -Wextra -Werror \
  "$here/command_recorder.cpp" -o "$recorder"

. "$here/wine-env.sh"
. "$here/tls-server.sh"
# Wine reads command lines and paths in the Unix locale's encoding: UTF-8 for the Polish letters.
export LC_ALL=C.UTF-8
# The recorder in system32 runs instead of Wine's own icacls.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;icacls.exe=n"
xvfb= sim= program=
cleanup() {
  for pid in $program $sim $xvfb; do kill "$pid" 2>/dev/null || true; done
  tls_server_stop
  wine_prefix_end
}
trap cleanup EXIT
fail() { echo "wine-e2e: $*" >&2; exit 1; }

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
wine_prefix_start
drive="$WINEPREFIX/drive_c"
code="$drive/Program Files/Ronvalo"
data="$drive/ProgramData/Ronvalo"
old="$drive/Łódź/Ronvalo"
elsewhere="$WINEPREFIX/elsewhere"
commands="$drive/commands.log"
mkdir -p "$elsewhere"
cp "$recorder" "$drive/windows/system32/icacls.exe"
# Wine has no Windows faces; the program falls back to the Liberation faces. They are installed as
# Windows installs a face: the file in C:\windows\Fonts and its name in the registry.
fonts="$drive/fonts.reg"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\r\n' >"$fonts"
for face in /usr/share/fonts/truetype/liberation/*.ttf; do
  cp "$face" "$drive/windows/Fonts/"
  printf '"%s (TrueType)"="%s"\r\n' "$(fc-scan --format '%{fullname[0]}' "$face")" "${face##*/}" >>"$fonts"
done
wine_run regedit /S 'C:\fonts.reg'

# Polish regional formats, as at the operators' desks, from a Polish UTF-8 locale made for this
# run alone (Wine also reads the folder's name through it).
locales="$WINEPREFIX/locales"
mkdir -p "$locales"
localedef -i pl_PL -f UTF-8 "$locales/pl_PL.UTF-8" >/dev/null 2>&1 || [ -d "$locales/pl_PL.UTF-8" ] ||
  fail "cannot make the pl_PL.UTF-8 locale (Debian's locales package)"

install() { : >"$commands"; wine_run "$setup" /S; }
# A key as REGEDIT5 text in UTF-8; nothing when it is absent.
key() {
  wine_run reg export "$1" 'C:\export.reg' /y >/dev/null 2>&1 || return 0
  iconv -f UTF-16 -t UTF-8 "$drive/export.reg" | tr -d '\r' | sed 1d
}
value() { key "$1" | sed -n "s/^\"$2\"=//p"; }
punches() { sqlite3 "$1/db/Odbicia.db" 'SELECT COUNT(*) FROM Odbicia'; }
successes() {
  iconv -f CP1250 -t UTF-8 "$1/serwis.log" 2>/dev/null | grep -cF 'Odbicia wprowadzono do bazy danych. (' || true
}
# The rights commands the installer runs on a data folder WINDOWS_PATH, in their order.
rights_commands() {
  local icacls='"C:\windows\system32\icacls.exe"'
  printf '%s "%s" /setowner *S-1-5-32-544 /T /L /Q\n' "$icacls" "$1"
  printf '%s "%s" /reset /T /L /Q\n' "$icacls" "$1"
  printf '%s "%s" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F /L /Q\n' "$icacls" "$1"
  printf '%s "%s" /grant:r *S-1-5-32-545:(OI)(CI)M /L /Q\n' "$icacls" "$1"
}
expect_commands() {
  diff <(rights_commands "$1") <(tr -d '\r' <"$commands") >"$shots/commands.diff" ||
    fail "the installer ran other commands than the data folder's rights ($shots/commands.diff)"
}

# "Odbior" in the installed program with the simulator sending DUMP twice; waits for the success
# line in DATA/serwis.log. NAME prefixes the screenshots.
download() {
  local dump=$1 data=$2 name=$3 before
  before=$(successes "$data")
  "$root/build/bin/veruru-sim" --link "$WINEPREFIX/com1" --auto 2 --gap 1500 "$dump" \
    >"$shots/$name-veruru-sim.log" 2>&1 &
  sim=$!
  for _ in $(seq 50); do [ -e "$WINEPREFIX/com1" ] && break; sleep 0.1; done
  wine_map_com 1 "$WINEPREFIX/com1"
  # Wine's rasterizer leaves out a few narrow glyphs of Liberation Sans at the windows' 11 px
  # ("I", "!"): the layout is the program's, the gaps are Wine's. RONVALO_WINE_ARGS passes Qt
  # options to the program.
  LOCPATH=$locales LC_ALL=pl_PL.UTF-8 timeout -k 10 300 wine 'C:\Program Files\Ronvalo\ronvalo.exe' \
    ${RONVALO_WINE_ARGS:-} >"$shots/$name-ronvalo.log" 2>&1 &
  program=$!
  local main summary
  main=$(window '^Ronvalo 2.2$') || fail "the main window did not appear"
  sleep 2
  import -window root "$shots/$name-main-window.png"
  # "Odbior" is the toolbar's first button, under the menu bar at the window's left edge.
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove $((X + 25)) $((Y + 45)) click 1
  # The download dialog receives both transmissions and closes by itself; the summary follows.
  summary=$(window '^Dane wprowadzone' 60) || {
    import -window root "$shots/$name-failure.png"
    fail "no summary dialog after the download (screen in $name-failure.png)"
  }
  sleep 1
  import -window root "$shots/$name-summary-dialog.png"
  xdotool key --window "$summary" Return
  # The success line is written once the summary has closed; a loaded machine takes its time.
  for _ in $(seq 60); do [ "$(successes "$data")" -gt "$before" ] && break; sleep 0.5; done
  [ "$(successes "$data")" -gt "$before" ] || fail "no success line in the data folder's serwis.log"
  kill "$program" "$sim" 2>/dev/null || true
  wait "$program" "$sim" 2>/dev/null || true
  program= sim=
  timeout 60 wineserver -w >/dev/null 2>&1 || true
}
window() { timeout "${2:-60}" xdotool search --sync --onlyvisible --name "$1" | head -1; }

# 1. Refusals. A link (a reparse point to Windows programs) or a file in place of the data folder,
# as a user may make one in C:\ProgramData beforehand; then a failing rights command.
for planted in link file; do
  if [ "$planted" = link ]; then ln -s "$elsewhere" "$data"; else : >"$data"; fi
  install && fail "installed with a $planted in place of C:\\ProgramData\\Ronvalo"
  [ ! -s "$commands" ] || fail "changed the rights of a $planted in place of the data folder"
  rm -f "$data"
done
[ -z "$(ls -A "$elsewhere")" ] || fail "the installer wrote through a link"
: >"$drive/commands.fail"
install && fail "installed although icacls failed"
rm "$drive/commands.fail"
[ ! -e "$code/ronvalo.exe" ] || fail "a refused installation copied the program"
[ -z "$(value 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.2' DataFolder)" ] || fail "a refused installation named a data folder"
rm -rf "$data"

# 2. A new installation.
install || fail "the installer failed"
for file in ronvalo.exe ronvalo-newdb.exe ronvalo-raport.exe ronvalo-verify.exe uninstall.exe Qt6Core.dll platforms/qwindows.dll \
  sqldrivers/qsqlite.dll sqldrivers/qsqlpsql.dll libpq.dll libssl-3-x64.dll libcrypto-3-x64.dll; do
  [ -f "$code/$file" ] || fail "no $file in C:\\Program Files\\Ronvalo"
done
[ ! -e "$code/db" ] || fail "tables in the program's folder"
[ -f "$data/db/Odbicia.db" ] && [ -f "$data/db/Czytniki.db" ] && [ -f "$data/db/NrOdc.DB" ] &&
  [ -f "$data/db/Obchody.db" ] && [ -d "$data/txt" ] ||
  fail "no empty tables and txt\\ in C:\\ProgramData\\Ronvalo"
expect_commands 'C:\ProgramData\Ronvalo'
[ "$(value 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.2' DataFolder)" = '"C:\\ProgramData\\Ronvalo\\"' ] ||
  fail "DataFolder does not name C:\\ProgramData\\Ronvalo\\"
[ "$(value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ronvalo' InstallLocation)" = \
  '"C:\\Program Files\\Ronvalo"' ] || fail "the uninstall entry does not name C:\\Program Files\\Ronvalo"
[ -n "$(key 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.0')" ] || fail "the installer made no settings key"
[ "$(value 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.2' ServerSettingMoved)" = dword:00000001 ] &&
  [ -z "$(value 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.2' Baza)" ] ||
  fail "a new installation did not mark the server setting as moved, or made one"

download "$dump" "$data" new
punches=$(punches "$data")
[ "$punches" -gt 0 ] || fail "no punches in C:\\ProgramData\\Ronvalo\\db\\Odbicia.db"
log=$(iconv -f CP1250 -t UTF-8 "$data/serwis.log") || fail "serwis.log is not CP1250 text"
for line in 'Start programu' 'Otwarcie prortu' 'Transfer OK' 'Odbicia wprowadzono do bazy danych. ('; do
  grep -qF "$line" <<<"$log" || fail "serwis.log lacks \"$line\""
done
[ ! -e "$code/serwis.log" ] || fail "the program wrote its log beside its code"
grep -A3 -F '[Software\\Kerbis\\Ronvalo 2.0]' "$WINEPREFIX/system.reg" >"$shots/settings.reg" ||
  fail "no settings key in Wine's registry"
grep -q '"COM"=dword:00000001' "$shots/settings.reg" && grep -q '"BackupDate"=hex:' "$shots/settings.reg" ||
  fail "the settings key lacks COM or BackupDate"
cp "$data/serwis.log" "$shots/"

# Installing again keeps the tables.
install || fail "installing again failed"
[ "$(punches "$data")" = "$punches" ] || fail "installing again replaced the tables"
expect_commands 'C:\ProgramData\Ronvalo'

# The uninstaller takes the code and leaves the data, the log and the settings.
wine_run "$code/uninstall.exe" /S
for _ in $(seq 30); do [ -e "$code" ] || break; sleep 1; done
[ ! -e "$code" ] || fail "the uninstaller left C:\\Program Files\\Ronvalo"
[ "$(punches "$data")" = "$punches" ] && [ -f "$data/serwis.log" ] && [ -d "$data/txt" ] ||
  fail "the uninstaller removed data or the log"
[ -z "$(value 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.2' DataFolder)" ] || fail "the uninstaller left DataFolder"
[ "$(value 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.2' ServerSettingMoved)" = dword:00000001 ] ||
  fail "the uninstaller removed the server setting's marker"
[ -z "$(key 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ronvalo')" ] || fail "the uninstaller left its entry"
[ -n "$(key 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.0')" ] || fail "the uninstaller removed the settings"

# 3. The earlier layout in C:\Łódź\Ronvalo: the data above with the program's code beside it,
# its uninstall entry, and what a standard user could put there: his own uninstaller, table maker
# and a DLL named like a system one, and a plugin folder turned into a link to a folder elsewhere.
mkdir -p "$old/BACKUP"
mv "$data"/* "$old/" && rmdir "$data"
cp "$old/db/"* "$old/BACKUP/"
printf 'poprzedni\r\n' >"$old/serwis.001"
cp -r "$root/build-win/Ronvalo/." "$old/"
printf '[Paths]\r\nPlugins=.\r\n' >"$old/qt.conf"
for planted in uninstall.exe ronvalo-newdb.exe version.dll; do cp "$recorder" "$old/$planted"; done
rm -rf "$old/styles" && mkdir "$elsewhere/styles" && cp "$recorder" "$elsewhere/styles/qwindowsvistastyle.dll"
ln -s "$elsewhere/styles" "$old/styles"
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ronvalo'
wine_run reg add "$entry" /v DisplayName /d 'Ronvalo 2.2' /f >/dev/null
wine_run reg add "$entry" /v InstallLocation /d 'C:\Łódź\Ronvalo' /f >/dev/null
wine_run reg add "$entry" /v UninstallString /d '"C:\Łódź\Ronvalo\uninstall.exe"' /f >/dev/null
# The earlier layout had no installation key, and its server setting lay in the settings key.
wine_run reg delete 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.2' /f >/dev/null
settings=$(key 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.0')
moved='host=serwer.example dbname=ronvalo user=ronvalo'
wine_run reg add 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.0' /v Baza /t REG_SZ /d "$moved" /f >/dev/null

install || fail "the upgrade failed"
expect_commands 'C:\Łódź\Ronvalo' # and nothing the user planted ran
[ "$(value 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.2' DataFolder)" = '"C:\\Łódź\\Ronvalo\\"' ] ||
  fail "DataFolder does not name the earlier installation's folder"
for file in ronvalo.exe ronvalo-newdb.exe uninstall.exe qt.conf Qt6Core.dll version.dll platforms sqldrivers; do
  [ ! -e "$old/$file" ] || fail "the upgrade left the old $file"
done
# Wine cannot remove a Unix link as a folder; on Windows RMDir removes a junction itself.
[ -f "$elsewhere/styles/qwindowsvistastyle.dll" ] || fail "the upgrade deleted through a link"
[ "$(punches "$old")" = "$punches" ] && [ -f "$old/BACKUP/Odbicia.db" ] && [ -f "$old/serwis.001" ] &&
  [ -n "$(ls "$old/txt")" ] || fail "the upgrade lost data"
[ ! -e "$data" ] || fail "the upgrade made C:\\ProgramData\\Ronvalo"
[ "$(value "$entry" InstallLocation)" = '"C:\\Program Files\\Ronvalo"' ] &&
  [ "$(value "$entry" UninstallString)" = '"\"C:\\Program Files\\Ronvalo\\uninstall.exe\""' ] ||
  fail "the old uninstall entry was not replaced"
[ "$(key 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.0')" = "$settings" ] ||
  fail "the upgrade changed the settings other than taking \"Baza\" out"
[ "$(value 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.2' Baza)" = "\"$moved\"" ] ||
  fail "the upgrade did not move \"Baza\" into the installation key"
# Once: a value a user puts into the settings key later stays there, and the program ignores it.
wine_run reg add 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.0' /v Baza /t REG_SZ /d 'host=inny.example' /f >/dev/null
install || fail "installing over the upgrade failed"
[ "$(value 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.2' Baza)" = "\"$moved\"" ] ||
  fail "a second installation moved a user's \"Baza\""
wine_run reg delete 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.0' /v Baza /f >/dev/null
wine_run reg delete 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.2' /v Baza /f >/dev/null # local tables below

# Another instrument's transmission lands in the kept tables.
sed 's/##00012345##/##00054321##/' "$dump" >"$shots/second-dump.txt"
download "$shots/second-dump.txt" "$old" upgraded
[ "$(punches "$old")" -gt "$punches" ] || fail "no punches stored after the upgrade"
[ -f "$old/txt/00054321" ] || fail "no stored transmission of the second instrument"

# 4. A site on a server.
tls_server_start "$shots" || fail "the PostgreSQL server did not start"
tls_sql -d postgres -c "CREATE DATABASE ronvalo"
cp "$tls_folder/server.crt" "$drive/serwer.crt"
conninfo="host=localhost port=$tls_port dbname=ronvalo user=ronvalo sslmode=verify-full sslrootcert=C:/serwer.crt"
appdata="$drive/users/$(id -un)/AppData/Roaming"
mkdir -p "$appdata/postgresql"
printf 'localhost:%s:ronvalo:ronvalo:%s\r\n' "$tls_port" "$tls_password" >"$appdata/postgresql/pgpass.conf"
wine_run 'C:\Program Files\Ronvalo\ronvalo-newdb.exe' --server "$conninfo" >"$shots/newdb-server.log" 2>&1 ||
  fail "ronvalo-newdb.exe --server failed ($shots/newdb-server.log)"
# In the operators' settings key the installed program ignores it, and says so in its log.
wine_run reg add 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.0' /v Baza /t REG_SZ /d "$conninfo" /f >/dev/null
local_punches=$(punches "$old")
sed 's/##00012345##/##00067890##/' "$dump" >"$shots/third-dump.txt"
download "$shots/third-dump.txt" "$old" ignored-setting
[ "$(punches "$old")" -gt "$local_punches" ] ||
  fail "the operators' \"Baza\" was not ignored: nothing stored in the data folder"
iconv -f CP1250 -t UTF-8 "$old/serwis.log" | grep -qF 'Pominięto ustawienie serwera bazy danych z HKEY_LOCAL_MACHINE' ||
  fail "no log line about the ignored \"Baza\""
wine_run reg delete 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.0' /v Baza /f >/dev/null
wine_run reg add 'HKLM\SOFTWARE\Kerbis\Ronvalo 2.2' /v Baza /t REG_SZ /d "$conninfo" /f >/dev/null
local_punches=$(punches "$old")
download "$dump" "$old" server
on_server=$(tls_sql -d ronvalo -c "SELECT count(*) FROM main.Odbicia")
[ "$on_server" -gt 0 ] || fail "no punches on the server"
[ "$(tls_sql -d ronvalo -c "SELECT count(*) FROM ob.Archiwum")" = 1 ] || fail "no archive row on the server"
[ "$(punches "$old")" = "$local_punches" ] || fail "the server's download was stored in the data folder"
grep -F 'SSL enabled' "$tls_folder/server.log" | grep -qF 'database=ronvalo' ||
  fail "the program reached the server without TLS"

echo "wine-e2e: refusals, new installation ($punches punches in C:\\ProgramData\\Ronvalo), reinstall," \
  "uninstall, upgrade of C:\\Łódź\\Ronvalo ($(punches "$old") punches) and a download into a server" \
  "over TLS ($on_server punches) as expected; screenshots in $shots"
