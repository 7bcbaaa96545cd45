#!/usr/bin/env bash
# The Debian package and `cmake --install` hold only the program, its desktop entry and its icon, refer
# to neither the build tree nor the checkout, and the package's dependencies (from dpkg-shlibdeps) name
# what the program links; the packaged program answers --version and --help without a display.
# Usage: package-check.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

expected="./usr/bin/tarvik
./usr/share/applications/tarvik.desktop
./usr/share/icons/hicolor/scalable/apps/tarvik.svg"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" ||
    { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$work"/out/*.deb)
dpkg-deb -x "$deb" "$work/root"
files=$(cd "$work/root" && find . -type f | sort)
[ "$files" = "$expected" ] || fail "package files: $files"

# The same three files through `cmake --install`, so no other install rule slipped in.
cmake --install "$build" --prefix "$work/prefix/usr" --strip >/dev/null
files=$(cd "$work/prefix" && find . -type f | sort)
[ "$files" = "$expected" ] || fail "installed files: $files"

for tree in "$work/root" "$work/prefix"; do
    if grep -rlF -e "$build" -e "$source" "$tree"; then fail "refers to the build tree or checkout"; fi
done

desktop-file-validate "$work/root/usr/share/applications/tarvik.desktop" || fail "desktop entry"
grep -qx 'Name=Tarvik' "$work/root/usr/share/applications/tarvik.desktop" || fail "desktop name"
grep -q '^Comment\[sl\]=' "$work/root/usr/share/applications/tarvik.desktop" || fail "Slovenian comment"
grep -qx 'Categories=Development;Database;' "$work/root/usr/share/applications/tarvik.desktop" ||
    fail "categories"
grep -q '<svg' "$work/root/usr/share/icons/hicolor/scalable/apps/tarvik.svg" || fail "icon is not SVG"

# Each library the program links must be covered by a dependency on the Debian package that ships it.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/[[:space:]]//g')
owner_of() { # the Debian package that ships the library file $1, whichever /usr spelling dpkg knows
    local p
    for p in "$1" "$(readlink -f "$1")" "/usr$1" "${1#/usr}"; do
        dpkg -S "$p" 2>/dev/null | awk -F: 'NR == 1 { print $1 }' | grep . && return 0
    done
    return 1
}
for lib in $(objdump -p "$work/root/usr/bin/tarvik" | awk '$1 == "NEEDED" { print $2 }'); do
    # awk reads to the end: a reader that stops early would fail the pipeline on SIGPIPE under pipefail.
    path=$(ldconfig -p | awk -v l="$lib" '!found && $1 == l && /x86-64/ { print $NF; found = 1 }')
    [ -n "$path" ] || fail "$lib is not installed"
    owner=$(owner_of "$path") || fail "no package ships $path"
    grep -qxF "$owner" <<<"$names" || fail "$lib ($owner) is missing from Depends"
done
# The local engine's SQLite and Firebird client are covered by the loop above once the program links them.
for pkg in libqt6widgets6 libodbc2; do
    grep -qxF "$pkg" <<<"$names" || fail "Depends lacks $pkg"
done

# No display: both answers come before Qt starts.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$work/root/usr/bin/tarvik" --version)
[ "$out" = "tarvik $version" ] || fail "--version printed: $out"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$work/root/usr/bin/tarvik" --help)
for word in --version --help TARVIK_ALIASES ODBCSYSINI ODBCINI; do
    grep -qF -- "$word" <<<"$out" || fail "--help lacks $word"
done
echo "package ok: $(basename "$deb")"
