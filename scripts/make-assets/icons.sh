#!/usr/bin/env bash
# Renders data/icons/tavren.svg into the PNG icons the program and the desktop
# use. The PNGs are committed, so a build never needs ImageMagick; run this
# again only after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")/../.."
svg=data/icons/tavren.svg
out=data/icons
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Render once large and scale down, so the small sizes get smooth edges.
convert -background none -density 384 "$svg" "$tmp/big.png"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "$out/hicolor/${size}x${size}"
  convert "$tmp/big.png" -resize "${size}x${size}" -strip \
    "PNG32:$out/hicolor/${size}x${size}/tavren.png"
done
# The window icon: 32 x 32 with a 16-colour palette and a transparent background.
convert "$tmp/big.png" -resize 32x32 -channel A -threshold 50% +channel \
  -colors 16 -strip "PNG8:$out/tavren-32.png"
