#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what a desktop and a
# script expect of it: every file in place, the desktop entry and the AppStream
# file accepted by their validators (each skipped when its validator is not
# installed), and a command line that answers without a display.
# usage: scripts/install_check.sh BUILD_DIR APP_ID VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
app_id=$2
version=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "install_check: $*" >&2; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null

desktop=$prefix/share/applications/$app_id.desktop
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
svg=$prefix/share/icons/hicolor/scalable/apps/$app_id.svg
png=$prefix/share/icons/hicolor/256x256/apps/$app_id.png
for f in "$prefix/bin/tarvik" "$desktop" "$metainfo" "$svg" "$png" "$prefix/share/man/man1/tarvik.1" \
         "$prefix/share/tarvik/Media/Ding.wav" "$prefix/share/tarvik/Media/Rosenbrock.gif" \
         "$prefix/share/doc/tarvik/README.md" "$prefix/lib/tarvik/tarvik-window.so" \
         "$prefix/lib/tarvik/tarvik-figure.so" "$prefix/lib/tarvik/tarvik-plot.so"; do
  [ -s "$f" ] || fail "missing ${f#"$prefix"/}"
done
[ -x "$prefix/bin/tarvik" ] || fail "bin/tarvik is not executable"
[ ! -e "$prefix/share/tarvik/Media/.stamp" ] || fail "the build's stamp file was installed"

grep -qx "Exec=tarvik" "$desktop" || fail "the desktop entry does not start 'tarvik'"
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry does not name the icon $app_id"
grep -qx "Categories=Education;Math;Science;" "$desktop" || fail "the desktop entry's categories"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo release is not $version"
grep -q "<svg " "$svg" || fail "the scalable icon is not SVG"
# A PNG's width and height are the big-endian words at bytes 16 and 20.
[ "$(od -An -tx1 -j16 -N8 "$png" | tr -d ' \n')" = "0000010000000100" ] || fail "the PNG icon is not 256 x 256"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
else
  echo "install_check: desktop-file-validate not installed, skipped"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --explain "$metainfo" >"$prefix/appstream.log" 2>&1 ||
    { cat "$prefix/appstream.log" >&2; fail "appstreamcli rejects the metainfo file"; }
else
  echo "install_check: appstreamcli not installed, skipped"
fi
if command -v man >/dev/null; then
  page=$(MANWIDTH=80 man -l "$prefix/share/man/man1/tarvik.1" 2>/dev/null) || fail "man cannot format tarvik.1"
  grep -q -- "--batch" <<<"$page" || fail "the man page does not list the batch mode"
fi

# The installed program, with no display at all.
tarvik() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/tarvik" "$@" 2>"$prefix/stderr"; }
expect() {   # expected-status description command...
  local want=$1 what=$2 status=0
  shift 2
  out=$("$@") || status=$?
  [ "$status" -eq "$want" ] || fail "$what: exit status $status, expected $want ($(head -c 300 "$prefix/stderr"))"
}
for opt in --help -h; do
  expect 0 "tarvik $opt" tarvik "$opt"
  grep -q -- "--version" <<<"$out" && grep -q -- "--batch" <<<"$out" || fail "tarvik $opt does not list --version and --batch"
done
for opt in --version -v; do
  expect 0 "tarvik $opt" tarvik "$opt"
  [ "$out" = "Tarvik $version" ] || fail "tarvik $opt printed '$out'"
done
expect 2 "tarvik --no-such-option" tarvik --no-such-option
grep -q "no-such-option" "$prefix/stderr" || fail "the message does not name the unknown option"
expect 2 "tarvik stray-argument" tarvik stray-argument
expect 0 "tarvik --batch" tarvik --batch --n 2 --function rosenbrock --start 5 --method steepest-wolfe --accuracy 1 --eps 0.001
[ -n "$out" ] || fail "tarvik --batch printed no report"
# A saved figure is painted by the module the program loads from lib/tarvik.
expect 0 "tarvik --batch --figure" tarvik --batch --n 2 --function rosenbrock --start 5 --method steepest-wolfe \
  --accuracy 1 --eps 0.001 --figure "$prefix/figure.bmp"
[ -s "$prefix/figure.bmp" ] || fail "tarvik --batch --figure saved no picture"

[ "$failures" -eq 0 ] || exit 1
echo "install_check: all checks passed"
