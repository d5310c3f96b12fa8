#!/usr/bin/env bash
# Fails if the program, run under strace, opened or made any file for writing outside
# /dev and /proc (and the test flows' own temporary trees, under TMPDIR).
#   no-writes.sh PROGRAM          start-up, then idle until interrupted
#   no-writes.sh TESTS tests      the window's test flows
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/Docs" "$work/home/.config" "$work/tmp" "$work/run"
chmod 700 "$work/run"
echo 'XDG_DOCUMENTS_DIR="$HOME/Docs"' > "$work/home/.config/user-dirs.dirs"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
export TMPDIR="$work/tmp" QT_QPA_PLATFORM=offscreen
if [ "${2:-program}" = program ]; then
  strace -f -qq -e trace=%file -o "$work/trace" timeout -s INT 3 "$program" || true
else
  strace -f -qq -e trace=%file -o "$work/trace" "$program"
fi
# Successful opens with a writing flag, and the calls that make, move or remove names.
writes=$(grep -E '^[0-9]+ +((openat2?|open)\(.*(O_WRONLY|O_RDWR|O_CREAT)|(creat|mkdir|mkdirat|rename|renameat2?|unlink|unlinkat|link|linkat|symlink|symlinkat|truncate|mknod|mknodat)\()' "$work/trace" \
  | grep -v " = -1 " | grep -vE '"(/dev/|/proc/)' | grep -vF "\"$work/tmp/" || true)
if [ -n "$writes" ]; then
  printf 'files written:\n%s\n' "$writes" >&2
  exit 1
fi
echo "no file written ($(wc -l < "$work/trace") file calls traced)"
