#!/usr/bin/env bash
# Draws the program's icon (packaging/vesk-player.png, 256x256) from the
# demo's pictures: the heroine before the night sky. Run by hand when the
# pictures change; the build installs the PNG as it stands.
set -euo pipefail
cd "$(dirname "$0")/.."
ffmpeg -loglevel error -y -i demo/pictures/background.png -i demo/pictures/heroine.png \
  -filter_complex "[0]crop=370:370:430:170,scale=256:256[bg];[1]crop=iw:iw*1.1:0:0,scale=-1:220[h];[bg][h]overlay=(W-w)/2:H-h" \
  -frames:v 1 packaging/vesk-player.png
