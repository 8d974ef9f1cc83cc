#!/usr/bin/env bash
# Builds the PCX fuzzer with clang in <build-dir> and fuzzes for <seconds>,
# starting from the committed corpus (tests/fuzz/pcx_corpus) and freshly
# generated seeds, in a working copy under <build-dir>. Exits non-zero on any
# finding. With PCX_FUZZ_MERGE=1 (or --merge), inputs that reach new coverage
# are merged into the committed corpus afterwards; otherwise the tree is left
# as it was.
set -euo pipefail

merge=${PCX_FUZZ_MERGE:-0}
if [[ ${1:-} == --merge ]]; then
    merge=1
    shift
fi
if [[ $# -ne 2 ]]; then
    echo "usage: $0 [--merge] <build-dir> <seconds>" >&2
    exit 2
fi
build_dir=$1
seconds=$2
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
committed=$source_dir/tests/fuzz/pcx_corpus

CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCELFORGE_FUZZ=ON -DCELFORGE_TESTS=OFF \
    -DCELFORGE_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j2 --target pcx_fuzzer make_pcx_seeds

corpus=$build_dir/pcx_corpus
findings=$build_dir/pcx_findings
rm -rf "$corpus" "$findings"
mkdir -p "$corpus" "$findings"
cp "$committed"/* "$corpus"/
"$build_dir/make_pcx_seeds" "$corpus"

"$build_dir/pcx_fuzzer" -max_total_time="$seconds" -artifact_prefix="$findings/" \
    -print_final_stats=1 "$corpus"

if compgen -G "$findings/*" >/dev/null; then
    echo "pcx fuzzer left findings in $findings" >&2
    exit 1
fi
if [[ $merge == 1 ]]; then
    "$build_dir/pcx_fuzzer" -merge=1 "$committed" "$corpus"
    echo "pcx fuzzer: new coverage merged into $committed"
fi
echo "pcx fuzzer: no findings in $seconds s"
