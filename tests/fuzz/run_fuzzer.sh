#!/usr/bin/env bash
# Builds <target>_fuzzer with clang and fuzzes for <seconds> in a copy of the
# committed corpus tests/fuzz/<target>_corpus, whose files are the seeds. Any
# finding fails. With MERGE=1, inputs that reach new coverage are merged into
# the committed corpus afterwards; otherwise the tree is left as it was.
set -euo pipefail
[[ $# -eq 3 ]] || { echo "usage: $0 <pcx|png|sprite|spr> <build-dir> <seconds>" >&2; exit 2; }
target=$1 build=$2 seconds=$3
source=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
committed=$source/tests/fuzz/${target}_corpus corpus=$build/${target}_corpus
findings=$build/${target}_findings
CC=clang CXX=clang++ cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCELFORGE_FUZZ=ON -DCELFORGE_TESTS=OFF -DCELFORGE_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target "${target}_fuzzer"
rm -rf "$corpus" "$findings" && mkdir -p "$corpus" "$findings" && cp "$committed"/* "$corpus"/
# Pictures up to the size limits are legal, so one input may take a while.
"$build/${target}_fuzzer" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=1024 \
    -artifact_prefix="$findings/" -print_final_stats=1 "$corpus"
if compgen -G "$findings/*" >/dev/null; then
    echo "$target fuzzer left findings in $findings" >&2
    exit 1
fi
if [[ ${MERGE:-0} == 1 ]]; then
    "$build/${target}_fuzzer" -merge=1 "$committed" "$corpus"
fi
echo "$target fuzzer: no findings in $seconds s"
