#!/usr/bin/env bash
# Times `jumelix-bench compare A B` against `cmp A B` on two 2 GiB files made in
# FOLDER (identical, then one byte changed near the end), warm and cold, whole
# processes side by side, medians of three. Cold runs drop the page cache before
# each side and need root. The files are deleted at the end; exits 1 when a
# target is missed.
# Usage: bench/compare-vs-cmp.sh FOLDER   (JUMELIX_BENCH overrides the program's path)
set -euo pipefail
[ $# -eq 1 ] && [ -d "$1" ] || { echo "usage: $0 FOLDER" >&2; exit 2; }
bench="${JUMELIX_BENCH:-$(dirname "$0")/../build/bench/jumelix-bench}"
a="$1/jumelix-compare-a.bin"
b="$1/jumelix-compare-b.bin"
out="$(mktemp)"
trap 'rm -f "$a" "$b" "$out"' EXIT
size=$((2 * 1024 * 1024 * 1024))
changed_at=$((size - 4096))  # counted from 0

echo "making two files of $size bytes in $1" >&2
head -c "$size" /dev/urandom >"$a"
cp "$a" "$b"

drop_cache() { sync; echo 3 >/proc/sys/vm/drop_caches; }
median() { sort -g | sed -n 2p; }
calc() { awk "BEGIN { print $1 }"; }

# Prints the seconds one run of the command takes, the whole process; its
# output goes to $out.
seconds() {
  local start=$EPOCHREALTIME status=0
  "$@" >"$out" 2>/dev/null || status=$?
  [ "$status" -le 1 ] || { echo "$* failed ($status)" >&2; exit 1; }  # cmp: 1 when they differ
  calc "$EPOCHREALTIME - $start"
}

caches=(warm)
if [ "$(id -u)" -eq 0 ]; then caches+=(cold); else echo "cold runs left out: not root" >&2; fi
missed=0
printf '%-10s %-5s %10s %8s %6s %12s  %s\n' case cache jumelix_s cmp_s ratio peak_rss_kb targets
for case in identical different; do
  expected="first_difference 0 verdict identical"
  if [ "$case" = different ]; then
    byte=$(od -An -tu1 -j "$changed_at" -N1 "$b")
    printf "$(printf '\\%03o' $((byte ^ 255)))" |
      dd of="$b" bs=1 seek="$changed_at" conv=notrunc status=none
    expected="first_difference $((changed_at + 1)) verdict different"
  fi
  for cache in "${caches[@]}"; do
    ours=() theirs=() peak=0
    [ "$cache" = warm ] && cat "$a" "$b" >/dev/null
    for _ in 1 2 3; do
      [ "$cache" = cold ] && drop_cache
      ours+=("$(seconds "$bench" compare "$a" "$b")")
      grep -q "$expected" "$out" || { echo "unexpected: $(cat "$out")" >&2; exit 1; }
      kb=$(sed 's/.*peak_rss_kb //' "$out")
      peak=$((kb > peak ? kb : peak))
      [ "$cache" = cold ] && drop_cache
      theirs+=("$(seconds cmp "$a" "$b")")
    done
    ours_s=$(printf '%s\n' "${ours[@]}" | median)
    cmp_s=$(printf '%s\n' "${theirs[@]}" | median)
    ratio=$(calc "$ours_s / $cmp_s")
    target=0.7
    [ "$cache" = cold ] && target=1.0
    met=$(calc "($ratio <= $target && $peak < 40960) ? \"met\" : \"MISSED\"")
    [ "$met" = met ] || missed=1
    printf '%-10s %-5s %10.3f %8.3f %6.2f %12d  %s (ratio <= %s, peak < 40960)\n' \
      "$case" "$cache" "$ours_s" "$cmp_s" "$ratio" "$peak" "$met" "$target"
  done
done
exit "$missed"
