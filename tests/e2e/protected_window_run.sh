#!/usr/bin/env bash
# --protected in the window front end under Xvfb: the assistant program
# chooses the destination (from --destination) and moves each verified file
# there; leaving during a slow transfer ends the run with exit 1, the
# partial file kept hidden in the work folder and recorded under its URL,
# and the assistant program gone with the page.
# Exit 77 (skipped) without xvfb-run.
# Usage: protected_window_run.sh PATH-TO-kiv-downloader [PATH-TO-kivtool]
here=$(cd "${0%/*}" && pwd)
command -v xvfb-run >/dev/null || { echo "SKIP: xvfb-run is not installed"; exit 77; }
if [ -z "${KIV_E2E_XVFB:-}" ]; then
    KIV_E2E_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
display=$DISPLAY
kivtool=${2:-${KIV_KIVTOOL:-}}
[ -x "$kivtool" ] || { echo "usage: $0 PATH-TO-kiv-downloader PATH-TO-kivtool" >&2; exit 2; }
source "$here/lib.sh"
export DISPLAY=$display LANG=C.UTF-8
unset LC_ALL LC_MESSAGES

title="Kiv e2e"
product="Kiv Downloader"
xwindow() { python3 "$here/xwindow.py" "$@"; }
assistant="$(dirname "$program")/kivdownloadcontrol"

start_window() {
    "$program" --protected --no-open --destination "$1" --existing restart "$work/page.html" \
        </dev/null >"$work/out" 2>"$work/err" &
    pid=$!
    xwindow wait "$title" 30 >/dev/null || fail "the window did not appear"
}

wait_exit() {
    local waited=0
    while kill -0 "$pid" 2>/dev/null; do
        [ "$waited" -lt $(($1 * 10)) ] || { kill -9 "$pid"; fail "the program did not end"; }
        sleep 0.1
        waited=$((waited + 1))
    done
    status=0
    wait "$pid" || status=$?
}

size_of() { stat -c %s "$1" 2>/dev/null || echo 0; }
assistants() { pgrep -f -x "$assistant" | wc -l; }

# 1. Two verified files placed by the assistant.
head -c $((3 * 1024 * 1024 + 9)) /dev/urandom >"$work/site/dataset.bin"
head -c 70000 /dev/urandom >"$work/site/manual.bin"
start_nginx
write_page "$work/page.html" contentscount=2 \
    "curl1=$base/dataset.bin" "hash1=$(hash_of "$work/site/dataset.bin")" \
    "curl2=$base/manual.bin" "hash2=$(hash_of "$work/site/manual.bin")"
start_window "$work/dest"
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
start_window "$work/dest2"
partial=
for _ in $(seq 200); do
    partial=$(find "$work/cache" -type f -name slow.bin | head -1)
    [ -n "$partial" ] && [ "$(size_of "$partial")" -ge $((512 * 1024)) ] && break
    sleep 0.1
done
[ -n "$partial" ] && [ "$(size_of "$partial")" -ge $((512 * 1024)) ] ||
    fail "the slow transfer did not get going in the work folder"
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
for _ in $(seq 50); do [ "$(assistants)" -eq 0 ] && break; sleep 0.1; done
[ "$(assistants)" -eq 0 ] || fail "the assistant program outlived the page"
echo "PASS"
