#!/usr/bin/env bash
# cmake --install into a temporary prefix: the installed program finds its
# module and the assistant program in PREFIX/lib/kiv-downloader/ from its own
# location, before and after the whole tree is moved; the manual pages and
# the completion name every option and command the programs take.
set -euo pipefail
build=${1:?usage: $0 BUILD-DIR}
tree=$(mktemp -d /tmp/kiv-install.XXXXXX)
if ! cmake --install "$build" --prefix "$tree/first" >"$tree/install.log" 2>&1; then
    cat "$tree/install.log" >&2
    rm -rf "$tree"
    exit 1
fi
source "$(dirname "$0")/../e2e/lib.sh" "$tree/first/bin/kiv-downloader"
trap 'cleanup; rm -rf "$tree"' EXIT

for path in bin/kiv-downloader bin/kivtool lib/kiv-downloader/kivdownloadcontrol.so \
    lib/kiv-downloader/kivdownloadcontrol lib/kiv-downloader/kivwindowfrontend.so \
    share/man/man1/kiv-downloader.1.gz \
    share/man/man1/kivtool.1.gz share/applications/kiv-downloader.desktop \
    share/icons/hicolor/scalable/apps/kiv-downloader.svg \
    share/bash-completion/completions/kiv-downloader share/bash-completion/completions/kivtool \
    share/doc/kiv-downloader/copyright share/kiv-downloader/browser/manifest.json \
    share/kiv-downloader/firefox/manifest.json; do
    [ -e "$tree/first/$path" ] || fail "not installed: $path"
done
# Only the programs in bin/: a module left beside them would be found there
# and hide a program that cannot find its own lib/ folder.
[ "$(ls "$tree/first/bin")" = "$(printf 'kiv-downloader\nkivtool')" ] ||
    fail "bin/ holds $(ls "$tree/first/bin" | tr '\n' ' ')"

# The manifests name the installed program; each browser's extension is there.
for manifest in etc/chromium/native-messaging-hosts lib/mozilla/native-messaging-hosts; do
    file="$tree/first/$manifest/com.velmo.kiv_downloader.json"
    host=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["path"])' "$file") ||
        fail "$file is missing or no JSON manifest"
    [ "$host" = "$tree/first/bin/kiv-downloader" ] || fail "$file names $host"
done
grep -q '"gecko"' "$tree/first/share/kiv-downloader/firefox/manifest.json" ||
    fail "share/kiv-downloader/firefox/ holds no Firefox manifest"

# Every option --help lists is in the manual page and the completion; the same
# for kivtool's commands.
documented() {  # WORD MANPAGE COMPLETION
    zcat "$tree/first/share/man/man1/$2" | sed 's/\\-/-/g' >"$work/page"
    grep -qw -- "$1" "$work/page" || fail "$2 lacks $1"
    grep -qw -- "$1" "$tree/first/share/bash-completion/completions/$3" || fail "completion $3 lacks $1"
}
"$tree/first/bin/kiv-downloader" --help >"$work/help" || fail "--help failed"
options=$(grep -o -- '--[a-z][a-z-]*' "$work/help" | sort -u)
[ "$(echo "$options" | wc -l)" -ge 10 ] || fail "--help lists only: $options"
for option in $options; do documented "$option" kiv-downloader.1.gz kiv-downloader; done
"$tree/first/bin/kivtool" help >"$work/help" || fail "kivtool help failed"
commands=$(sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' "$work/help" | sort -u)
[ "$(echo "$commands" | wc -l)" -ge 10 ] || fail "kivtool help lists only: $commands"
for command in $commands; do documented "$command" kivtool.1.gz kivtool; done

# A protected run: the program registers the module of its own tree, and the
# assistant program beside that module places the file.
printf 'Kiv install test\n' >"$work/site/readme.txt"
start_nginx
write_page "$work/page.html" contentscount=1 "curl1=$base/readme.txt" \
    "hash1=$(hash_of "$work/site/readme.txt")"
run_program 120 -v --protected --destination "$work/dest" --existing restart "$work/page.html"
expect_status 0 "a protected run of the installed tree"
expect_stderr "registered $tree/first/lib/kiv-downloader/kivdownloadcontrol.so"
expect_same "$work/site/readme.txt" "$work/dest/readme.txt"

# The whole tree moved: it runs from its new place with the same settings;
# the registration naming the old place is missing now, so the module at the
# new place is registered instead, and the program says so.
mv "$tree/first" "$tree/moved"
program="$tree/moved/bin/kiv-downloader"
mkdir -p "$work/dest-moved"
run_program 120 --protected --destination "$work/dest-moved" --existing restart "$work/page.html"
expect_status 0 "a protected run of the moved tree"
expect_stderr "is missing; registered $tree/moved/lib/kiv-downloader/kivdownloadcontrol.so instead"
expect_same "$work/site/readme.txt" "$work/dest-moved/readme.txt"

# With a display the moved program loads its window front end from
# lib/kiv-downloader/ too: its window shows (it is stopped then, as by a
# signal, which leaves the page).
if command -v xvfb-run >/dev/null; then
    mkdir -p "$work/dest-window"
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        "$1" --no-open --destination "$2" --existing restart "$3" </dev/null >"$4/out" 2>"$4/err" &
        pid=$!
        shown=0
        python3 "$5" wait "Kiv e2e" 60 >/dev/null && shown=1
        kill -TERM "$pid"
        wait "$pid"
        [ "$shown" -eq 1 ]' window "$program" "$work/dest-window" "$work/page.html" "$work" \
        "$(dirname "$0")/../e2e/xwindow.py" || fail "the moved tree showed no window"
else
    echo "(no xvfb-run: the window front end of the moved tree is not tried)"
fi
echo "PASS"
