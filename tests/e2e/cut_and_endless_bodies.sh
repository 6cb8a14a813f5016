#!/usr/bin/env bash
# Bodies a server breaks off or never ends. A chunked body cut before its last
# chunk is no complete file: the run asks for the rest and the file is whole.
# A body without a length is written only while the disk keeps a margin free:
# on a small volume the run fails with "disk full" (104) and leaves nothing.
source "$(dirname "$0")/lib.sh"
head -c $((3 * 1024 * 1024)) /dev/urandom >"$work/site/cut.bin"
python3 "$(dirname "$0")/body_server.py" "$work/port" "$work/requests.log" "$work/site/cut.bin" \
    2>"$work/server.err" &
server=$!
trap 'kill "$server" 2>/dev/null; cleanup' EXIT
for _ in $(seq 100); do
    [ -s "$work/port" ] && break
    sleep 0.1
done
[ -s "$work/port" ] || fail "the body server did not start"
base="http://127.0.0.1:$(cat "$work/port")"

write_page "$work/page.html" contentscount=1 "curl1=$base/cut.bin"
run_program 120 --destination "$work/dest" --existing restart "$work/page.html"
expect_status 0 "cut chunked body"
expect_same "$work/site/cut.bin" "$work/dest/cut.bin"
grep -qxF "GET /cut.bin range=bytes=$((3 * 1024 * 1024 / 2))-" "$work/requests.log" ||
    fail "the rest was not asked for: $(cat "$work/requests.log")"

# The small volume needs a mount of our own: a user and mount namespace.
if ! unshare -Urm true 2>/dev/null; then
    echo "SKIP: no user namespaces for the small volume"
    echo "PASS"
    exit 0
fi
small="$work/small"
mkdir -p "$small"
write_page "$work/page.html" contentscount=1 "curl1=$base/endless.bin"
status=0
timeout -k 5 120 unshare -Urm bash -c '
    mount -t tmpfs -o size=80m tmpfs "$1" || exit 99
    status=0
    "$2" --terminal --no-open --destination "$1" --existing restart "$3" </dev/null \
        >"$4/out" 2>"$4/err" || status=$?
    ls -A "$1" >"$4/left"
    exit $status' small-volume "$small" "$program" "$work/page.html" "$work" || status=$?
[ "$status" -ne 99 ] || fail "tmpfs could not be mounted in the namespace"
expect_status 2 "endless body on a small volume"
expect_stderr "The disk is full."
expect_stderr "[D:104 E:112]"
[ ! -s "$work/left" ] || fail "the small volume keeps: $(cat "$work/left")"
echo "PASS"
