#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package into a scratch folder and checks what it holds and
# what it asks for: the two programs, the desktop entry and the icon it names,
# the sample messages, the packages the programs need at run time, the
# copyright file, changelog, manual pages and AppStream metadata; then lintian
# must find no error and no warning in it.
#   check-deb.sh <build folder> <version> <source folder>
set -euo pipefail
build=$1
version=$2
source=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in lintian appstreamcli man lexgrog; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bash scripts/setup-deps --test installs it)"
done

(cd "$build" && cpack -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log" >&2; fail "cpack did not build the package"; }
debs=("$scratch"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
deb=${debs[0]}
echo "package: $(basename "$deb")"

contents=$(dpkg-deb -c "$deb")
has() { grep -qE "$1" <<<"$contents" || fail "not in the package: $2"; }
has '^-rwxr-xr-x .* \./usr/bin/zt870k-programmer$' "an executable /usr/bin/zt870k-programmer"
has '^-rwxr-xr-x .* \./usr/bin/zt870k-callbox$' "an executable /usr/bin/zt870k-callbox"
has ' \./usr/share/applications/zt870k-programmer\.desktop$' "the desktop entry"
has ' \./usr/share/icons/hicolor/scalable/apps/zt870k-programmer\.svg$' "the scalable icon"
for size in 16 32 48 256; do
  has " \./usr/share/icons/hicolor/${size}x${size}/apps/zt870k-programmer\.png$" "the ${size}px icon"
done
doc=usr/share/doc/zt870k-programmer
has " \./$doc/copyright$" "the copyright file"
has " \./$doc/changelog\.gz$" "the changelog"
for page in zt870k-programmer zt870k-callbox; do
  has " \./usr/share/man/man1/$page\.1\.gz$" "the manual page $page(1)"
done
has " \./usr/share/metainfo/[^/]*\.metainfo\.xml$" "the AppStream metadata"
for wav in local radio lowbatt; do
  has " \./usr/share/zt870k/sample-messages/$wav\.wav$" "sample message $wav.wav"
done

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zt870k-programmer ] || fail "package name is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "version is '$(field Version)', the project's is $version"
[ "$(field Maintainer)" = "ZT870K programmer team <team@example.invalid>" ] ||
  fail "maintainer is '$(field Maintainer)'"
depends=$(field Depends)
echo "depends: $depends"
for need in libqt6widgets6 libqt6serialport6 libqt6core6 libsndfile1 libsamplerate0 \
            libpulse0 qt6-qpa-plugins fonts-liberation; do
  grep -qE "(^|, )$need( |,|$)" <<<"$depends" || fail "Depends does not name $need"
done

# The desktop entry starts a program the package installs, with an icon it installs.
dpkg-deb -x "$deb" "$scratch/root"
entry="$scratch/root/usr/share/applications/zt870k-programmer.desktop"
exec_line=$(grep -m1 '^Exec=' "$entry" | cut -d= -f2- | cut -d' ' -f1)
icon=$(grep -m1 '^Icon=' "$entry" | cut -d= -f2-)
[ -x "$scratch/root/usr/bin/$exec_line" ] || fail "Exec=$exec_line is not a program of the package"
[ -f "$scratch/root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
  fail "Icon=$icon is not an icon of the package"
grep -q '^Type=Application$' "$entry" || fail "the desktop entry is not an application"

# The changelog's newest entry is this version.
root="$scratch/root"
gunzip -c "$root/$doc/changelog.gz" >"$scratch/changelog"
[ "$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)" = "$version" ] ||
  fail "the changelog's newest entry is not version $version"

# The manual pages render without a single warning, with a name line each.
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page") renders with warnings: $warnings"
  lexgrog "$page" >/dev/null || fail "$(basename "$page") has no usable NAME section"
done

# The AppStream metadata validates, starts the desktop entry we install and
# shows the guide's screenshots.
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "${metainfo[0]}" || fail "appstreamcli does not accept the metadata"
grep -q '<launchable type="desktop-id">zt870k-programmer.desktop</launchable>' "${metainfo[0]}" ||
  fail "the metadata does not launch zt870k-programmer.desktop"
shots=$(grep -o '<image>[^<]*</image>' "${metainfo[0]}" | sed 's|</image>||; s|.*/||')
[ -n "$shots" ] || fail "the metadata shows no screenshots"
for shot in $shots; do
  [ -f "$source/docs/screenshots/$shot" ] || fail "screenshot $shot is not one of docs/screenshots/"
done

# lintian at its default level: nothing but information.
lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"
echo "package contents, dependencies, documents and metadata as expected"
