#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz": clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs every target for SECONDS_PER_TARGET seconds, two at a time. A crash, a hang (10 s), or an
# allocation beyond 2 GB fails the run; its input is left in build/fuzz/findings. The corpus found so
# far stays in build/fuzz/corpus and seeds the next run.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET ...]   (default 60 seconds, every target)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
jobs="${KAVEN_FUZZ_JOBS:-2}"
build=build/fuzz

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -- -j"$(nproc)" >/dev/null
fuzz/seeds.sh "$build"

if [ "$#" -gt 0 ]; then
    targets=("$@")
else
    targets=($(sed -n 's/^kaven_fuzzer(\(fuzz_[a-z_]*\).*/\1/p' fuzz/CMakeLists.txt))
fi

# Longest input per target: hives and their logs are large, a line-based file needs less.
max_len() {
    case "$1" in
    fuzz_hive) echo 524288 ;;
    fuzz_hivelog) echo 1048576 ;;
    fuzz_regfile_import | fuzz_compare | fuzz_markup) echo 16384 ;;
    *) echo 65536 ;;
    esac
}

mkdir -p "$build/findings" "$build/logs"
run_target() {
    local name="$1"
    local corpus="$build/corpus/$name" seeds="$build/seeds/$name"
    mkdir -p "$corpus" "$seeds"
    local args=(-max_total_time="$seconds" -max_len="$(max_len "$name")" -rss_limit_mb=2048 -timeout=10
                -print_final_stats=1 -artifact_prefix="$build/findings/$name-")
    [ -f "fuzz/dict/$name.dict" ] && args+=(-dict="fuzz/dict/$name.dict")
    if ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=fuzz/lsan.supp UBSAN_OPTIONS=print_stacktrace=1 \
        "$build/fuzz/$name" "${args[@]}" "$corpus" "$seeds" >"$build/logs/$name.log" 2>&1; then
        status=ok
    else
        status=FEHLER
    fi
    local execs cov
    execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/logs/$name.log")"
    cov="$(grep -E '^#[0-9]+' "$build/logs/$name.log" | grep -o 'cov: [0-9]* ft: [0-9]*' | tail -1)"
    printf '%-22s %-7s %10s Läufe  %s\n' "$name" "$status" "${execs:-?}" "${cov:-?}"
    [ "$status" = ok ]
}

failed=0
running=0
for name in "${targets[@]}"; do
    run_target "$name" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || failed=1
        running=$((running - 1))
    fi
done
while [ "$running" -gt 0 ]; do
    wait -n || failed=1
    running=$((running - 1))
done
if [ "$failed" -ne 0 ]; then
    echo "Fuzzing hat Fehler gefunden; Eingaben in $build/findings, Protokolle in $build/logs:" >&2
    ls "$build/findings" >&2
    exit 1
fi
