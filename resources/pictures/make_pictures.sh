#!/usr/bin/env bash
# Draws the window icon, the two button pictures and the logo of the main window with
# ImageMagick. The PNGs are kept in the repository; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")/.."
font_bold=DejaVu-Sans-Bold

# Send: a green arrow pointing right.
convert -size 16x16 xc:none -fill '#1a8f2a' -stroke '#0b5516' -strokewidth 1 \
    -draw "polygon 1,6 8,6 8,2 15,8 8,14 8,10 1,10" pictures/send.png

# Clear all: a red cross over a blank page.
convert -size 16x16 xc:none -fill white -stroke '#606060' -draw "rectangle 2,1 11,14" \
    -stroke '#c8201e' -strokewidth 2 -draw "line 6,5 14,13" -draw "line 14,5 6,13" \
    pictures/clear.png

# Icon: a nine-pin serial connector on a blue tile.
convert -size 32x32 xc:none -fill '#1f5fa8' -stroke '#103a6b' -draw "roundrectangle 0,0 31,31 5,5" \
    -fill '#d8d8d8' -stroke '#404040' -draw "polygon 4,10 27,10 24,22 7,22" \
    -fill '#303030' -stroke none \
    -draw "circle 8,14 9,14" -draw "circle 12,14 13,14" -draw "circle 16,14 17,14" \
    -draw "circle 20,14 21,14" -draw "circle 24,14 25,14" \
    -draw "circle 10,18 11,18" -draw "circle 14,18 15,18" -draw "circle 18,18 19,18" \
    -draw "circle 22,18 23,18" icons/tavrin.png

# Logo: the connector, the product name and a line of bits, on white.
convert -size 137x65 xc:white \
    -fill '#1f5fa8' -stroke none -draw "roundrectangle 3,8 44,56 6,6" \
    -fill '#d8d8d8' -stroke '#404040' -draw "polygon 8,22 39,22 35,40 12,40" \
    -fill '#303030' -stroke none \
    -draw "circle 14,27 15,27" -draw "circle 19,27 20,27" -draw "circle 24,27 25,27" \
    -draw "circle 29,27 30,27" -draw "circle 34,27 35,27" \
    -draw "circle 16,34 17,34" -draw "circle 21,34 22,34" -draw "circle 26,34 27,34" \
    -draw "circle 31,34 32,34" \
    -font "$font_bold" -pointsize 19 -fill '#1f5fa8' -draw "text 50,33 'Tavrin'" \
    -font DejaVu-Sans -pointsize 8 -fill '#505050' -draw "text 51,46 'serial RS-232'" \
    -stroke '#c8201e' -strokewidth 1 -fill none \
    -draw "polyline 50,56 56,56 56,51 62,51 62,56 74,56 74,51 80,51 80,56 86,56 86,51 98,51 98,56 104,56 104,51 110,51 110,56 131,56" \
    pictures/logo.png
