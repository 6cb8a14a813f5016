# Sourced by compare.sh and its cases (bench/cases/*.sh): the private home,
# the loopback nginx, and the timing helpers. Expects $work, $program and
# $kivtool; sets $base (the server's URL) and $out (the output folder).

# ---- a private home, the server ------------------------------------------
# private_home: XDG folders below $work, no proxy, no display (a case that
# wants the window takes $display).
private_home() {
    export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state \
        XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/run TMPDIR=$work/tmp
    unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
    mkdir -p "$work/www" "$work/nginx" "$work/out" "$work/times" "$HOME" "$XDG_CONFIG_HOME" \
        "$XDG_STATE_HOME" "$XDG_CACHE_HOME" "$TMPDIR"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    # nginx's workers may run as another user: they must reach www/.
    chmod 755 "$work" "$work/www"
    display=${DISPLAY:-}
    unset DISPLAY WAYLAND_DISPLAY
    out=$work/out
}

# serve: Debian's nginx on a free loopback port serving $work/www ($base);
# $nginx_pid for stop_server.
source "$root/bench/serve_nginx.sh"
serve() { start_nginx_on_www; }
stop_server() {
    [ -z "${nginx_pid:-}" ] && return 0
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
    nginx_pid=""
}

# ---- files -----------------------------------------------------------------
# source_file NAME MIB: a random file in www/, made once; prints its path.
source_file() {
    local file=$work/www/$1
    if [ ! -f "$file" ]; then
        echo "  (creating a $2 MiB file)" >&2
        head -c $(($2 * 1024 * 1024)) /dev/urandom >"$file"
        chmod 644 "$file"
    fi
    echo "$file"
}
# one_file NAME MIB: the case's source file (made once) as $src, its URL as
# $url, and the file read before each run.
one_file() {
    src=$(source_file "$1" "$2")
    url=$base/$1
    warm_files=("$src")
}
warm() { [ $# -eq 0 ] || cat "$@" >/dev/null; }
# settle: writes the outputs out and deletes them, so that no run pays for
# the dirty pages of the one before.
settle() { sync; rm -rf "${out:?}"/* "$work/cmd.out" "$work/cmd.err"; sync; }
same_file() { cmp -s "$1" "$2" || { echo "compare.sh: $2 differs from $1" >&2; exit 1; }; }

# ---- the program as users run it ---------------------------------------------
# kiv-downloader in the terminal into $out, as the cases' command words
# (followed by --param pairs from params_for, or a page), and as a function.
kiv_words() { echo "$program --terminal -d $out --no-open"; }
fetch_kiv() { "$program" --terminal -d "$out" --no-open "$@" </dev/null; }
# params_for URL [HASH]: the --param words for one file, one a line.
params_for() {
    printf '%s\n' --param contentscount=1 --param "curl1=$1"
    [ -z "${2:-}" ] || printf '%s\n' --param "hash1=$2"
}
words() { tr '\n' ' '; }

# ---- figures -------------------------------------------------------------------
load() { cut -d' ' -f1-3 /proc/loadavg; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
divide() { awk -v a="$1" -v b="$2" -v f="${3:-%.3f}" 'BEGIN { printf f "\n", a / b }'; }
difference_ms() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f\n", (a - b) * 1000 }'; }
header() { echo; echo "== $1 (load average $(load))"; }

# wall PROGRAM ARGS...: runs it (a program, not a shell function) (output to cmd.out/cmd.err) and prints its wall
# time and its CPU time (user + system) in seconds; stops the harness when
# it fails.
wall() {
    local status=0
    python3 "$root/bench/timed_run.py" "$work/figures" "$@" </dev/null >"$work/cmd.out" \
        2>"$work/cmd.err" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "compare.sh: '$*' failed ($status):" >&2
        tail -5 "$work/cmd.err" >&2
        exit 1
    fi
    cat "$work/figures"
}

# race TAG ROUNDS CHECK NAME=COMMAND...: interleaved rounds of the named
# commands (each a word list run with eval), each after the files in
# warm_files were read and with an empty output folder. CHECK (a command or
# "") runs after the first round's first entry. Wall times go to
# times/TAG.NAME, CPU times to times/TAG.NAME.cpu; the table shows wall times.
race() {
    local tag=$1 count=$2 check=$3
    shift 3
    local entry name r figures
    for entry in "$@"; do
        : >"$work/times/$tag.${entry%%=*}"
        : >"$work/times/$tag.${entry%%=*}.cpu"
    done
    printf '%6s' round
    for entry in "$@"; do printf ' %12s' "${entry%%=*}"; done
    echo
    for r in $(seq "$count"); do
        printf '%6s' "$r"
        for entry in "$@"; do
            name=${entry%%=*}
            settle
            warm ${warm_files[@]+"${warm_files[@]}"}
            figures=$(eval "wall ${entry#*=}")
            echo "${figures% *}" >>"$work/times/$tag.$name"
            echo "${figures#* }" >>"$work/times/$tag.$name.cpu"
            printf ' %12s' "${figures% *}"
            if [ "$r" -eq 1 ] && [ "$entry" = "$1" ] && [ -n "$check" ]; then eval "$check"; fi
        done
        echo
    done
    settle
}
med() { median <"$work/times/$1.$2"; }
# report TAG REFERENCE NAME...: the medians of the wall and the CPU times
# and each one's ratio to REFERENCE's.
report() {
    local tag=$1 reference=$2
    shift 2
    local name
    printf '%6s' median
    for name in "$@"; do printf ' %12s' "$(med "$tag" "$name")"; done
    echo
    printf '%6s' cpu
    for name in "$@"; do printf ' %12s' "$(med "$tag" "$name.cpu")"; done
    echo
    for name in "$@"; do
        [ "$name" = "$reference" ] && continue
        printf '  %s / %s = %s (CPU %s)\n' "$name" "$reference" \
            "$(divide "$(med "$tag" "$name")" "$(med "$tag" "$reference")")" \
            "$(divide "$(med "$tag" "$name.cpu")" "$(med "$tag" "$reference.cpu")")"
    done
    echo "  load average after: $(load)"
}

# peak_rss COMMAND...: the command's peak resident set in MB (GNU time's %M).
peak_rss() {
    /usr/bin/time -f %M -o "$work/rss" "$@" >"$work/cmd.out" 2>"$work/cmd.err" </dev/null ||
        { echo "compare.sh: '$*' failed:" >&2; tail -5 "$work/cmd.err" >&2; exit 1; }
    awk '{ printf "%.1f\n", $1 / 1024 }' "$work/rss"
}
