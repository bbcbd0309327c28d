#!/usr/bin/env bash
# Fuzzes the platform-neutral base library with libFuzzer. Builds the targets
# of tests/fuzz with clang in build/fuzz, replays every committed input
# (tests/fuzz/corpus/<target>/: seeds and inputs kept from fixed bugs), then
# fuzzes each target for a while.
#
#   fuzz.sh                  the test run: 3 s per target with a fixed seed,
#                            starting from the committed inputs only
#   fuzz.sh --seconds N      a long run: N s per target, a random seed, and
#                            the working corpus kept in build/fuzz/corpus/<target>
#   fuzz.sh --replay-only    only replays the committed inputs
#   --target NAME            only this target (may be repeated)
#   --seed N                 libFuzzer's seed (default: 1 for the test run,
#                            random for a long run)
#   --jobs N                 targets run side by side (default: HX_JOBS or 2)
#   -- OPTIONS...            further libFuzzer options for the fuzzing runs
#                            (e.g. -- -use_value_profile=1)
#
# Every run writes build/fuzz/summary.tsv, one row per target (executions,
# coverage, corpus, crashes; the header names the columns), and appends the
# same rows to build/fuzz/history.tsv; build/fuzz/coverage/<target>.tsv lists
# the base library's functions with the edges the target's corpus reaches.
# Logs are in build/fuzz/logs/<target>.log, inputs that failed in
# build/fuzz/artifacts/<target>/. Exits non-zero on any crash, sanitizer
# report, leak, timeout or model mismatch.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
committed="$root/tests/fuzz/corpus"

seconds=3
mode=test
seed=
jobs=${HX_JOBS:-2}
replay_only=0
targets=()
extra=()
while [ $# -gt 0 ]; do
    case "$1" in
    --seconds) seconds=${2:?}; mode=long; shift 2 ;;
    --seed) seed=${2:?}; shift 2 ;;
    --target) targets+=("${2:?}"); shift 2 ;;
    --jobs) jobs=${2:?}; shift 2 ;;
    --replay-only) replay_only=1; shift ;;
    --) shift; extra=("$@"); break ;;
    -h|--help) sed -n '2,/^set -uo/p' "$0" | sed '$d'; exit 0 ;;
    *) echo "fuzz.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
[ "$replay_only" = 1 ] && mode=replay
if [ -z "$seed" ]; then
    if [ "$mode" = long ]; then seed=0; else seed=1; fi # 0: libFuzzer picks one
fi

# A clang with libFuzzer: the plain name first, else the newest versioned one.
find_tool() {
    command -v "$1" 2>/dev/null && return
    ls /usr/bin/"$1"-[0-9]* 2>/dev/null | sort -V | tail -n 1
}
cc=${HX_FUZZ_CC:-$(find_tool clang)}
cxx=${HX_FUZZ_CXX:-$(find_tool clang++)}
if [ -z "$cc" ] || [ -z "$cxx" ]; then
    echo "fuzz.sh: no clang found (scripts/bootstrap.sh installs it)" >&2
    exit 1
fi
symbolizer=$(find_tool llvm-symbolizer)
[ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"
export UBSAN_OPTIONS=print_stacktrace=1

if [ ! -f "$build/CMakeCache.txt" ]; then
    CC="$cc" CXX="$cxx" cmake -S "$root" -B "$build" -DHX_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS=-O1 -DCMAKE_C_FLAGS=-O1 >/dev/null || exit 1
fi
cmake --build "$build" --target fuzz_targets -j "$jobs" >"$build/build.log" 2>&1 || {
    cat "$build/build.log" >&2
    echo "fuzz.sh: build failed" >&2
    exit 1
}
[ ${#targets[@]} -gt 0 ] || mapfile -t targets <"$build/fuzz-targets.txt"

mkdir -p "$build/logs" "$build/coverage"
columns="date	target	mode	seconds	seed	replayed	runs	exec_per_sec	cov	ft	edges	lib_cov	lib_edges	lib_funcs	lib_all_funcs	corpus_units	corpus_bytes	new_units	crashes	status"
printf '%s\n' "$columns" >"$build/summary.tsv"
[ -f "$build/history.tsv" ] || printf '%s\n' "$columns" >"$build/history.tsv"

# Reads a libFuzzer log; prints the seed, runs, exec/s, cov, ft, edges, corpus
# units, corpus bytes and new units, tab-separated (0 where the log has nothing).
read_log() {
    awk '
        /^INFO: Seed: / { seed = $3 }
        /^INFO: Loaded [0-9]+ modules/ { gsub(/[()]/, ""); edges = $5 }
        / cov: / {
            for (i = 1; i <= NF; i++) {
                if ($i == "cov:") cov = $(i + 1)
                if ($i == "ft:") ft = $(i + 1)
                if ($i == "corp:") {
                    split($(i + 1), c, "/"); units = c[1]; size = c[2]
                    factor = 1
                    if (size ~ /Kb$/) factor = 1024
                    if (size ~ /Mb$/) factor = 1048576
                    sub(/[KM]?b$/, "", size); bytes = size * factor
                }
            }
        }
        /^stat::number_of_executed_units:/ { runs = $2 }
        /^stat::average_exec_per_sec:/ { speed = $2 }
        /^stat::new_units_added:/ { added = $2 }
        # Fields are kept as the log wrote them: awk would clamp large numbers in %d.
        function n(x) { return x == "" ? 0 : x }
        END {
            printf "%s\t%s\t%s\t%s\t%s\t%s\t%s\t%.0f\t%s\n", n(seed), n(runs), n(speed), n(cov), n(ft),
                n(edges), n(units), bytes, n(added)
        }
    ' "$1"
}

# From libFuzzer's -print_coverage report, the functions of the base library:
# function, source location, hits, covered edges, edges (tab-separated).
library_coverage() {
    awk '
        /^(UN)?COVERED_FUNC: / {
            location = $NF
            if (location !~ /\/caxbase\//) next
            sub(/.*\/caxbase\//, "caxbase/", location)
            split($5, edges, "/")
            name = $6
            for (i = 7; i < NF; i++) name = name " " $i
            printf "%s\t%s\t%d\t%d\t%d\n", name, location, $3, edges[1], edges[2]
        }
    ' "$1"
}

count_artifacts() {
    find "$1" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) 2>/dev/null | wc -l
}

# Replays the committed inputs of one target, then fuzzes it; leaves its
# summary row, its line for the console and, on failure, its report in rows/.
run_target() {
    local target=$1
    local bin="$build/bin/$target"
    local log="$build/logs/$target.log"
    local artifacts="$build/artifacts/$target"
    local out="$build/rows/$target"
    mkdir -p "$artifacts"
    local before
    before=$(count_artifacts "$artifacts")
    local options=(-timeout=10 -rss_limit_mb=2048 -max_len=4096 "-artifact_prefix=$artifacts/")
    local status=ok
    local work="$build/work/$target"

    local inputs=()
    [ -d "$committed/$target" ] && mapfile -t inputs < <(find "$committed/$target" -type f | sort)
    : >"$log"
    if [ ${#inputs[@]} -gt 0 ]; then
        "$bin" "${options[@]}" "${inputs[@]}" >>"$log" 2>&1 || status="FAIL(replay)"
    fi

    if [ "$mode" != replay ] && [ "$status" = ok ]; then
        if [ "$mode" = long ]; then
            work="$build/corpus/$target"
        else
            rm -rf "$work"
        fi
        mkdir -p "$work" "$committed/$target"
        "$bin" "${options[@]}" -max_total_time="$seconds" -seed="$seed" -print_final_stats=1 \
            "${extra[@]}" "$work" "$committed/$target" >>"$log" 2>&1
        local rc=$?
        [ $rc -eq 0 ] || status="FAIL($rc)"
    fi

    # What the corpus reaches in the library, function by function.
    local coverage="$build/coverage/$target.tsv"
    printf 'function\tlocation\thits\tedges_covered\tedges\n' >"$coverage"
    if [ "$status" = ok ]; then
        local corpora=("$committed/$target")
        [ "$mode" != replay ] && corpora=("$work" "$committed/$target")
        "$bin" "${options[@]}" -runs=0 -print_coverage=1 "${corpora[@]}" >"$log.coverage" 2>&1 ||
            status="FAIL(coverage)"
        library_coverage "$log.coverage" >>"$coverage"
    fi
    local lib_cov lib_edges lib_funcs lib_all_funcs
    read -r lib_cov lib_edges lib_funcs lib_all_funcs < <(awk -F'\t' '
        NR > 1 { covered += $4; all += $5; functions++; if ($4 > 0) reached++ }
        END { printf "%d %d %d %d\n", covered, all, reached, functions }' "$coverage")

    local crashes=$(( $(count_artifacts "$artifacts") - before ))
    [ "$crashes" -gt 0 ] && [ "$status" = ok ] && status="FAIL(artifact)"
    local used_seed runs speed cov ft edges units bytes added
    IFS=$'\t' read -r used_seed runs speed cov ft edges units bytes added < <(read_log "$log")
    printf '%s\t' "$(date -u +%Y-%m-%dT%H:%M:%SZ)" "$target" "$mode" \
        "$([ "$mode" = replay ] && echo 0 || echo "$seconds")" "$used_seed" "${#inputs[@]}" "$runs" \
        "$speed" "$cov" "$ft" "$edges" "$lib_cov" "$lib_edges" "$lib_funcs" "$lib_all_funcs" \
        "$units" "$bytes" "$added" "$crashes" >"$out.tsv"
    printf '%s\n' "$status" >>"$out.tsv"
    printf 'fuzz: %-22s %s: %s inputs replayed, %s runs (%s/s), cov %s of %s edges (library %s of %s, %s of %s functions), ft %s, corpus %s, crashes %s\n' \
        "$target" "$status" "${#inputs[@]}" "$runs" "$speed" "$cov" "$edges" "$lib_cov" "$lib_edges" \
        "$lib_funcs" "$lib_all_funcs" "$ft" "$units" "$crashes" >"$out.line"
    : >"$out.report"
    if [ "$status" != ok ]; then
        {
            echo "fuzz: $target failed; the report (from $log):"
            grep -n -m1 -E 'ERROR: |fuzz check failed|runtime error|deadly signal' "$log"
            tail -n 40 "$log"
            ls -t "$artifacts" 2>/dev/null | head -n 3 | sed "s|^|fuzz: input kept as $artifacts/|"
        } >"$out.report"
    fi
}

# Up to --jobs targets at a time (each libFuzzer process uses one core).
rm -rf "$build/rows"
mkdir -p "$build/rows"
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
    run_target "$target" &
done
wait

status_all=0
for target in "${targets[@]}"; do
    row="$build/rows/$target"
    if [ ! -s "$row.tsv" ]; then
        echo "fuzz: $target left no result" >&2
        status_all=1
        continue
    fi
    cat "$row.tsv" >>"$build/summary.tsv"
    cat "$row.tsv" >>"$build/history.tsv"
    cat "$row.line"
    if [ -s "$row.report" ]; then
        cat "$row.report" >&2
        status_all=1
    fi
done

if [ "$mode" = long ]; then
    echo
    column -t -s $'\t' "$build/summary.tsv"
fi
echo "fuzz: summary in $build/summary.tsv"
exit $status_all
