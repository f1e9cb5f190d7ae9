#!/usr/bin/env bash
# Installs every Debian package that the build and the tests need.
# Idempotent: asks apt only for what is missing, and updates the lists only then.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qtbase5-dev libqt5serialport5-dev qttranslations5-l10n
    libqwt-qt5-dev libqt5svg5-dev libqt5opengl5-dev libquazip1-qt5-dev zlib1g-dev
    python3 python3-openpyxl
    libreoffice-calc-nogui
    fonts-dejavu-core
    xvfb xauth x11-utils x11-xserver-utils evilwm xdotool xclip
    mingw-w64 binutils-mingw-w64-i686
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
