#!/usr/bin/env bash
# Three files with their SHA-256 hashes: all arrive intact and visible.
source "$(dirname "$0")/lib.sh"
head -c $((5 * 1024 * 1024 + 17)) /dev/urandom >"$work/site/dataset.bin"
head -c 70000 /dev/urandom >"$work/site/manual.bin"
printf 'Kiv end-to-end\n' >"$work/site/readme.txt"
start_nginx
write_page "$work/page.html" contentscount=3 \
    "curl1=$base/dataset.bin" "hash1=$(hash_of "$work/site/dataset.bin")" \
    "curl2=$base/manual.bin" "hash2=$(hash_of "$work/site/manual.bin")" \
    "curl3=$base/readme.txt" "hash3=$(hash_of "$work/site/readme.txt")"
run_program 120 --destination "$work/dest" --existing restart "$work/page.html"
expect_status 0 "three verified files"
for name in dataset.bin manual.bin readme.txt; do
    expect_same "$work/site/$name" "$work/dest/$name"
    expect_visible "$work/dest/$name"
done
echo "PASS"
