#!/usr/bin/env bash
# Every C++ source of the project is laid out as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is not installed" >&2; exit 1; }
# The tracked sources; outside a git checkout (an unpacked archive) every source below the tree's own
# folders. safe.directory: CI may run as root in a checkout that another user owns.
if files=$(git -c safe.directory='*' ls-files '*.cpp' '*.h' 2>/dev/null) && [ -n "$files" ]; then
    printf '%s\n' "$files" | xargs clang-format --dry-run --Werror
else
    find app bench core dataset localdb odbc standin tests -name '*.cpp' -o -name '*.h' |
        xargs clang-format --dry-run --Werror
fi
