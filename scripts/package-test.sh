#!/usr/bin/env bash
# Checks the package that scripts/package.sh built, without installing it: unpacks it into a temporary
# root, runs the unpacked programs there (version, an import of the sample paste, a calc), and runs
# lintian and the desktop-entry and AppStream validators on it.
set -euo pipefail
cd "$(dirname "$0")/.."
debs=(build/gorvanta_*.deb)
[ -f "${debs[0]}" ] || { echo "package-test.sh: no build/gorvanta_*.deb; run scripts/package.sh" >&2; exit 1; }
deb="${debs[-1]}"
version="$(dpkg-deb -f "$deb" Version)"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root/fs"
bin="$root/fs/usr/bin"
fail() { echo "package-test.sh: $*" >&2; exit 1; }

# One version everywhere: the package's, the programs'. The window program answers without a display.
[ "$("$bin/gorvanta-cli" --version)" = "gorvanta-cli $version" ] || fail "gorvanta-cli --version is not $version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/gorvanta" --version)" = "gorvanta $version" ] ||
    fail "gorvanta --version is not $version"

# The unpacked tool on its own store: import the sample paste, then search it.
export XDG_CONFIG_HOME="$root/config"
sample="${GORVANTA_SAMPLES:-../shared/samples}/item-paste.txt"
[ -f "$sample" ] || sample=fuzz/corpus/parser/sample-lines.txt
"$bin/gorvanta-cli" import "$root/pool.gva" "$sample"
pieces="$("$bin/gorvanta-cli" dump "$root/pool.gva" | grep -c '"text"')"
[ "$pieces" -gt 0 ] || fail "the import of $sample added no pieces"
"$bin/gorvanta-cli" calc "$root/pool.gva" --set "Suit Limit=5" --set "LowerLimit=0" > "$root/suits.tsv"
suits="$(awk 'NR > 1 && NF == 0 { exit } NR > 1 { n++ } END { print n + 0 }' "$root/suits.tsv")"
[ "$suits" -eq 5 ] || fail "calc listed $suits suits, not 5"
echo "package-test.sh: $pieces pieces imported from $sample, $suits suits found"

# Every file the package promises.
for f in usr/bin/gorvanta usr/bin/gorvanta-cli usr/share/man/man1/gorvanta.1.gz usr/share/man/man1/gorvanta-cli.1.gz \
    usr/share/applications/gorvanta.desktop usr/share/metainfo/example.varnholt.Gorvanta.metainfo.xml \
    usr/share/mime/packages/gorvanta.xml usr/share/icons/hicolor/scalable/apps/gorvanta.svg \
    usr/share/doc/gorvanta/copyright usr/share/doc/gorvanta/changelog.gz usr/share/doc/gorvanta/guide/index.html; do
    [ -f "$root/fs/$f" ] || fail "the package lacks /$f"
done
# The manual pages format without warnings.
for page in gorvanta gorvanta-cli; do
    warnings="$(zcat "$root/fs/usr/share/man/man1/$page.1.gz" | LC_ALL=C.UTF-8 MANWIDTH=80 groff -man -Tutf8 -ww -z 2>&1 || true)"
    [ -z "$warnings" ] || fail "$page.1: $warnings"
done

desktop-file-validate "$root/fs/usr/share/applications/gorvanta.desktop"
appstreamcli validate --no-net --explain "$root/fs/usr/share/metainfo/example.varnholt.Gorvanta.metainfo.xml"
# Errors fail the check; warnings are printed for the record.
lintian --fail-on error --display-info "$deb"
echo "package-test.sh: $deb passes"
