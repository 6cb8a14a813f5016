#!/usr/bin/env bash
# The download with the window front end on screen: kiv-downloader's window
# (window_probe: the program's own run with a robot that answers the success
# box) against curl -s -o on one large file from nginx on 127.0.0.1, in
# alternating rounds (kiv, curl, kiv, curl, ...), each from a cached source
# file and without the previous output. During every kiv run the probe
# posts an input to the UI thread every 50 ms and records how long the
# thread took to handle it. Without a display the script runs itself under
# Xvfb (xvfb-run, 1280x1024x24).
#
# Each round also runs kiv-downloader itself and takes the time until its
# success box is shown (tests/e2e/xwindow.py watches the X server every
# 10 ms and then answers the box with Return).
#
# Prints per-round times and latencies, the median time ratios and the
# worst latency figures. Everything lives in a temporary folder removed
# at exit. Times only; it asserts nothing.
#
# Usage: bench/window_bench.sh [ROUNDS]       (default 3)
# Environment: KIV_BENCH_MIB (file size, default 1024), KIV_WINBENCH_BUILD
# (build folder, default build-winbench in the repository, Release),
# KIV_WINBENCH_WRAP (a command put before the probe, e.g. "perf record -g
# -o /tmp/kiv.perf --" to profile; its times then mean nothing).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${DISPLAY:-}" ]; then
    command -v xvfb-run >/dev/null || { echo "window_bench.sh: needs a display or xvfb-run" >&2; exit 2; }
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
rounds=${1:-3}
mib=${KIV_BENCH_MIB:-1024}
build=${KIV_WINBENCH_BUILD:-$root/build-winbench}

echo "Building window_probe (Release) in $build ..."
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" window_probe kiv-downloader kivdownloadcontrol >/dev/null
probe=$build/bench/window_probe
program=$build/bin/kiv-downloader
xwindow=$root/tests/e2e/xwindow.py
module=$build/bin/kivdownloadcontrol.so

work=$(mktemp -d /tmp/kiv-winbench.XXXXXX)
nginx_pid=""
cleanup() {
    if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# The program's settings, records and registration stay in the temporary folder.
export XDG_STATE_HOME=$work/state XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config \
    XDG_RUNTIME_DIR=$work/runtime LANG=C.UTF-8
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
mkdir -p "$work/www" "$work/nginx" "$work/out" "$XDG_STATE_HOME" "$XDG_CACHE_HOME" "$XDG_CONFIG_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
chmod 755 "$work" "$work/www"

source "$root/bench/serve_big_file.sh"

# No hash: both sides only download (verification is measured by run.sh).
page=$work/page.html
cat >"$page" <<PAGE
<!DOCTYPE html><html><head><title>Kiv window benchmark</title></head><body>
<object classid="clsid:7126E9C3-57EE-4EBA-A6AC-286C10450471" width="480" height="300">
  <param name="contentscount" value="1">
  <param name="curl1" value="$url">
</object></body></html>
PAGE

now() { date +%s.%N; }
elapsed() { python3 -c "print(f'{$2 - $1:.3f}')"; }
warm() { cat "$source_file" >/dev/null; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
maximum() { sort -g | tail -1; }
ratio() { python3 -c "print(f'{$1 / $2:.3f}')"; }
field() { awk -v name="$1" '$1 == name { print $2 }' "$work/last"; }

timed() {
    local start end
    start=$(now)
    "$@" >"$work/last" 2>"$work/last.err"
    end=$(now)
    elapsed "$start" "$end"
}

# The real program until its success box shows (seconds on standard output).
real_run() {
    local start shown status=0
    start=$(now)
    "$program" --destination "$work/out" --existing restart --no-open "$page" >"$work/real.out" 2>&1 &
    local pid=$!
    python3 "$xwindow" wait "Kiv Downloader" 120 >/dev/null || status=1
    shown=$(now)
    python3 "$xwindow" keys "Kiv Downloader" Return || status=1
    wait "$pid" || status=1
    [ "$status" -eq 0 ] || { echo "kiv-downloader did not complete:" >&2; cat "$work/real.out" >&2; return 1; }
    elapsed "$start" "$shown"
}

out=$work/out/big.bin
# One run not counted: it registers the module and fills the font cache,
# which a user's first start does once.
"$probe" "$module" --destination "$work/out" --existing restart --no-open "$page" >/dev/null 2>&1 || true
rm -f "$out"
: >"$work/ratios"; : >"$work/real_ratios"; : >"$work/p99"; : >"$work/max"
echo
echo "Download of $url ($mib MiB) in the window (display $DISPLAY), $rounds rounds; load: $(cut -d' ' -f1-3 /proc/loadavg)"
# shown_s and box_s: when the window and the success box appeared (kiv clock).
# real_s: kiv-downloader itself until its success box; real: real_s / curl_s.
printf '%5s %7s %7s %6s %6s %7s %6s %7s %6s %7s %7s %7s %6s %8s\n' round kiv_s curl_s ratio cpu_s shown_s box_s real_s real \
    p50_ms p99_ms max_ms '>100' start_ms
for r in $(seq "$rounds"); do
    warm; rm -f "$out"
    kiv=$(timed ${KIV_WINBENCH_WRAP:-} "$probe" "$module" --destination "$work/out" --existing restart --no-open "$page") || true
    status=$(field exit_status)
    if [ "$status" != 0 ]; then
        echo "round $r: kiv-downloader exited ${status:-?}" >&2; cat "$work/last" "$work/last.err" >&2; exit 1
    fi
    if [ "$r" -eq 1 ]; then cmp -s "$source_file" "$out" || { echo "kiv output differs" >&2; exit 1; }; fi
    p50=$(field latency_p50_ms); p99=$(field latency_p99_ms); max=$(field latency_max_ms); late=$(field latency_over_100ms)
    start_ms=$(field start_latency_max_ms)
    cpu=$(field cpu_seconds); shown=$(field window_shown_seconds); box=$(field last_box_seconds)
    warm; rm -f "$out"
    curl_s=$(timed curl -s -o "$out" "$url")
    warm; rm -f "$out"
    real=$(real_run)
    ratio "$kiv" "$curl_s" >>"$work/ratios"
    ratio "$real" "$curl_s" >>"$work/real_ratios"
    echo "$p99" >>"$work/p99"; echo "$max" >>"$work/max"
    printf '%5s %7s %7s %6s %6s %7s %6s %7s %6s %7s %7s %7s %6s %8s\n' "$r" "$kiv" "$curl_s" "$(tail -1 "$work/ratios")" \
        "$cpu" "$shown" "$box" "$real" "$(tail -1 "$work/real_ratios")" "$p50" "$p99" "$max" "$late" "$start_ms"
done

echo
echo "Summary ($rounds rounds)"
echo "  time kiv/curl, median:          $(median <"$work/ratios")"
echo "  kiv-downloader/curl, median:    $(median <"$work/real_ratios")"
echo "  UI answer p99, worst round ms:  $(maximum <"$work/p99")"
echo "  UI answer max, worst round ms:  $(maximum <"$work/max")"
