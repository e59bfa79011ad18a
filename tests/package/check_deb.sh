#!/usr/bin/env bash
# Builds the Debian package, inspects it, unpacks it into a scratch root and
# runs the batch driver from there.
set -euo pipefail
build="$1"
version="$2"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb="$(ls "$out"/tallyroller_"$version"_*.deb)"

fail() { echo "FAIL: $*" >&2; exit 1; }
files="$(dpkg-deb -c "$deb")"
for f in ./usr/bin/tallyroller-batch ./usr/share/applications/org.example.tallyroller.desktop \
         ./usr/share/mime/packages/org.example.tallyroller.xml \
         ./usr/share/man/man1/tallyroller-batch.1 ./usr/share/icons/hicolor/48x48/apps/tallyroller.png; do
  grep -q " $f\$" <<<"$files" || fail "package lacks $f"
done
grep -q '/tests\|gtest\|bench' <<<"$files" && fail "package carries test files"
depends="$(dpkg-deb -f "$deb" Depends)"
for dep in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6printsupport6 qt6-qpa-plugins \
           qt6-translations-l10n fonts-liberation2; do
  grep -q "$dep" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = tallyroller ] || fail "package name"
# As a user reads the package before installing it.
info="$(dpkg -I "$deb")"
grep -q '^ Depends:.*qt6-translations-l10n' <<<"$info" || fail "dpkg -I lists no translations"

dpkg-deb -x "$deb" "$out/root"
printf '{decimals 2}12+3=' | "$out/root/usr/bin/tallyroller-batch" --locale pt_BR |
  grep -q '"tape": \["+ 12,00", "+ 3,00", "= 15,00"\]' || fail "batch driver from the package"
echo "package OK: $(basename "$deb")"
echo "Depends: $depends"
