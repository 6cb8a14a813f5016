#!/usr/bin/env bash
# Demo of the download record file: installs what is missing, builds the
# support tool, writes two records through the engine and lists them back.
# Everything goes to a temporary folder that the script names at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIV_BENCH=OFF >/dev/null
ninja -C build/demo kivtool >/dev/null

demo=$(mktemp -d /tmp/kiv-demo.XXXXXX)
export XDG_STATE_HOME="$demo/state" XDG_CONFIG_HOME="$demo/config" XDG_CACHE_HOME="$demo/cache"
tool=build/demo/tools/kivtool
record="$demo/records.dat"

echo "Paths the product uses (Windows form, then native form):"
$tool paths
echo
echo "Writing two download records to $record ..."
$tool record set "$record" 'Z:\tmp\a.bin' 'Z:\tmp\a.bin' 'Wed, 01 Jul 2015 00:00:00 GMT' 0
$tool record set "$record" 'https://example.test/b.iso' 'Z:\tmp\b.iso' 'FILEBROKEN' 0
echo "Rows as stored (CR LF shown as \$):"
cat -A "$record" | sed 's/\^M\$$/$/'
echo "Rows as read back:"
$tool record list "$record"
echo
echo "Demo files are in $demo"
