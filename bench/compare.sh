#!/usr/bin/env bash
# Times the whole kiv-downloader program, as users run it, against the usual
# tools, in interleaved rounds (kiv, peer, kiv, peer, ...), and prints every
# round, the medians and the ratios to the named peer, with the load average.
# Each output is synced and deleted before the next run: dirty pages of a
# kept output would slow every later round down.
#
# Usage: bench/compare.sh [OPTIONS] [CASE...]     (no CASE: all of them)
#   --rounds N   rounds of the large cases (default 7, at least 3)
#   --bin DIR    take kiv-downloader, kivtool and the libraries beside them
#                from DIR instead of building (e.g. another tree's build/bin)
#   --list       list the cases
# Environment: KIV_COMPARE_BUILD (build folder, default build-compare in the
# repository, Release), KIV_COMPARE_WORK (where the temporary folder goes,
# default /tmp), KIV_COMPARE_SMALL_ROUNDS (rounds of the small cases,
# default 21).
#
# A case is a file bench/cases/NAME.sh: its first line says what it
# measures, and it defines case_NAME, which uses the helpers of
# bench/compare_lib.sh and prints its own table.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cases_dir=$root/bench/cases

# The cases in the order they run: the small ones first, before the large
# files fill the page cache.
case_order=(startup memory one-core large hash huge many-files digest)
known=()
for name in "${case_order[@]}"; do [ -f "$cases_dir/$name.sh" ] && known+=("$name"); done
for file in "$cases_dir"/*.sh; do
    name=$(basename "$file" .sh)
    [ "$name" = latency ] && continue  # runs on its own, as root (its usage line)
    [[ " ${known[*]} " == *" $name "* ]] || known+=("$name")
done
describe() { sed -n '1s/^# *//p' "$cases_dir/$1.sh"; }

rounds=7
bin=""
selected=()
while [ $# -gt 0 ]; do
    case $1 in
        --rounds) rounds=${2:?--rounds needs a number}; shift 2 ;;
        --bin) bin=${2:?--bin needs a folder}; shift 2 ;;
        --list) for name in "${known[@]}"; do printf '%-12s %s\n' "$name" "$(describe "$name")"; done; exit 0 ;;
        -h | --help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "compare.sh: unknown option $1" >&2; exit 2 ;;
        *) selected+=("$1"); shift ;;
    esac
done
[[ $rounds =~ ^[0-9]+$ ]] && [ "$rounds" -ge 3 ] || { echo "compare.sh: --rounds takes a number of at least 3" >&2; exit 2; }
small_rounds=${KIV_COMPARE_SMALL_ROUNDS:-21}
[ ${#selected[@]} -gt 0 ] || selected=("${known[@]}")
for name in "${selected[@]}"; do
    [[ " ${known[*]} " == *" $name "* ]] || { echo "compare.sh: no case $name (--list)" >&2; exit 2; }
done
for tool in nginx curl wget openssl taskset /usr/bin/time python3; do
    command -v "$tool" >/dev/null || { echo "compare.sh: $tool is missing" >&2; exit 2; }
done

# ---- the programs -------------------------------------------------------------
if [ -z "$bin" ]; then
    build=${KIV_COMPARE_BUILD:-$root/build-compare}
    echo "Building the programs (Release) in $build ..."
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIV_BENCH=OFF >/dev/null
    nice ninja -C "$build" kiv-downloader kivtool >/dev/null
    bin=$build/bin
fi
program=$bin/kiv-downloader
kivtool=$bin/kivtool
[ -x "$kivtool" ] || kivtool=$(dirname "$bin")/tools/kivtool
[ -x "$program" ] && [ -x "$kivtool" ] || { echo "compare.sh: no kiv-downloader or kivtool in $bin" >&2; exit 2; }

work=$(mktemp -d "${KIV_COMPARE_WORK:-/tmp}/kiv-compare.XXXXXX")
source "$root/bench/compare_lib.sh"
trap 'stop_server; rm -rf "$work"' EXIT
private_home
serve
for name in "${selected[@]}"; do source "$cases_dir/$name.sh"; done

echo "kiv-downloader: $program"
echo "machine: $(nproc) CPUs, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) RAM"
echo "peers: $(curl --version | head -1 | cut -d' ' -f1-2), $(wget --version | head -1 | cut -d' ' -f1-3), $(openssl version | cut -d' ' -f1-2), $(nginx -v 2>&1 | cut -d' ' -f3)"
echo "load average at start: $(load)"
# One run not counted: the first registers the control module, as a user's first start does.
fetch_kiv $(params_for "$base/none.bin") >/dev/null 2>&1 || true
settle
for name in "${selected[@]}"; do "case_$name"; done
echo
echo "load average at end: $(load)"
