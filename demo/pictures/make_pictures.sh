#!/usr/bin/env bash
# Draws the demo's pictures (the PNG files beside this script) with
# ImageMagick and the IPA fonts. Only needed to change the art: the build
# turns the PNG files into layered images with vesk-tool.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 800x600 gradient:'#0b1030'-'#3a1f5c' \
  \( -size 800x600 xc:none -fill '#ffffffcc' -draw "point 40,60 point 120,30 point 210,90 point 330,40 point 455,70 point 520,25 point 610,110 point 700,50 point 760,140 point 90,160 point 260,150 point 390,130 point 560,170 point 680,200 point 30,230" \) -composite \
  \( -size 800x600 xc:none -fill '#fff6d0' -draw "circle 660,120 660,170" -blur 0x1 \) -composite \
  \( -size 800x600 xc:none -fill '#1c1233' -draw "polygon 0,600 0,470 120,430 260,460 400,420 560,455 700,410 800,440 800,600" \) -composite \
  -font IPAMincho -pointsize 64 -fill '#00000080' -annotate +84+154 'Vesk デモ' -fill '#f4eaff' -annotate +80+150 'Vesk デモ' \
  -font IPAGothic -pointsize 22 -fill '#cbb8f0' -annotate +84+196 'スクリプトから作った小さなゲーム' \
  background.png
convert -size 260x420 xc:none \
  -fill '#f3d9c8' -draw "circle 130,90 130,150" \
  -fill '#3b2a4f' -draw "path 'M 62,80 Q 70,10 130,18 Q 195,12 200,90 L 205,190 Q 170,150 130,160 Q 95,150 58,190 Z'" \
  -fill '#f3d9c8' -draw "circle 130,100 130,150" \
  -fill '#2a1c3a' -draw "ellipse 108,100 7,9 0,360 ellipse 152,100 7,9 0,360" \
  -fill '#d98ca6' -draw "ellipse 130,128 10,4 0,180" \
  -fill '#8f5fd0' -draw "path 'M 95,160 L 165,160 L 230,420 L 30,420 Z'" \
  -fill '#b99af0' -draw "path 'M 110,160 L 150,160 L 140,230 L 120,230 Z'" \
  -fill '#f3d9c8' -draw "rectangle 118,145 142,165" \
  -channel A -blur 0x0.8 +channel heroine.png
# Buttons: normal, hovered and pressed pictures.
button() {
  local out=$1 fill=$2 stroke=$3 ink=$4 shift=$5 label=$6
  convert -size 220x56 xc:none -fill "$fill" -stroke "$stroke" -strokewidth 2 \
    -draw "roundrectangle 1,1 218,54 14,14" -stroke none -font IPAGothic -pointsize 26 -fill "$ink" \
    -gravity center -annotate "$shift" "$label" "$out"
}
for entry in "start:はじめる" "load:つづきから" "quit:おわる"; do
  name=${entry%%:*}
  label=${entry#*:}
  button "btn_${name}.png" '#00000099' '#b9a0f0' '#f4eaff' +0+0 "$label"
  button "btn_${name}_hover.png" '#5a3a9acc' '#ffffff' '#ffffff' +0+0 "$label"
  button "btn_${name}_down.png" '#2a1a4acc' '#ffffff' '#d0c0ff' +1+2 "$label"
done
