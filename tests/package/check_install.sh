#!/usr/bin/env bash
# Installs the build into a scratch root and checks the installed tree:
# desktop entry, AppStream metainfo, icons, man page, --help and --version.
set -euo pipefail
build="$1"
version="$2"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
for f in usr/bin/tallyroller-batch \
         usr/share/applications/org.example.tallyroller.desktop \
         usr/share/metainfo/org.example.tallyroller.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/tallyroller.svg \
         usr/share/man/man1/tallyroller-batch.1; do
  [ -e "$root/$f" ] || fail "missing $f"
done
if [ -e "$build/src/ui/tallyroller" ]; then
  [ -x "$root/usr/bin/tallyroller" ] || fail "missing usr/bin/tallyroller"
fi

desktop-file-validate "$root/usr/share/applications/org.example.tallyroller.desktop"
grep -qx 'Name=Tallyroller' "$root/usr/share/applications/org.example.tallyroller.desktop"
grep -qx 'Categories=Utility;Calculator;' "$root/usr/share/applications/org.example.tallyroller.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.tallyroller.metainfo.xml"
grep -qx 'MimeType=application/x-tallyroller-tape;' "$root/usr/share/applications/org.example.tallyroller.desktop" ||
  fail "desktop entry lacks the tape type"
grep -q '<mediatype>application/x-tallyroller-tape</mediatype>' \
  "$root/usr/share/metainfo/org.example.tallyroller.metainfo.xml" || fail "metainfo lacks the tape type"

# The tape type and its application, as a desktop sees them from this tree
# alone: its databases made as the package's triggers make them.
mime="$root/usr/share/mime/packages/org.example.tallyroller.xml"
[ -f "$mime" ] || fail "missing the tape type ($mime)"
update-mime-database "$root/usr/share/mime"
update-desktop-database "$root/usr/share/applications"
mkdir -p "$root/tapes" "$root/home/config" "$root/home/data" "$root/etc/xdg"
printf '+ 12,00\n= 12,00\n' >"$root/tapes/x.fita"
printf 'texto\n' >"$root/tapes/x.txt"
desktop_query() {
  (cd "$root/tapes" &&
    env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
      HOME="$root/home" XDG_CONFIG_HOME="$root/home/config" XDG_CONFIG_DIRS="$root/etc/xdg" \
      XDG_DATA_HOME="$root/home/data" XDG_DATA_DIRS="$root/usr/share" xdg-mime query "$@")
}
[ "$(desktop_query filetype x.fita)" = application/x-tallyroller-tape ] ||
  fail "x.fita is $(desktop_query filetype x.fita)"
[ "$(desktop_query filetype x.txt)" = text/plain ] || fail "x.txt is $(desktop_query filetype x.txt)"
[ "$(desktop_query default application/x-tallyroller-tape)" = org.example.tallyroller.desktop ] ||
  fail "tape files open with '$(desktop_query default application/x-tallyroller-tape)'"
# Plain text stays with whatever opened it before.
[ -z "$(desktop_query default text/plain)" ] || fail "the window claims text/plain"
grep -q 'Fita do Tallyroller' "$root/usr/share/mime/application/x-tallyroller-tape.xml" ||
  fail "the tape type has no Portuguese name"

# Each PNG holds the size its folder names (width and height from the header).
for size in 16 24 32 48 64 128 256; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/tallyroller.png"
  [ -f "$png" ] || fail "missing ${size}x${size} icon"
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4, $7*256+$8}')
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "icon ${size}: ${w}x${h}"
done

page="$(MANWIDTH=80 man -l "$root/usr/share/man/man1/tallyroller-batch.1" 2>&1)"
grep -q 'tallyroller-batch - run the Tallyroller adding machine' <<<"$page" || fail "man page: $page"

"$root/usr/bin/tallyroller-batch" --help | grep -q '^Usage: tallyroller-batch'
"$root/usr/bin/tallyroller-batch" --version | head -1 | grep -qx "tallyroller-batch (Tallyroller) $version"
echo "installed tree OK"
