#!/usr/bin/env bash
# Two runs with state of their own write one file name into one folder: the
# second cannot delete the file the first still writes (sharing violation,
# the file error naming it), and the first finishes with a good file.
source "$(dirname "$0")/lib.sh"
head -c $((100 * 1024 * 1024)) /dev/urandom >"$work/site/big.bin"
# Slow, so the first run is still on the file when the second starts.
start_nginx 5m
write_page "$work/page.html" contentscount=1 \
    "curl1=$base/big.bin" "hash1=$(hash_of "$work/site/big.bin")"

# The first run's settings, records, locks and runtime folder are its own,
# as another session's would be.
mkdir -p "$work/first"/{config,state,cache,runtime,tmp}
chmod 700 "$work/first/runtime"
XDG_CONFIG_HOME="$work/first/config" XDG_STATE_HOME="$work/first/state" \
    XDG_CACHE_HOME="$work/first/cache" XDG_RUNTIME_DIR="$work/first/runtime" \
    TMPDIR="$work/first/tmp" timeout -k 5 240 "$program" --terminal --no-open \
    --destination "$work/dest" --existing restart "$work/page.html" \
    </dev/null >"$work/out1" 2>"$work/err1" &
first=$!
size_of() { stat -c %s "$1" 2>/dev/null || echo 0; }
for _ in $(seq 600); do
    [ "$(size_of "$work/dest/.big.bin.kivpart")" -ge $((1024 * 1024)) ] && break
    kill -0 "$first" 2>/dev/null || break
    sleep 0.1
done
[ "$(size_of "$work/dest/.big.bin.kivpart")" -ge $((1024 * 1024)) ] || fail "the first run did not start its download"

run_program 60 --destination "$work/dest" --existing restart "$work/page.html"
expect_status 2 "second run on the file the first one writes"
expect_stderr "[D:100 E:32]"
grep -qP '^\tbig\.bin\s*$' "$work/err" || fail "the file error does not name big.bin"
kill -0 "$first" 2>/dev/null || fail "the first run ended before the second did"

status=0
wait "$first" || status=$?
cp "$work/err1" "$work/err"
expect_status 0 "first run"
expect_same "$work/site/big.bin" "$work/dest/big.bin"
echo "PASS"
