#!/usr/bin/env bash
# Draws the start-up logo's picture (mark.png beside this script) with
# ImageMagick and the IPA fonts. Only needed to change the art: the build
# turns it into a layered image and the cinema with vesk-tool.
set -euo pipefail
cd "$(dirname "$0")"
convert \( -size 360x110 gradient:'#f0a0b9'-'#b9a0f0' \) \
  \( -size 360x110 xc:none -font IPAPGothic -pointsize 60 -fill white -annotate +18+66 'VeskPlayer' \) \
  -compose DstIn -composite \
  \( -size 360x110 xc:none -font IPAPGothic -pointsize 20 -fill '#cbb8f0' -annotate +196+98 'for Linux' \) \
  -compose Over -composite -depth 8 mark.png
