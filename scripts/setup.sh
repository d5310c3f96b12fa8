#!/usr/bin/env bash
# Installs the Debian packages one command needs, when they are missing.
#   scripts/setup.sh run|test|sanitize|tidy|fuzz|package|screenshot|bench
set -euo pipefail
# Building and starting the program; fonts-liberation2 is the window's sans-serif face,
# xdg-utils opens files and folders from the result lists.
run=(cmake g++ make qt6-base-dev fonts-liberation2 xdg-utils)
# The tests: GoogleTest, strace to watch for written files, the desktop entry
# and metadata validators.
test=("${run[@]}" libgtest-dev strace desktop-file-utils appstream)
# The tests of the catalogue and search libraries, with g++'s own sanitizers.
sanitize=("${run[@]}" libgtest-dev)
# The static checks; tidy.sh lists the sources with git.
tidy=("${run[@]}" clang-tidy git)
# libFuzzer comes with clang's runtime, of the version the default clang is.
fuzz=(cmake make clang libclang-rt-dev)
# `cpack -G DEB` works out the package's dependencies with dpkg-shlibdeps and file.
package=("${run[@]}" dpkg-dev file)
# bench/walk-vs-find.sh: the walk beside find (findutils), bfs and fdfind;
# bench/contents-vs-peers.sh: the search by contents beside rdfind, jdupes,
# fdupes and rmlint, their peak sizes taken with /usr/bin/time (time).
bench=("${test[@]}" findutils bfs fd-find rdfind jdupes fdupes rmlint time)
# README's picture: the real program under Xvfb and a window manager, driven
# with xdotool, cropped with imagemagick to the frame xprop and xwininfo give.
screenshot=("${run[@]}" xvfb xauth openbox xdotool imagemagick x11-utils)

case "${1:-}" in
  run|test|sanitize|tidy|fuzz|package|screenshot|bench) declare -n packages="$1" ;;
  *) echo "usage: $0 run|test|sanitize|tidy|fuzz|package|screenshot|bench" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
