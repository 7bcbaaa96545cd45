#!/usr/bin/env bash
# Every C++ source of the project is laid out as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is not installed" >&2; exit 1; }
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
