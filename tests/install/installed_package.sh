#!/usr/bin/env bash
# The installed package's program on a demo page served by nginx: three files
# with their hashes, downloaded in the terminal in the protected layout (the
# assistant program from /usr/lib/kiv-downloader/ places them).
source "$(dirname "$0")/../e2e/lib.sh" "${1:?usage: $0 PATH-TO-INSTALLED-kiv-downloader}"
head -c $((2 * 1024 * 1024 + 3)) /dev/urandom >"$work/site/dataset.bin"
head -c 70000 /dev/urandom >"$work/site/manual.bin"
printf 'Kiv Downloader demo\n' >"$work/site/readme.txt"
start_nginx
write_page "$work/site/demo.html" caption="Kiv Downloader demo" contentscount=3 \
    "curl1=$base/dataset.bin" "hash1=$(hash_of "$work/site/dataset.bin")" \
    "curl2=$base/manual.bin" "hash2=$(hash_of "$work/site/manual.bin")" \
    "curl3=$base/readme.txt" "cname3=README.txt" "hash3=$(hash_of "$work/site/readme.txt")"
run_program 120 -v --protected --destination "$work/dest" --existing restart "$base/demo.html"
expect_status 0 "the installed program on the demo page"
expect_stderr "registered /usr/lib/kiv-downloader/kivdownloadcontrol.so"
expect_same "$work/site/dataset.bin" "$work/dest/dataset.bin"
expect_same "$work/site/manual.bin" "$work/dest/manual.bin"
expect_same "$work/site/readme.txt" "$work/dest/README.txt"
echo "PASS"
