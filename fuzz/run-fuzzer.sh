#!/usr/bin/env bash
# Builds the workbook reader's libFuzzer target with clang (ASan + UBSan) in build-fuzz/ and
# runs it for SECONDS (default 60) from the seed corpus in fuzz/corpus. Exits non-zero when the
# fuzzer finds a crash; the input that caused it is left in build-fuzz/artifacts/ and belongs,
# once fixed, in tests/spreadsheet/biff/regressions/.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"

CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" --target workbook_reader_fuzzer -j "$(nproc)"

mkdir -p "$build/corpus" "$build/artifacts"
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp:print_suppressions=0"
"$build/workbook_reader_fuzzer" "$build/corpus" "$root/fuzz/corpus" \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$build/artifacts/" -print_final_stats=1 2>"$build/fuzz.log" || {
    status=$?
    tail -n 60 "$build/fuzz.log" >&2
    echo "fuzzer found a problem; the input is in $build/artifacts/" >&2
    exit "$status"
}
grep -E "^stat::number_of_executed_units|^stat::new_units_added" "$build/fuzz.log" || true
