#!/usr/bin/env bash
# Paints the notice window's stored picture, data/images/notice.jpg: 339 x 221
# pixels, white, with a small dusk landscape in its top-left 185 x 129 (the
# only part the notice window shows). The JPEG is committed; run this again
# only to change the painting.
set -euo pipefail
cd "$(dirname "$0")/../.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Sky: deep purple at the top through rose to orange at the horizon (y = 80).
convert -size 185x40 gradient:'#2c1e5a'-'#9a3f7a' "$tmp/sky1.png"
convert -size 185x41 gradient:'#9a3f7a'-'#ffa040' "$tmp/sky2.png"
# Lake below the horizon: the sky's colours darkened and mirrored.
convert -size 185x48 gradient:'#d07838'-'#3a2850' "$tmp/lake.png"
convert "$tmp/sky1.png" "$tmp/sky2.png" "$tmp/lake.png" -append "$tmp/base.png"

convert "$tmp/base.png" \
  -fill '#ffe9a0' -draw 'circle 120,74 120,60' \
  -fill '#ffd070' -draw 'circle 120,74 120,63' \
  -fill '#5a2a5e' -draw 'polygon 0,84 0,58 22,50 46,60 70,52 96,66 118,72 140,62 164,54 185,60 185,84' \
  -fill '#3c1f48' -draw 'polygon 0,84 0,70 30,64 58,72 84,68 110,78 140,74 170,70 185,74 185,84' \
  -fill '#2a1636' -draw 'rectangle 0,84 185,88' \
  -fill '#ffc870' -draw 'rectangle 104,92 136,93' -draw 'rectangle 110,98 130,99' \
  -draw 'rectangle 114,104 126,105' -draw 'rectangle 117,110 123,111' \
  -fill '#1e1028' \
  -draw 'polygon 12,88 18,62 24,88' -draw 'polygon 8,76 18,52 28,76' \
  -draw 'polygon 28,88 33,68 38,88' -draw 'polygon 25,80 33,60 41,80' \
  -draw 'polygon 150,88 157,60 164,88' -draw 'polygon 146,76 157,48 168,76' \
  -draw 'polygon 166,88 172,66 178,88' -draw 'polygon 163,80 172,58 181,80' \
  -fill '#1a0f22' -draw 'polygon 0,129 0,114 40,118 70,124 90,129' \
  -fill '#fff4d8' -draw 'point 40,20' -draw 'point 75,12' -draw 'point 150,18' \
  "$tmp/painting.png"

convert -size 339x221 xc:white "$tmp/painting.png" -geometry +0+0 -composite \
  -strip -quality 90 -sampling-factor 1x1 data/images/notice.jpg
