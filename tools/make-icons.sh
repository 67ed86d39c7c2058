#!/usr/bin/env bash
# Makes the desktop icons (hicolor PNG, 48, 128 and 256 pixels) from the program's logo in
# assets/: the grey background becomes transparent, the shield is scaled. The PNGs are kept in
# git so that a build needs no ImageMagick; run this again when the logo changes.
set -euo pipefail
cd "$(dirname "$0")/.."
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
for size in 48 128 256; do
  mkdir -p "packaging/icons/${size}x${size}"
  "$convert" assets/product_logo.jpg -alpha set -fuzz 12% -fill none \
    -draw "color 0,0 floodfill" -draw "color 95,0 floodfill" \
    -draw "color 0,95 floodfill" -draw "color 95,95 floodfill" \
    -trim +repage -resize "${size}x${size}" -background none -gravity center \
    -extent "${size}x${size}" -strip "PNG32:packaging/icons/${size}x${size}/scourwell.png"
done
