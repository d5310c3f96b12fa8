#!/usr/bin/env bash
# The walk beside find, bfs and fdfind on one folder, in one run: each command
# timed as a whole process, three rounds taken in turn, medians printed with
# their ratio to `find` with sizes. Cold drops the page cache before each
# command (root only); warm reads the folder once first.
#   bench/walk-vs-find.sh [cold|warm|both] DIR
# JUMELIX_BENCH names the benchmark program (default build/bench/jumelix-bench).
set -euo pipefail
mode="${1:-}"
dir="${2:-}"
if [[ ! "$mode" =~ ^(cold|warm|both)$ || ! -d "$dir" ]]; then
  echo "usage: $0 cold|warm|both DIR" >&2
  exit 2
fi
bench="${JUMELIX_BENCH:-$(dirname "$0")/../build/bench/jumelix-bench}"
[ -x "$bench" ] || { echo "no benchmark program at $bench (build with ./test.sh)" >&2; exit 2; }
for tool in find bfs fdfind; do
  command -v "$tool" >/dev/null || { echo "$tool missing: scripts/setup.sh bench" >&2; exit 2; }
done
if [[ "$mode" != warm && "$(id -u)" != 0 ]]; then
  echo "cold runs drop the page cache, which takes root" >&2
  exit 2
fi

names=("jumelix-bench walk" "find with sizes" "find without sizes" "bfs with sizes"
       "fdfind -j1" "fdfind -j8")
run() {
  case "$1" in
    0) "$bench" walk "$dir" ;;
    1) find "$dir" -type f -printf '%h/%f %s\n' ;;
    2) find "$dir" -type f -printf '%h/%f\n' ;;
    3) bfs "$dir" -type f -printf '%h/%f %s\n' ;;
    4) fdfind -u -t f -j1 . "$dir" ;;
    5) fdfind -u -t f -j8 . "$dir" ;;
  esac
}
seconds() {
  local start end
  start=$(date +%s%N)
  run "$1" >/dev/null
  end=$(date +%s%N)
  echo $(( (end - start) / 1000 ))
}

measure() {
  local temperature="$1" round i
  local -a times
  for i in "${!names[@]}"; do times[i]=""; done
  [ "$temperature" = warm ] && run 1 >/dev/null
  for round in 1 2 3; do
    for i in "${!names[@]}"; do
      if [ "$temperature" = cold ]; then
        sync
        echo 3 > /proc/sys/vm/drop_caches
      fi
      times[i]+="$(seconds "$i") "
    done
  done
  local readers
  readers=$("$bench" walk "$dir" | sed -n 's/.*readers \([0-9]*\).*/\1/p')
  echo "$temperature, $dir, medians of 3 (walk readers: $readers):"
  local reference=""
  for i in "${!names[@]}"; do
    local median
    median=$(printf '%s\n' ${times[i]} | sort -n | sed -n 2p)
    [ -n "$reference" ] || reference=$(printf '%s\n' ${times[1]} | sort -n | sed -n 2p)
    awk -v name="${names[i]}" -v us="$median" -v ref="$reference" \
        'BEGIN { printf "  %-20s %7.3f s  %5.2fx find with sizes\n", name, us / 1e6, us / ref }'
  done
}

[ "$mode" = warm ] || measure cold
[ "$mode" = cold ] || measure warm
