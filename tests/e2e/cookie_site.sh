# A site behind a login, for the session tests (sourced after lib.sh or
# window_lib.sh): /login sets the session cookie (HttpOnly, SameSite=Lax),
# /private/ serves only with it, /away/NAME redirects to the same file on
# another host name (localhost), /stamp/NAME sets the session cookie itself
# and redirects to /private/NAME. Each request is logged with its host, its
# Cookie header and its X-Token header.
session_value=$(head -c 16 /dev/urandom | od -An -tx1 | tr -d ' \n')

start_cookie_site() {
    mkdir -p "$work/site/private"
    nginx_with '$request_method $host $uri $status cookie="$http_cookie" token="$http_x_token"' \
        "map \$cookie_session \$logged_in { \"$session_value\" 1; default 0; }" "
        location = /login {
            add_header Set-Cookie \"session=$session_value; Path=/; HttpOnly; SameSite=Lax\";
            default_type text/html;
            return 200 \"<!DOCTYPE html><title>Logged in</title><p>Logged in.</p>\";
        }
        location /private/ { if (\$logged_in = 0) { return 403; } }
        location /stamp/ {
            add_header Set-Cookie \"session=$session_value; Path=/; HttpOnly\";
            rewrite ^/stamp/(.*)\$ /private/\$1 redirect;
        }
        location = /sandboxed.html { add_header Content-Security-Policy \"sandbox allow-scripts\"; }
        location /away/ { rewrite ^/away/(.*)\$ http://localhost:@PORT@/private/\$1 redirect; }"
}

# expect_no_session_trace FILE...: the session value is nowhere in the
# program's folders, the work folder or the given files.
expect_no_session_trace() {
    local found
    found=$(grep -rlF --exclude-dir='chromium*' --exclude-dir='firefox-profile*' -- "$session_value" "$work/config" "$work/state" "$work/cache" \
        "$work/runtime" "$work/tmp" "$work/dest" "$@" 2>/dev/null || true)
    [ -z "$found" ] || fail "the session value was written to: $found"
}
