#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need. Does nothing
# when they are all present, so repeated runs cost a second.
set -euo pipefail
# Debian keeps nginx, useradd, ldconfig and the like in the sbin folders,
# which a normal user's PATH lacks.
export PATH="$PATH:/usr/sbin:/sbin"

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libcurl4-openssl-dev libssl-dev libcrypto++-dev
    qt6-base-dev qt6-translations-l10n libqt6svg6 libgumbo-dev libseccomp-dev
    fonts-dejavu-core fonts-noto-cjk
    nginx-light tinyproxy openssl curl attr xvfb xauth python3 procps
    openbox xdotool x11-utils weston qt6-wayland
    chromium firefox-esr
    dpkg-dev lintian
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "Installing: ${missing[*]}"
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo_cmd apt-get update -qq
$sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
