#!/usr/bin/env bash
# Pages the control must refuse before it downloads anything: each run fails
# with status 2, says why, and leaves the destination empty.
source "$(dirname "$0")/lib.sh"
printf 'payload\n' >"$work/site/file.txt"
start_nginx
hash=$(hash_of "$work/site/file.txt")

expect_nothing_downloaded() {
    [ -z "$(ls -A "$work/dest")" ] || fail "$1: the destination is not empty: $(ls -A "$work/dest")"
    if grep -q '^GET ' "$work/nginx/access.log" 2>/dev/null; then
        fail "$1: a file was fetched"
    fi
}

# No contentscount.
write_page "$work/page.html" "curl1=$base/file.txt" "hash1=$hash"
run_program 60 --destination "$work/dest" --existing restart "$work/page.html"
expect_status 2 "missing contentscount"
expect_stderr "[D:200]"
expect_stderr "contentscount"
expect_nothing_downloaded "missing contentscount"

# A hash in lower case.
lower=$(echo "$hash" | tr 'A-F' 'a-f')
write_page "$work/page.html" contentscount=1 "curl1=$base/file.txt" "hash1=$lower"
run_program 60 --destination "$work/dest" --existing restart "$work/page.html"
expect_status 2 "lower-case hash"
expect_stderr "hash1"
expect_nothing_downloaded "lower-case hash"

# A scheme the control does not download.
write_page "$work/page.html" contentscount=1 "curl1=ftp://127.0.0.1:$port/file.txt" "hash1=$hash"
run_program 60 --destination "$work/dest" --existing restart "$work/page.html"
expect_status 2 "ftp URL"
expect_stderr "curl1"
expect_nothing_downloaded "ftp URL"
echo "PASS"
