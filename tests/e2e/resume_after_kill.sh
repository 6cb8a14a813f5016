#!/usr/bin/env bash
# A run killed outright mid-file leaves its partial file; the next run with
# "resume" asks the server for the rest only, and the file verifies.
source "$(dirname "$0")/lib.sh"
head -c $((200 * 1024 * 1024)) /dev/urandom >"$work/site/big.bin"
# Slow enough that the first run is still on the file when it is killed.
start_nginx 20m
write_page "$work/page.html" contentscount=1 \
    "curl1=$base/big.bin" "hash1=$(hash_of "$work/site/big.bin")"
partial="$work/dest/.big.bin.kivpart"  # hidden by its dot name until verified

"$program" --terminal --no-open --destination "$work/dest" --existing resume "$work/page.html" \
    </dev/null >"$work/out" 2>"$work/err" &
first=$!
# Until the partial file holds a few MiB, for at most 60 seconds.
for _ in $(seq 600); do
    [ "$(size_of "$partial")" -ge $((4 * 1024 * 1024)) ] && break
    kill -0 "$first" 2>/dev/null || break
    sleep 0.1
done
kill -9 "$first" 2>/dev/null || fail "the first run ended before it could be killed"
{ wait "$first"; } 2>/dev/null || true
length=$(size_of "$partial")
[ "$length" -ge $((4 * 1024 * 1024)) ] || fail "the partial file holds only $length bytes"
[ "$length" -lt $((200 * 1024 * 1024)) ] || fail "the first run had the whole file before the kill"
# nginx logs the first run's request only once it notices the connection
# gone, which a loaded machine can delay past this point.
for _ in $(seq 100); do
    grep -q '^GET /big.bin 200 ' "$work/nginx/access.log" && break
    sleep 0.1
done
requests_before=$(wc -l <"$work/nginx/access.log")

run_program 180 --destination "$work/dest" --existing resume "$work/page.html"
expect_status 0 "resumed download"
expect_same "$work/site/big.bin" "$work/dest/big.bin"
expect_visible "$work/dest/big.bin"
[ ! -e "$partial" ] || fail "the part file outlived the run"
tail -n +$((requests_before + 1)) "$work/nginx/access.log" >"$work/second.log"
grep -qF "GET /big.bin 206 range=\"bytes=$length-\"" "$work/second.log" ||
    fail "the second run did not ask for bytes=$length-: $(cat "$work/second.log")"
# The rest only: no full transfer of the file in the second run.
if grep -q '^GET /big.bin 200 ' "$work/second.log"; then
    fail "the second run fetched the whole file again"
fi
echo "PASS"
