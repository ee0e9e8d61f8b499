#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian (no error, no warning) and
# that this Debian can satisfy every package it depends on, unpacks it into a
# temporary root with dpkg -x, and starts the unpacked program: --help,
# --version, the headless program, and the window.
# Usage: package_test.sh BUILD-DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null) || fail "cpack failed"
deb=$(ls "$work"/out/zandorelle_*.deb)

command -v lintian >/dev/null || fail "lintian is not installed; make test installs it"
set +e
findings=$(lintian --fail-on error,warning "$deb" 2>&1)
status=$?
set -e
# As root lintian says it had rather not be; that line is no finding.
findings=$(grep -v '^running with root privileges' <<<"$findings" || true)
[ "$status" -eq 0 ] && [ -z "$findings" ] || fail "lintian ($status): $findings"

# Each dependency is a package this Debian has installed or knows.
depends=$(dpkg-deb -f "$deb" Depends)
for dep in $(tr ',' '\n' <<<"$depends" | sed 's/(.*//; s/ //g'); do
    dpkg-query -W "$dep" >/dev/null 2>&1 || apt-cache show "$dep" >/dev/null 2>&1 ||
        fail "no package $dep to depend on"
done
grep -q libqt6widgets6 <<<"$depends" || fail "the package does not depend on Qt Widgets"

dpkg -x "$deb" "$work/root"
program=$work/root/usr/bin/zandorelle
[ -x "$program" ] || fail "no program in the package"
# Into a file: grep -q would stop reading before the whole text is written.
"$program" --help >"$work/help" && grep -q -- '--headless' "$work/help" || fail "--help"
version=$("$program" --version)
[ "$version" = "zandorelle $(dpkg-deb -f "$deb" Version)" ] || fail "--version says '$version'"

# The headless program runs and quits on command.
echo quit | timeout 10 "$program" --headless --ini "$work/z.INI" >/dev/null ||
    fail "the headless program did not run"
# The window comes up and stays until it is told to go.
set +e
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work timeout 3 "$program" --ini "$work/z.INI" \
    >/dev/null 2>&1
status=$?
set -e
[ "$status" -eq 124 ] || fail "the window ended by itself with status $status"
echo "package: ok ($(basename "$deb"))"
