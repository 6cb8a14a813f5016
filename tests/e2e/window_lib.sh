# Shared by the window end-to-end scripts: re-runs the script under Xvfb,
# then the common set-up of lib.sh plus the helpers to drive the real
# program's window from outside (xwindow.py, through the X server).
# Sourced with the program's and kivtool's paths as $1 and $2 (kivtool also
# from KIV_KIVTOOL). Exits 77 (skipped) without xvfb-run or python3.
# The display has a window manager (openbox), as a user's desktop has: it
# maps, activates and focuses our windows in its own order. KIV_E2E_BARE_X=1
# keeps a bare X server, where nobody else touches the windows.
here=$(cd "${BASH_SOURCE[0]%/*}" && pwd)
command -v xvfb-run >/dev/null || { echo "SKIP: xvfb-run is not installed"; exit 77; }
command -v python3 >/dev/null || { echo "SKIP: python3 (for xwindow.py) is not installed"; exit 77; }
if [ -z "${KIV_E2E_XVFB:-}" ]; then
    KIV_E2E_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
display=$DISPLAY
window_manager=
if [ -z "${KIV_E2E_BARE_X:-}" ]; then
    command -v openbox >/dev/null || { echo "SKIP: openbox is not installed"; exit 77; }
    openbox --sm-disable >/dev/null 2>&1 &
    window_manager=$!
    # Ready once it owns the screen's window manager selection.
    for _ in $(seq 100); do
        python3 "$here/xwindow.py" managed && break
        sleep 0.1
    done
fi
kivtool=${2:-${KIV_KIVTOOL:-}}
[ -x "$kivtool" ] || { echo "usage: $0 PATH-TO-kiv-downloader PATH-TO-kivtool" >&2; exit 2; }
source "$here/lib.sh"
if [ -n "$window_manager" ]; then
    trap 'kill "$window_manager" 2>/dev/null; cleanup' EXIT
fi
export DISPLAY=$display LANG=C.UTF-8
unset LC_ALL LC_MESSAGES

title="Kiv e2e"          # the page's title: the browser window
product="Kiv Downloader" # the boxes' title
xwindow() { python3 "$here/xwindow.py" "$@"; }

# start_window DEST [OPTIONS...]: the program on $work/page.html in the
# background ($pid).
start_window() {
    local destination=$1
    shift
    "$program" "$@" --no-open --destination "$destination" --existing restart "$work/page.html" \
        </dev/null >"$work/out" 2>"$work/err" &
    pid=$!
    xwindow wait "$title" 30 >/dev/null || fail "the window did not appear"
}

# wait_exit SECONDS: the program's exit status in $status.
wait_exit() {
    local waited=0
    while kill -0 "$pid" 2>/dev/null; do
        [ "$waited" -lt $(($1 * 10)) ] || { kill -9 "$pid"; fail "the program did not end"; }
        sleep 0.1
        waited=$((waited + 1))
    done
    status=0
    wait "$pid" || status=$?
}

