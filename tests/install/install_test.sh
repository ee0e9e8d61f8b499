#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that every file lands
# where the menu entry and the manual page expect it, that both are valid, and
# that the manifest lets `make uninstall` take everything away again.
# Usage: install_test.sh BUILD-DIR
set -euo pipefail
build=$1
root=$(mktemp -d)
manifest=$build/install_manifest.txt
trap 'rm -rf "$root"; [ -f "$root.manifest" ] && mv "$root.manifest" "$manifest"; true' EXIT
# A real installation's manifest is kept, not overwritten by this test's.
[ -f "$manifest" ] && mv "$manifest" "$root.manifest"

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$root/usr" >/dev/null

metainfo=share/metainfo/example.zandorelle.Zandorelle.metainfo.xml
for file in bin/zandorelle share/applications/zandorelle.desktop $metainfo share/man/man1/zandorelle.1.gz \
            share/doc/zandorelle/LICENSE share/doc/zandorelle/copyright \
            share/doc/zandorelle/changelog.gz share/doc/zandorelle/README.md \
            share/doc/zandorelle/zandorelle.service; do
    [ -f "$root/usr/$file" ] || fail "$file is not installed"
done
[ -x "$root/usr/bin/zandorelle" ] || fail "the program is not executable"

entry=$root/usr/share/applications/zandorelle.desktop
desktop-file-validate "$entry" || fail "the menu entry is not valid"
grep -qx 'Name=Zandorelle' "$entry" || fail "the menu entry's name"
grep -qx 'Categories=Utility;' "$entry" || fail "the menu entry's category"
# Exec and Icon name what was installed.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$root/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not in bin"
icon=$(sed -n 's/^Icon=//p' "$entry")
for size in 16 22 24 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
    [ -f "$png" ] || fail "no ${size}x${size} icon"
    # The PNG signature, then the header's width and height.
    header=$(od -An -tx1 -N24 "$png" | tr -d ' \n')
    [ "${header:0:16}" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
    [ $((16#${header:32:8})) -eq "$size" ] && [ $((16#${header:40:8})) -eq "$size" ] ||
        fail "$png is not $size pixels square"
done

# The software centres' description is valid and launches the menu entry.
command -v appstreamcli >/dev/null || fail "appstreamcli is not installed; make test installs it"
appstreamcli validate --no-net "$root/usr/$metainfo" >/dev/null ||
    fail "the AppStream metadata is not valid: $(appstreamcli validate --no-net "$root/usr/$metainfo")"
grep -q "<launchable type=\"desktop-id\">$(basename "$entry")</launchable>" "$root/usr/$metainfo" ||
    fail "the AppStream metadata does not launch $(basename "$entry")"
grep -q '<binary>zandorelle</binary>' "$root/usr/$metainfo" || fail "the metadata provides no binary"

# The manual page renders without a warning from man or groff.
warnings=$(MANWIDTH=80 man -l --warnings "$root/usr/share/man/man1/zandorelle.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man warns: $warnings"
page=$(MANWIDTH=80 man -l "$root/usr/share/man/man1/zandorelle.1.gz" 2>/dev/null)
for section in OPTIONS "HEADLESS COMMANDS" PREFERENCES FILES "EXIT STATUS"; do
    grep -q "^$section" <<<"$page" || fail "the manual page has no $section"
done
# Every option of --help is in the manual page.
for option in $("$root/usr/bin/zandorelle" --help | grep -o -- '--[a-z]*' | sort -u); do
    grep -q -- "$option" <<<"$page" || fail "the manual page does not describe $option"
done

# The manifest lists every file, so removing its lines leaves no file behind.
xargs -d '\n' rm -f < "$manifest"
left=$(find "$root" -type f)
[ -z "$left" ] || fail "left after uninstall: $left"
echo "install and uninstall: ok"
