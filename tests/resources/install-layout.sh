#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under /usr and checks that every
# file lands where the freedesktop conventions look for it.
# Usage: install-layout.sh CMAKE BUILD_DIR [bin/jumelix]
set -euo pipefail
cmake=$1 build=$2 program=${3:-}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" "$cmake" --install "$build" --prefix /usr >/dev/null
usr="$root/usr"
id=org.example.Jumelix
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

expected=(share/applications/$id.desktop share/metainfo/$id.metainfo.xml
          share/icons/hicolor/scalable/apps/$id.svg share/doc/jumelix/copyright)
[ -n "$program" ] && expected+=("$program")
for size in 16 32 48 64 128 256; do
  expected+=(share/icons/hicolor/${size}x${size}/apps/$id.png)
done
for file in "${expected[@]}"; do
  [ -f "$usr/$file" ] || fail "missing $file"
done
[ -z "$program" ] || [ -x "$usr/$program" ] || fail "$program is not executable"

# The entry names the icon and the program installed; the metadata names the entry.
grep -qx "Icon=$id" "$usr/share/applications/$id.desktop" || fail "the entry's Icon is not $id"
grep -qx "Exec=jumelix" "$usr/share/applications/$id.desktop" || fail "the entry's Exec is not jumelix"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$usr/share/metainfo/$id.metainfo.xml" \
  || fail "the metadata does not launch $id.desktop"

unexpected=$(cd "$usr" && find . -type f | sed 's|^\./||' | sort | grep -vxF -f <(printf '%s\n' "${expected[@]}") || true)
[ -z "$unexpected" ] || fail "unexpected files: $unexpected"
[ "$failures" -eq 0 ] && echo "install layout ok: ${#expected[@]} files"
exit "$failures"
