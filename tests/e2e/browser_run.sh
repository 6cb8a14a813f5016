#!/usr/bin/env bash
# The control in a real browser: headless Chromium with the extension opens
# a page served by nginx that embeds the control with three files and their
# hashes; the placeholder asks, "Allow once" starts the native host, the
# assistant program takes its folder from KIVDL_DESTINATION, the files are
# verified into it, the success box is answered and QuitBrowser closes the
# tab. Then leaving during a slow transfer: Stay pauses it, Leave cancels
# the run with the partial file hidden and recorded, and a later visit
# continues it with a Range request.
# Exit 77 (skipped) without Chromium, xvfb-run or python3.
# Usage: browser_run.sh PATH-TO-kiv-downloader [PATH-TO-kivtool]
source "$(dirname "$0")/browser_lib.sh"

# 1. Three verified files.
three_files_run run
grep -qxF "$work/dest" "$work/opened.log" 2>/dev/null || fail "the destination folder was not opened"

# 2. Leaving during a slow transfer, then coming back.
nginx -c "$nginx_conf" -s stop 2>/dev/null
for _ in $(seq 50); do [ -f "$work/nginx/nginx.pid" ] || break; sleep 0.1; done
head -c $((3 * 1024 * 1024)) /dev/urandom >"$work/site/slow.bin"
start_nginx 512k
write_page "$work/site/slow.html" caption="$caption" contentscount=1 \
    "curl1=$base/slow.bin" "hash1=$(hash_of "$work/site/slow.bin")"
# The page fakes leaving all along: only the browser's own events may pause
# or cancel the run.
sed -i 's#</body>#<script>setInterval(() => { for (const e of ["beforeunload", "pagehide"]) window.dispatchEvent(new Event(e)); }, 100);</script></body>#' \
    "$work/site/slow.html"
echo '<!DOCTYPE html><html><head><title>Elsewhere</title></head><body>Elsewhere</body></html>' \
    >"$work/site/other.html"
rm -rf "$work/dest"/*.bin
browser leave "$caption"
grep -E '^GET /slow.bin 206 range="bytes=[1-9][0-9]*-"' "$work/nginx/access.log" >/dev/null ||
    fail "the later visit did not continue the file with a Range request"
expect_same "$work/site/slow.bin" "$work/dest/slow.bin"
echo "PASS"
