#!/usr/bin/env bash
# The control in Firefox ESR: the same extension (Firefox's manifest, built
# into BUILD/browser/firefox/, installed as a temporary add-on over
# Marionette) and the manifest in ~/.mozilla/native-messaging-hosts/. A page
# served by nginx with three files: Allow once, the files verified into
# KIVDL_DESTINATION, the success box answered, the tab closed.
# Exit 77 (skipped) without firefox-esr, xvfb-run or python3.
# Usage: browser_firefox.sh PATH-TO-kiv-downloader [PATH-TO-kivtool]
export KIV_BROWSER=firefox-esr
source "$(dirname "$0")/browser_lib.sh"
caption="Kiv browser files"
[ -f "$(dirname "$program")/../browser/firefox/manifest.json" ] || fail "the Firefox extension is not built"
for name in a b c; do head -c $((200 * 1024 + RANDOM)) /dev/urandom >"$work/site/$name.bin"; done
start_nginx
write_page "$work/site/page.html" caption="$caption" contentscount=3 \
    "curl1=$base/a.bin" "hash1=$(hash_of "$work/site/a.bin")" \
    "curl2=$base/b.bin" "hash2=$(hash_of "$work/site/b.bin")" \
    "curl3=$base/c.bin" "hash3=$(hash_of "$work/site/c.bin")"
browser firefox "$caption"
for name in a b c; do
    expect_same "$work/site/$name.bin" "$work/dest/$name.bin"
    expect_visible "$work/dest/$name.bin"
done
echo "PASS"
