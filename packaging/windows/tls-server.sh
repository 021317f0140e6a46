# Sourced by the Windows checks: a PostgreSQL server of this machine that takes connections over
# TCP on 127.0.0.1 with TLS only (a self-signed certificate for "localhost", a second one that
# vouches for nothing of it), passwords by SCRAM, its Unix socket in its own folder.
#   tls_server_start LOGS  starts it: sets tls_folder, tls_port; user ronvalo, password tajne-haslo
#   tls_sql ARGS...        psql through the socket as ronvalo
#   tls_server_stop        stops it and removes its folder (its log goes to LOGS)
# Needs Debian's postgresql server (make test installs it); under root the server runs as nobody.
tls_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
tls_password=tajne-haslo
tls_as_server() { if [ "$(id -u)" = 0 ]; then (cd / && runuser -u nobody -- "$@"); else "$@"; fi; }
tls_sql() { tls_as_server "$tls_bin/psql" -h "$tls_folder" -p "$tls_port" -U ronvalo -X -q -At "$@"; }

tls_server_start() {
  tls_logs=$1
  [ -x "$tls_bin/pg_ctl" ] || { echo "no PostgreSQL server under /usr/lib/postgresql" >&2; return 1; }
  tls_folder=$(mktemp -d "${TMPDIR:-/tmp}/ronvalo-pg-tls.XXXXXX")
  local name
  for name in server other; do
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
      -addext subjectAltName=DNS:localhost -keyout "$tls_folder/$name.key" \
      -out "$tls_folder/$name.crt" 2>/dev/null
  done
  chmod 600 "$tls_folder/server.key"
  [ "$(id -u)" != 0 ] || chown -R nobody:nogroup "$tls_folder"
  tls_as_server "$tls_bin/initdb" -D "$tls_folder/data" -U ronvalo --auth-local=trust \
    --auth-host=reject -E UTF8 --locale=C.UTF-8 --no-sync >"$tls_logs/initdb.log"
  printf 'local all all trust\nhostssl all all 127.0.0.1/32 scram-sha-256\nhostnossl all all 127.0.0.1/32 reject\n' |
    tls_as_server tee "$tls_folder/data/pg_hba.conf" >/dev/null
  tls_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  local options="-p $tls_port -k $tls_folder -c listen_addresses=127.0.0.1 -c ssl=on"
  options+=" -c ssl_cert_file=$tls_folder/server.crt -c ssl_key_file=$tls_folder/server.key"
  options+=" -c log_connections=on -c fsync=off"
  tls_as_server "$tls_bin/pg_ctl" -D "$tls_folder/data" -l "$tls_folder/server.log" -w -o "$options" start >/dev/null
  tls_sql -d postgres -c "ALTER USER ronvalo PASSWORD '$tls_password'"
}

tls_server_stop() {
  [ -n "${tls_folder:-}" ] || return 0
  [ ! -f "$tls_folder/data/postmaster.pid" ] ||
    tls_as_server "$tls_bin/pg_ctl" -D "$tls_folder/data" -m immediate -w stop >/dev/null 2>&1 || true
  cp "$tls_folder/server.log" "$tls_logs/" 2>/dev/null || true
  rm -rf "$tls_folder"
  tls_folder=
}
