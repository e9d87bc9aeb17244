#!/usr/bin/env bash
# Draws the window backgrounds that the skin chooser offers (skin/skins/*.png, 1000x740, the
# window's size), their thumbnails for the chooser's buttons (skin/skins/thumbs/*.png) and
# the reset image (skin/common/background.png, the skin's own plain background). Dark
# pictures, so that the panels and texts of the window stay readable on them. ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/../../skin"
mkdir -p skins/thumbs common
W=1000
H=740

# A dark base with soft glows: base colour, then "colour x y radius" glows, blurred.
glows() {
  local out=$1 base=$2
  shift 2
  local draw=()
  while (($#)); do
    draw+=(-fill "$1" -draw "circle $2,$3 $(($2 + $4)),$3")
    shift 4
  done
  convert -size ${W}x${H} xc:"$base" "${draw[@]}" -blur 0x90 \
    \( -size ${W}x${H} radial-gradient:none-"#000000b0" \) -composite \
    -depth 8 -strip "skins/$out"
}

# The skin's own background, so a reset looks as a fresh start does.
convert -size ${W}x${H} xc:"#0f1217" -depth 8 -strip common/background.png

glows aurora.png "#0b0f14" "#0e5a6e" 250 120 260 "#123a7a" 780 200 240 "#0a4a4a" 520 640 220
glows ember.png "#120d0d" "#7a2a0e" 180 700 300 "#8a3a0c" 820 760 260 "#3a1020" 900 80 220
glows nebula.png "#0d0b14" "#3a1a6e" 300 260 240 "#12306e" 760 480 260 "#5a1a4a" 880 140 160

# Thin lines of light on a dark field.
convert -size ${W}x${H} xc:"#0b0e13" -stroke "#19c3f048" -strokewidth 1 \
  -draw "$(for x in $(seq 0 40 $W); do printf 'line %d,0 %d,%d ' "$x" "$x" "$H"; done)" \
  -draw "$(for y in $(seq 0 40 $H); do printf 'line 0,%d %d,%d ' "$y" "$W" "$y"; done)" \
  \( -size ${W}x${H} radial-gradient:none-"#00000090" \) -composite \
  -depth 8 -strip skins/grid.png

# Brushed steel: a vertical gradient crossed by faint horizontal bands.
convert -size ${W}x${H} gradient:"#1a1f27"-"#0a0c10" \
  \( -size 1x${H} gradient:"#ffffff10"-"#00000010" -scale ${W}x${H}! \) -composite \
  -fill "#ffffff08" -draw "$(for y in $(seq 0 6 $H); do printf 'line 0,%d %d,%d ' "$y" "$W" "$y"; done)" \
  -depth 8 -strip skins/steel.png

# Diagonal stripes fading to the corners.
convert -size ${W}x${H} xc:"#0d1016" -stroke "#19c3f014" -strokewidth 14 \
  -draw "$(for x in $(seq -$H 48 $W); do printf 'line %d,%d %d,0 ' "$x" "$H" "$((x + H))"; done)" \
  \( -size ${W}x${H} radial-gradient:none-"#000000c0" \) -composite \
  -depth 8 -strip skins/stripes.png

for f in skins/*.png; do
  # Half of the picture around its centre, so that fine patterns still show at this size.
  convert "$f" -gravity center -crop 600x444+0+0 +repage -resize 86x63! -bordercolor "#3a4352" -border 1 -depth 8 -strip "skins/thumbs/$(basename "$f")"
done
