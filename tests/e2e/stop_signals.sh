#!/usr/bin/env bash
# SIGTERM and SIGHUP end a run as Cancel does: exit 1 soon after, the partial
# file kept hidden and recorded, so that the next run resumes it. A run whose
# output goes into a pipe that is closed early (`| head -2`) goes on to the end.
# Usage: stop_signals.sh PATH-TO-kiv-downloader [PATH-TO-kivtool]
# (kivtool also from KIV_KIVTOOL)
source "$(dirname "$0")/lib.sh"
kivtool=${2:-${KIV_KIVTOOL:-}}
[ -x "$kivtool" ] || { echo "usage: $0 PATH-TO-kiv-downloader PATH-TO-kivtool" >&2; exit 2; }
export LANG=C.UTF-8
unset LC_ALL LC_MESSAGES

# 16 MiB at 2 MiB/s: each signal arrives mid-file.
head -c $((16 * 1024 * 1024)) /dev/urandom >"$work/site/big.bin"
start_nginx 2m
write_page "$work/page.html" contentscount=1 \
    "curl1=$base/big.bin" "hash1=$(hash_of "$work/site/big.bin")"
partial="$work/dest/.big.bin.kivpart"  # hidden by its dot name until verified

# stop_with SIGNAL: a run that resumes what is there, sent SIGNAL once it has
# added 1 MiB; its status in $status.
stop_with() {
    local signal=$1 start pid waited=0 ended
    start=$(size_of "$partial")
    "$program" --terminal --no-open --destination "$work/dest" --existing resume \
        "$work/page.html" </dev/null >"$work/out" 2>"$work/err" &
    pid=$!
    for _ in $(seq 300); do
        [ "$(size_of "$partial")" -ge $((start + 1024 * 1024)) ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -"$signal" "$pid" 2>/dev/null || fail "the run ended before $signal"
    local sent
    sent=$(date +%s%N)
    # Bounds a hang only; the time taken is printed, not judged.
    while kill -0 "$pid" 2>/dev/null; do
        [ "$waited" -lt 300 ] || { kill -9 "$pid"; fail "the run outlived $signal by 30 s"; }
        sleep 0.05
        waited=$((waited + 1))
    done
    ended=$(date +%s%N)
    status=0
    wait "$pid" || status=$?
    echo "$signal: the run ended $(((ended - sent) / 1000000)) ms after the signal"
}

expect_cancelled_partial() {
    expect_status 1 "$1"
    grep -qF "Download has been cancelled." "$work/err" || fail "$1: no cancelled status"
    expect_kept_partial "$partial" $((16 * 1024 * 1024))
}

stop_with TERM
expect_cancelled_partial SIGTERM
after_term=$(size_of "$partial")
stop_with HUP
expect_cancelled_partial SIGHUP
length=$(size_of "$partial")
[ "$length" -gt "$after_term" ] || fail "the run stopped by SIGHUP did not resume ($length bytes)"
requests_before=$(wc -l <"$work/nginx/access.log")

# The rest, with the reader of the summary gone after two lines.
set +o pipefail
timeout -k 5 120 "$program" --terminal --no-open --destination "$work/dest" --existing resume \
    "$work/page.html" </dev/null 2>"$work/err" | head -2 >"$work/out"
status=${PIPESTATUS[0]}
set -o pipefail
expect_status 0 "the run whose output was cut after two lines"
[ "$(wc -l <"$work/out")" -eq 2 ] || fail "head did not get its two lines"
expect_same "$work/site/big.bin" "$work/dest/big.bin"
expect_visible "$work/dest/big.bin"
[ ! -e "$partial" ] || fail "the part file outlived the run"
grep -qF "GET /big.bin 206 range=\"bytes=$length-\"" \
    <(tail -n +$((requests_before + 1)) "$work/nginx/access.log") ||
    fail "the last run did not resume at $length"
echo "PASS"
