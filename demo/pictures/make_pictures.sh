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
button "btn_settings.png" '#00000099' '#b9a0f0' '#f4eaff' +0+0 "せってい"
button "btn_settings_hover.png" '#5a3a9acc' '#ffffff' '#ffffff' +0+0 "せってい"
button "btn_settings_down.png" '#2a1a4acc' '#ffffff' '#d0c0ff' +1+2 "せってい"
# The two places the story can go: the hill under the stars, the room.
convert -size 800x600 gradient:'#050818'-'#1d2a5a' \
  \( -size 800x600 xc:none -fill '#ffffffdd' -draw "point 60,40 point 140,90 point 230,30 point 300,120 point 380,60 point 470,35 point 520,140 point 600,80 point 680,30 point 750,110 point 90,200 point 200,170 point 330,210 point 440,180 point 580,220 point 720,190" \) -composite \
  \( -size 800x600 xc:none -fill '#ffffff' -draw "circle 150,110 150,113 circle 610,60 610,63 circle 420,150 420,152" -blur 0x1 \) -composite \
  \( -size 800x600 xc:none -fill '#0e1a14' -draw "path 'M 0,600 L 0,420 Q 200,330 420,380 Q 620,420 800,360 L 800,600 Z'" \) -composite \
  \( -size 800x600 xc:none -fill '#1c3326' -draw "path 'M 0,600 L 0,480 Q 300,420 560,470 Q 700,495 800,470 L 800,600 Z'" \) -composite \
  -depth 8 hill.png
convert -size 800x600 gradient:'#5a3a28'-'#2a1a12' \
  \( -size 800x600 xc:none -fill '#f0c878' -draw "rectangle 520,80 740,300" -fill '#1a2850' -draw "rectangle 532,92 728,288" -fill '#f0c878' -draw "rectangle 626,92 634,288 rectangle 532,186 728,194" \) -composite \
  \( -size 800x600 xc:none -fill '#ffe8a0' -draw "circle 200,160 200,200" -blur 0x12 \) -composite \
  \( -size 800x600 xc:none -fill '#3a2418' -draw "rectangle 0,430 800,600" -fill '#6a4030' -draw "rectangle 60,360 380,440" \) -composite \
  \( -size 800x600 xc:none -fill '#5a4a44' -draw "rectangle 540,318 780,440" -fill '#140c08' -draw "roundrectangle 570,345 750,440 30,30" -fill '#7a6a62' -draw "rectangle 530,310 790,322" \) -composite \
  -depth 8 room.png
# A snowflake for the hill's snow (a particle picture).
convert -size 9x9 xc:none -fill '#ffffffee' -draw "circle 4,4 4,1" -blur 0x0.8 -depth 8 snowflake.png
# The rule picture of the wipe to the hill: bright parts change first, so
# the stars come in from the top right down to the ground.
convert -size 800x600 gradient:white-black -rotate 0 \
  \( -size 800x600 radial-gradient:white-black -negate \) -compose multiply -composite \
  -swirl 120 -colorspace Gray -depth 8 -define png:color-type=2 rule.png
# The settings screen's controls: a slider track, its thumb (normal,
# hover, pressed side by side), the step buttons and a gauge bar.
convert -size 320x28 xc:none -fill '#2a1a4a' -stroke '#b9a0f0' -strokewidth 2 \
  -draw "roundrectangle 1,9 318,19 5,5" -depth 8 slider_track.png
convert \( -size 20x28 xc:none -fill '#b9a0f0' -stroke '#ffffff' -draw "roundrectangle 1,1 18,26 6,6" \) \
  \( -size 20x28 xc:none -fill '#e0d0ff' -stroke '#ffffff' -draw "roundrectangle 1,1 18,26 6,6" \) \
  \( -size 20x28 xc:none -fill '#7a5ab0' -stroke '#ffffff' -draw "roundrectangle 1,1 18,26 6,6" \) \
  +append -depth 8 slider_thumb.png
convert -size 300x16 gradient:'#f0a0b9'-'#ffe080' -rotate -90 -resize 300x16! \
  \( +clone -fill none -stroke '#ffffff' -strokewidth 1 -draw "rectangle 0,0 299,15" \) -composite -depth 8 gauge_bar.png
# The background of the choice menu (its centre cell, filling the middle).
convert -size 16x16 xc:'#2a1a4add' -depth 8 menu_bg.png
# A glowing star for the title's cinema (a shooting star and a twinkle).
convert -size 32x32 radial-gradient:'#ffffff'-none \( +clone \) -compose plus -composite -depth 8 star_glow.png
