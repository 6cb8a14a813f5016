#!/usr/bin/env bash
# A second run while one is downloading: unattended, it gives up on the
# "already running" question (at once without input, after its retries with
# --yes) with status 1, and the first run still completes.
source "$(dirname "$0")/lib.sh"
head -c $((100 * 1024 * 1024)) /dev/urandom >"$work/site/big.bin"
# Slow, so the first run outlasts the second's retries by far.
start_nginx 5m
write_page "$work/page.html" contentscount=1 \
    "curl1=$base/big.bin" "hash1=$(hash_of "$work/site/big.bin")"
mkdir "$work/dest2"

timeout -k 5 240 "$program" --terminal --no-open --destination "$work/dest" --existing restart \
    "$work/page.html" </dev/null >"$work/out1" 2>"$work/err1" &
first=$!
# Until the first run is on the file, for at most 60 seconds.
for _ in $(seq 600); do
    [ -s "$work/dest/.big.bin.kivpart" ] && break
    kill -0 "$first" 2>/dev/null || break
    sleep 0.1
done
[ -s "$work/dest/.big.bin.kivpart" ] || fail "the first run did not start its download"

run_program 60 --destination "$work/dest2" --existing restart "$work/page.html"
expect_status 1 "second run without input"
expect_stderr "Kiv Downloader already running."
kill -0 "$first" 2>/dev/null || fail "the first run ended before the second (without input) did"

run_program 120 --yes --destination "$work/dest2" --existing restart "$work/page.html"
expect_status 1 "second run with --yes"
expect_stderr "Retry / Cancel [R/c]: Retry"
kill -0 "$first" 2>/dev/null || fail "the first run ended before the second (--yes) did"
[ -z "$(ls -A "$work/dest2")" ] || fail "the second run wrote into its folder: $(ls -A "$work/dest2")"

status=0
wait "$first" || status=$?
expect_status 0 "first run after the second gave up"
expect_same "$work/site/big.bin" "$work/dest/big.bin"
# nginx logs a request when it ends: the first run's only, none from the second.
[ "$(grep -c '^GET ' "$work/nginx/access.log")" -eq 1 ] || fail "the second run fetched files"
echo "PASS"
