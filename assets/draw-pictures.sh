#!/bin/sh
# Draws the program's pictures with ImageMagick. Run from anywhere; writes next to this script.
# The button glyphs are pixel art without antialiasing: the buttons key out the colour of a
# glyph's bottom-left pixel (magenta here), and blended edge pixels would leave a pink fringe.
set -eu
cd "$(dirname "$0")"

Key='#FF00FF'
Outline='#000000'

# A yellow folder: a tab on the back flap, the front flap a little lower.
convert -size 24x24 xc:"$Key" +antialias -stroke "$Outline" -strokewidth 1 \
  -fill '#C8A000' -draw 'polygon 1,5 8,5 10,7 21,7 21,20 1,20' \
  -fill '#FFE040' -draw 'polygon 1,20 4,10 23,10 20,20' \
  -stroke '#FFF8B0' -draw 'line 5,11 21,11' \
  -depth 8 -strip -define png:color-type=2 folder.png

# A green arrow pointing down onto a chip with pins on both long sides.
convert -size 24x24 xc:"$Key" +antialias -strokewidth 1 \
  -stroke '#808080' -draw 'line 5,13 5,22' -draw 'line 8,13 8,22' -draw 'line 11,13 11,22' \
  -draw 'line 14,13 14,22' -draw 'line 17,13 17,22' \
  -stroke "$Outline" -fill '#404040' -draw 'rectangle 3,15 19,20' \
  -stroke '#A0A0A0' -draw 'point 5,17' \
  -stroke "$Outline" -fill '#00C000' -draw 'polygon 8,0 14,0 14,6 18,6 11,13 4,6 8,6' \
  -stroke '#80FF80' -draw 'line 9,1 9,6' \
  -depth 8 -strip -define png:color-type=2 write.png

# The maker's logo: a blue disc carrying a white V and three sound waves. The window keys out
# the bottom-left pixel's colour; the ground is the panel's sky blue, so the disc's antialiased
# rim blends into the panel instead of leaving a halo.
# The waves are whole circles cut to a 100-degree wedge: ImageMagick 6 closes open arc paths
# with a chord when it strokes them.
convert -size 314x313 xc:'#A6CAF0' \
  -fill '#1040C0' -stroke '#002080' -strokewidth 6 -draw 'circle 157,156 157,12' \
  -stroke none -fill white -draw 'polygon 56,84 96,84 130,196 164,84 204,84 150,238 110,238' \
  \( -size 314x313 xc:none -fill none -stroke '#FFC000' -strokewidth 9 \
     -draw 'circle 196,161 226,161' -draw 'circle 196,161 252,161' -draw 'circle 196,161 278,161' \
     \( -size 314x313 xc:none -stroke none -fill white -draw 'polygon 196,161 314,20 314,302' \) \
     -compose DstIn -composite \) \
  -compose Over -composite -colors 32 -depth 8 -strip logo.png

# The program's icon: the logo on a transparent ground.
convert logo.png -fuzz 3% -transparent '#A6CAF0' -resize 48x48 -depth 8 -strip icon.png
