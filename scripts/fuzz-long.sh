#!/usr/bin/env bash
# Long fuzz runs: any or all libFuzzer targets (tests/fuzz/<name>_fuzz.cpp) for a given time,
# each with a growing corpus of its own that is kept between runs, then a summary.
#
#   scripts/fuzz-long.sh [options] [TARGET...]     (TARGET: tag_reader, pending_renames, ...)
#     -t SECONDS   time per target (default 3600)
#     -j N         targets run side by side (default 1; the machine has 2 cores)
#     -b DIR       build folder (default build/fuzz-long, configured with the fuzz preset)
#     -o DIR       corpora, findings and logs (default DIR of -b, subfolder long-runs)
#     -n           no build: the targets in the build folder are used as they are
#     -l           list the targets and exit
#
# Every run is nice -n 19. Findings (crash-*, leak-*, timeout-*, oom-*) land in
# <out>/findings/<target>/; a run's log is <out>/logs/<target>.log. The exit code is 1 when a
# target found something or ended abnormally, 0 otherwise.
set -uo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

seconds=3600
jobs=1
build="build/fuzz-long"
out=""
do_build=1
list_only=0
usage() { sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
while getopts "t:j:b:o:nlh" opt; do
    case "$opt" in
        t) seconds="$OPTARG" ;;
        j) jobs="$OPTARG" ;;
        b) build="$OPTARG" ;;
        o) out="$OPTARG" ;;
        n) do_build=0 ;;
        l) list_only=1 ;;
        *) usage ;;
    esac
done
shift $((OPTIND - 1))
case "$seconds$jobs" in *[!0-9]*) echo "fuzz-long: -t and -j take whole numbers" >&2; exit 2 ;; esac
[ "$jobs" -ge 1 ] || jobs=1
out="${out:-$build/long-runs}"

all_targets=()
for source in tests/fuzz/*_fuzz.cpp; do
    name="$(basename "$source" _fuzz.cpp)"
    all_targets+=("$name")
done
if [ "$list_only" = 1 ]; then
    printf '%s\n' "${all_targets[@]}"
    exit 0
fi
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
for name in "${targets[@]}"; do
    if [ ! -f "tests/fuzz/${name}_fuzz.cpp" ]; then
        echo "fuzz-long: no target '$name' (have: ${all_targets[*]})" >&2
        exit 2
    fi
done

if [ "$do_build" = 1 ]; then
    cmake --preset fuzz -B "$build" >/dev/null || exit 1
    for name in "${targets[@]}"; do
        nice -n 19 cmake --build "$build" -j2 --target "${name}_fuzz" >/dev/null || {
            echo "fuzz-long: building ${name}_fuzz failed" >&2
            exit 1
        }
    done
fi
mkdir -p "$out/logs" || exit 1
out="$(cd "$out" && pwd)"

run_one() {
    local name="$1" binary="$build/${1}_fuzz"
    local corpus="$out/corpus/$name" findings="$out/findings/$name"
    mkdir -p "$corpus" "$findings"
    [ -x "$binary" ] || { echo "fuzz-long: $binary is not built" >&2; return 1; }
    # -timeout is wall-clock time: generous, since at nice 19 on a busy machine a unit of a few
    # milliseconds can wait seconds for the processor.
    ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" nice -n 19 "$binary" \
        -max_total_time="$seconds" -timeout=300 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "$root/tests/fuzz/corpus/$name" \
        >"$out/logs/$name.log" 2>&1
}

echo "fuzz-long: ${targets[*]} for $seconds s each, $jobs at a time; output in $out"
running=0
for name in "${targets[@]}"; do
    run_one "$name" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

status=0
printf '\n%-20s %12s %8s %8s  %s\n' target executions corpus findings end
for name in "${targets[@]}"; do
    log="$out/logs/$name.log"
    executed="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    corpus="$(find "$out/corpus/$name" -type f | wc -l)"
    findings="$(find "$out/findings/$name" -type f | wc -l)"
    if grep -q '^Done [0-9]* runs' "$log" && [ "$findings" -eq 0 ]; then
        end="finished"
    else
        end="$(grep -m1 -E '^SUMMARY|ERROR: libFuzzer' "$log" || echo "ended early")"
        status=1
    fi
    printf '%-20s %12s %8s %8s  %s\n' "$name" "${executed:-?}" "$corpus" "$findings" "$end"
done
exit $status
