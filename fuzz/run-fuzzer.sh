#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build-fuzz/ and shares SECONDS
# (default 60) among them, each starting from its seed corpus. Exits non-zero when a fuzzer
# finds a crash; the input that caused it is left in build-fuzz/artifacts/ and belongs, once
# fixed, among the regression tests of the code it broke.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"

# target and its seed corpus
targets=(
    "workbook_reader_fuzzer $root/fuzz/corpus"
    "workbook_render_fuzzer $root/fuzz/corpus"
    "row_edit_fuzzer $root/fuzz/corpus"
    "csv_import_fuzzer $root/fuzz/csv_corpus"
    "picture_facts_fuzzer $root/fuzz/picture_corpus"
    "claim_kit_reader_fuzzer $root/fuzz/claim_kit_corpus"
)
share=$((seconds / ${#targets[@]}))

CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" -j "$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
for entry in "${targets[@]}"; do
    read -r target seeds <<<"$entry"
    mkdir -p "$build/corpus/$target" "$build/artifacts"
    "$build/$target" "$build/corpus/$target" "$seeds" \
        -max_total_time="$share" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 \
        2>"$build/$target.log" || {
        status=$?
        tail -n 60 "$build/$target.log" >&2
        echo "$target found a problem; the input is in $build/artifacts/" >&2
        exit "$status"
    }
    echo "$target:"
    grep -E "^stat::number_of_executed_units|^stat::new_units_added" "$build/$target.log" || true
done
