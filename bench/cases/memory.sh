# peak RSS: terminal run, --help, window (on Xvfb without a display) vs curl and wget
# window_run URL: the window front end on a page titled apart from its
# closing box ("Kiv Downloader"), which is answered with Return; prints the
# peak RSS in MB.
window_run() {
    local url=$1 status=0 pid
    cat >"$work/window.html" <<PAGE
<!DOCTYPE html><html><head><title>Kiv compare</title></head><body>
<object classid="clsid:7126E9C3-57EE-4EBA-A6AC-286C10450471" width="480" height="300">
<param name="contentscount" value="1"><param name="curl1" value="$url"></object></body></html>
PAGE
    DISPLAY=$display /usr/bin/time -f %M -o "$work/rss" \
        "$program" -d "$out" --no-open --existing restart "$work/window.html" \
        >"$work/cmd.out" 2>"$work/cmd.err" </dev/null &
    pid=$!
    DISPLAY=$display python3 "$root/tests/e2e/xwindow.py" wait "Kiv Downloader" 300 >/dev/null || status=1
    [ "$status" -ne 0 ] || DISPLAY=$display python3 "$root/tests/e2e/xwindow.py" keys "Kiv Downloader" Return || status=1
    [ "$status" -eq 0 ] || kill "$pid" 2>/dev/null || true
    wait "$pid" || status=1
    [ "$status" -eq 0 ] || { echo "compare.sh: the window run failed:" >&2; tail -5 "$work/cmd.err" >&2; exit 1; }
    awk '{ printf "%.1f\n", $1 / 1024 }' "$work/rss"
}

# xvfb_window_run URL: window_run on a display of its own.
xvfb_window_run() {
    xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "
        $(declare -f window_run)
        work='$work' out='$out' program='$program' root='$root' display=\$DISPLAY
        window_run '$1'"
}

case_memory() {
    header "peak RSS, MB, 3 rounds (1 GiB download)"
    local src url r window=1 name
    src=$(source_file big.bin 1024)
    url=$base/big.bin
    local names=(terminal help curl wget)
    if [ -z "$display" ]; then
        if command -v xvfb-run >/dev/null; then
            echo "  (window under Xvfb)"
        else
            window=0
            echo "  window: skipped, no display and no xvfb-run"
        fi
    fi
    [ "$window" -eq 0 ] || names+=(window)
    for name in "${names[@]}"; do : >"$work/times/rss.$name"; done
    for r in 1 2 3; do
        settle
        peak_rss "$program" --terminal -d "$out" --no-open $(params_for "$url") >>"$work/times/rss.terminal"
        peak_rss "$program" --help >>"$work/times/rss.help"
        settle
        peak_rss curl -s -o "$out/big.bin" "$url" >>"$work/times/rss.curl"
        settle
        peak_rss wget -q -O "$out/big.bin" "$url" >>"$work/times/rss.wget"
        [ "$window" -eq 1 ] || continue
        settle
        if [ -n "$display" ]; then
            window_run "$url" >>"$work/times/rss.window"
        else
            xvfb_window_run "$url" >>"$work/times/rss.window"
        fi
    done
    settle
    for name in "${names[@]}"; do
        printf '  %-9s %6s MB  (rounds: %s)\n' "$name" "$(med rss "$name")" "$(tr '\n' ' ' <"$work/times/rss.$name")"
    done
    echo "  load average after: $(load)"
}
