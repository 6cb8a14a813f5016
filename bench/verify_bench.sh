#!/usr/bin/env bash
# Verified and large downloads against curl and openssl in one run, from
# nginx on 127.0.0.1 (bench/verify_cases.sh has the cases):
#   1 GiB with the page's hash, 1 GiB without, the digest of a cached 1 GiB
#   file, and KIV_BENCH_LARGE_MIB (default 4096; 0 skips it) without a hash.
# The whole `kiv-downloader` program is timed, as users run it.
#
# Usage: bench/verify_bench.sh [ROUNDS]       (at least 5; default 7)
# Environment: KIV_BENCH_BUILD (a Release build with kiv-downloader and
# kivtool; default build/rel), KIV_BENCH_MIB (default 1024), KIV_BENCH_LARGE_MIB, KIV_BENCH_LARGE_ROUNDS
# (default 5), TMPDIR (where the files go).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-7}
build=${KIV_BENCH_BUILD:-$root/build/rel}
large_mib=${KIV_BENCH_LARGE_MIB:-4096}
large_rounds=${KIV_BENCH_LARGE_ROUNDS:-5}
kiv_program=$build/bin/kiv-downloader
kivtool=$build/tools/kivtool
if [ "$rounds" -lt 5 ]; then
    echo "verify_bench.sh: at least 5 rounds" >&2
    exit 2
fi
for tool in nginx curl openssl python3 /usr/bin/time "$kiv_program" "$kivtool"; do
    command -v "$tool" >/dev/null || { echo "verify_bench.sh: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kiv-vbench.XXXXXX")
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
chmod 755 "$work" "$work/www"
mib=1  # the server's own test file; the cases make theirs
source "$root/bench/serve_big_file.sh"
base_url=${url%/*}
source "$root/bench/verify_cases.sh"
export work kiv_program

case_verify "$rounds" "${KIV_BENCH_MIB:-1024}"
if [ "$large_mib" -gt 0 ]; then
    case_large "$large_rounds" "$large_mib"
fi
