# Sourced by the benchmark scripts once $work (with www/ and nginx/) and $mib
# are set: a random file of $mib MiB ($source_file) served by Debian's nginx
# on a free loopback port ($url; $nginx_pid for the caller's clean-up).
source_file=$work/www/big.bin
echo "Creating a ${mib} MiB file ..."
head -c $((mib * 1024 * 1024)) /dev/urandom >"$source_file"
chmod 644 "$source_file"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/nginx/nginx.conf" <<CONF
user $(id -un) $(id -gn);
worker_processes 1;
error_log $work/nginx/error.log;
pid $work/nginx/nginx.pid;
events { worker_connections 64; }
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
    server {
        listen 127.0.0.1:$port;
        root $work/www;
    }
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -g 'daemon off;' 2>>"$work/nginx/error.log" &
nginx_pid=$!
url=http://127.0.0.1:$port/big.bin
for _ in $(seq 50); do
    curl -s -o /dev/null -I "$url" && break
    sleep 0.1
done
curl -s -f -o /dev/null -I "$url" || { echo "nginx did not start:" >&2; cat "$work/nginx/error.log" >&2; exit 1; }
