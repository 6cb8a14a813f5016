#!/usr/bin/env bash
# The browser's session and the site question, in Chromium against a site
# behind a login: logged in, the tab's cookies reach the run and the private
# files are verified; a fresh profile gets the server's 403, named; the
# session value is written nowhere of ours. A page drawn over the placeholder
# starts nothing, and a sandboxed page is never allowed always.
# Exit 77 (skipped) without Chromium, xvfb-run or python3.
# Usage: browser_session.sh PATH-TO-kiv-downloader [PATH-TO-kivtool]
source "$(dirname "$0")/browser_lib.sh"
source "$here/cookie_site.sh"
start_cookie_site
for name in a b; do head -c $((200 * 1024 + RANDOM)) /dev/urandom >"$work/site/private/$name.bin"; done
write_page "$work/site/private.html" caption="$caption" contentscount=2 \
    "curl1=$base/private/a.bin" "hash1=$(hash_of "$work/site/private/a.bin")" \
    "curl2=$base/private/b.bin" "hash2=$(hash_of "$work/site/private/b.bin")"
browser session "$caption"
for name in a b; do expect_same "$work/site/private/$name.bin" "$work/dest/$name.bin"; done
[ -e "$work/dest-fresh/a.bin" ] && fail "a fresh profile got the private file"
# The browsers' own profiles keep their cookies; nothing of ours may.
expect_no_session_trace "$work/host.err" "$work/host.log"

# The page's own "Play" button over the placeholder, invisible and blown up.
write_page "$work/site/overlay.html" caption="$caption" contentscount=+1 "curl1=$base/private/a.bin"
sed -i 's#</body>#<style>[data-kiv-downloader]{opacity:0;position:absolute;left:0;top:0;transform:scale(60);transform-origin:0 0}</style><button id="play" style="position:absolute;left:40px;top:40px;z-index:-1">Play video</button></body>#' \
    "$work/site/overlay.html"
browser overlay overlay.html
write_page "$work/site/sandboxed.html" caption="$caption" contentscount=1 "curl1=$base/private/a.bin"
browser sandboxed sandboxed.html
echo "PASS"
