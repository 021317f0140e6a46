#!/usr/bin/env bash
# The installed program's PostgreSQL driver under Wine, run after `make windows`: the installer
# runs silently in a throwaway prefix, and its ronvalo-newdb.exe --server makes the tables on a
# PostgreSQL server of this machine that takes connections over TCP on 127.0.0.1 with TLS only
# (a self-signed certificate for "localhost"; password by SCRAM). That loads
# sqldrivers\qsqlpsql.dll, libpq.dll and OpenSSL's DLLs from the installation, and shows:
#  - sslmode=require makes the tables in schemas main, cz, nr and ob, over TLS;
#  - sslmode=verify-full with the certificate as sslrootcert and the host name it names does too;
#  - verify-full is refused for a host name the certificate does not name, and for a certificate
#    that another one does not vouch for; a connection without TLS is refused by the server.
# The server is tls-server.sh's.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/packaging/windows"
setup="$root/build-win/ronvalo-2.2-setup.exe"
logs="$root/build-win/psql"
[ -f "$setup" ] || { echo "wine-psql: no $setup (make windows)" >&2; exit 1; }
rm -rf "$logs" && mkdir -p "$logs"

. "$here/wine-env.sh"
. "$here/tls-server.sh"
cleanup() {
  tls_server_stop
  wine_prefix_end
}
trap cleanup EXIT
fail() { echo "wine-psql: $*" >&2; exit 1; }

tls_server_start "$logs" || fail "the server did not start"
server=$tls_folder port=$tls_port
sql() { tls_sql "$@"; }
for db in wymagane sprawdzone odrzucone; do sql -d postgres -c "CREATE DATABASE $db"; done

wine_prefix_start
timeout -k 10 "$WINE_TIMEOUT" wine "$setup" /S || fail "the installer failed"
code="$WINEPREFIX/drive_c/Program Files/Ronvalo"
for file in sqldrivers/qsqlpsql.dll libpq.dll libssl-3-x64.dll libcrypto-3-x64.dll; do
  [ -f "$code/$file" ] || fail "no $file in C:\\Program Files\\Ronvalo"
done
cp "$server/server.crt" "$WINEPREFIX/drive_c/serwer.crt"
cp "$server/other.crt" "$WINEPREFIX/drive_c/inny.crt"

# ronvalo-newdb.exe --server with the connection string of DATABASE plus OPTIONS; its output in
# build-win/psql/NAME.log.
newdb() {
  local name=$1 database=$2 options=$3
  wine_run 'C:\Program Files\Ronvalo\ronvalo-newdb.exe' --server \
    "port=$port dbname=$database user=ronvalo password=$tls_password connect_timeout=20 $options" \
    >"$logs/$name.log" 2>&1
}
# The schemas of DATABASE that hold tables, one line.
schemas() {
  sql -d "$1" -c "SELECT string_agg(DISTINCT table_schema, ' ' ORDER BY table_schema) FROM information_schema.tables
                  WHERE table_schema IN ('main', 'cz', 'nr', 'ob')"
}
tls_line() { grep -F "database=$1 " "$server/server.log" | grep -F 'SSL enabled' | tail -1; }

newdb require wymagane "host=127.0.0.1 sslmode=require" || fail "sslmode=require failed ($logs/require.log)"
[ "$(schemas wymagane)" = "cz main nr ob" ] || fail "sslmode=require made no tables in main, cz, nr and ob"
[ -n "$(tls_line wymagane)" ] || fail "the server saw no TLS connection to wymagane"
echo "wine-psql: sslmode=require: tables in $(schemas wymagane); $(tls_line wymagane | sed 's/.*SSL enabled/SSL enabled/')"

newdb verify-full sprawdzone "host=localhost sslmode=verify-full sslrootcert=C:/serwer.crt" ||
  fail "sslmode=verify-full failed ($logs/verify-full.log)"
[ "$(schemas sprawdzone)" = "cz main nr ob" ] || fail "sslmode=verify-full made no tables in main, cz, nr and ob"
[ -n "$(tls_line sprawdzone)" ] || fail "the server saw no TLS connection to sprawdzone"
echo "wine-psql: sslmode=verify-full (host localhost, sslrootcert the server's certificate): tables in $(schemas sprawdzone)"

# Refusals: each must fail and leave the database empty.
refused() {
  local name=$1 options=$2 expected=$3
  newdb "$name" odrzucone "$options" && fail "$name: connected"
  grep -qF "$expected" "$logs/$name.log" || fail "$name: not refused for \"$expected\" ($logs/$name.log)"
  [ -z "$(schemas odrzucone)" ] || fail "$name: made tables"
  echo "wine-psql: $name refused: $(grep -oF "$expected" "$logs/$name.log" | head -1)"
}
refused wrong-host "host=127.0.0.1 sslmode=verify-full sslrootcert=C:/serwer.crt" 'does not match host name'
refused wrong-root "host=localhost sslmode=verify-full sslrootcert=C:/inny.crt" 'certificate verify failed'
refused no-tls "host=127.0.0.1 sslmode=disable" 'no encryption'
echo "wine-psql: the installed QPSQL driver works over TLS; logs in $logs"
