#!/usr/bin/env bash
# Builds the Debian package into a scratch folder and checks what it holds and
# what it asks for: the two programs, the desktop entry and the icon it names,
# the sample messages, and the packages the programs need at run time.
#   check-deb.sh <build folder> <version>
set -euo pipefail
build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

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
for need in libqt6widgets6 libqt6serialport6 libqt6multimedia6 libqt6core6 qt6-qpa-plugins fonts-liberation; do
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
echo "package contents and dependencies as expected"
