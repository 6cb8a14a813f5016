#!/usr/bin/env bash
# --protected, the download folder 0700 in a parent another user can write:
# during the run that user renames the folder and leaves a link to a folder
# of their own in its place. The run ends with an error naming the moved
# folder, and no file reaches the other user's folder. As root the other
# user is a real one (created here); otherwise a racing process of ours.
source "$(dirname "$0")/lib.sh"
head -c $((4 * 1024 * 1024)) /dev/urandom >"$work/site/private.bin"
start_nginx 1m
write_page "$work/page.html" contentscount=1 \
    "curl1=$base/private.bin" "hash1=$(hash_of "$work/site/private.bin")"

mkdir -p "$work/shared/victim" "$work/theirs"
chmod 700 "$work/shared/victim"
chmod 777 "$work/shared"
as_other() { "$@"; }
if [ "$(id -u)" -eq 0 ]; then
    other="kivo$$"
    useradd -M -s /usr/sbin/nologin "$other"
    trap 'userdel "$other" 2>/dev/null || true; cleanup' EXIT
    chown "$other" "$work/theirs"
    as_other() { runuser -u "$other" -- "$@"; }
fi

timeout -k 5 120 "$program" --terminal --no-open --protected \
    --destination "$work/shared/victim" --existing restart "$work/page.html" \
    </dev/null >"$work/out" 2>"$work/err" &
run=$!
# Once the download runs, the folder has been accepted.
for _ in $(seq 300); do
    find "$work/cache" -type f -name 'private.bin*' -size +100k | grep -q . && break
    kill -0 "$run" 2>/dev/null || break
    sleep 0.1
done
find "$work/cache" -type f -name 'private.bin*' -size +100k | grep -q . ||
    fail "the download did not start"
as_other mv "$work/shared/victim" "$work/shared/victim.old"
as_other ln -s "$work/theirs" "$work/shared/victim"

status=0
wait "$run" || status=$?
[ "$status" -ne 0 ] || fail "the run reported success after its folder was swapped"
expect_stderr "[D:103 E:1006]"
expect_stderr "was moved or replaced"
[ -z "$(ls -A "$work/theirs")" ] || fail "files reached the other user's folder: $(ls -lA "$work/theirs")"
[ -z "$(ls -A "$work/shared/victim.old")" ] || fail "a file was placed after the swap"
echo "PASS"
