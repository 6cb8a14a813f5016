#!/usr/bin/env bash
# --protected in the window front end under Xvfb: the assistant program
# chooses the destination (from --destination) and moves each verified file
# there; leaving during a slow transfer ends the run with exit 1, the
# partial file kept hidden in the work folder and recorded under its URL,
# and the assistant program gone with the page.
# Exit 77 (skipped) without xvfb-run or python3.
# Usage: protected_window_run.sh PATH-TO-kiv-downloader [PATH-TO-kivtool]
source "$(dirname "$0")/window_lib.sh"
assistant="$(dirname "$program")/kivdownloadcontrol"

# 1. Two verified files placed by the assistant.
head -c $((3 * 1024 * 1024 + 9)) /dev/urandom >"$work/site/dataset.bin"
head -c 70000 /dev/urandom >"$work/site/manual.bin"
start_nginx
write_page "$work/page.html" contentscount=2 \
    "curl1=$base/dataset.bin" "hash1=$(hash_of "$work/site/dataset.bin")" \
    "curl2=$base/manual.bin" "hash2=$(hash_of "$work/site/manual.bin")"
start_window "$work/dest" --protected
xwindow wait "$product" 60 >/dev/null || fail "no success box: $(cat "$work/err")"
xwindow keys "$product" Return
wait_exit 30
expect_status 0 "a protected run in the window"
for name in dataset.bin manual.bin; do
    expect_same "$work/site/$name" "$work/dest/$name"
    expect_visible "$work/dest/$name"
done
[ "$(find "$work/cache" -type f -name '*.bin' | wc -l)" -eq 0 ] ||
    fail "downloaded files left in the work folder"

# 2. Leaving during a slow transfer.
nginx -c "$nginx_conf" -s stop 2>/dev/null
for _ in $(seq 50); do [ -f "$work/nginx/nginx.pid" ] || break; sleep 0.1; done
head -c $((4 * 1024 * 1024)) /dev/urandom >"$work/site/slow.bin"
start_nginx 256k
write_page "$work/page.html" contentscount=1 "curl1=$base/slow.bin" "hash1=$(hash_of "$work/site/slow.bin")"
mkdir -p "$work/dest2"
start_window "$work/dest2" --protected
partial=
for _ in $(seq 200); do
    partial=$(find "$work/cache" -type f -name slow.bin | head -1)
    [ -n "$partial" ] && [ "$(size_of "$partial")" -ge $((512 * 1024)) ] && break
    sleep 0.1
done
[ -n "$partial" ] && [ "$(size_of "$partial")" -ge $((512 * 1024)) ] ||
    fail "the slow transfer did not get going in the work folder"
# This run's own assistant (other tests may run theirs at the same time).
helper=$(pgrep -P "$pid" -f -x "$assistant" | head -1)
[ -n "$helper" ] || fail "no assistant program runs under the program"
xwindow close "$title"
xwindow wait "$product" 10 >/dev/null || fail "closing the window did not ask the leave question"
xwindow keys "$product" Tab space  # from Stay, the default, to Leave
wait_exit 30
expect_status 1 "left during a protected transfer"
[ ! -e "$work/dest2/slow.bin" ] || fail "a partial file reached the destination"
attributes=$(getfattr --only-values -n user.DOSATTRIB "$partial" 2>/dev/null) ||
    fail "the partial file carries no DOS attributes"
[ $((attributes & 2)) -ne 0 ] || fail "the partial file is not hidden (attributes $attributes)"
"$kivtool" record list >"$work/records" || fail "kivtool record list failed"
grep -qF "$base/slow.bin" "$work/records" || fail "the partial file is not recorded by its URL: $(cat "$work/records")"
for _ in $(seq 50); do kill -0 "$helper" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$helper" 2>/dev/null; then fail "the assistant program outlived the page"; fi
echo "PASS"
