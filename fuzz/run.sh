#!/usr/bin/env bash
# Builds the libFuzzer targets into a build folder of their own and runs each
# one for a bounded time, starting from the seeds in fuzz/corpus/<target>/.
# New inputs go to <build>/fuzz-corpus/<target>/ (kept between runs), inputs
# that fail to <build>/fuzz-artifacts/. Exits non-zero when a target fails.
#   Usage: fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET]   (default 30)
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 BUILD_DIR [SECONDS_PER_TARGET]" >&2
    exit 2
fi
build=$(realpath -m "$1")
seconds=${2:-30}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
    echo "SECONDS_PER_TARGET must be a positive whole number, not '$seconds'" >&2
    exit 2
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
targets=(csv_row version_file settings_store assistant_records boundary_frame)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIV_FUZZ=ON -DKIV_SANITIZE=address,undefined \
    -DKIV_ENGINE_ONLY=ON -DKIV_BENCH=OFF >/dev/null
ninja -C "$build" -j2 "${targets[@]/#/fuzz_}"

mkdir -p "$build/fuzz-artifacts"
for target in "${targets[@]}"; do
    corpus="$build/fuzz-corpus/$target"
    mkdir -p "$corpus"
    echo "== fuzz_$target for ${seconds}s"
    # The first corpus folder receives new inputs; the committed seeds stay as they are.
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -max_len=65536 \
        -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-artifacts/$target-" "$corpus" "$here/corpus/$target"
done
echo "Fuzzing finished: no failure in ${#targets[@]} targets."
