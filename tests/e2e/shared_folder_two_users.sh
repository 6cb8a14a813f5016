#!/usr/bin/env bash
# Two users, one shared folder: while the first run downloads big.bin into
# its part file (0600, so the other user cannot see its sharing marks), the
# other user's restart moves it aside as a file in the way, never deletes it. The first run then reports that its
# file was moved away (the file error naming it), never a failed hash of
# the other user's file. As root the other user is a real one (created
# here); otherwise a racing process of ours moves the file as that run does.
source "$(dirname "$0")/lib.sh"
head -c $((8 * 1024 * 1024)) /dev/urandom >"$work/site/big.bin"
start_nginx 2m
write_page "$work/page.html" contentscount=1 \
    "curl1=$base/big.bin" "hash1=$(hash_of "$work/site/big.bin")"
chmod 644 "$work/page.html"
mkdir -p "$work/shared"
chmod 777 "$work/shared"

run_program_bg() {
    timeout -k 5 120 "$program" --terminal --no-open --destination "$work/shared" \
        --existing restart "$work/page.html" </dev/null >"$work/out" 2>"$work/err" &
    first=$!
}
run_program_bg
for _ in $(seq 300); do
    [ "$(size_of "$work/shared/.big.bin.kivpart")" -ge $((1024 * 1024)) ] && break
    kill -0 "$first" 2>/dev/null || break
    sleep 0.1
done
[ "$(size_of "$work/shared/.big.bin.kivpart")" -ge $((1024 * 1024)) ] ||
    fail "the first run did not start its download"
kept="$work/shared/.big.bin (1).kivpart"

if [ "$(id -u)" -eq 0 ]; then
    other="kivs$$"
    useradd -M -s /usr/sbin/nologin "$other"
    trap 'userdel "$other" 2>/dev/null || true; cleanup' EXIT
    mkdir -p "$work/other"/{config,state,cache,runtime,tmp}
    chmod 700 "$work/other/runtime"
    chown -R "$other" "$work/other"
    runuser -u "$other" -- env XDG_CONFIG_HOME="$work/other/config" \
        XDG_STATE_HOME="$work/other/state" XDG_CACHE_HOME="$work/other/cache" \
        XDG_RUNTIME_DIR="$work/other/runtime" TMPDIR="$work/other/tmp" HOME="$work/other" \
        timeout -k 5 60 "$program" --terminal --no-open --destination "$work/shared" \
        --existing restart "$work/page.html" </dev/null >"$work/other/out" 2>"$work/other/err" &
    second=$!
    for _ in $(seq 300); do
        [ -e "$kept" ] && break
        kill -0 "$second" 2>/dev/null || break
        sleep 0.1
    done
    [ -e "$kept" ] ||
        fail "the other user's run kept nothing aside: $(cat "$work/other/err")"
else
    mv "$work/shared/.big.bin.kivpart" "$kept"
    second=
fi
# Another user's part file in its place (as root), or none (the racing
# move): either way the file error names the loss, not a failed hash.
lost="[D:100 E:1006]"
[ -n "$second" ] || lost="[D:100 E:2]"

status=0
wait "$first" || status=$?
[ -n "$second" ] && { wait "$second" || true; }
[ "$status" -ne 0 ] || fail "the first run reported success without its file"
! grep -qF "[D:22" "$work/err" || fail "the loss was reported as a failed hash"
expect_stderr "$lost"
grep -qP '^\tbig\.bin\s*$' "$work/err" || fail "the file error does not name big.bin"
echo "PASS"
