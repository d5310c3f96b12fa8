#!/usr/bin/env bash
# The search by contents beside rdfind, jdupes, fdupes and rmlint on one folder:
# each command timed as a whole process, three rounds taken in turn, medians
# printed with their ratio to the fastest of the four others, and each one's
# largest peak resident size. Cold drops the page cache before each command
# (root only); warm reads every file of the folder once first. rdfind and rmlint
# run in a scratch folder, as they write their reports where they run.
#   bench/contents-vs-peers.sh cold|warm DIR
# JUMELIX_BENCH names the benchmark program (default build/bench/jumelix-bench).
set -euo pipefail
mode="${1:-}"
dir="${2:-}"
if [[ ! "$mode" =~ ^(cold|warm)$ || ! -d "$dir" ]]; then
  echo "usage: $0 cold|warm DIR" >&2
  exit 2
fi
bench="${JUMELIX_BENCH:-$(dirname "$0")/../build/bench/jumelix-bench}"
[ -x "$bench" ] || { echo "no benchmark program at $bench (build with ./test.sh)" >&2; exit 2; }
for tool in rdfind jdupes fdupes rmlint /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "$tool missing: scripts/setup.sh bench" >&2; exit 2; }
done
if [[ "$mode" = cold && "$(id -u)" != 0 ]]; then
  echo "cold runs drop the page cache, which takes root" >&2
  exit 2
fi
bench="$(realpath -s "$bench")"
dir="$(realpath -s "$dir")"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

names=(jumelix-bench rdfind jdupes fdupes rmlint)
command_of() {
  case "$1" in
    0) command=("$bench" contents "$dir") ;;
    1) command=(rdfind -dryrun true -outputname results.txt "$dir") ;;
    2) command=(jdupes -r -q "$dir") ;;
    3) command=(fdupes -r -q "$dir") ;;
    4) command=(rmlint -o fdupes "$dir") ;;
  esac
}
# Prints the seconds one run of tool $1 takes, the whole process, and its peak
# resident size in KiB. The benchmark program's line goes to $scratch/line.
measure_one() {
  local -a command
  local out=/dev/null start end status=0
  command_of "$1"
  [ "$1" = 0 ] && out="$scratch/line"
  start=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$scratch/rss" "${command[@]}" >"$out" 2>"$scratch/err" || status=$?
  end=$EPOCHREALTIME
  if [ "$status" -ne 0 ]; then
    echo "${command[*]} failed ($status):" >&2
    tail -n 5 "$scratch/err" >&2
    exit 1
  fi
  rm -f results.txt
  echo "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }') $(tail -n 1 "$scratch/rss")"
}

declare -a times peaks
for i in "${!names[@]}"; do times[i]=""; peaks[i]=0; done
if [ "$mode" = warm ]; then
  find "$dir" -type f -print0 | xargs -0 -r cat >/dev/null 2>&1 || true
fi
first=""
for round in 1 2 3; do
  for i in "${!names[@]}"; do
    if [ "$mode" = cold ]; then
      sync
      echo 3 > /proc/sys/vm/drop_caches
    fi
    result=$(measure_one "$i")
    read -r s kb <<<"$result"
    times[i]+="$s "
    peaks[i]=$(( kb > peaks[i] ? kb : peaks[i] ))
    if [[ "$i" = 0 && "$round" = 1 ]]; then first="$(tail -n 1 "$scratch/line")"; fi
  done
done

median() { local -a v; read -ra v <<<"$1"; printf '%s\n' "${v[@]}" | sort -g | sed -n 2p; }
fastest=""
for i in 1 2 3 4; do
  m=$(median "${times[i]}")
  fastest=$(awk -v a="$m" -v b="${fastest:-$m}" 'BEGIN { print (a < b ? a : b) }')
done
echo "$mode, $dir, medians of 3:"
printf '  %-14s %9s %22s %12s\n' tool median_s ratio_to_fastest_peer peak_rss_kb
for i in "${!names[@]}"; do
  awk -v name="${names[i]}" -v s="$(median "${times[i]}")" -v ref="$fastest" -v kb="${peaks[i]}" \
      'BEGIN { printf "  %-14s %9.3f %22.2f %12d\n", name, s, s / ref, kb }'
done
echo "  jumelix-bench, first run: ${first:-(no line)}"
