#!/usr/bin/env bash
# Builds the PNG fuzzer with clang in <build-dir>, starts a fresh corpus from
# the committed seeds and fuzzes for <seconds>. Exits non-zero on any finding.
set -euo pipefail

if [[ $# -ne 2 ]]; then
    echo "usage: $0 <build-dir> <seconds>" >&2
    exit 2
fi
build_dir=$1
seconds=$2
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCELFORGE_FUZZ=ON -DCELFORGE_TESTS=OFF \
    -DCELFORGE_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j2 --target png_fuzzer

corpus=$build_dir/png_corpus
findings=$build_dir/png_findings
rm -rf "$corpus" "$findings"
mkdir -p "$corpus" "$findings"
cp "$source_dir"/tests/fuzz/png_corpus/* "$corpus"/

# Pictures up to the size limit are legal, so one input may take a while.
"$build_dir/png_fuzzer" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=1024 \
    -artifact_prefix="$findings/" -print_final_stats=1 "$corpus"

if compgen -G "$findings/*" >/dev/null; then
    echo "png fuzzer left findings in $findings" >&2
    exit 1
fi
echo "png fuzzer: no findings in $seconds s"
