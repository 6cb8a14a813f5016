# Sourced by bench/cases/latency.sh inside its network namespace: nginx on
# 127.0.0.1:8080 (delayed; /slow/ is the same folder at 8 MB/s per
# connection, as busy mirrors serve) and the packet delay.
nginx_conf() {
    cat <<CONF
user root root;
worker_processes 1;
error_log $work/nginx/error.log;
pid $work/nginx/nginx.pid;
events { worker_connections 4096; }
http {
    log_format timed '\$connection \$connection_requests \$request_method \$status \$bytes_sent \$uri "\$http_range"';
    access_log $log timed;
    sendfile on;
    types { application/octet-stream bin; text/html html; }
    default_type application/octet-stream;
    client_body_temp_path $work/nginx/body;
    proxy_temp_path $work/nginx/proxy;
    fastcgi_temp_path $work/nginx/fastcgi;
    uwsgi_temp_path $work/nginx/uwsgi;
    scgi_temp_path $work/nginx/scgi;
    server {
        listen 127.0.0.1:8080; root $work/www;
        location /slow/ { alias $work/www/; limit_rate 8m; }
    }
}
CONF
}

nginx_pid=""
start_nginx() {
    mkdir -p "$work/nginx"
    nginx_conf >"$work/nginx/nginx.conf"
    : >"$log"
    nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -g 'daemon off;' </dev/null \
        >>"$work/nginx/stdout.log" 2>>"$work/nginx/error.log" &
    nginx_pid=$!
    local i
    for i in $(seq 50); do
        curl -s -o /dev/null "$base/" && return 0
        kill -0 "$nginx_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "latency.sh: nginx did not start" >&2
    cat "$work/nginx/error.log" >&2
    exit 1
}

delay_pid=""
# set_rtt MS: every packet to or from port 8080 waits MS/2 (0: none).
set_rtt() {
    if [ -n "$delay_pid" ]; then
        kill "$delay_pid" 2>/dev/null
        wait "$delay_pid" 2>/dev/null
        delay_pid=""
    fi
    [ "$1" = 0 ] && return 0
    "$work/packet_delay" 0 "$(awk -v r="$1" 'BEGIN { print r / 2 }')" </dev/null >"$work/delay.out" 2>>"$work/delay.err" &
    delay_pid=$!
    local i
    for i in $(seq 50); do grep -q ready "$work/delay.out" 2>/dev/null && return 0; sleep 0.1; done
    echo "latency.sh: packet_delay did not start" >&2
    exit 1
}

stop_all() {
    set_rtt 0
    [ -n "$nginx_pid" ] || return 0
    kill "$nginx_pid" 2>/dev/null
    wait "$nginx_pid" 2>/dev/null
    nginx_pid=""
}
