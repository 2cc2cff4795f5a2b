#!/usr/bin/env bash
# Renders the hicolor PNGs of Kestrine's icon from packaging/icons/app.kestrine.Kestrine.svg.
# The PNGs are committed, so only run this after changing the SVG (needs rsvg-convert from
# librsvg2-bin).
set -euo pipefail

icons="$(cd "$(dirname "$0")/../packaging/icons" && pwd)"
name=app.kestrine.Kestrine
for size in 16 22 24 32 48 64 128 256 512; do
    mkdir -p "$icons/${size}x${size}"
    rsvg-convert --width "$size" --height "$size" "$icons/$name.svg" -o "$icons/${size}x${size}/$name.png"
done
echo "rendered into $icons"
