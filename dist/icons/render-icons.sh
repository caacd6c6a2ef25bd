#!/bin/sh
# Renders the scalable icon to the PNG sizes desktops ask for in the hicolor theme, for desktops
# and software centres that show no SVG. Needs rsvg-convert (librsvg2-bin); the PNGs are
# committed, so building Vorlane does not.
set -eu
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" org.vorlane.Vorlane.svg -o "$size.png"
done
