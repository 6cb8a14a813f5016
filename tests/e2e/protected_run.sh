#!/usr/bin/env bash
# --protected: the assistant program chooses the destination (from
# --destination) and moves each verified file there from the worker's work
# folder; the worker itself writes nothing outside its work folders.
source "$(dirname "$0")/lib.sh"
head -c $((3 * 1024 * 1024 + 5)) /dev/urandom >"$work/site/dataset.bin"
head -c 40000 /dev/urandom >"$work/site/manual.bin"
start_nginx
# What an earlier confined worker may have left in the one store it can
# write: a temporary-files folder outside the low temporary folder.
mkdir -p "$work/state/kiv-downloader/low" "$work/home"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmo Co.,Ltd.\\Kiv Downloader]\r\n"TemporaryFilesPath"="Z:%s"\r\n\r\n' \
    "${work//\//\\\\}\\\\home" >"$work/state/kiv-downloader/low/low.reg"
write_page "$work/page.html" contentscount=2 \
    "curl1=$base/dataset.bin" "hash1=$(hash_of "$work/site/dataset.bin")" \
    "curl2=$base/manual.bin" "hash2=$(hash_of "$work/site/manual.bin")"
run_program 120 --protected --destination "$work/dest" --existing restart "$work/page.html"
expect_status 0 "a protected run with the assistant program"
for name in dataset.bin manual.bin; do
    expect_same "$work/site/$name" "$work/dest/$name"
    expect_visible "$work/dest/$name"
done
# The downloads went through the work folder and left it: the assistant
# moved them; only its last request remains there.
work_files=$(find "$work/cache" -type f -name '*.bin' | wc -l)
[ "$work_files" -eq 0 ] || fail "$work_files downloaded files left in the work folder"
find "$work/cache" -type f -name dlcwork.tmp | grep -q . || fail "no work file was written"
# Every file in the destination was made by the assistant, after the run's
# verification: nothing else is there.
[ "$(ls "$work/dest" | wc -l)" -eq 2 ] || fail "unexpected files in the destination: $(ls "$work/dest")"
# The worker kept its setting in its own store, put right to the default,
# and wrote nothing into the user's store that later runs trust.
grep -q 'Temp\\\\Low\\\\Velmo Co.,Ltd.\\\\Kiv Downloader"' "$work/state/kiv-downloader/low/low.reg" ||
    fail "the planted temporary-files folder was not replaced: $(cat "$work/state/kiv-downloader/low/low.reg")"
! grep -q TemporaryFilesPath "$work/config/kiv-downloader/user.reg" 2>/dev/null ||
    fail "the confined worker wrote the user's settings store"
[ -z "$(ls -A "$work/home")" ] || fail "files were written to the planted folder: $(ls -A "$work/home")"

# A second visit with "resume": the files found complete in the destination
# (size and hash) are the run's as they stand, none is fetched again, and
# the placed files keep their inodes.
inodes=$(stat -c %i "$work/dest/dataset.bin" "$work/dest/manual.bin")
requests_before=$(wc -l <"$work/nginx/access.log")
run_program 120 --protected --destination "$work/dest" --existing resume "$work/page.html"
expect_status 0 "a second protected run over complete files"
tail -n +$((requests_before + 1)) "$work/nginx/access.log" >"$work/second.log"
! grep -q '^GET ' "$work/second.log" || fail "complete files were fetched again: $(cat "$work/second.log")"
[ "$(stat -c %i "$work/dest/dataset.bin" "$work/dest/manual.bin")" = "$inodes" ] ||
    fail "the complete files were replaced"
[ "$(ls "$work/dest" | wc -l)" -eq 2 ] || fail "unexpected files in the destination: $(ls "$work/dest")"
echo "PASS"
