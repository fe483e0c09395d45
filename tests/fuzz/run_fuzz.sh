#!/usr/bin/env bash
# tests/fuzz/run_fuzz.sh <fuzz build dir> [seconds per target]
#
# Replays every kept crash reproducer (tests/fuzz/repro/<target>/*.hex, turned into files by the
# build), then runs each fuzz target for the given time (default 20 s) from the generated seeds
# and the corpus of earlier runs. What it keeps stays under <dir>/fuzz-run/: corpus/, crashes/
# (the inputs that failed) and logs/; the targets' scratch folders are removed at the end.
# Exits non-zero when a reproducer or a target fails. FUZZ_JOBS (default 2) targets run at a
# time.
#
# The build it expects:
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DQUELBO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
#   cmake --build build-fuzz -j2 --target quelbo_fuzz
# A run of hours (here 2 h per target, two at a time: 6 h for the six), keeping its corpus:
#   FUZZ_JOBS=2 tests/fuzz/run_fuzz.sh build-fuzz 7200
# To look at one failure again:
#   build-fuzz/tests/fuzz/fuzz_<target> <absolute path of the file in fuzz-run/crashes/>
# A crash worth keeping becomes a hex dump under tests/fuzz/repro/<target>/ (see the ones there).
set -uo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 <fuzz build dir> [seconds per target]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
bin=$build/tests/fuzz
seconds=${2:-20}
jobs=${FUZZ_JOBS:-2}
run=$build/fuzz-run


targets=(settings scores saves module wav pictures)
declare -A max_len=([settings]=256 [scores]=1024 [saves]=1024 [module]=262144 [wav]=1048576
                    [pictures]=1048576)

for t in "${targets[@]}"; do
    if [ ! -x "$bin/fuzz_$t" ] || [ ! -d "$bin/seeds/$t" ]; then
        echo "fuzz: $bin/fuzz_$t or its seeds missing; build the target quelbo_fuzz first" >&2
        exit 2
    fi
done

rm -rf "$run/crashes" "$run/logs"
mkdir -p "$run/crashes" "$run/logs"
# The targets' private folders (each target writes its input file and saves data files on every
# run) go into memory where there is a /dev/shm: on disk the settings and scores targets spend
# their time in fsync, about 160 runs a second against 12000. Removed on every way out.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    work=$(mktemp -d /dev/shm/quelbo-fuzz-XXXXXX)
else
    work=$(mktemp -d "$run/tmp-XXXXXX")
fi
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=dummy
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=0
passed=0

# The reproducers: each one a single run that must pass.
for t in "${targets[@]}"; do
    dir=$bin/repro/$t
    [ -d "$dir" ] || continue
    files=("$dir"/*)
    [ -e "${files[0]}" ] || continue
    log=$run/logs/repro_$t.log
    if "$bin/fuzz_$t" -rss_limit_mb=2048 -timeout=20 "${files[@]}" >"$log" 2>&1; then
        echo "fuzz: reproducers of $t: ${#files[@]} replayed, all pass"
        passed=$((passed + 1))
    else
        echo "fuzz: reproducers of $t FAIL (log: $log)"
        grep -E "^(==[0-9]+==ERROR|SUMMARY|fuzz expectation)" "$log" | head -5
        failed=$((failed + 1))
    fi
done

# One fuzzing session; its result is read from its log afterwards.
fuzz_one() {
    local t=$1
    mkdir -p "$run/corpus/$t"
    "$bin/fuzz_$t" "$run/corpus/$t" "$bin/seeds/$t" \
        -max_total_time="$seconds" -max_len="${max_len[$t]}" -rss_limit_mb=2048 -timeout=20 \
        -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$run/crashes/$t-" \
        >"$run/logs/$t.log" 2>&1
    echo $? >"$run/logs/$t.rc"
}

running=0
for t in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
    fuzz_one "$t" &
    running=$((running + 1))
done
wait

for t in "${targets[@]}"; do
    log=$run/logs/$t.log
    rc=$(cat "$run/logs/$t.rc" 2>/dev/null || echo 1)
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
    cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -1)
    if [ "$rc" = 0 ]; then
        echo "fuzz: $t: ${execs:-?} runs in ${seconds} s, ${cov:-no coverage line}, peak ${rss:-?} MB"
        passed=$((passed + 1))
    else
        echo "fuzz: $t FAILED after ${execs:-?} runs (exit $rc; log: $log)"
        grep -E "^(==[0-9]+==ERROR|SUMMARY|fuzz expectation|artifact_prefix)|Test unit written" \
            "$log" | head -6
        failed=$((failed + 1))
    fi
done

echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
