#!/usr/bin/env bash
# Starts (start) or stops (stop) a private PostgreSQL cluster on loopback for the driver tests, and points
# the TarvikPg data source of ODBC_DIR/odbc.ini at it. Idempotent: a cluster left by an interrupted run
# is stopped before a new one starts. halt takes the running cluster down as a crash would, keeping its
# data and port; resume starts it again there (lost-link tests).
set -euo pipefail
action=$1
odbc_dir=$2
state=$odbc_dir/pg.state

# TARVIK_PG_ROOT only lets a test point the search at an empty place.
pgroot=${TARVIK_PG_ROOT:-/usr/lib/postgresql}
shopt -s nullglob
pgbins=("$pgroot"/*/bin)
shopt -u nullglob
[ ${#pgbins[@]} -gt 0 ] || { echo "PostgreSQL server binaries not found in $pgroot (install postgresql)" >&2; exit 1; }
pgbin=$(printf '%s\n' "${pgbins[@]}" | sort -V | tail -n 1)

# initdb and the server refuse to run as root: run them as the postgres account then.
as_pg() { if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }

stop() {
    [ -f "$state" ] || return 0
    local data
    data=$(sed -n 's/^data=//p' "$state")
    if [ -n "$data" ] && [ -d "$data" ]; then
        as_pg "$pgbin/pg_ctl" -D "$data" -m immediate -w stop >/dev/null 2>&1 || true
        rm -rf "$data"
    fi
    rm -f "$state"
}

free_port() {
    python3 - <<'PY'
import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])
s.close()
PY
}

start() {
    stop
    local data port
    data=$(mktemp -d /tmp/tarvik-pg.XXXXXX)
    chmod 755 "$data"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$data"
    as_pg "$pgbin/initdb" -D "$data/db" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 >"$data/initdb.log" 2>&1 ||
        { cat "$data/initdb.log" >&2; exit 1; }
    port=$(free_port)
    printf 'data=%s\nport=%s\n' "$data" "$port" >"$state"
    as_pg "$pgbin/pg_ctl" -D "$data/db" -l "$data/server.log" -w -t 60 \
        -o "-c listen_addresses=127.0.0.1 -p $port -k $data -c fsync=off" start >/dev/null ||
        { cat "$data/server.log" >&2; exit 1; }
    sed -i "s|^data=.*|data=$data/db|" "$state"
    as_pg "$pgbin/psql" -h 127.0.0.1 -p "$port" -U postgres -q -v ON_ERROR_STOP=1 \
        -c "create role tarvik login superuser password 'tarvik'" -c "create database tarvik owner tarvik" >/dev/null
    # Point the data source at this cluster's port.
    sed -i "/^\[TarvikPg\]/,/^\[/ s/^Port=.*/Port=$port/" "$odbc_dir/odbc.ini"
    echo "PostgreSQL for the driver tests listens on 127.0.0.1:$port"
}

halt() {
    local data
    data=$(sed -n 's/^data=//p' "$state")
    as_pg "$pgbin/pg_ctl" -D "$data" -m immediate -w stop >/dev/null
}

resume() {
    local data port
    data=$(sed -n 's/^data=//p' "$state")
    port=$(sed -n 's/^port=//p' "$state")
    as_pg "$pgbin/pg_ctl" -D "$data" -l "$(dirname "$data")/server.log" -w -t 60 \
        -o "-c listen_addresses=127.0.0.1 -p $port -k $(dirname "$data") -c fsync=off" start >/dev/null ||
        { cat "$(dirname "$data")/server.log" >&2; exit 1; }
}

case "$action" in
start) start ;;
stop) stop ;;
halt) halt ;;
resume) resume ;;
*) echo "usage: $0 start|stop|halt|resume ODBC_DIR" >&2; exit 2 ;;
esac
