#!/usr/bin/env bash
# A file of the user's with a download's name, no record of ours and other
# bytes is never replaced: it is kept as "NAME (1).EXT", the summary and the
# final message say so, in the direct and in the protected layout alike. The
# placed downloads get the mode of a new file of the user's.
source "$(dirname "$0")/lib.sh"
umask 022
head -c 70000 /dev/urandom >"$work/site/manual.pdf"
head -c 30000 /dev/urandom >"$work/site/beta-1.0.tar.gz"
start_nginx
write_page "$work/page.html" contentscount=2 \
    "curl1=$base/manual.pdf" "hash1=$(hash_of "$work/site/manual.pdf")" \
    "curl2=$base/beta-1.0.tar.gz" "hash2=$(hash_of "$work/site/beta-1.0.tar.gz")"
for layout in direct protected; do
    rm -rf "$work/dest" "$work/cache" "$work/config" "$work/state"
    mkdir -p "$work/dest" "$work/cache" "$work/config" "$work/state"
    printf 'my own notes, %s\n' "$layout" >"$work/dest/manual.pdf"
    # The download of an earlier run, one byte changed since.
    cp "$work/site/beta-1.0.tar.gz" "$work/dest/beta-1.0.tar.gz"
    printf 'X' | dd of="$work/dest/beta-1.0.tar.gz" bs=1 seek=100 conv=notrunc status=none
    # --yes resumes what can be resumed; the protected run starts over instead.
    args=(--yes --destination "$work/dest" "$work/page.html")
    [ "$layout" = protected ] && args=(--protected --existing restart "${args[@]}")
    run_program 120 "${args[@]}"
    expect_status 0 "$layout: the download beside the user's file"
    expect_same "$work/site/manual.pdf" "$work/dest/manual.pdf"
    [ "$(cat "$work/dest/manual (1).pdf")" = "my own notes, $layout" ] ||
        fail "$layout: the user's file was not kept as 'manual (1).pdf': $(ls "$work/dest")"
    [ "$(stat -c %a "$work/dest/manual.pdf")" = 644 ] ||
        fail "$layout: the placed file has mode $(stat -c %a "$work/dest/manual.pdf")"
    grep -qF "Kept: manual.pdf was already there, not from this download: $work/dest/manual (1).pdf" \
        "$work/out" || fail "$layout: the summary does not name the kept file"
    expect_stderr "manual.pdf was already in the folder and is not from this download; it is kept as manual (1).pdf."
    expect_same "$work/site/beta-1.0.tar.gz" "$work/dest/beta-1.0.tar.gz"
    [ -f "$work/dest/beta-1.0 (1).tar.gz" ] ||
        fail "$layout: the changed archive was not kept as 'beta-1.0 (1).tar.gz': $(ls "$work/dest")"
    if [ "$layout" = direct ]; then
        expect_stderr "beta-1.0.tar.gz in the folder has this download's size but other bytes: changed since it was downloaded; it is kept as beta-1.0 (1).tar.gz."
    fi
done
echo "PASS"
