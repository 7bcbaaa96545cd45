#!/usr/bin/env bash
# The demo data source from a shell, as a person reaches it:
#   isql BUILD  `eval "$(standin/odbc-env BUILD)"`, then unixODBC's isql on VidrolDemo answers as VIDROL
#   run BUILD   `scripts/tarvik start` (the last step of `run`) hands the program the private ini files
#               and a demo server made afresh: a previous run's edits are gone, a deleted server is back
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
command -v isql >/dev/null || { echo "unixODBC's isql is not installed (install unixodbc)" >&2; exit 1; }
fail() { echo "FAIL: $*" >&2; exit 1; }

# Runs one Transact-SQL line through isql on VidrolDemo in the current environment.
demo_sql() { echo "$1" | isql -b VidrolDemo sa 2>&1; }

check_isql() {
    local env_lines out
    env_lines=$(bash "$src/standin/odbc-env" "$build")
    eval "$env_lines"
    out=$(demo_sql "select @@servername")
    echo "$out"
    grep -q '| VIDROL ' <<<"$out" || fail "isql did not answer with the demo server's name"
}

# Starts `scripts/tarvik start` with a probe in place of Tarvik; prints what the probe saw.
start_with_probe() {
    local sql=$1 scratch probe
    scratch=$(mktemp -d)
    probe=$scratch/probe
    cat >"$probe" <<'PROBE'
#!/usr/bin/env bash
echo "ODBCSYSINI=${ODBCSYSINI:-}"
echo "$PROBE_SQL" | isql -b VidrolDemo sa 2>&1
PROBE
    chmod +x "$probe"
    # A display name keeps the start from wrapping the probe in a virtual X server.
    TARVIK_BUILD=$build TARVIK_APP=$probe PROBE_SQL=$sql WAYLAND_DISPLAY=tarvik-check \
        bash "$src/scripts/tarvik" start
    rm -rf "$scratch"
}

documents() { # the Dokumenti count a start's probe printed
    grep -o 'documents=[0-9]*' <<<"$1" | head -n 1
}

check_run() {
    local out
    out=$(start_with_probe "delete from Dokumenti; select 'documents=' || count(*) from Dokumenti")
    echo "$out"
    grep -qx "ODBCSYSINI=$build/odbc" <<<"$out" || fail "Tarvik was started without the build's private ini files"
    [ "$(documents "$out")" = documents=0 ] || fail "the probe's own edit did not take"

    out=$(start_with_probe "select 'documents=' || count(*) from Dokumenti")
    echo "$out"
    [ "$(documents "$out")" = documents=3 ] || fail "an earlier run's edits stayed in the demo server"

    rm -rf "$build/standin/servers/VIDROL"
    out=$(start_with_probe "select 'documents=' || count(*) from Dokumenti")
    echo "$out"
    [ "$(documents "$out")" = documents=3 ] || fail "a deleted demo server was not re-created"
}

case "$mode" in
isql) check_isql ;;
run) check_run ;;
*) echo "usage: $0 isql|run BUILD_DIR" >&2; exit 2 ;;
esac
