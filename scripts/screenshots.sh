#!/usr/bin/env bash
# Renders the dialogs to docs/screenshots/*.png on Qt's offscreen platform:
# the download dialog mid-download and during verification, and three
# message boxes, each in English and Japanese; then the real program's
# window under Xvfb in both languages (scripts/window-screenshots.sh).
# Usage: scripts/screenshots.sh [output folder]   (default docs/screenshots)
set -euo pipefail
# Debian keeps nginx, useradd, ldconfig and the like in the sbin folders,
# which a normal user's PATH lacks.
export PATH="$PATH:/usr/sbin:/sbin"
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
bash scripts/install-deps.sh
cmake -S . -B build/screenshots -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKIV_BENCH=OFF >/dev/null
ninja --quiet -C build/screenshots kiv_screenshots kiv-downloader kivdownloadcontrol.so kivdownloadcontrol kivtool

# Settings and runtime files of the run stay out of the user's folders.
scratch=$(mktemp -d /tmp/kiv-shots.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 0700 -p "$scratch/run"
HOME="$scratch" XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/config" \
    QT_QPA_PLATFORM=offscreen build/screenshots/tools/screenshots/kiv_screenshots "$out"
bash scripts/window-screenshots.sh build/screenshots "$out"
