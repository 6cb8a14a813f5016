#!/usr/bin/env bash
# The real program's window under Xvfb, in English and in Japanese: the
# folder dialog (Qt's own parts of it in the user's language) and the window
# mid-download. Saved as docs/screenshots/window-{folder,download}-{en,ja}.png.
# Usage: scripts/window-screenshots.sh BUILD_DIR [OUTPUT_FOLDER]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${KIV_E2E_XVFB:-}" ]; then
    build=$(cd "${1:?usage: $0 BUILD_DIR [OUTPUT_FOLDER]}" && pwd)
    out=${2:-$root/docs/screenshots}
    mkdir -p "$out"
    export KIV_SHOT_OUT=$(cd "$out" && pwd)
    set -- "$build/bin/kiv-downloader" "$build/tools/kivtool"
fi
source "$root/tests/e2e/window_lib.sh"

head -c $((16 * 1024 * 1024)) /dev/urandom >"$work/site/KivSetup_2.4.1.zip"
start_nginx 512k
write_page "$work/page.html" contentscount=1 "caption=Kiv Setup 2.4.1" \
    "curl1=$base/KivSetup_2.4.1.zip" "hash1=$(hash_of "$work/site/KivSetup_2.4.1.zip")" \
    "supporturl=https://example.test/help"

for language in en ja; do
    case $language in
    en) export LANG=en_US.UTF-8 folder_title="Browse for Folder" ;;
    ja) export LANG=ja_JP.UTF-8 folder_title="フォルダーの参照" ;;
    esac
    export HOME="$work/home-$language"
    mkdir -p "$HOME/Downloads"
    rm -rf "$work/config" "$work/state" "$work/cache" && mkdir -p "$work/config" "$work/state" "$work/cache"

    # No destination given: the folder dialog opens at ~/Downloads.
    "$program" --no-open "$work/page.html" </dev/null >"$work/out" 2>"$work/err" &
    pid=$!
    xwindow wait "$folder_title" 30 >/dev/null || fail "$language: no folder dialog"
    sleep 1
    xwindow shot "$folder_title" "$KIV_SHOT_OUT/window-folder-$language.png"
    kill "$pid" && wait "$pid" || true

    # The window mid-download.
    start_window "$HOME/Downloads"
    partial="$HOME/Downloads/KivSetup_2.4.1.zip"
    for _ in $(seq 200); do
        [ "$(size_of "$partial")" -ge $((3 * 1024 * 1024)) ] && break
        sleep 0.1
    done
    xwindow shot "$title" "$KIV_SHOT_OUT/window-download-$language.png"
    kill "$pid" && wait "$pid" || true
done
echo "saved in $KIV_SHOT_OUT"
