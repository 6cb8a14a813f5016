# Shared by the browser end-to-end scripts: the window set-up of
# window_lib.sh (Xvfb, nginx, a private home), then headless Chromium with
# the extension and this user's native messaging manifest as
# `kiv-downloader --install-browser-host` writes it. The manifest then names
# a wrapper that logs each start of the host, so a test can tell that a
# page started none. Exits 77 (skipped) without Chromium.
# Sourced with the program's and kivtool's paths as $1 and $2.
# KIV_BROWSER=firefox-esr runs the scenarios that have a Firefox form in it.
browser_binary=${KIV_BROWSER:-chromium}
command -v "$browser_binary" >/dev/null || { echo "SKIP: $browser_binary is not installed"; exit 77; }
source "$(cd "${BASH_SOURCE[0]%/*}" && pwd)/window_lib.sh"
source_root=$(cd "$here/../.." && pwd)

export HOME="$work/home"
mkdir -p "$HOME" "$work/bin"
# The program's own per-user set-up, checked, then pointed at the wrapper.
"$program" --install-browser-host >"$work/install.out" 2>&1 || fail "--install-browser-host: $(cat "$work/install.out")"
manifest="$XDG_CONFIG_HOME/chromium/NativeMessagingHosts/com.velmo.kiv_downloader.json"
[ -f "$HOME/.mozilla/native-messaging-hosts/com.velmo.kiv_downloader.json" ] ||
    fail "--install-browser-host wrote no manifest for Firefox"
grep -qF "\"path\": \"$program\"" "$manifest" || fail "the manifest does not name the program: $(cat "$manifest")"
cat >"$work/bin/host" <<WRAPPER
#!/bin/sh
echo "\$\$ \$*" >>"$work/host.log"
exec "$program" "\$@" 2>>"$work/host.err"
WRAPPER
chmod +x "$work/bin/host"
sed -i "s#\"path\": \"[^\"]*\"#\"path\": \"$work/bin/host\"#" "$manifest" \
    "$HOME/.mozilla/native-messaging-hosts/com.velmo.kiv_downloader.json"
# The desktop's opener, for the folder the control opens after a success.
printf '#!/bin/sh\necho "$*" >>"%s/opened.log"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

host_starts() { [ -f "$work/host.log" ] && wc -l <"$work/host.log" || echo 0; }

# browser SCENARIO: runs the scenario of browser_scenarios.py against the
# site; the browser's output goes to $work/chromium.log.
browser() {
    KIV_WORK="$work" KIV_BASE="$base" KIV_PROGRAM="$program" KIV_KIVTOOL="$kivtool" \
        KIV_EXTENSION="$source_root/browser/extension" KIV_HERE="$here" KIV_BROWSER="$browser_binary" \
        KIV_FIREFOX_EXTENSION="$(dirname "$program")/../browser/firefox" KIV_MARIONETTE_PORT="$(free_port)" \
        timeout -k 5 240 python3 "$here/browser_scenarios.py" "$@" ||
        fail "browser scenario $1 failed; host errors: $(tail -n 20 "$work/host.err" 2>/dev/null)"
}

caption="Kiv browser files"
# three_files_run SCENARIO: the scenario on a page with three files and their
# hashes (nginx started), then the files checked in $work/dest.
three_files_run() {
    local name
    for name in a b c; do head -c $((300 * 1024 + RANDOM)) /dev/urandom >"$work/site/$name.bin"; done
    start_nginx
    write_page "$work/site/page.html" caption="$caption" contentscount=3 \
        "curl1=$base/a.bin" "hash1=$(hash_of "$work/site/a.bin")" \
        "curl2=$base/b.bin" "hash2=$(hash_of "$work/site/b.bin")" \
        "curl3=$base/c.bin" "hash3=$(hash_of "$work/site/c.bin")"
    browser "$1" "$caption"
    for name in a b c; do
        expect_same "$work/site/$name.bin" "$work/dest/$name.bin"
        expect_visible "$work/dest/$name.bin"
    done
}
