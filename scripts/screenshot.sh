#!/usr/bin/env bash
# Makes docs/jumelix.png, the picture at the top of README: the real window
# after both steps over a small sample tree, run under Xvfb with a window
# manager and driven with xdotool as a user would (step 1, OK, step 2, OK).
# Run it again whenever the window changes.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

./scripts/setup.sh screenshot
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target jumelix >/dev/null

# A home of its own whose documents folder is the sample tree: both kinds of
# duplicates, files of the same size in two folders and under two names in one.
# A fixed path, so that the picture shows the same folder texts each time.
work="${TMPDIR:-/tmp}/jumelix-demo"
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
home="$work"
docs="$home/Documents"
while read -r size path; do
  mkdir -p "$(dirname "$docs/$path")"
  truncate -s "$size" "$docs/$path"
done <<'TREE'
48213 Photos/été-2023.jpg
48213 Sauvegarde/Photos/été-2023.jpg
20480 Photos/IMG_0412.jpg
20480 Photos/IMG_0412 (copie).jpg
96311 Photos/plage.png
120448 Rapports/bilan-2023.pdf
120448 Sauvegarde/Rapports/bilan-2023.pdf
512 Rapports/notes.txt
512 Rapports/notes - copie.txt
3145728 Musique/chanson.mp3
3145728 Sauvegarde/Musique/chanson.mp3
7702 Rapports/budget.ods
TREE
mkdir -p "$home/.config"
echo 'XDG_DOCUMENTS_DIR="$HOME/Documents"' >"$home/.config/user-dirs.dirs"

export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$work/runtime"
export SHOT="$work/shot.png" JUMELIX="$root/build/jumelix"
mkdir -m 700 "$XDG_RUNTIME_DIR"
xvfb-run -a -s "-screen 0 1024x768x24" bash -euo pipefail -c '
  openbox >/dev/null 2>&1 &
  sleep 1
  "$JUMELIX" &
  program=$!
  shown() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
  until window=$(shown Jumelix); do sleep 0.1; done
  sleep 1
  # Presses a step button, then "OK" on the closing message once it shows.
  step() {
    xdotool mousemove --window "$window" "$1" "$2" click 1
    until box=$(shown Information); do sleep 0.1; done
    sleep 0.5
    xdotool windowactivate --sync "$box" key Return
    while shown Information >/dev/null; do sleep 0.1; done
  }
  step 514 62   # "Etape 1 : parcours du dossier"
  step 514 116  # "Etape 2 : recherche des doublons"
  sleep 0.5
  # The window with its title bar: the client area and the frame around it.
  x=$(xwininfo -id "$window" | awk "/Absolute upper-left X/ {print \$4}")
  y=$(xwininfo -id "$window" | awk "/Absolute upper-left Y/ {print \$4}")
  read -r left right top bottom < <(xprop -id "$window" _NET_FRAME_EXTENTS | tr -d , | awk "{print \$3, \$4, \$5, \$6}")
  import -window root "$SHOT"
  convert "$SHOT" -crop "$((648 + left + right))x$((550 + top + bottom))+$((x - left))+$((y - top))" \
          +repage -strip "$SHOT"
  kill "$program"
  wait "$program" || true
'
mkdir -p docs
cp "$SHOT" docs/jumelix.png
echo "docs/jumelix.png written"
