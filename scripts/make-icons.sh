#!/usr/bin/env bash
# Repaints the icons of Images/ with the icon tool; commit the result.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake -S . -B build/icons -DMANOVERA_TESTS=OFF >/dev/null
cmake --build build/icons --target manovera-icons -j 4
QT_QPA_PLATFORM=offscreen build/icons/bin/manovera-icons Images
