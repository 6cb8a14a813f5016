#!/usr/bin/env bash
# The terminal front end's cost per download, against curl, in one run: a
# random file of KIV_BENCH_MIB MiB (default 1024) served by nginx on
# 127.0.0.1, fetched by `kiv-downloader --terminal` (stderr into a file) and
# by `curl -s -o`, each pinned to one CPU (taskset -c 1), reported as
#   - wall time and context switches (/usr/bin/time -v),
#   - futex calls (strace -f -c -e trace=futex, a separate round: strace
#     itself slows the run down).
# Usage: bench/terminal_bench.sh [KIV_DOWNLOADER]   (default: build/dev/bin/kiv-downloader)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/dev/bin/kiv-downloader}
mib=${KIV_BENCH_MIB:-1024}
for tool in nginx curl strace taskset /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "terminal_bench.sh: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d /tmp/kiv-tbench.XXXXXX)
nginx_pid=""
cleanup() {
    if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_STATE_HOME=$work/state XDG_CACHE_HOME=$work/cache \
    XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
mkdir -p "$work/www" "$work/nginx" "$work/out" "$HOME" "$XDG_STATE_HOME" "$XDG_CACHE_HOME" "$XDG_CONFIG_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
source "$root/bench/serve_big_file.sh"

fetch_kiv() {
    rm -f "$work/out/"*
    "$@" "$program" --terminal --destination "$work/out" --no-open --param contentscount=1 \
        --param "curl1=$url" </dev/null >"$work/summary.txt" 2>"$work/stderr.txt"
}
fetch_curl() {
    rm -f "$work/out/"*
    "$@" curl -s -o "$work/out/big.bin" "$url"
}
report() {  # NAME: the figures of the last two rounds
    local name=$1
    printf '%-16s wall %ss  voluntary switches %s  involuntary %s  futex calls %s\n' "$name" \
        "$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$work/time.txt")" \
        "$(awk -F': ' '/Voluntary context switches/ {print $2}' "$work/time.txt")" \
        "$(awk -F': ' '/Involuntary context switches/ {print $2}' "$work/time.txt")" \
        "$(awk '$NF == "futex" {print $4}' "$work/strace.txt")"
}

fetch_kiv taskset -c 1 /usr/bin/time -v -o "$work/time.txt"
fetch_kiv taskset -c 1 strace -f -c -e trace=futex -o "$work/strace.txt"
cmp -s "$source_file" "$work/out/big.bin" || { echo "kiv-downloader: the file differs" >&2; exit 1; }
report kiv-downloader
fetch_curl taskset -c 1 /usr/bin/time -v -o "$work/time.txt"
fetch_curl taskset -c 1 strace -f -c -e trace=futex -o "$work/strace.txt"
report curl
