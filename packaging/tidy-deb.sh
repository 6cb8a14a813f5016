#!/usr/bin/env bash
# Puts right what CPack's DEB generator gets wrong for this package, in the
# built .deb itself: CPack adds maintainer scripts that only run ldconfig for
# any shared object below /usr/lib, yet the module and the window library lie
# in /usr/lib/kiv-downloader/, which the loader never searches (the programs
# find them from their own location); and its strip keeps the compiler's
# .comment and .note sections, which dh_strip would remove.
# Usage: packaging/tidy-deb.sh PACKAGE.deb WORK-FOLDER
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin"
deb=$1
tree=$2
rm -rf "$tree"
dpkg-deb -R "$deb" "$tree"
for script in postinst postrm; do
    file="$tree/DEBIAN/$script"
    [ -f "$file" ] || continue
    # Only what CPack writes is removed: anything else is somebody's intent.
    if grep -v -x -E '#!/bin/sh|set -e|if \[ "\$1" = "(configure|remove)" \]; then|[[:space:]]*ldconfig|fi|' "$file" | grep -q .; then
        echo "tidy-deb: $script does more than run ldconfig; left as it is" >&2
    else
        rm -f "$file"
    fi
done
while IFS= read -r -d '' file; do
    if [ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" = '177ELF' ]; then
        objcopy --remove-section=.comment --remove-section=.note "$file"
    fi
done < <(find "$tree" -path "$tree/DEBIAN" -prune -o -type f -print0)
(cd "$tree" && find . -path ./DEBIAN -prune -o -type f -print0 | sort -z | xargs -0 md5sum |
    sed 's|  \./|  |') >"$tree/DEBIAN/md5sums"
dpkg-deb --root-owner-group -Zxz --build "$tree" "$deb" >/dev/null
rm -rf "$tree"
