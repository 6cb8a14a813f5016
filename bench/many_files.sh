#!/usr/bin/env bash
# Many small files on one page against wget, curl and aria2c (when
# installed), in one run: for each count in KIV_BENCH_COUNTS (default
# "25 100 255"), that many files of KIV_BENCH_KIB KiB (default 16) served by
# nginx on 127.0.0.1, fetched in interleaved rounds by
#   kiv    kiv-downloader --terminal with one page naming every file,
#   base   another kiv-downloader the same way (KIV_BENCH_BASELINE, optional),
#   wget   wget -q -i LIST,
#   curl   curl -s --remote-name-all with every URL on one command line,
#   aria2c aria2c -q -j1 -i LIST (one download at a time, as the others).
# Each run starts with the previous output synced and deleted and from an
# empty state folder. Prints every round, the medians, milliseconds per file
# and the ratios to wget, the median CPU seconds (user + system), with the
# load average; then the system calls of
# one kiv-downloader run of the largest count (strace -f -c) unless
# KIV_BENCH_STRACE=0.
#
# Usage: bench/many_files.sh [KIV_DOWNLOADER] [ROUNDS]
#        (default build/rel/bin/kiv-downloader of a Release build, 7 rounds)
# Sourced with KIV_MANY_FILES_LIB=1 it only defines many_files_case ROUNDS;
# the caller sets `program` and `work`, and `base` to a server's URL whose
# root is $work/www.
set -euo pipefail

many_load() { cut -d' ' -f1-3 /proc/loadavg; }
many_median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# many_inputs COUNT KIB: the files, the page for the program and the list for the peers.
many_inputs() {
    local count=$1 kib=$2 index
    mkdir -p "$work/www/many"
    chmod 755 "$work/www/many"
    for index in $(seq "$count"); do
        [ -f "$work/www/many/f$index.bin" ] || head -c $((kib * 1024)) /dev/urandom >"$work/www/many/f$index.bin"
    done
    chmod 644 "$work/www/many/"*
    {
        echo '<!DOCTYPE html><html><body>'
        echo '<object classid="clsid:7126E9C3-57EE-4EBA-A6AC-286C10450471">'
        echo "<param name=\"contentscount\" value=\"$count\">"
        for index in $(seq "$count"); do
            echo "<param name=\"curl$index\" value=\"$base/many/f$index.bin\">"
        done
        echo '</object></body></html>'
    } >"$work/many$count.html"
    for index in $(seq "$count"); do echo "$base/many/f$index.bin"; done >"$work/many$count.list"
}

# many_run NAME COUNT [WRAPPER...]: one download of the page or list into $work/many-out.
many_run() {
    local name=$1 count=$2
    shift 2
    local out=$work/many-out
    case $name in
        kiv | base)
            local binary=$program
            [ "$name" = kiv ] || binary=$KIV_BENCH_BASELINE
            XDG_STATE_HOME=$work/many-state "$@" "$binary" --terminal --quiet --no-open \
                --destination "$out" "$work/many$count.html" </dev/null ;;
        wget) (cd "$out" && wget -q -i "$work/many$count.list") ;;
        curl) (cd "$out" && xargs -a "$work/many$count.list" curl -s -f --remote-name-all) ;;
        aria2c) aria2c -q -j1 --allow-overwrite=true -d "$out" -i "$work/many$count.list" ;;
    esac
}

many_fresh() {
    sync
    rm -rf "$work/many-out" "$work/many-state"
    mkdir -p "$work/many-out" "$work/many-state"
    sync
}

# The CPU seconds (user + system) of every child this shell waited for so
# far; `times` runs here, not in a subshell, which has no children of its own.
many_children_cpu() {
    times >"$work/many-children"
    tail -1 "$work/many-children" |
        awk '{ n = 0; for (i = 1; i <= 2; ++i) { split($i, p, /[ms]/); n += p[1] * 60 + p[2] } print n }'
}

# many_timed NAME COUNT: appends the wall seconds of one run to
# $work/many-times.NAME and its CPU seconds to $work/many-cpu.NAME.
many_timed() {
    local name=$1 count=$2 start end cpu_before
    many_fresh
    cat "$work/www/many/"* >/dev/null
    many_children_cpu >"$work/many-cpu.before"
    cpu_before=$(cat "$work/many-cpu.before")
    start=$EPOCHREALTIME
    many_run "$name" "$count" >"$work/many-run.out" 2>&1 || {
        echo "many_files: $name failed" >&2
        tail -5 "$work/many-run.out" >&2
        return 1
    }
    end=$EPOCHREALTIME
    many_children_cpu >"$work/many-cpu.after"
    awk -v a="$cpu_before" -v b="$(cat "$work/many-cpu.after")" 'BEGIN { printf "%.3f\n", b - a }' >>"$work/many-cpu.$name"
    local got
    got=$(find "$work/many-out" -type f | wc -l)
    [ "$got" -eq "$count" ] || { echo "many_files: $name left $got files, not $count" >&2; return 1; }
    cmp -s "$work/www/many/f$count.bin" "$work/many-out/f$count.bin" ||
        { echo "many_files: $name wrote f$count.bin wrong" >&2; return 1; }
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", b - a }' >>"$work/many-times.$name"
}

# many_files_case ROUNDS: the table for every count, then the system calls.
many_files_case() {
    local rounds=$1 counts=${KIV_BENCH_COUNTS:-25 100 255} kib=${KIV_BENCH_KIB:-16}
    local names=(kiv) count name round largest=0
    [ -z "${KIV_BENCH_BASELINE:-}" ] || names+=(base)
    names+=(wget curl)
    if command -v aria2c >/dev/null; then names+=(aria2c); fi
    for count in $counts; do if [ "$count" -gt "$largest" ]; then largest=$count; fi; done
    echo "== many files of $kib KiB from one page, $rounds interleaved rounds (load average $(many_load))"
    local previous_count="" previous_kiv=""
    for count in $counts; do
        many_inputs "$count" "$kib"
        rm -f "$work"/many-times.* "$work"/many-cpu.*
        for round in $(seq "$rounds"); do
            for name in "${names[@]}"; do many_timed "$name" "$count"; done
        done
        local reference
        reference=$(many_median <"$work/many-times.wget")
        echo "-- $count files (load average after: $(many_load))"
        for name in "${names[@]}"; do
            local median
            median=$(many_median <"$work/many-times.$name")
            printf '%-6s median %7.4f s %6.2f ms/file %5.2fx wget  CPU %6.3f s   rounds: %s\n' "$name" "$median" \
                "$(awk -v m="$median" -v n="$count" 'BEGIN { print m * 1000 / n }')" \
                "$(awk -v m="$median" -v r="$reference" 'BEGIN { print m / r }')" \
                "$(many_median <"$work/many-cpu.$name")" \
                "$(tr '\n' ' ' <"$work/many-times.$name")"
        done
        # The cost of each further file: flat when nothing grows with the page.
        local kiv_median
        kiv_median=$(many_median <"$work/many-times.kiv")
        if [ -n "$previous_count" ]; then
            printf 'kiv    %.2f ms per further file from %s to %s files\n' \
                "$(awk -v a="$previous_kiv" -v b="$kiv_median" -v n="$((count - previous_count))" 'BEGIN { print (b - a) * 1000 / n }')" \
                "$previous_count" "$count"
        fi
        previous_count=$count previous_kiv=$kiv_median
    done
    if [ "${KIV_BENCH_STRACE:-1}" != 0 ] && command -v strace >/dev/null; then
        many_inputs "$largest" "$kib"
        for name in kiv ${KIV_BENCH_BASELINE:+base}; do
            many_fresh
            many_run "$name" "$largest" strace -f -c -o "$work/many-strace.$name" >/dev/null 2>&1
            echo "-- system calls of one $name run, $largest files:" \
                "$(awk '$NF ~ /^(connect|fsync|fdatasync|rename|renameat|renameat2|futex)$/ { printf "%s %s  ", $NF, $4 }' \
                    "$work/many-strace.$name")"
        done
    fi
}

[ "${KIV_MANY_FILES_LIB:-0}" = 1 ] && return 0

root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$root/build/rel/bin/kiv-downloader}")
rounds=${2:-7}
[ "$rounds" -ge 3 ] || { echo "many_files.sh: at least 3 rounds" >&2; exit 2; }
for binary in "$program" ${KIV_BENCH_BASELINE:+"$KIV_BENCH_BASELINE"}; do
    [ -x "$binary" ] || { echo "many_files.sh: not executable: $binary" >&2; exit 2; }
done
for tool in nginx wget curl python3; do
    command -v "$tool" >/dev/null || { echo "many_files.sh: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d /tmp/kiv-many.XXXXXX)
nginx_pid=""
cleanup() {
    if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config \
    XDG_RUNTIME_DIR=$work/run TMPDIR=$work/tmp
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$work/www" "$work/nginx" "$HOME" "$XDG_CACHE_HOME" "$XDG_CONFIG_HOME" "$TMPDIR"
mkdir -m 700 "$XDG_RUNTIME_DIR"
chmod 755 "$work" "$work/www"

mib=0  # no large file: the small ones are made by the case
source "$root/bench/serve_big_file.sh"
base=${url%/big.bin}

many_files_case "$rounds"
