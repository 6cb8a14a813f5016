# A site behind a login, for the session tests (sourced after lib.sh or
# window_lib.sh): /login sets the session cookie (HttpOnly, SameSite=Lax),
# /private/ serves only with it, /away/NAME redirects to the same file on
# another host name (localhost), /stamp/NAME sets the session cookie itself
# and redirects to /private/NAME. Each request is logged with its host, its
# Cookie header and its X-Token header.
session_value=$(head -c 16 /dev/urandom | od -An -tx1 | tr -d ' \n')

start_cookie_site() {
    local attempt
    mkdir -p "$work/site/private"
    for attempt in 1 2 3 4 5; do
        port=$(free_port) || { echo "no free port on 127.0.0.1" >&2; exit 2; }
        cat >"$nginx_conf" <<CONF
daemon on;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 64; }
http {
    log_format session '\$request_method \$host \$uri \$status cookie="\$http_cookie" token="\$http_x_token"';
    access_log $work/nginx/access.log session;
    client_body_temp_path $work/nginx;
    proxy_temp_path $work/nginx;
    fastcgi_temp_path $work/nginx;
    uwsgi_temp_path $work/nginx;
    scgi_temp_path $work/nginx;
    types { application/octet-stream bin; text/html html; }
    map \$cookie_session \$logged_in { "$session_value" 1; default 0; }
    server {
        listen 127.0.0.1:$port;
        root $work/site;
        location = /login {
            add_header Set-Cookie "session=$session_value; Path=/; HttpOnly; SameSite=Lax";
            default_type text/html;
            return 200 "<!DOCTYPE html><title>Logged in</title><p>Logged in.</p>";
        }
        location /private/ { if (\$logged_in = 0) { return 403; } }
        location /stamp/ {
            add_header Set-Cookie "session=$session_value; Path=/; HttpOnly";
            rewrite ^/stamp/(.*)\$ /private/\$1 redirect;
        }
        location = /sandboxed.html { add_header Content-Security-Policy "sandbox allow-scripts"; }
        location /away/ { rewrite ^/away/(.*)\$ http://localhost:$port/private/\$1 redirect; }
    }
}
CONF
        if nginx -c "$nginx_conf" 2>>"$work/nginx/start.log"; then
            base="http://127.0.0.1:$port"
            return 0
        fi
    done
    echo "nginx did not start:" >&2
    cat "$work/nginx/start.log" >&2
    exit 2
}

# expect_no_session_trace FILE...: the session value is nowhere in the
# program's folders, the work folder or the given files.
expect_no_session_trace() {
    local found
    found=$(grep -rlF --exclude-dir='chromium*' --exclude-dir='firefox-profile*' -- "$session_value" "$work/config" "$work/state" "$work/cache" \
        "$work/runtime" "$work/tmp" "$work/dest" "$@" 2>/dev/null || true)
    [ -z "$found" ] || fail "the session value was written to: $found"
}
