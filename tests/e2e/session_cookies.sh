#!/usr/bin/env bash
# The user's session in the terminal: a jar written by curl -c opens the
# private files; without it the server's refusal is named; the cookie and a
# --header line stay behind on a redirect to another host; --header refuses
# the lines the run writes itself. The session value is written nowhere.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cookie_site.sh"
start_cookie_site
for name in a b; do head -c $((200 * 1024 + RANDOM)) /dev/urandom >"$work/site/private/$name.bin"; done
curl -sS -c "$work/jar.txt" -o /dev/null "$base/login" || fail "curl could not log in"
grep -q "^#HttpOnly_127.0.0.1" "$work/jar.txt" || fail "curl's jar has no HttpOnly line: $(cat "$work/jar.txt")"
# An expired row after the live one must not replace it.
printf '127.0.0.1\tFALSE\t/\tFALSE\t1000\tsession\texpired\n' >>"$work/jar.txt"
chmod 644 "$work/jar.txt"
write_page "$work/page.html" contentscount=2 \
    "curl1=$base/private/a.bin" "hash1=$(hash_of "$work/site/private/a.bin")" \
    "curl2=$base/private/b.bin" "hash2=$(hash_of "$work/site/private/b.bin")"

run_program 120 --destination "$work/dest" --existing restart -v --log "$work/run.log" \
    --load-cookies "$work/jar.txt" "$work/page.html"
expect_status 0 "the private files with the jar"
expect_stderr "may be read by other users"
for name in a b; do expect_same "$work/site/private/$name.bin" "$work/dest/$name.bin"; done
expect_no_session_trace "$work/run.log" "$work/out" "$work/err"
grep -qF "Cookie: [redacted]" "$work/err" || fail "-v does not say that a Cookie header went out"

rm -f "$work/dest"/*
run_program 120 --destination "$work/dest" --existing restart "$work/page.html"
expect_status 2 "no session"
expect_stderr "403"

write_page "$work/away.html" contentscount=1 "curl1=$base/away/a.bin"
run_program 120 --destination "$work/dest" --existing restart --load-cookies "$work/jar.txt" \
    --header "X-Token: t0k3n" "$work/away.html"
grep -qE "^(GET|HEAD) 127.0.0.1 /away/a.bin 302 cookie=\"session=$session_value\" token=\"t0k3n\"" \
    "$work/nginx/access.log" || fail "the first request lacked the cookie or the header"
grep -qE "^(GET|HEAD) localhost /private/a.bin 403 cookie=\"-\" token=\"-\"" "$work/nginx/access.log" ||
    fail "the redirect to another host carried the cookie or the header"
expect_status 2 "the other host refuses a request without the session"

# A cookie a server sets goes with the requests that follow: one jar for the
# run, in memory. The requests of a page go out together, so a cookie set by one answer is
# proven on the request that follows it: the redirect it came with.
write_page "$work/stamp.html" contentscount=1 \
    "curl1=$base/stamp/b.bin" "hash1=$(hash_of "$work/site/private/b.bin")"
rm -f "$work/dest"/*
run_program 120 --destination "$work/dest" --existing restart --log "$work/run.log" "$work/stamp.html"
expect_status 0 "a cookie set during the run opens the file it leads to"
expect_same "$work/site/private/b.bin" "$work/dest/b.bin"
expect_no_session_trace "$work/run.log" "$work/out" "$work/err"

for refused in "Host: elsewhere" "range: bytes=0-" "If-Range: x" "Connection: close" \
    "X-Bad: a$(printf '\r')Injected: b" "no colon"; do
    run_program 20 --destination "$work/dest" --header "$refused" "$work/page.html"
    expect_status 2 "--header '$refused'"
    expect_stderr "--header"
done
echo "PASS"
