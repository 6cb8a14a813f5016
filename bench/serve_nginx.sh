# Sourced by the benchmark scripts: start_nginx_on_www serves $work/www with
# Debian's nginx on a free loopback port (configuration and log in
# $work/nginx/, access log off, sendfile on) and sets $base (its URL) and
# $nginx_pid (for the caller's clean-up); it stops the script when nginx
# does not answer.
start_nginx_on_www() {
    local port
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    mkdir -p "$work/nginx"
    cat >"$work/nginx/nginx.conf" <<CONF
user $(id -un) $(id -gn);
worker_processes 1;
error_log $work/nginx/error.log;
pid $work/nginx/nginx.pid;
events { worker_connections 512; }
http {
    access_log off;
    sendfile on;
    types { application/octet-stream bin; text/html html; }
    default_type application/octet-stream;
    client_body_temp_path $work/nginx/body;
    proxy_temp_path $work/nginx/proxy;
    fastcgi_temp_path $work/nginx/fastcgi;
    uwsgi_temp_path $work/nginx/uwsgi;
    scgi_temp_path $work/nginx/scgi;
    server { listen 127.0.0.1:$port; root $work/www; }
}
CONF
    nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -g 'daemon off;' 2>>"$work/nginx/error.log" &
    nginx_pid=$!
    base=http://127.0.0.1:$port
    for _ in $(seq 50); do
        curl -s -o /dev/null "$base/" && return 0
        sleep 0.1
    done
    echo "nginx did not start:" >&2
    cat "$work/nginx/error.log" >&2
    exit 1
}
