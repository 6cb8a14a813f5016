#!/usr/bin/env bash
# A run killed outright leaves its part file hidden by its dot name, never a
# partial file under the final name; the record rows it saved for the files
# it never started stand for no bytes of ours. A file the user saves under
# such a name before the next run is neither resumed, appended to nor
# deleted: it keeps its bytes, inode and time, with a hash and without.
source "$(dirname "$0")/lib.sh"
head -c $((12 * 1024 * 1024)) /dev/urandom >"$work/site/big.bin"
head -c 300000 /dev/urandom >"$work/site/a.bin"
start_nginx 3m
for hashed in yes no; do
    rm -rf "$work/dest" "$work/state" "$work/config" "$work/cache"
    mkdir -p "$work/dest" "$work/state" "$work/config" "$work/cache"
    pairs=(contentscount=2 "curl1=$base/big.bin" "curl2=$base/a.bin")
    [ "$hashed" = yes ] && pairs+=("hash2=$(hash_of "$work/site/a.bin")")
    write_page "$work/page.html" "${pairs[@]}"
    "$program" --terminal --no-open --yes --destination "$work/dest" "$work/page.html" \
        </dev/null >"$work/out" 2>"$work/err" &
    first=$!
    for _ in $(seq 300); do
        [ "$(size_of "$work/dest/.big.bin.kivpart")" -ge $((1024 * 1024)) ] && break
        kill -0 "$first" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$first" 2>/dev/null || fail "hash $hashed: the first run ended before it could be killed"
    { wait "$first"; } 2>/dev/null || true
    [ -e "$work/dest/big.bin" ] && fail "hash $hashed: a partial file is visible as big.bin"
    [ -f "$work/dest/.big.bin.kivpart" ] || fail "hash $hashed: no part file: $(ls -A "$work/dest")"
    # The user's own a.bin, shorter than the server's: resuming it would append.
    head -c 1000 /dev/urandom >"$work/mine"
    cp -p "$work/mine" "$work/dest/a.bin"
    touch -d '2020-01-02 03:04:05' "$work/dest/a.bin"
    inode=$(stat -c %i "$work/dest/a.bin")
    run_program 120 --yes --destination "$work/dest" "$work/page.html"
    expect_status 0 "hash $hashed: the run after the kill"
    expect_same "$work/site/big.bin" "$work/dest/big.bin"
    expect_same "$work/site/a.bin" "$work/dest/a.bin"
    kept=$(find "$work/dest" -maxdepth 1 -inum "$inode")
    [ -n "$kept" ] || fail "hash $hashed: the user's a.bin is gone: $(ls -A "$work/dest")"
    cmp -s "$work/mine" "$kept" || fail "hash $hashed: the user's a.bin was changed"
    [ "$(stat -c %Y "$kept")" = "$(date -d '2020-01-02 03:04:05' +%s)" ] ||
        fail "hash $hashed: the user's a.bin has a new time"
    [ -z "$(find "$work/dest" -name '*.kivpart')" ] || fail "hash $hashed: a part file is left"
done
echo "PASS"
