#!/usr/bin/env bash
# Makes the Debian package of the build, unpacks it into a scratch root as
# dpkg would install it, and plays the installed demo with the installed
# player, headless: the package must hold everything a player needs, and
# depend on runtime libraries only.
#   deb_install_test.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB -B "$scratch/pkg" > "$scratch/cpack.log" 2>&1) || {
  cat "$scratch/cpack.log"
  exit 1
}
deb=$(ls "$scratch"/pkg/vesk-player_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl2-2.0-0 libfluidsynth3 libavcodec59 libcurl4 fonts-ipafont-gothic; do
  [[ "$depends" == *"$lib"* ]] || { echo "the package does not depend on $lib: $depends"; exit 1; }
done
if [[ "$depends" == *"-dev"* ]]; then
  echo "the package depends on a development package: $depends"
  exit 1
fi

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/vesk-player usr/bin/vesk-tool usr/share/vesk-player/demo/vesk.lpb \
         usr/share/vesk-player/demo/theme.mid usr/share/man/man6/vesk-player.6 \
         usr/share/man/man1/vesk-tool.1 usr/share/applications/vesk-player.desktop \
         usr/share/icons/hicolor/256x256/apps/vesk-player.png \
         usr/share/metainfo/io.github.veskplayer.VeskPlayer.metainfo.xml; do
  [[ -e "$root/$f" ]] || { echo "the package lacks /$f"; exit 1; }
done
if [[ -e "$root/usr/share/vesk-player/demo/CMakeFiles" ]]; then
  echo "the package holds the build's own files"
  exit 1
fi
# The menu entry plays the installed demo.
grep -qx "Exec=vesk-player /usr/share/vesk-player/demo" "$root/usr/share/applications/vesk-player.desktop" || {
  echo "the desktop entry does not play the installed demo:"
  cat "$root/usr/share/applications/vesk-player.desktop"
  exit 1
}

# Installed games are read-only: saves go to the user's data folder.
chmod -R a-w "$root/usr/share/vesk-player/demo"
export XDG_RUNTIME_DIR="$scratch/run" XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config"
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
"$root/usr/bin/vesk-player" --headless --frames 300 --screenshot "$scratch/title.png" \
  "$root/usr/share/vesk-player/demo" > "$scratch/player.log" 2>&1 || {
  cat "$scratch/player.log"
  exit 1
}
[[ -s "$scratch/title.png" ]] || { echo "the installed player drew nothing"; exit 1; }
"$root/usr/bin/vesk-tool" --version > /dev/null
chmod -R u+w "$root"
echo "installed and played: $(basename "$deb")"
