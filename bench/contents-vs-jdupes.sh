#!/usr/bin/env bash
# Checks that the files the search by contents lists (upper and lower lists of
# `jumelix-bench contents --print`) are the files `jdupes -r` puts in a set of
# duplicates, on a folder without links (bench/make-tree.py --contents --no-links):
# jdupes takes hard links for different files and leaves symbolic links out.
# Hidden files are left out of both (jdupes -A), as the walk never lists them.
# Prints both counts and up to 20 differences; exits 0 when the sets are equal.
#   bench/contents-vs-jdupes.sh DIR
# JUMELIX_BENCH names the benchmark program (default build/bench/jumelix-bench).
# File names must not hold tabs or line breaks.
set -euo pipefail
if [ $# -ne 1 ] || [ ! -d "$1" ]; then echo "usage: $0 DIR" >&2; exit 2; fi
bench="${JUMELIX_BENCH:-$(dirname "$0")/../build/bench/jumelix-bench}"
[ -x "$bench" ] || { echo "no benchmark program at $bench (build with ./test.sh)" >&2; exit 2; }
command -v jdupes >/dev/null || { echo "jdupes missing: scripts/setup.sh bench" >&2; exit 2; }
dir="$(realpath -s "$1")"
if [ -n "$(find "$dir" \( -type l -o -type f -links +1 \) -print -quit)" ]; then
  echo "warning: $dir holds links, on which the two differ" >&2
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$bench" contents --print "$dir" >"$work/print"
# U/L<TAB>Folder<TAB>Name<TAB>Size, the folder ending in "/"; a file may be on
# several rows.
awk -F'\t' '($1 == "U" || $1 == "L") && NF >= 4 { print $2 $3 }' "$work/print" |
  LC_ALL=C sort -u >"$work/ours"
jdupes -r -q -A "$dir" >"$work/sets"
grep -v '^$' "$work/sets" | LC_ALL=C sort -u >"$work/theirs" || true

echo "jumelix-bench: $(wc -l <"$work/ours") files; jdupes: $(wc -l <"$work/theirs") files"
tail -n 1 "$work/print"
{
  LC_ALL=C comm -23 "$work/ours" "$work/theirs" | sed 's/^/only jumelix-bench: /'
  LC_ALL=C comm -13 "$work/ours" "$work/theirs" | sed 's/^/only jdupes: /'
} >"$work/differences"
if [ ! -s "$work/differences" ]; then
  echo "same files"
  exit 0
fi
echo "$(wc -l <"$work/differences") differences:"
head -n 20 "$work/differences"
exit 1
