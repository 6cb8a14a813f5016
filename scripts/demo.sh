#!/usr/bin/env bash
# The newcomer's run command: installs what is missing, builds the program,
# serves three demo files with Debian's nginx on 127.0.0.1, and runs
# kiv-downloader on a demo page that embeds the control. With a display it
# runs in a window (you choose the folder); without one it runs in the
# terminal and downloads into the folder named at the end. The files are
# verified against their SHA-256 before they appear. Everything else the
# demo makes (the site, nginx's files, settings) is removed when it ends.
# Usage: scripts/demo.sh [--serve]   (--serve: only serve the demo page, for
# a browser with the extension, until Ctrl+C)
set -euo pipefail
# Debian keeps nginx in /usr/sbin, which a normal user's PATH lacks.
export PATH="$PATH:/usr/sbin:/sbin"
cd "$(dirname "$0")/.."
root=$PWD
serve=0
[ "${1:-}" = "--serve" ] && serve=1
bash scripts/install-deps.sh
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIV_BENCH=OFF >/dev/null
ninja -C build/demo kiv-downloader kivdownloadcontrol >/dev/null
program="$root/build/demo/bin/kiv-downloader"

demo=$(mktemp -d /tmp/kiv-demo.XXXXXX)
waiter=
finish() {
    [ -z "$waiter" ] || kill "$waiter" 2>/dev/null || true
    [ ! -f "$demo/nginx/nginx.pid" ] || nginx -c "$demo/nginx/nginx.conf" -s stop 2>/dev/null || true
    # Only the downloaded files stay, and only when there are any.
    rm -rf "$demo/site" "$demo/nginx" "$demo/config" "$demo/state" "$demo/cache"
    if [ -n "$(ls -A "$demo/downloads" 2>/dev/null)" ]; then
        echo "Remove the demo's files with: rm -r $demo"
    else
        rm -rf "$demo"
    fi
}
trap finish EXIT
trap 'exit 1' INT TERM HUP
mkdir -p "$demo/site" "$demo/downloads" "$demo/nginx"
# nginx's workers run as another user: they must be able to read the site.
chmod 755 "$demo" "$demo/site"
# Private settings and records, so the demo never touches the user's own.
export XDG_CONFIG_HOME="$demo/config" XDG_STATE_HOME="$demo/state" XDG_CACHE_HOME="$demo/cache"

head -c $((24 * 1024 * 1024)) /dev/urandom >"$demo/site/dataset.bin"
head -c $((3 * 1024 * 1024)) /dev/urandom >"$demo/site/manual.pdf"
printf 'Kiv Downloader demo\n' >"$demo/site/readme.txt"
hash_of() { sha256sum "$1" | cut -d' ' -f1 | tr 'a-f' 'A-F'; }

# A port nobody answers on.
port=
for candidate in $(shuf -i 20000-60000 -n 50); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then port=$candidate; break; fi
done
[ -n "$port" ] || { echo "no free port found on 127.0.0.1" >&2; exit 2; }
cat >"$demo/nginx/nginx.conf" <<CONF
daemon on;
pid $demo/nginx/nginx.pid;
error_log $demo/nginx/error.log;
events { worker_connections 64; }
http {
    access_log $demo/nginx/access.log;
    client_body_temp_path $demo/nginx;
    proxy_temp_path $demo/nginx;
    fastcgi_temp_path $demo/nginx;
    uwsgi_temp_path $demo/nginx;
    scgi_temp_path $demo/nginx;
    types { application/octet-stream bin pdf; text/plain txt; text/html html; }
    # A gentle rate so the progress, rate and remaining time can be watched.
    limit_rate 4m;
    server { listen 127.0.0.1:$port; root $demo/site; }
}
CONF
nginx -c "$demo/nginx/nginx.conf"

base="http://127.0.0.1:$port"
cat >"$demo/site/demo.html" <<PAGE
<!DOCTYPE html>
<html><head><title>Kiv Downloader demo</title></head>
<body>
<object classid="clsid:7126E9C3-57EE-4EBA-A6AC-286C10450471" width="480" height="300">
  <param name="caption" value="Kiv Downloader demo">
  <param name="contentscount" value="3">
  <param name="curl1" value="$base/dataset.bin">
  <param name="hash1" value="$(hash_of "$demo/site/dataset.bin")">
  <param name="curl2" value="$base/manual.pdf">
  <param name="hash2" value="$(hash_of "$demo/site/manual.pdf")">
  <param name="curl3" value="$base/readme.txt">
  <param name="cname3" value="README.txt">
  <param name="hash3" value="$(hash_of "$demo/site/readme.txt")">
</object>
</body></html>
PAGE

echo "Demo page: $base/demo.html"
if [ $serve -eq 1 ]; then
    echo "Serving it until Ctrl+C."
    trap 'exit 0' INT TERM HUP
    # A waited-for child, so that a signal ends the wait at once.
    sleep infinity &
    waiter=$!
    wait "$waiter"
fi
status=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$program" "$base/demo.html" || status=$?
else
    "$program" --terminal --destination "$demo/downloads" --existing restart "$base/demo.html" || status=$?
    echo
    echo "Downloaded and verified files are in $demo/downloads:"
    ls -l "$demo/downloads"
fi
echo "kiv-downloader exited with status $status (0 success, 1 cancelled, 2 failure)."
exit $status
