#!/usr/bin/env bash
# Another user plants a link under a content item's name in a shared
# destination, pointing at the victim's own file; the victim's record even
# allows resuming it. With resume and with restart the run refuses the item
# with the file error naming it, fetches nothing, and leaves the link and the
# file it names as they were. (kivtool from KIV_KIVTOOL writes the record.)
source "$(dirname "$0")/lib.sh"
kivtool=${2:-${KIV_KIVTOOL:?kivtool path (KIV_KIVTOOL)}}
head -c 300000 /dev/urandom >"$work/site/notes.txt"
start_nginx
write_page "$work/page.html" contentscount=1 "curl1=$base/notes.txt"

# Shared: anyone may add entries, and there is no sticky bit.
chmod 0777 "$work/dest"
mkdir -m 700 "$work/victim"
printf 'export PATH=/usr/bin:/bin\n' >"$work/victim/.bashrc"
cp "$work/victim/.bashrc" "$work/bashrc.orig"
planted="$work/dest/notes.txt"
# A second user plants the link where the machine has one, else this user.
as_other() {
    if runuser -u nobody -- true 2>/dev/null; then runuser -u nobody -- "$@"; else "$@"; fi
}
# The victim's earlier run had recorded a partial notes.txt of this source.
last_modified=$(sed -n 's/^Last-Modified: //p' < <(curl -sI "$base/notes.txt" | tr -d '\r'))
[ -n "$last_modified" ] || fail "nginx sent no Last-Modified"
record_file=$("$kivtool" paths | awk -F'\t' '$1 == "version-file" { print $3 }')
windows_path="Z:${planted//\//\\}"
"$kivtool" record set "$record_file" "$windows_path" "$windows_path" "$last_modified" 0 ||
    fail "kivtool could not write the record"

for mode in resume restart; do
    as_other ln -sfn "$work/victim/.bashrc" "$planted"
    run_program 60 --destination "$work/dest" --existing "$mode" "$work/page.html"
    expect_status 2 "$mode over a planted link"
    expect_stderr "[D:100 E:5]"
    grep -qP '^\tnotes\.txt\s*$' "$work/err" || fail "the file error does not name notes.txt ($mode)"
    cmp -s "$work/bashrc.orig" "$work/victim/.bashrc" || fail "the link's target was changed ($mode)"
    [ "$(readlink "$planted")" = "$work/victim/.bashrc" ] || fail "the planted link was touched ($mode)"
done
if grep -q '^GET ' "$work/nginx/access.log"; then
    fail "a run fetched the file for the planted link"
fi
echo "PASS"
