#!/usr/bin/env bash
# Round trips: pages and large files over a path with a fixed delay, against curl, wget, wget2, aria2c and axel (as root, on its own)
#
# Usage (root): bash bench/cases/latency.sh [--rounds N] [--kiv PROGRAM] [--before PROGRAM] [CASE...]
#   --kiv      the kiv-downloader to time (default: build/rel/bin/kiv-downloader)
#   --before   another kiv-downloader timed beside it as "kiv-before" (e.g. the last release)
#   cases: one   one 16 KiB file at 0 and 50 ms: the round trips each tool spends
#          many  255 files of 16 KiB at MANY_RTT ms (default 50)
#          limit 256 MiB from a server sending 8 MB/s per connection, 20 ms
#   default: one many limit. Work files in $LATENCY_WORK (default /tmp/kiv-latency).
#
# Loopback hides round trips, and a user-space proxy would end TCP itself
# (connect returns at once, slow start is hidden). So the tools and nginx
# run in a private network namespace whose loopback has a real path's MTU,
# and every packet of port 8080 is held RTT/2 in arrival order by
# bench/latency/packet_delay (netfilter queue from lo's PREROUTING: the
# packet is no longer charged to its socket there, so TCP's small-queue
# limit does not stall the sender). No loss, no rate limit. Rounds are
# interleaved; tables give medians, the ratio to the fastest tool and the
# CPU time (user + system) beside the wall-clock time.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=${LATENCY_WORK:-/tmp/kiv-latency}
netns=kivlat
rounds=3
kiv=$root/build/rel/bin/kiv-downloader
before=""
inside=0
cases=()
while [ $# -gt 0 ]; do
    case $1 in
        --rounds) rounds=${2:?}; shift 2 ;;
        --kiv) kiv=${2:?}; shift 2 ;;
        --before) before=${2:?}; shift 2 ;;
        --inside) inside=1; shift ;;
        -h | --help) sed -n '4,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) cases+=("$1"); shift ;;
    esac
done
[ ${#cases[@]} -gt 0 ] || cases=(one many limit)

if [ "$inside" = 0 ]; then
    [ "$(id -u)" = 0 ] || { echo "latency.sh: needs root (network namespace, netfilter queue)" >&2; exit 2; }
    for tool in nginx curl wget wget2 aria2c axel iptables-legacy gcc python3; do
        command -v "$tool" >/dev/null || { echo "latency.sh: $tool is missing" >&2; exit 2; }
    done
    [ -x "$kiv" ] || { echo "latency.sh: no program $kiv (--kiv)" >&2; exit 2; }
    kiv=$(realpath "$kiv")
    [ -z "$before" ] || before=$(realpath "$before")
    mkdir -p "$work"
    gcc -O2 -Wall -o "$work/packet_delay" "$root/bench/latency/packet_delay.c" \
        -lnetfilter_queue -lnfnetlink || exit 2
    ip netns list | grep -qw "$netns" || ip netns add "$netns"
    in_ns() { ip netns exec "$netns" "$@"; }
    in_ns ip link set lo mtu 1500 up
    in_ns sysctl -q -w net.ipv4.tcp_no_metrics_save=1  # no run inherits the last one's window
    in_ns iptables-legacy -t mangle -F PREROUTING
    for direction in dport sport; do
        in_ns iptables-legacy -t mangle -A PREROUTING -i lo -p tcp --$direction 8080 \
            -j NFQUEUE --queue-num 0 --queue-bypass
    done
    args=(--inside --rounds "$rounds" --kiv "$kiv")
    [ -n "$before" ] && args+=(--before "$before")
    in_ns bash "$0" "${args[@]}" "${cases[@]}"
    status=$?
    ip netns del "$netns"
    exit $status
fi

base=http://127.0.0.1:8080
log=$work/nginx/access.log
out=$work/out
source "$root/bench/latency/serve.sh"
trap stop_all EXIT
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY DISPLAY WAYLAND_DISPLAY
mkdir -p "$work/www/many" "$work/pages" "$work/times" "$out"
chmod 755 "$work" "$work/www" "$work/www/many"

load() { cut -d' ' -f1-3 /proc/loadavg; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
make_file() { [ -f "$1" ] && [ "$(stat -c %s "$1")" = "$2" ] || { head -c "$2" /dev/urandom >"$1"; chmod 644 "$1"; }; }

# page NAME PREFIX FILE...: a page with the files' hashes, a URL list and a curl config
page() {
    local name=$1 prefix=$2 i=0 file
    shift 2
    {
        echo '<!DOCTYPE html><html><head><title>'"$name"'</title></head><body>'
        echo '<object classid="clsid:7126E9C3-57EE-4EBA-A6AC-286C10450471">'
        echo "<param name=\"contentscount\" value=\"$#\">"
        for file in "$@"; do
            i=$((i + 1))
            echo "<param name=\"curl$i\" value=\"$prefix/$(basename "$file")\">"
            echo "<param name=\"hash$i\" value=\"$(sha256sum "$file" | cut -c1-64 | tr a-f A-F)\">"
        done
        echo '</object></body></html>'
    } >"$work/pages/$name.html"
    for file in "$@"; do echo "$prefix/$(basename "$file")"; done >"$work/pages/$name.list"
    for file in "$@"; do
        printf 'url = "%s/%s"\noutput = "%s"\n' "$prefix" "$(basename "$file")" "$(basename "$file")"
    done >"$work/pages/$name.curl"
}

# words TOOL PAGE: the command of one tool for one page
words() {
    local p=$work/pages/$2
    case $1 in
        kiv) echo "$kiv --terminal -y -q --no-open -d $out $p.html" ;;
        kiv-before) echo "$before --terminal -y -q --no-open -d $out $p.html" ;;
        wget) echo "wget -q -P $out -i $p.list" ;;
        wget2) echo "wget2 -q --no-robots -P $out -i $p.list" ;;
        curl) echo "curl -s -f --output-dir $out -K $p.curl" ;;
        curl-par5) echo "curl -s -f --parallel --parallel-max 5 --output-dir $out -K $p.curl" ;;
        aria2c) echo "aria2c -q -d $out -i $p.list" ;;
        aria2c-j16) echo "aria2c -q -j 16 -d $out -i $p.list" ;;
        aria2c-x8) echo "aria2c -q -x 8 -s 8 -k 1M -d $out -i $p.list" ;;
        axel-n8) echo "axel -q -n 8 -o $out/ $(head -1 "$p.list")" ;;
    esac
}

# A kiv run starts from a private home of its own, as a first run does.
private_home() {
    local d=$work/home
    rm -rf "$d"
    mkdir -p "$d/home" "$d/config" "$d/state" "$d/cache" "$d/data" "$d/tmp"
    mkdir -m 700 "$d/run"
    export HOME=$d/home XDG_CONFIG_HOME=$d/config XDG_STATE_HOME=$d/state XDG_CACHE_HOME=$d/cache \
        XDG_DATA_HOME=$d/data XDG_RUNTIME_DIR=$d/run TMPDIR=$d/tmp
}

# connections and requests in the access log after line $1
served() { tail -n +"$(($1 + 1))" "$log" | awk '{ c[$1] = 1; r++ } END { n = 0; for (k in c) n++; print n, r + 0 }'; }

# run TAG TOOL PAGE FILE...: one timed run; "WALL CPU CONNS REQS BAD" appended to times/TAG.TOOL
run() {
    local tag=$1 tool=$2 pg=$3 lines bad=0 status="" file
    shift 3
    rm -rf "${out:?}" && mkdir -p "$out" && sync
    case $tool in kiv*) private_home ;; esac
    sleep 0.3  # nginx logs the last connection's close
    lines=$(wc -l <"$log")
    # shellcheck disable=SC2046
    (cd "$out" && timeout 900 python3 "$root/bench/timed_run.py" "$work/figures" $(words "$tool" "$pg") \
        >"$work/cmd.out" 2>"$work/cmd.err" </dev/null) || status=rc
    for file in "$@"; do cmp -s "$file" "$out/$(basename "$file")" || bad=$((bad + 1)); done
    echo "$(cat "$work/figures") $(served "$lines") $bad$status" >>"$work/times/$tag.$tool"
}

# race TAG PAGE TOOLS_ARRAY FILE...: interleaved rounds, every output compared
race() {
    local tag=$1 pg=$2 r tool
    local -n tools_=$3
    shift 3
    for tool in "${tools_[@]}"; do : >"$work/times/$tag.$tool"; done
    for r in $(seq "$rounds"); do
        for tool in "${tools_[@]}"; do run "$tag" "$tool" "$pg" "$@"; done
    done
}

column() { cut -d' ' -f"$2" "$work/times/$1" | median; }

# table TAG TOOLS_ARRAY: medians, ratio to the fastest, CPU beside the wall clock
table() {
    local tag=$1 tool best="" m
    local -n tools_=$2
    for tool in "${tools_[@]}"; do
        m=$(column "$tag.$tool" 1)
        if [ -z "$best" ] || awk -v a="$m" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$m; fi
    done
    printf '| %-11s | %9s | %8s | %10s | %6s | %8s | %s |\n' tool "median s" "x fastest" "CPU s" conns requests "runs (s), failed files"
    printf '|%s|\n' "-------------|-----------|----------|------------|--------|----------|------"
    for tool in "${tools_[@]}"; do
        m=$(column "$tag.$tool" 1)
        printf '| %-11s | %9.3f | %8.2f | %10.3f | %6s | %8s | %s |\n' "$tool" "$m" \
            "$(awk -v a="$m" -v b="$best" 'BEGIN { print a / b }')" "$(column "$tag.$tool" 2)" \
            "$(column "$tag.$tool" 3)" "$(column "$tag.$tool" 4)" \
            "$(awk '{ printf "%s%s", sep, $1 ($5 == "0" ? "" : "!" $5); sep = " " }' "$work/times/$tag.$tool")"
    done
}

kiv_tools() { echo kiv; [ -n "$before" ] && echo kiv-before; }

case_one() {
    local tools=($(kiv_tools) wget curl aria2c wget2) rtt tool
    make_file "$work/www/many/one.bin" 16384
    page one "$base/many" "$work/www/many/one.bin"
    for rtt in 0 50; do
        set_rtt "$rtt"
        race "one$rtt" one tools "$work/www/many/one.bin"
    done
    set_rtt 0
    echo; echo "== one 16 KiB file: round trips spent = (median at 50 ms - median at 0 ms) / 50 ms, $rounds rounds (load $(load))"
    printf '| %-11s | %9s | %9s | %6s | %6s | %8s |\n' tool "0 ms s" "50 ms s" RTTs conns requests
    for tool in "${tools[@]}"; do
        local a b
        a=$(column "one0.$tool" 1); b=$(column "one50.$tool" 1)
        printf '| %-11s | %9.4f | %9.4f | %6.1f | %6s | %8s |\n' "$tool" "$a" "$b" \
            "$(awk -v a="$a" -v b="$b" 'BEGIN { print (b - a) / 0.05 }')" "$(column "one50.$tool" 3)" "$(column "one50.$tool" 4)"
    done
}

case_many() {
    local rtt=${MANY_RTT:-50} n=${MANY_FILES:-255} i files=()
    local tools=($(kiv_tools) wget curl curl-par5 aria2c aria2c-j16 wget2)
    for i in $(seq "$n"); do make_file "$work/www/many/f$i.bin" 16384; files+=("$work/www/many/f$i.bin"); done
    page "many$n" "$base/many" "${files[@]}"
    set_rtt "$rtt"
    echo; echo "== $n files of 16 KiB at RTT $rtt ms, $rounds rounds (load $(load), $(date -u +%H:%M:%S))"
    race "many$n.$rtt" "many$n" tools "${files[@]}"
    set_rtt 0
    table "many$n.$rtt" tools
    echo "load after: $(load)"
}

case_limit() {
    local tools=($(kiv_tools) curl wget aria2c-x8 axel-n8) file=$work/www/big256.bin
    make_file "$file" $((256 << 20))
    page limit "$base/slow" "$file"
    set_rtt 20
    cat "$file" >/dev/null
    echo; echo "== 256 MiB at 8 MB/s per connection (nginx limit_rate 8m), RTT 20 ms, $rounds rounds (load $(load), $(date -u +%H:%M:%S))"
    race limit limit tools "$file"
    set_rtt 0
    table limit tools
    echo "load after: $(load)"
}

start_nginx
echo "kiv-downloader: $kiv${before:+; before: $before}"
echo "peers: $(curl --version | head -1 | cut -d' ' -f1-2), $(wget --version | head -1 | cut -d' ' -f1-3), $(wget2 --version 2>&1 | head -1 | cut -d' ' -f1-3), $(aria2c --version | head -1), $(axel --version | head -1), $(nginx -v 2>&1 | cut -d' ' -f3)"
echo "machine: $(nproc) CPUs; load average at start: $(load)"
for name in "${cases[@]}"; do "case_$name"; done
echo; echo "load average at end: $(load)"
