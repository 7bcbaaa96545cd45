#!/usr/bin/env bash
# Project headers are included by their path from the repository root ("odbc/HStmt.h"), so that a
# header's name says where it lives and no include directory order can pick the wrong one of two
# headers with the same name. Fails on a bare include and on two headers sharing a file name.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! sources=$(git -c safe.directory='*' ls-files '*.cpp' '*.h' '*.c' 2>/dev/null) || [ -z "$sources" ]; then
    sources=$(find app bench core dataset localdb odbc standin tests -name '*.cpp' -o -name '*.h' -o -name '*.c')
fi
status=0
# Qt Test's generated "Name.moc" is the one include without a folder.
if bare=$(printf '%s\n' "$sources" | xargs grep -nE '^\s*#\s*include\s+"[^/"]+"' | grep -vE '"[^"]+\.moc"'); then
    echo "Bare includes of project headers (name the folder from the repository root):" >&2
    echo "$bare" >&2
    status=1
fi
if twins=$(printf '%s\n' "$sources" | grep '\.h$' | xargs -n1 basename | sort | uniq -d | grep .); then
    echo "Headers sharing a file name:" >&2
    echo "$twins" >&2
    status=1
fi
exit $status
