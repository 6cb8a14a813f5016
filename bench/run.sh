#!/usr/bin/env bash
# Compares the engine with the usual tools on one large file, in interleaved
# rounds (engine, reference, engine, reference, ...), each round starting
# from a cached source file and without the previous output:
#   download: download_bench (size query + file transfer) vs curl -s -o OUT URL,
#             from nginx on 127.0.0.1 serving a temporary folder;
#   digest:   digest_bench (File digest) vs openssl dgst -sha256, with
#             sha256sum for reference.
# Prints per-round times, the median ratio engine/reference and the engine's
# CPU seconds per GiB. Everything lives in a temporary folder removed at exit.
#
# Usage: bench/run.sh [ROUNDS]          (at least 7; default 7)
# Environment: KIV_BENCH_MIB (file size, default 1024), KIV_BENCH_BUILD
# (build folder, default build-bench in the repository).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-7}
mib=${KIV_BENCH_MIB:-1024}
build=${KIV_BENCH_BUILD:-$root/build-bench}
if [ "$rounds" -lt 7 ]; then
    echo "run.sh: at least 7 rounds" >&2
    exit 2
fi

echo "Building the benchmark programs (Release, -O2) in $build ..."
cmake -S "$root/bench" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" digest_bench download_bench >/dev/null

work=$(mktemp -d /tmp/kiv-bench.XXXXXX)
nginx_pid=""
cleanup() {
    if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# The engine's own files (version file, settings) stay in the temporary folder.
export XDG_STATE_HOME=$work/state XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
mkdir -p "$work/www" "$work/nginx" "$work/out" "$XDG_STATE_HOME" "$XDG_CACHE_HOME" "$XDG_CONFIG_HOME"
chmod 755 "$work" "$work/www"

source "$root/bench/serve_big_file.sh"

now() { date +%s.%N; }
elapsed() { python3 -c "print(f'{$2 - $1:.3f}')"; }
warm() { cat "$source_file" >/dev/null; }
# Median of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { python3 -c "print(f'{$1 / $2:.3f}')"; }

# Times one command (wall seconds on standard output); its output goes to $work/last.
timed() {
    local start end
    start=$(now)
    "$@" >"$work/last"
    end=$(now)
    elapsed "$start" "$end"
}

out=$work/out/big.bin
: >"$work/dl_ratios"; : >"$work/dl_cpu"; : >"$work/dg_ratios"; : >"$work/dg_sum_ratios"
echo
echo "Download of $url ($mib MiB), $rounds rounds"
printf '%6s %10s %10s %10s %10s %8s\n' round engine_s curl_s ratio cpu_s posts
for r in $(seq "$rounds"); do
    warm; rm -f "$out"
    engine=$(timed "$build/download_bench" "$url" "$out")
    cpu=$(awk '$1 == "cpu_seconds" { print $2 }' "$work/last")
    posts=$(awk '$1 == "posts" { print $2 }' "$work/last")
    if [ "$r" -eq 1 ]; then cmp -s "$source_file" "$out" || { echo "engine output differs" >&2; exit 1; }; fi
    warm; rm -f "$out"
    reference=$(timed curl -s -o "$out" "$url")
    ratio "$engine" "$reference" >>"$work/dl_ratios"
    python3 -c "print(f'{$cpu * 1024 / $mib:.3f}')" >>"$work/dl_cpu"
    printf '%6s %10s %10s %10s %10s %8s\n' "$r" "$engine" "$reference" "$(tail -1 "$work/dl_ratios")" "$cpu" "$posts"
done
rm -f "$out"

echo
echo "SHA-256 of the cached file ($mib MiB), $rounds rounds"
printf '%6s %10s %10s %10s %12s %10s\n' round engine_s openssl_s ratio sha256sum_s ratio
for r in $(seq "$rounds"); do
    warm
    engine=$(timed "$build/digest_bench" "$source_file")
    engine_digest=$(awk '$1 == "digest" { print tolower($2) }' "$work/last")
    warm
    reference=$(timed openssl dgst -sha256 "$source_file")
    if [ "$r" -eq 1 ]; then grep -q "$engine_digest" "$work/last" || { echo "digests differ" >&2; exit 1; }; fi
    warm
    sum=$(timed sha256sum "$source_file")
    ratio "$engine" "$reference" >>"$work/dg_ratios"
    ratio "$engine" "$sum" >>"$work/dg_sum_ratios"
    printf '%6s %10s %10s %10s %12s %10s\n' "$r" "$engine" "$reference" "$(tail -1 "$work/dg_ratios")" "$sum" "$(tail -1 "$work/dg_sum_ratios")"
done

echo
echo "Summary (medians over $rounds rounds)"
echo "  download engine/curl:            $(median <"$work/dl_ratios")"
echo "  download engine CPU s per GiB:   $(median <"$work/dl_cpu")"
echo "  digest engine/openssl:           $(median <"$work/dg_ratios")"
echo "  digest engine/sha256sum:         $(median <"$work/dg_sum_ratios")"
echo "  CPU SHA extensions (sha_ni):     $(grep -q -w sha_ni /proc/cpuinfo && echo yes || echo no)"
