#!/usr/bin/env bash
# The whole test suite from scratch: installs what is missing, builds the
# program and its tests, runs them, then runs the engine tests again under
# AddressSanitizer+UndefinedBehaviorSanitizer and ThreadSanitizer, and fuzzes
# the record-file parsers for a bounded time, and builds and checks the
# Debian package (on CI also installing, running and purging it).
# Usage: scripts/test.sh [--quick]   (--quick: the plain build and tests only)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
quick=0
[ "${1:-}" = "--quick" ] && quick=1
jobs=$(nproc)

bash scripts/install-deps.sh

# Tests get their own home and XDG folders so they never touch the user's files.
scratch=$(mktemp -d /tmp/kiv-test.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_STATE_HOME="$scratch/state"
export XDG_CACHE_HOME="$scratch/cache" XDG_RUNTIME_DIR="$scratch/run" TMPDIR="$scratch/tmp"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$XDG_CACHE_HOME" "$TMPDIR"
mkdir -m 0700 -p "$XDG_RUNTIME_DIR"

run_suite() {  # name, build dir, extra cmake args...
    local name=$1 dir=$2
    shift 2
    echo "== $name =="
    rm -rf "$dir"
    cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
    ninja -C "$dir" -j"$jobs" >/dev/null
    ctest --test-dir "$dir" -j"$jobs" --output-on-failure --timeout 600
}

run_suite "Debug build and all tests" "$root/build/test" -DCMAKE_BUILD_TYPE=Debug \
    -DKIV_CRASH_POINTS=ON
if [ $quick -eq 1 ]; then
    exit 0
fi
run_suite "Engine tests under ASan+UBSan" "$root/build/asan" -DCMAKE_BUILD_TYPE=Debug \
    -DKIV_ENGINE_ONLY=ON -DKIV_BENCH=OFF -DKIV_SANITIZE=address,undefined
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    run_suite "Engine tests under TSan" "$root/build/tsan" -DCMAKE_BUILD_TYPE=Debug \
    -DKIV_ENGINE_ONLY=ON -DKIV_BENCH=OFF -DKIV_SANITIZE=thread

if [ -x fuzz/run.sh ] || [ -f fuzz/run.sh ]; then
    echo "== Fuzzing the parsers of records, settings and assistant messages =="
    bash fuzz/run.sh "$root/build/fuzz" 30
fi
echo "== Debian package =="
bash scripts/package.sh
echo "All test stages passed."
