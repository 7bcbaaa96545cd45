#!/usr/bin/env bash
# Runs the fetch benchmark in the private ODBC set-up of a build tree, with its own PostgreSQL server:
#   bash bench/run-fetch-bench.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
cmake --build "$build" --target odbc_fetch_bench
export ODBCSYSINI=$build/odbc ODBCINI=$build/odbc/odbc.ini
bash "$here/tests/support/pg-fixture.sh" start "$build/odbc"
trap 'bash "$here/tests/support/pg-fixture.sh" stop "$build/odbc"' EXIT
"$build/bench/odbc_fetch_bench" "$build/bench/bench-rows.db"
