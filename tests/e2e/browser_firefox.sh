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
[ -f "$(dirname "$program")/../browser/firefox/manifest.json" ] || fail "the Firefox extension is not built"
three_files_run firefox
echo "PASS"
