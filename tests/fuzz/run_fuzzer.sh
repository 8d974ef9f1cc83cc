#!/usr/bin/env bash
# Usage: run_fuzzer.sh <pcx|png|sprite> <build-dir> <seconds>
# Builds <target>_fuzzer with clang in <build-dir> and fuzzes for <seconds> in
# a working copy of the committed corpus tests/fuzz/<target>_corpus: those
# files are the seeds. Exits non-zero on any finding. With MERGE=1, inputs that
# reach new coverage are merged into the committed corpus afterwards;
# otherwise the tree is left as it was.
set -euo pipefail
if [[ $# -ne 3 ]]; then
    echo "usage: $0 <pcx|png|sprite> <build-dir> <seconds>" >&2
    exit 2
fi
target=$1 build_dir=$2 seconds=$3
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
committed=$source_dir/tests/fuzz/${target}_corpus
corpus=$build_dir/${target}_corpus findings=$build_dir/${target}_findings

CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCELFORGE_FUZZ=ON -DCELFORGE_TESTS=OFF \
    -DCELFORGE_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j2 --target "${target}_fuzzer"
rm -rf "$corpus" "$findings"
mkdir -p "$corpus" "$findings"
cp "$committed"/* "$corpus"/
# Pictures up to the size limits are legal, so one input may take a while.
"$build_dir/${target}_fuzzer" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=1024 \
    -artifact_prefix="$findings/" -print_final_stats=1 "$corpus"
if compgen -G "$findings/*" >/dev/null; then
    echo "$target fuzzer left findings in $findings" >&2
    exit 1
fi
if [[ ${MERGE:-0} == 1 ]]; then
    "$build_dir/${target}_fuzzer" -merge=1 "$committed" "$corpus"
    echo "$target fuzzer: new coverage merged into $committed"
fi
echo "$target fuzzer: no findings in $seconds s"
