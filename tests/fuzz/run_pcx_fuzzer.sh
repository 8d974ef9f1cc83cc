#!/usr/bin/env bash
# Builds the PCX fuzzer with clang in <build-dir>, seeds a fresh corpus with
# generated files and fuzzes for <seconds>. Exits non-zero on any finding.
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
cmake --build "$build_dir" -j2 --target pcx_fuzzer make_pcx_seeds

corpus=$build_dir/pcx_corpus
findings=$build_dir/pcx_findings
rm -rf "$corpus" "$findings"
mkdir -p "$corpus" "$findings"
"$build_dir/make_pcx_seeds" "$corpus"

"$build_dir/pcx_fuzzer" -max_total_time="$seconds" -artifact_prefix="$findings/" \
    -print_final_stats=1 "$corpus"

if compgen -G "$findings/*" >/dev/null; then
    echo "pcx fuzzer left findings in $findings" >&2
    exit 1
fi
echo "pcx fuzzer: no findings in $seconds s"
