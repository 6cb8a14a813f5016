#!/usr/bin/env bash
# Stops a run at every durable file step in turn (a build with crash points
# kills itself before step KIV_CRASH_AT) and proves that the next run with
# --yes finishes every file, verified, while nothing that is not ours is
# changed, and nothing partial shows under a final name. A page of three
# files: one with a hash, one without, one that resumes an earlier run's
# part file. In half of the points the user has files of two of the page's
# names, saved before the stopped run or between the two runs. Every point
# of the direct layout runs; KIV_CRASH_LAYOUTS="direct protected" adds a
# third of the protected layout's.
source "$(dirname "$0")/lib.sh"
kivtool=${2:-${KIV_KIVTOOL:?kivtool path (KIV_KIVTOOL)}}
head -c 150000 /dev/urandom >"$work/site/a.bin"
head -c 120000 /dev/urandom >"$work/site/b.bin"
head -c 700000 /dev/urandom >"$work/site/c.bin"
start_nginx
write_page "$work/page.html" contentscount=3 \
    "curl1=$base/a.bin" "hash1=$(hash_of "$work/site/a.bin")" \
    "curl2=$base/b.bin" \
    "curl3=$base/c.bin" "hash3=$(hash_of "$work/site/c.bin")"
write_page "$work/first.html" contentscount=1 \
    "curl1=$base/c.bin" "hash1=$(hash_of "$work/site/c.bin")"
state_dirs=(dest config state cache tmp)

reset_state() {  # the snapshot of LAYOUT: a run cut short in the middle of c.bin
    local dir
    for dir in "${state_dirs[@]}"; do
        rm -rf "${work:?}/$dir"
        cp -a "$work/snap-$1/$dir" "$work/$dir"
    done
}

layout_args() { [ "$1" = protected ] && echo --protected; true; }

# Steps counted by a run left to finish from the current state.
count_steps() {
    rm -f "$work/steps"
    KIV_CRASH_LOG="$work/steps" timeout -k 5 120 "$program" --terminal --no-open --yes \
        $(layout_args "$1") --destination "$work/dest" "$2" </dev/null >/dev/null 2>&1 || true
    wc -l <"$work/steps"
}

# The part file of c.bin, in the destination or the work folder.
part_of_c() { find "$work/dest" "$work/cache" -name .c.bin.kivpart -o -path "$work/cache/*/c.bin"; }

# The snapshot: a run of c.bin alone, stopped at the first of a few steps
# where its part file holds some but not all of it (the body's chunks come
# last, before the verification and the rename).
make_snapshot() {
    local layout=$1 dir total share part size
    for dir in "${state_dirs[@]}"; do rm -rf "${work:?}/$dir"; mkdir -p "$work/$dir"; done
    total=$(count_steps "$layout" "$work/first.html")
    for back in 25 20 30 15 35 10 40; do
        for dir in "${state_dirs[@]}"; do rm -rf "${work:?}/$dir"; mkdir -p "$work/$dir"; done
        (KIV_CRASH_AT=$((total - back)) timeout -k 5 120 "$program" --terminal --no-open --yes \
            $(layout_args "$layout") --destination "$work/dest" "$work/first.html" \
            </dev/null >/dev/null 2>&1 || true) 2>/dev/null
        part=$(part_of_c | head -1)
        size=$(size_of "$part")
        [ "$size" -gt 0 ] && [ "$size" -lt 700000 ] && break
    done
    [ "$size" -gt 0 ] && [ "$size" -lt 700000 ] || fail "$layout: no step left c.bin partial"
    mkdir -p "$work/snap-$layout"
    for dir in "${state_dirs[@]}"; do cp -a "$work/$dir" "$work/snap-$layout/$dir"; done
}

plant() {  # the user's own a.bin and b.bin, with their inode, time and bytes noted
    local name
    for name in a.bin b.bin; do
        [ -e "$work/dest/$name" ] && continue
        printf 'the user'"'"'s own %s, point %s\n' "$name" "$1" >"$work/dest/$name"
        touch -d '2021-03-04 05:06:07' "$work/dest/$name"
        echo "$name $(stat -c '%i %Y' "$work/dest/$name") $(sha256sum <"$work/dest/$name" | cut -c1-64)"
    done >"$work/planted"
}

# Each planted file still exists under some name in the destination,
# same inode, time and bytes.
check_planted() {
    local name inode mtime sum found
    [ -s "$work/planted" ] || return 0
    while read -r name inode mtime sum; do
        found=$(find "$work/dest" -maxdepth 1 -inum "$inode")
        [ -n "$found" ] || { echo "the user's $name is gone"; return 1; }
        [ "$(stat -c %Y "$found")" = "$mtime" ] || { echo "the user's $name has a new time"; return 1; }
        [ "$(sha256sum <"$found" | cut -c1-64)" = "$sum" ] || { echo "the user's $name changed"; return 1; }
    done <"$work/planted"
}

is_planted() { [ -s "$work/planted" ] && grep -q " $(stat -c %i "$1") " "$work/planted"; }

# After the stopped run: every visible file is the user's or complete.
check_nothing_partial() {
    local file name
    for file in "$work/dest"/*; do
        [ -f "$file" ] || continue
        is_planted "$file" && continue
        name=${file##*/}
        [ -f "$work/site/$name" ] && cmp -s "$file" "$work/site/$name" && continue
        echo "visible and not complete: $name"
        return 1
    done
}

# After the finishing run: every file complete, no row without our bytes.
check_finished() {
    local name path
    for name in a.bin b.bin c.bin; do
        cmp -s "$work/site/$name" "$work/dest/$name" || { echo "$name is not complete"; return 1; }
    done
    "$kivtool" record list >"$work/rows" || { echo "kivtool record list failed"; return 1; }
    while read -r path; do
        [ -e "$path" ] || { echo "a row names $path, which does not exist"; return 1; }
    done < <(sed -n 's/.*"path":"Z:\([^"]*\)".*/\1/p' "$work/rows" | tr '\\' '/')
}

one_point() {  # LAYOUT K
    local layout=$1 point=$2 problem=""
    reset_state "$layout"
    : >"$work/planted"
    [ $((point % 4)) -eq 1 ] && plant "$point"
    (KIV_CRASH_AT=$point timeout -k 5 120 "$program" --terminal --no-open --yes \
        $(layout_args "$layout") --destination "$work/dest" "$work/page.html" \
        </dev/null >"$work/out" 2>"$work/err" || true) 2>/dev/null
    problem=$(check_planted) && problem=$(check_nothing_partial)
    if [ -z "$problem" ]; then
        [ $((point % 4)) -eq 3 ] && plant "$point"
        run_program 120 --yes $(layout_args "$layout") --destination "$work/dest" "$work/page.html"
        [ "$status" -eq 0 ] || problem="the next run ended with status $status: $(tail -n 3 "$work/err")"
        if [ -z "$problem" ]; then problem=$(check_planted) && problem=$(check_finished); fi
    fi
    if [ -n "$problem" ]; then
        echo "$layout point $point: $problem" >&2
        return 1
    fi
}

failed=0
for layout in ${KIV_CRASH_LAYOUTS:-direct}; do
    make_snapshot "$layout"
    reset_state "$layout"
    total=$(count_steps "$layout" "$work/page.html")
    step=1
    [ "$layout" = protected ] && step=3
    points=0
    held=0
    for ((point = 1; point <= total; point += step)); do
        points=$((points + 1))
        if one_point "$layout" "$point"; then held=$((held + 1)); else failed=1; fi
    done
    echo "$layout layout: $points crash points of $total steps, $held held"
done
[ "$failed" -eq 0 ] || fail "some crash points did not hold"
echo "PASS"
