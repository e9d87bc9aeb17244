#!/usr/bin/env bash
# Draws the device pictures of the skin (ImageMagick). The LED pictures lie over them
# (scripts/skin/gen_led_pictures.py); dark, the devices show their outline and light zones.
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

# The mouse and the mouse pad are drawn from the LED layout that places their LED pictures.
python3 ../../scripts/skin/led_layout.py .

# The arrow of the lighting pages' lists.
convert -size 10x6 xc:none -fill "$C" -draw "polygon 0,0 9,0 4.5,5.5" combo_arrow.png
