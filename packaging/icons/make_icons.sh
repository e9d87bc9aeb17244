#!/usr/bin/env bash
# Renders the scalable application icon into the fixed sizes of the hicolor theme (needs
# rsvg-convert from librsvg2-bin). The PNG files are kept in the repository, so building and
# installing need no renderer.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256 512; do
  rsvg-convert -w "$size" -h "$size" com.tavrinex.Driver.svg -o "com.tavrinex.Driver-$size.png"
done
