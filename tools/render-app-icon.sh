#!/usr/bin/env bash
# Renders the hicolor PNGs of Kestrine's icon from packaging/icons/app.kestrine.Kestrine.svg.
# The PNGs are committed, so only run this after changing the SVG (needs rsvg-convert from
# librsvg2-bin, or Homebrew's librsvg; RSVG_CONVERT names another one).
#
#   render-app-icon.sh                 the hicolor PNGs, into packaging/icons/<size>x<size>/
#   render-app-icon.sh --iconset DIR   the macOS icon set (icon_16x16.png ... icon_512x512@2x.png)
#                                      that iconutil turns into the bundle's .icns; the Mac build
#                                      runs this
set -euo pipefail

icons="$(cd "$(dirname "$0")/../packaging/icons" && pwd)"
name=app.kestrine.Kestrine
rsvg=${RSVG_CONVERT:-rsvg-convert}
render() { # size output
    "$rsvg" --width "$1" --height "$1" "$icons/$name.svg" -o "$2"
}

if [ "${1:-}" = --iconset ]; then
    iconset=${2:?"usage: $0 --iconset DIR"}
    mkdir -p "$iconset"
    for size in 16 32 128 256 512; do
        render "$size" "$iconset/icon_${size}x${size}.png"
        render $((size * 2)) "$iconset/icon_${size}x${size}@2x.png"
    done
    exit 0
fi

for size in 16 22 24 32 48 64 128 256 512; do
    mkdir -p "$icons/${size}x${size}"
    render "$size" "$icons/${size}x${size}/$name.png"
done
echo "rendered into $icons"
