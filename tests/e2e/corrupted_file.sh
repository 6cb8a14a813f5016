#!/usr/bin/env bash
# One of three files does not match its hash: the run fails with the list of
# broken files, removes that file and keeps the two good ones.
source "$(dirname "$0")/lib.sh"
head -c $((2 * 1024 * 1024)) /dev/urandom >"$work/site/good1.bin"
head -c 300000 /dev/urandom >"$work/site/broken.bin"
printf 'second good file\n' >"$work/site/good2.txt"
start_nginx
# The hash of other bytes: well-formed, but not this file's.
wrong_hash=$(printf 'not the content' | sha256sum | cut -d' ' -f1 | tr 'a-f' 'A-F')
write_page "$work/page.html" contentscount=3 \
    "curl1=$base/good1.bin" "hash1=$(hash_of "$work/site/good1.bin")" \
    "curl2=$base/broken.bin" "hash2=$wrong_hash" \
    "curl3=$base/good2.txt" "hash3=$(hash_of "$work/site/good2.txt")"
run_program 120 --destination "$work/dest" --existing restart "$work/page.html"
expect_status 2 "one corrupted file"
expect_stderr "The following files are corrupted. Download them again."
expect_stderr "[D:500]"
grep -qP '^\tbroken\.bin\s*$' "$work/err" || fail "stderr lacks the tab-indented broken.bin"
[ ! -e "$work/dest/broken.bin" ] || fail "the corrupted file was left in the destination"
expect_same "$work/site/good1.bin" "$work/dest/good1.bin"
expect_same "$work/site/good2.txt" "$work/dest/good2.txt"
echo "PASS"
