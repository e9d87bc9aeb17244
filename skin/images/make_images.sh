#!/usr/bin/env bash
# Draws the placeholder pictures of the skin (ImageMagick). The lighting editor later lays
# its LED pictures over them; until then they show the device's outline.
set -euo pipefail
cd "$(dirname "$0")"
C=#19c3f0   # accent
B=#1b1f27   # device body
E=#2c333f   # key caps and edges

convert -size 64x64 xc:none -fill "#12151b" -draw "roundrectangle 2,2 61,61 14,14" \
  -stroke "$C" -strokewidth 5 -fill none -draw "arc 12,12 52,52 200,520" \
  -fill "$C" -stroke none -draw "rectangle 29,8 35,34" tray.png

# The keyboard is drawn from the key layout that the skin generators share.
python3 ../../scripts/skin/keyboard_layout.py keyboard.png

convert -size 150x216 xc:none -fill "$B" -stroke "$C" -strokewidth 2 \
  -draw "ellipse 75,108 71,104 0,360" -stroke "$E" -strokewidth 3 \
  -draw "line 75,6 75,84" -draw "line 10,84 140,84" \
  -stroke none -fill "$C" -draw "roundrectangle 70,28 80,58 5,5" mouse.png

convert -size 560x200 xc:none -fill "$B" -stroke "$C" -strokewidth 3 \
  -draw "roundrectangle 3,3 556,196 22,22" -stroke none -fill "$E" \
  -draw "roundrectangle 20,20 539,179 14,14" mousepad.png

# The arrow of the lighting pages' lists.
convert -size 10x6 xc:none -fill "$C" -draw "polygon 0,0 9,0 4.5,5.5" combo_arrow.png
