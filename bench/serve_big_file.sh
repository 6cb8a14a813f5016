# Sourced by the benchmark scripts once $work (with www/ and nginx/) and $mib
# are set: a random file of $mib MiB ($source_file) served by Debian's nginx
# on a free loopback port ($url; $nginx_pid for the caller's clean-up).
source_file=$work/www/big.bin
echo "Creating a ${mib} MiB file ..."
head -c $((mib * 1024 * 1024)) /dev/urandom >"$source_file"
chmod 644 "$source_file"

source "$(dirname "${BASH_SOURCE[0]}")/serve_nginx.sh"
start_nginx_on_www
url=$base/big.bin
curl -s -f -o /dev/null -I "$url" || { echo "nginx does not serve $url:" >&2; cat "$work/nginx/error.log" >&2; exit 1; }
