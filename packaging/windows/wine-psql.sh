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
# Needs Debian's postgresql server (make test installs it); under root the server runs as nobody.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/packaging/windows"
setup="$root/build-win/ronvalo-2.2-setup.exe"
logs="$root/build-win/psql"
[ -f "$setup" ] || { echo "wine-psql: no $setup (make windows)" >&2; exit 1; }
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$bin/pg_ctl" ] || { echo "wine-psql: no PostgreSQL server under /usr/lib/postgresql" >&2; exit 1; }
rm -rf "$logs" && mkdir -p "$logs"

. "$here/wine-env.sh"
server=$(mktemp -d "${TMPDIR:-/tmp}/ronvalo-pg-tls.XXXXXX")
as_server() { if [ "$(id -u)" = 0 ]; then (cd / && runuser -u nobody -- "$@"); else "$@"; fi; }
cleanup() {
  [ ! -f "$server/data/postmaster.pid" ] || as_server "$bin/pg_ctl" -D "$server/data" -m immediate -w stop >/dev/null 2>&1 || true
  cp "$server/server.log" "$logs/" 2>/dev/null || true
  rm -rf "$server"
  wine_prefix_end
}
trap cleanup EXIT
fail() { echo "wine-psql: $*" >&2; exit 1; }

# The server: its certificate and key, a second certificate that vouches for nothing of it, and
# rules that let TCP in with TLS and a password only.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -addext subjectAltName=DNS:localhost \
  -keyout "$server/server.key" -out "$server/server.crt" 2>/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -addext subjectAltName=DNS:localhost \
  -keyout "$server/other.key" -out "$server/other.crt" 2>/dev/null
chmod 600 "$server/server.key"
[ "$(id -u)" != 0 ] || chown -R nobody:nogroup "$server"
as_server "$bin/initdb" -D "$server/data" -U ronvalo --auth-local=trust --auth-host=reject -E UTF8 \
  --locale=C.UTF-8 --no-sync >"$logs/initdb.log"
printf 'local all all trust\nhostssl all all 127.0.0.1/32 scram-sha-256\nhostnossl all all 127.0.0.1/32 reject\n' |
  as_server tee "$server/data/pg_hba.conf" >/dev/null
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
options="-p $port -k $server -c listen_addresses=127.0.0.1 -c ssl=on -c ssl_cert_file=$server/server.crt"
options+=" -c ssl_key_file=$server/server.key -c log_connections=on -c fsync=off"
as_server "$bin/pg_ctl" -D "$server/data" -l "$server/server.log" -w -o "$options" start >/dev/null
sql() { as_server "$bin/psql" -h "$server" -p "$port" -U ronvalo -X -q -At "$@"; }
sql -d postgres -c "ALTER USER ronvalo PASSWORD 'tajne-haslo'"
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
    "port=$port dbname=$database user=ronvalo password=tajne-haslo connect_timeout=20 $options" \
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
