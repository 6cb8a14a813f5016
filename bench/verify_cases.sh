# The verified-download and large-file cases, sourced by the benchmark
# scripts once $work (with www/, served by nginx at $base_url), $kiv_program
# (kiv-downloader) and $kivtool are set. Each case takes the number of
# interleaved rounds (each command once per round, in a fixed order), runs
# every command the way a user would, syncs and deletes its output before the
# next one, and prints the medians, the ratios and the load average.
#   case_verify ROUNDS [MIB]   MIB (default 1024) with the page's hash:
#       kiv-hash (download and verify), kiv (no hash), curl -s -o,
#       curl -s -o F URL && openssl dgst -sha256 F, and the SHA-256 of the
#       cached source by `kivtool digest` and `openssl dgst -sha256`
#   case_large ROUNDS MIB      MIB without a hash: kiv against curl; skipped
#       when the folder has not room for the source and a copy
# Times only; asserts nothing but that the first round's files are whole.

kiv_fetch() {  # URL [HASH]
    local hash_param=()
    if [ -n "${2:-}" ]; then hash_param=(--param "hash1=$2"); fi
    "$kiv_program" --terminal --destination "$work/out" --no-open --param contentscount=1 \
        --param "curl1=$1" "${hash_param[@]}" </dev/null >"$work/kiv_summary.txt" 2>"$work/kiv_stderr.txt" ||
        { echo "kiv-downloader failed:" >&2; tail -n 5 "$work/kiv_stderr.txt" "$work/kiv_summary.txt" >&2; return 1; }
}
curl_fetch() {  # URL
    curl -s -o "$work/out/${1##*/}" "$1"
}
curl_then_openssl() {  # URL
    curl -s -o "$work/out/${1##*/}" "$1" && openssl dgst -sha256 "$work/out/${1##*/}" >"$work/openssl.txt"
}
export -f kiv_fetch curl_fetch curl_then_openssl

# time_case TIMES NAME CMD...: runs CMD under /usr/bin/time from an empty
# out/ and appends "NAME wall_s cpu_s maxrss_kb" to TIMES (CPU: user + system
# of the command and its children); syncs what it wrote afterwards.
time_case() {
    local times=$1 name=$2 start end user sys rss
    shift 2
    rm -rf "$work/out"; mkdir -p "$work/out"; sync
    start=$(date +%s.%N)
    /usr/bin/time -f '%U %S %M' -o "$work/time.txt" bash -c '"$@"' time_case "$@" >"$work/last"
    end=$(date +%s.%N)
    sync  # its dirty pages must not slow the next command
    read -r user sys rss <"$work/time.txt"
    echo "$name $(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }') \
$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }') $rss" >>"$times"
}

# make_source NAME MIB: a random file served as $base_url/NAME, in the cache.
make_source() {
    [ -s "$work/www/$1" ] || head -c $(($2 * 1024 * 1024)) /dev/urandom >"$work/www/$1"
    chmod 644 "$work/www/$1"
}

# report TIMES RATIO...: medians per command, then each RATIO "A/B goal".
report() {
    local times=$1
    shift
    python3 - "$times" "$@" <<'PY'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
cases = list(dict.fromkeys(r[0] for r in rows))
wall = {c: statistics.median(float(r[1]) for r in rows if r[0] == c) for c in cases}
cpu = {c: statistics.median(float(r[2]) for r in rows if r[0] == c) for c in cases}
rss = {c: max(int(r[3]) for r in rows if r[0] == c) for c in cases}
print(f"  {'command':16} {'wall_s':>8} {'cpu_s':>8} {'peak_rss_MB':>12}   (medians of {len(rows) // len(cases)})")
for c in cases:
    print(f"  {c:16} {wall[c]:8.3f} {cpu[c]:8.2f} {rss[c] / 1024:12.1f}")
for ratio in sys.argv[2:]:
    pair, goal = ratio.split(" ", 1)
    a, b = pair.split("/")
    print(f"  {a + ' / ' + b:30} {wall[a] / wall[b]:6.3f}   ({goal})")
PY
}

case_verify() {
    local rounds=$1 mib=${2:-1024} times=$work/times.verify hash r
    make_source verify.bin "$mib"
    hash=$(openssl dgst -sha256 -r "$work/www/verify.bin" | cut -d' ' -f1 | tr a-f A-F)
    echo "== ${mib} MiB with its SHA-256, $rounds rounds (load average $(cut -d' ' -f1-3 /proc/loadavg))"
    : >"$times"
    for r in $(seq "$rounds"); do
        cat "$work/www/verify.bin" >/dev/null  # served and hashed from the cache
        time_case "$times" kiv-hash kiv_fetch "$base_url/verify.bin" "$hash"
        if [ "$r" -eq 1 ]; then
            cmp -s "$work/www/verify.bin" "$work/out/verify.bin" || { echo "kiv-downloader: the file differs" >&2; return 1; }
        fi
        time_case "$times" kiv kiv_fetch "$base_url/verify.bin"
        time_case "$times" curl curl_fetch "$base_url/verify.bin"
        time_case "$times" curl+openssl curl_then_openssl "$base_url/verify.bin"
        time_case "$times" kivtool-digest "$kivtool" digest "$work/www/verify.bin"
        time_case "$times" openssl-dgst openssl dgst -sha256 "$work/www/verify.bin"
    done
    echo "   load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
    report "$times" "kiv-hash/curl goal<=1.10" "curl+openssl/kiv-hash goal>=1.35" \
        "kiv/curl goal<=1.10" "kivtool-digest/openssl-dgst goal<=1.00"
    rm -f "$work/www/verify.bin"
}

case_large() {
    local rounds=$1 mib=$2 times=$work/times.large$2 r free_mib
    free_mib=$(($(df -k --output=avail "$work" | tail -1) / 1024))
    if [ "$free_mib" -lt $((mib * 2 + 1024)) ]; then
        echo "== ${mib} MiB skipped: ${free_mib} MiB free in $work"
        return 0
    fi
    make_source large.bin "$mib"
    echo "== ${mib} MiB without a hash, $rounds rounds (load average $(cut -d' ' -f1-3 /proc/loadavg))"
    : >"$times"
    for r in $(seq "$rounds"); do
        cat "$work/www/large.bin" >/dev/null
        time_case "$times" kiv kiv_fetch "$base_url/large.bin"
        if [ "$r" -eq 1 ]; then
            cmp -s "$work/www/large.bin" "$work/out/large.bin" || { echo "kiv-downloader: the file differs" >&2; return 1; }
        fi
        time_case "$times" curl curl_fetch "$base_url/large.bin"
    done
    echo "   load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
    report "$times" "kiv/curl goal<=1.10"
    rm -f "$work/www/large.bin"
}
