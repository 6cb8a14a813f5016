#!/usr/bin/env bash
# The window front end's modal questions under a window manager, as a user
# meets them when the page gives no folder:
# 1. the folder dialog and the cancel question stay open, unanswered, while
#    the focus moves between our windows and another program's for 10 s,
#    then take a click and keys (the cancel question's No brings the folder
#    dialog back);
# 2. SIGTERM, SIGHUP and SIGINT at the folder dialog, the cancel question
#    and the existing-files question end the run with exit 1 and close every
#    box, the file already in the folder untouched.
# Exit 77 (skipped) without xvfb-run, python3, openbox, xdotool or xmessage.
# Usage: window_modal.sh PATH-TO-kiv-downloader [PATH-TO-kivtool]
for tool in xdotool xmessage; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$(dirname "$0")/window_lib.sh"

folder_title="Browse for Folder"
# The folder dialog opens at home: a private one.
export HOME="$work/home"
mkdir -p "$HOME"
head -c $((300 * 1024 + 5)) /dev/urandom >"$work/site/small.bin"
start_nginx
write_page "$work/page.html" contentscount=1 \
    "curl1=$base/small.bin" "hash1=$(hash_of "$work/site/small.bin")"

# start_asking [OPTIONS...]: the program with no folder given ($pid), with
# Ctrl+C's signal as a terminal leaves it (a background job's is ignored).
start_asking() {
    env --default-signal=INT "$program" --no-open "$@" "$work/page.html" </dev/null >"$work/out" 2>"$work/err" &
    pid=$!
}

# box TITLE: the id of the shown window titled TITLE (waits up to 30 s).
box() { xwindow wait "$1" 30 || fail "no window titled '$1'"; }

# activate ID: asks the window manager to activate the window and waits
# until it has the keyboard focus (bounded: a modal box may refuse it for
# its owner).
activate() {
    timeout 5 xdotool windowactivate --sync "$1" 2>/dev/null || true
    for _ in $(seq 50); do
        [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && break
        sleep 0.1
    done
}

# Another client's window, to move the focus to and from.
xmessage -name other -title "Other client" "another program" &
other=$!
trap 'kill "$other" 2>/dev/null; kill "${window_manager:-}" 2>/dev/null; cleanup' EXIT
box "Other client" >/dev/null

# dance TITLE: 10 s of focus moving between the box, our browser window and
# the other client's window; the box must still be there, unanswered.
dance() {
    local id target browser other_id
    echo "  focus moves at '$1'"
    id=$(box "$1")
    browser=$(xwindow wait "$title" 1 2>/dev/null || true)
    other_id=$(box "Other client")
    for _ in $(seq 10); do
        for target in "$other_id" "$browser" "$id"; do
            [ -n "$target" ] && xdotool windowactivate "$target" 2>/dev/null
            sleep 0.3
        done
    done
    kill -0 "$pid" 2>/dev/null || fail "the run ended while '$1' waited for an answer"
    [ "$(xwindow wait "$1" 1)" = "$id" ] || fail "'$1' closed without an answer"
    activate "$id"
}

# click_into TITLE: a click in the middle of the window, on no button, as a
# user brings a box back to the front.
click_into() {
    local id
    id=$(box "$1")
    eval "$(xdotool getwindowgeometry --shell "$id")"
    xdotool mousemove "$((X + WIDTH / 2))" "$((Y + HEIGHT / 3))" click 1
}

# 1. The folder dialog and the cancel question through focus changes.
echo "the questions through focus changes"
mkdir -p "$work/kept"
start_asking
dance "$folder_title"
xwindow close "$folder_title"  # the title bar's close button
dance "$product"               # Cancel file download?
click_into "$product"
xwindow keys "$product" Tab space  # No: back to the folder dialog
dance "$folder_title"
kill -TERM "$pid"
wait_exit 30
expect_status 1 "SIGTERM after the focus changes"

# 2. Signals at each question.
head -c 1000 /dev/urandom >"$work/kept/small.bin"
cp "$work/kept/small.bin" "$work/kept.before"
# at_question STEP: brings the run to a question (folder, cancel, existing).
at_question() {
    [ "$1" = existing ] || box "$folder_title" >/dev/null
    case $1 in
        cancel)
            xwindow close "$folder_title"
            box "$product" >/dev/null ;;
        existing)
            box "$product" >/dev/null ;;
    esac
}
for step in folder cancel existing; do
    for signal in TERM HUP INT; do
        echo "SIG$signal at the $step question"
        if [ "$step" = existing ]; then start_asking --destination "$work/kept"; else start_asking; fi
        at_question "$step"
        kill -"$signal" "$pid"
        wait_exit 30
        expect_status 1 "SIG$signal at the $step question"
        xwindow gone "$folder_title" 5 || fail "the folder dialog outlived SIG$signal"
        xwindow gone "$product" 5 || fail "a box outlived SIG$signal at the $step question"
        cmp -s "$work/kept.before" "$work/kept/small.bin" || fail "SIG$signal changed the file in the folder"
    done
done
echo "PASS"
