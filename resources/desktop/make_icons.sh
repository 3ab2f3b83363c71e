#!/usr/bin/env bash
# Renders the program's icon from its SVG at the sizes the desktop menus ask for. The PNGs
# are kept in the repository; run this only after changing the SVG (needs librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "icons/${size}x${size}"
    rsvg-convert -w "$size" -h "$size" example.ketno.Tavrin.svg -o "icons/${size}x${size}/example.ketno.Tavrin.png"
done
