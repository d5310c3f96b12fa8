#!/usr/bin/env bash
# Fails if `no-writes.sh PROGRAM` (idle after start-up) or `no-writes.sh TESTS tests` (the window's
# flows), run under strace, opened or made a file for writing outside /dev, /proc and TMPDIR.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/Docs" "$work/home/.config" "$work/tmp" "$work/run" && chmod 700 "$work/run"
echo 'XDG_DOCUMENTS_DIR="$HOME/Docs"' > "$work/home/.config/user-dirs.dirs"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run" TMPDIR="$work/tmp"
if [ "${2:-}" = tests ]; then set -- "$1"; else set -- timeout -s INT 3 "$1"; fi
QT_QPA_PLATFORM=offscreen strace -f -qq -e trace=%file -o "$work/trace" "$@" || [ "$1" = timeout ]
# Successful opens with a writing flag, and the calls that make, move or remove names.
writes=$(grep -E '^[0-9]+ +((openat2?|open)\(.*(O_WRONLY|O_RDWR|O_CREAT)|(creat|mkdir|mkdirat|rename|renameat2?|unlink|unlinkat|link|linkat|symlink|symlinkat|truncate|mknod|mknodat)\()' "$work/trace" \
  | grep -v " = -1 " | grep -vE '"(/dev/|/proc/)' | grep -vF "\"$work/tmp/" || true)
[ -z "$writes" ] || { printf 'files written:\n%s\n' "$writes" >&2; exit 1; }
echo "no file written ($(wc -l < "$work/trace") file calls traced)"
