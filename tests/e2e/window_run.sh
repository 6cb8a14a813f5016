#!/usr/bin/env bash
# The real program's window front end under Xvfb, driven from outside as a
# user would (xwindow.py: close requests and keys through the X server):
# 1. three verified files from nginx, the success box answered with Return:
#    exit 0, the files intact and visible;
# 2. a slow transfer: closing the window asks the leave question; Stay lets
#    the download go on; closing again and Leave ends the run: exit 1, the
#    partial file left hidden and recorded in the version file.
# Exit 77 (skipped) without xvfb-run or python3. KIV_SCREENSHOT_DIR: where
# to save the window mid-download (window-frontend-x11.png).
# Usage: window_run.sh PATH-TO-kiv-downloader [PATH-TO-kivtool]
# (kivtool also from KIV_KIVTOOL)
source "$(dirname "$0")/window_lib.sh"

# 1. Three verified files.
head -c $((5 * 1024 * 1024 + 17)) /dev/urandom >"$work/site/dataset.bin"
head -c 70000 /dev/urandom >"$work/site/manual.bin"
printf 'Kiv end-to-end\n' >"$work/site/readme.txt"
start_nginx
write_page "$work/page.html" contentscount=3 \
    "curl1=$base/dataset.bin" "hash1=$(hash_of "$work/site/dataset.bin")" \
    "curl2=$base/manual.bin" "hash2=$(hash_of "$work/site/manual.bin")" \
    "curl3=$base/readme.txt" "hash3=$(hash_of "$work/site/readme.txt")"
start_window "$work/dest"
xwindow wait "$product" 60 >/dev/null || fail "no success box"
xwindow keys "$product" Return
wait_exit 30
expect_status 0 "three verified files in the window"
for name in dataset.bin manual.bin readme.txt; do
    expect_same "$work/site/$name" "$work/dest/$name"
    expect_visible "$work/dest/$name"
done
xwindow gone "$title" 5 || fail "the window stayed after the exit"

# 2. Leaving during a slow transfer: 4 MiB at 256 KiB/s take 16 s.
nginx -c "$nginx_conf" -s stop 2>/dev/null
for _ in $(seq 50); do [ -f "$work/nginx/nginx.pid" ] || break; sleep 0.1; done
head -c $((4 * 1024 * 1024)) /dev/urandom >"$work/site/slow.bin"
start_nginx 256k
write_page "$work/page.html" contentscount=1 "curl1=$base/slow.bin" "hash1=$(hash_of "$work/site/slow.bin")"
mkdir -p "$work/dest2"
partial="$work/dest2/.slow.bin.kivpart"
start_window "$work/dest2"
for _ in $(seq 200); do
    [ "$(size_of "$partial")" -ge $((512 * 1024)) ] && break
    sleep 0.1
done
[ "$(size_of "$partial")" -ge $((512 * 1024)) ] || fail "the slow transfer did not get going"
if [ -n "${KIV_SCREENSHOT_DIR:-}" ]; then
    xwindow shot "$title" "$KIV_SCREENSHOT_DIR/window-frontend-x11.png"
fi

xwindow close "$title"
xwindow wait "$product" 10 >/dev/null || fail "closing the window did not ask the leave question"
xwindow keys "$product" Escape  # Stay
xwindow gone "$product" 10 || fail "the leave question stayed open after Stay"
kill -0 "$pid" 2>/dev/null || fail "the program ended after Stay"
before=$(size_of "$partial")
sleep 1
[ "$(size_of "$partial")" -gt "$before" ] || fail "the download did not go on after Stay"

xwindow close "$title"
xwindow wait "$product" 10 >/dev/null || fail "the second close did not ask the leave question"
xwindow keys "$product" Tab space  # from Stay, the default, to Leave
wait_exit 30
expect_status 1 "left during the transfer"
expect_kept_partial "$partial" $((4 * 1024 * 1024))
echo "PASS"
