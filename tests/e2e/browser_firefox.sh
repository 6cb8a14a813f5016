#!/usr/bin/env bash
# The control in Firefox ESR: the same extension (Firefox's manifest, built
# into BUILD/browser/firefox/, installed as a temporary add-on over
# Marionette) and the manifest in ~/.mozilla/native-messaging-hosts/. A page
# served by nginx with three files: Allow once, the files verified into
# KIVDL_DESTINATION, the success box answered, the tab closed. Then a site
# behind a login: logged in, the tab's cookies open the private files, and
# the session value is written nowhere of ours.
# Exit 77 (skipped) without firefox-esr, xvfb-run or python3.
# Usage: browser_firefox.sh PATH-TO-kiv-downloader [PATH-TO-kivtool]
export KIV_BROWSER=firefox-esr
source "$(dirname "$0")/browser_lib.sh"
[ -f "$(dirname "$program")/../browser/firefox/manifest.json" ] || fail "the Firefox extension is not built"
three_files_run firefox

nginx -c "$nginx_conf" -s stop 2>/dev/null
for _ in $(seq 50); do [ -f "$work/nginx/nginx.pid" ] || break; sleep 0.1; done
source "$here/cookie_site.sh"
start_cookie_site
rm -f "$work/dest"/*.bin
for name in a b; do head -c $((200 * 1024 + RANDOM)) /dev/urandom >"$work/site/private/$name.bin"; done
write_page "$work/site/private.html" caption="$caption" contentscount=2 \
    "curl1=$base/private/a.bin" "hash1=$(hash_of "$work/site/private/a.bin")" \
    "curl2=$base/private/b.bin" "hash2=$(hash_of "$work/site/private/b.bin")"
browser firefox-session "$caption"
for name in a b; do expect_same "$work/site/private/$name.bin" "$work/dest/$name.bin"; done
expect_no_session_trace "$work/host.err" "$work/host.log"
echo "PASS"
