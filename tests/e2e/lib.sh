# Shared by the end-to-end scripts: a private home for one run of the real
# program, Debian's nginx on a free loopback port, and the control's page.
# Sourced with the program's path as $1.
set -euo pipefail
program=${1:?usage: $0 PATH-TO-kiv-downloader}
[ -x "$program" ] || { echo "not executable: $program" >&2; exit 2; }

work=$(mktemp -d /tmp/kiv-e2e.XXXXXX)
mkdir -p "$work/site" "$work/dest" "$work/nginx" "$work/config" "$work/state" \
    "$work/cache" "$work/runtime" "$work/tmp"
# nginx's workers run as another user: they must reach the site and the log.
chmod 755 "$work" "$work/site"
chmod 700 "$work/runtime"
# The program's settings, records, locks and temporary files stay private.
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" \
    XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/tmp"
unset DISPLAY WAYLAND_DISPLAY

nginx_conf="$work/nginx/nginx.conf"
cleanup() {
    [ -f "$work/nginx/nginx.pid" ] && nginx -c "$nginx_conf" -s stop 2>/dev/null || true
    # KIV_E2E_KEEP=1 keeps the folder for a look after a failure.
    [ -n "${KIV_E2E_KEEP:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT

free_port() {
    local candidate
    for candidate in $(shuf -i 20000-60000 -n 50); do
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
            echo "$candidate"
            return 0
        fi
    done
    return 1
}

# nginx_with FORMAT HTTP SERVER: Debian's nginx on a free loopback port,
# serving $work/site and logging each request in FORMAT; HTTP adds lines to
# the http block, SERVER to the server block (@PORT@ stands for the port).
nginx_with() {
    local format=$1 http=$2 server=$3 attempt
    for attempt in 1 2 3 4 5; do
        port=$(free_port) || { echo "no free port on 127.0.0.1" >&2; exit 2; }
        cat >"$nginx_conf" <<CONF
daemon on;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 64; }
http {
    log_format e2e '$format';
    access_log $work/nginx/access.log e2e;
    client_body_temp_path $work/nginx;
    proxy_temp_path $work/nginx;
    fastcgi_temp_path $work/nginx;
    uwsgi_temp_path $work/nginx;
    scgi_temp_path $work/nginx;
    types { application/octet-stream bin; text/plain txt; text/html html; }
    $http
    server { listen 127.0.0.1:$port; root $work/site; ${server//@PORT@/$port} }
}
CONF
        # Another process may take the port between the probe and the bind.
        if nginx -c "$nginx_conf" 2>>"$work/nginx/start.log"; then
            base="http://127.0.0.1:$port"
            return 0
        fi
    done
    echo "nginx did not start:" >&2
    cat "$work/nginx/start.log" >&2
    exit 2
}

# start_nginx [RATE]: serves $work/site, logging each request's Range header.
start_nginx() {
    nginx_with '$request_method $uri $status range="$http_range" sent=$body_bytes_sent' \
        "limit_rate ${1:-0};" ""
}

hash_of() { sha256sum "$1" | cut -d' ' -f1 | tr 'a-f' 'A-F'; }

# write_page FILE [NAME=VALUE...]: a page embedding the control with the
# given parameters.
write_page() {
    local page=$1 pair
    shift
    {
        echo '<!DOCTYPE html><html><head><title>Kiv e2e</title></head><body>'
        echo '<object classid="clsid:7126E9C3-57EE-4EBA-A6AC-286C10450471" width="480" height="300">'
        for pair in "$@"; do
            printf '  <param name="%s" value="%s">\n' "${pair%%=*}" "${pair#*=}"
        done
        echo '</object></body></html>'
    } >"$page"
}

# run_program SECONDS ARGS...: runs the terminal front-end unattended, with
# no input; sets $status, keeps stdout and stderr in $work/out and $work/err.
run_program() {
    local limit=$1
    shift
    status=0
    timeout -k 5 "$limit" "$program" --terminal --no-open "$@" </dev/null \
        >"$work/out" 2>"$work/err" || status=$?
}

fail() {
    echo "FAIL: $*" >&2
    for log in out err; do
        [ -f "$work/$log" ] && { echo "--- program std$log:" >&2; tail -n 40 "$work/$log" >&2; }
    done
    [ -f "$work/nginx/access.log" ] && { echo "--- access log:" >&2; tail -n 20 "$work/nginx/access.log" >&2; }
    exit 1
}

expect_status() {
    [ "$status" -eq "$1" ] || fail "exit status $status, expected $1 ($2)"
}

expect_stderr() {
    grep -qF -- "$1" "$work/err" || fail "stderr lacks '$1'"
}

# Fails when FILE carries a DOS attribute other than none (hidden, system...).
expect_visible() {
    local value
    if value=$(getfattr --only-values -n user.DOSATTRIB "$1" 2>/dev/null); then
        case "$value" in
        0x0 | 0x00 | 0 | "") ;;
        *) fail "$1 carries DOS attributes $value" ;;
        esac
    fi
}

size_of() { stat -c %s "$1" 2>/dev/null || echo 0; }

# expect_kept_partial FILE SIZE: FILE holds part of its SIZE bytes, hidden,
# and the record file names it (read with $kivtool).
expect_kept_partial() {
    local file=$1 total=$2 length attributes
    length=$(size_of "$file")
    [ "$length" -gt 0 ] && [ "$length" -lt "$total" ] ||
        fail "the partial file holds $length bytes"
    attributes=$(getfattr --only-values -n user.DOSATTRIB "$file" 2>/dev/null) ||
        fail "the partial file carries no DOS attributes"
    [ $((attributes & 2)) -ne 0 ] || fail "the partial file is not hidden (attributes $attributes)"
    "$kivtool" record list >"$work/records" || fail "kivtool record list failed"
    grep -qF "${file##*/}" "$work/records" ||
        fail "the partial file is not recorded: $(cat "$work/records")"
}

expect_same() {
    [ -f "$2" ] || fail "missing $2"
    cmp -s "$1" "$2" || fail "$2 differs from its source"
}
