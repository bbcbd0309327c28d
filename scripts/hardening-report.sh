#!/usr/bin/env bash
# Prints the hardening report from the latest results in the build tree:
# executions per fuzz target and what they covered (build/fuzz), faults
# injected and survived, hostile calls made, and what the process held
# before and after (build/windows/hardening, build/native/hardening).
#
#   scripts/hardening-report.sh          the report of the results there are
#   scripts/hardening-report.sh --run    first the bounded runs: scripts/fuzz.sh,
#                                        then the Windows suites that write
#                                        results (ctest -R "hardening_|caxbase_tests")
#
# Long runs (scripts/fuzz.sh --seconds N, scripts/hostile.sh) add to what it
# reports. Exits non-zero when a result says a case failed or something was
# left behind, or when there are no results at all.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fuzz="$root/build/fuzz"
results="$root/build/windows/hardening"
native="$root/build/native/hardening"

if [ "${1:-}" = --run ]; then
    "$root/scripts/fuzz.sh" >/dev/null || echo "hardening-report: the fuzz run failed" >&2
    "$root/scripts/build.sh" windows >/dev/null || exit 1
    (cd "$root/build/windows" && ctest -R "hardening_|caxbase_tests" -j 2 >/dev/null) ||
        echo "hardening-report: a hardening suite failed" >&2
elif [ $# -gt 0 ]; then
    sed -n '2,/^set -uo/p' "$0" | sed '$d'
    exit 2
fi

status=0
found=0
when() { date -u -r "$1" +%Y-%m-%dT%H:%MZ; }

echo "HXDigIO hardening report"
echo "========================"

# ---- fuzzing ---------------------------------------------------------------
echo
echo "Fuzzing: libFuzzer targets of the base library (ASan and UBSan on)"
if [ -s "$fuzz/summary.tsv" ]; then
    found=1
    echo "  latest run: $(when "$fuzz/summary.tsv") ($fuzz/summary.tsv)"
    awk -F'\t' '
        NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next }
        {
            printf "  %-22s %-5s %4ss %10s runs %8s/s  edges %5s/%-5s  library edges %4s/%-4s  functions %3s/%-3s  corpus %4s  crashes %s  %s\n",
                $col["target"], $col["mode"], $col["seconds"], $col["runs"], $col["exec_per_sec"],
                $col["cov"], $col["edges"], $col["lib_cov"], $col["lib_edges"], $col["lib_funcs"],
                $col["lib_all_funcs"], $col["corpus_units"], $col["crashes"], $col["status"]
            runs += $col["runs"]; crashes += $col["crashes"]; targets++
            if ($col["status"] != "ok") bad++
        }
        END {
            printf "  %d targets, %d executions, %d crashes, %d targets failed\n", targets, runs, crashes, bad
            exit bad > 0 || crashes > 0
        }' "$fuzz/summary.tsv" || status=1
    if ls "$fuzz"/coverage/*.tsv >/dev/null 2>&1; then
        # A function counts as reached when any target's corpus covers an edge of it.
        awk -F'\t' 'FNR > 1 { key = $1 "\t" $2; all[key] = 1; if ($4 > 0) reached[key] = 1 }
            END { n = 0; r = 0; for (k in all) n++; for (k in reached) r++
                  printf "  library functions reached by some target: %d of %d instrumented\n", r, n }' \
            "$fuzz"/coverage/*.tsv
        echo "  per target, the base library's sources it reaches most (covered edges):"
        for file in "$fuzz"/coverage/*.tsv; do
            target=$(basename "$file" .tsv)
            top=$(awk -F'\t' 'FNR > 1 && $4 > 0 { split($2, p, ":"); edges[p[1]] += $4 }
                END { for (f in edges) printf "%d %s\n", edges[f], f }' "$file" |
                sort -rn | head -n 3 | awk '{ sub(/^caxbase\/src\//, "", $2); printf "%s%s %d", sep, $2, $1; sep = ", " }')
            printf "    %-22s %s\n" "$target" "$top"
        done
    fi
    if [ -s "$fuzz/history.tsv" ]; then
        awk -F'\t' 'NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next }
            { runs += $col["runs"]; rows++; if ($col["mode"] == "long") { long++; longRuns += $col["runs"] } }
            END { printf "  all recorded runs (build/fuzz/history.tsv): %d target runs, %d executions; %d long target runs with %d executions\n",
                  rows, runs, long, longRuns }' "$fuzz/history.tsv"
    fi
else
    echo "  no results: run scripts/fuzz.sh (or this command with --run)"
    status=1
fi

# ---- fault injection ---------------------------------------------------------
echo
echo "Fault injection (Wine)"
injected=0
if [ -s "$results/toolkit-faults.tsv" ]; then
    found=1
    echo "  Toolkit operations failed through the simulator under the control, its workers and page"
    echo "  (latest run: $(when "$results/toolkit-faults.tsv")):"
    awk -F'\t' '
        BEGIN {
            name[85] = "ImageHandleValid"; name[104] = "AddImageRef"; name[105] = "ReleaseImageRef"
            name[700] = "SupportsBasicDigIO"; name[701] = "QueryInputCount"; name[702] = "QueryOutputCount"
            name[703] = "ReadInputLine"; name[704] = "ReadInputGroup"; name[705] = "ReadOutputLine"
            name[706] = "ReadOutputGroup"; name[707] = "WriteOutputLine"; name[708] = "WriteOutputGroup"
            name[5] = "CreateStopwatch"; name[6] = "DestroyStopwatch"; name[8] = "RestartStopwatch"
            name[9] = "StopwatchElapsed"; name[12] = "OpenToolkitKey"
        }
        NR == 1 || $1 == "total" { next }
        {
            n = split($2, ops, ","); size[n]++; cases++; passed += $3; calls += $4
            if ($1 ~ /ContinueTrue/) keep++
            for (i = 1; i <= n; i++) { inCases[ops[i]]++; if ($3 == 1) survived[ops[i]]++ }
        }
        END {
            printf "    %d fault sets run (%d single, %d pairs, %d triples; %d of them with handlers setting Continue TRUE)\n",
                cases, size[1], size[2], size[3], keep
            printf "    %d passed, %d failed; %d calls answered with an injected failure\n", passed, cases - passed, calls
            line = ""
            for (op in inCases) list[++m] = op
            for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++) if (list[j] + 0 < list[i] + 0) { t = list[i]; list[i] = list[j]; list[j] = t }
            for (i = 1; i <= m; i++) {
                op = list[i]
                printf "      %-4s %-19s in %3d sets, survived in %3d\n", op, name[op], inCases[op], survived[op]
            }
            print calls > "/dev/stderr"
            exit passed != cases
        }' "$results/toolkit-faults.tsv" 2>"$results/.calls" || status=1
    injected=$((injected + $(cat "$results/.calls" 2>/dev/null || echo 0)))
    rm -f "$results/.calls"
else
    echo "  no toolkit fault results: ctest -R hardening_toolkit_fault_tests in build/windows"
    status=1
fi
runtime_files=()
for file in "$results/runtime-faults.tsv" "$results/string-faults.tsv" "$native/string-faults.tsv"; do
    [ -s "$file" ] && runtime_files+=("$file")
done
if [ ${#runtime_files[@]} -gt 0 ]; then
    found=1
    echo "  Win32 and memory failures in the base runtime and the string class:"
    for file in "${runtime_files[@]}"; do
        case "$file" in
        "$native"/*) build=native ;;
        *) build=wine ;;
        esac
        awk -F'\t' -v build="$build" 'NR > 1 {
                printf "    %-6s %-34s %-28s %7d injected  %s\n", build, $1, $2, $3, ($4 == 1 ? "survived" : "FAILED")
                total += $3; if ($4 != 1) bad++
            }
            END { print total > "/dev/stderr"; exit bad > 0 }' "$file" 2>"$results/.calls" || status=1
        injected=$((injected + $(cat "$results/.calls" 2>/dev/null || echo 0)))
        rm -f "$results/.calls"
    done
else
    echo "  no runtime fault results: ctest -R \"hardening_runtime|caxbase_tests\""
    status=1
fi
echo "  faults injected in all: $injected"

# ---- hostile containers ------------------------------------------------------
echo
echo "Hostile containers: seeded calls of the automation and persistence interfaces"
hostile=()
for file in "$results"/hostile-short-*.tsv "$results"/hostile-long-*.tsv; do
    [ -s "$file" ] && hostile+=("$file")
done
if [ ${#hostile[@]} -gt 0 ]; then
    found=1
    total=0
    for file in "${hostile[@]}"; do
        line=$(awk -F'\t' '
            $1 == "run" { run[$2] = $3 }
            $1 == "resource" { before[$2] = $3; after[$2] = $4 }
            $1 == "end" { end[$2] = $3 }
            END {
                printf "%s %s %s %s %s %s %s %s %s %s %s %s %s %s %s %s %s %s\n",
                    run["host"], run["firing"] == "" ? "hand-off" : run["firing"], run["seed"], run["calls"],
                    run["seconds"], run["controls"], run["workers"], run["faults_toggled"], run["leak_checks"],
                    run["violations"], before["threads"], after["threads"], before["handles_open"],
                    after["handles_open"], before["windows"], after["windows"], end["live_images"],
                    end["stopwatches_left"]
            }' "$file")
        read -r host firing seed calls seconds controls workers faults checks violations \
            tb ta hb ha wb wa images stopwatches <<<"$line"
        printf "  %-32s %-4s %-8s seed %-10s %7s calls in %5.1f s, %4s controls, %5s workers, %4s device faults, %4s leak checks, %s violations\n" \
            "$(basename "$file" .tsv)" "$host" "$firing" "$seed" "$calls" "$seconds" "$controls" "$workers" \
            "$faults" "$checks" "$violations"
        total=$((total + calls))
        [ "$violations" = 0 ] || status=1
    done
    echo "  hostile calls in all: $total"
    # The answers, summed over the runs, most frequent first.
    awk -F'\t' '
        $1 == "action" || $1 == "invoke" || $1 == "other" || $1 == "event" { count[$1, $2] += $3; seen[$1, $2] = 1 }
        function show(section, title,   key, parts, names, n, i, j, t, line, item) {
            n = 0
            for (key in seen) { split(key, parts, SUBSEP); if (parts[1] == section) names[++n] = parts[2] }
            for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++)
                if (count[section, names[j]] > count[section, names[i]]) { t = names[i]; names[i] = names[j]; names[j] = t }
            line = "  " title ":"
            for (i = 1; i <= n; i++) {
                item = " " names[i] " " count[section, names[i]] (i < n ? "," : "")
                if (length(line) + length(item) > 150) { print line; line = "     " }
                line = line item
            }
            print line
        }
        END {
            show("action", "actions")
            show("invoke", "Invoke answered")
            show("other", "persistence, names and type information answered")
            show("event", "events fired")
        }' "${hostile[@]}"
else
    echo "  no results: ctest -R hardening_hostile_tests, or scripts/hostile.sh"
    status=1
fi

# ---- nothing lost --------------------------------------------------------------
echo
echo "Nothing lost: the process before and after (threads, open handles, windows, heap blocks)"
show_resources() { # label, a file of "resource<TAB>before<TAB>after" rows under a header
    awk -F'\t' -v label="$1" '
        NR > 1 { before[$1] = $2; after[$1] = $3 }
        END {
            printf "  %-32s threads %s -> %s, handles %s -> %s, windows %s -> %s, heap blocks %s -> %s",
                label, before["threads"], after["threads"], before["handles_open"], after["handles_open"],
                before["windows"], after["windows"], before["heap_blocks"], after["heap_blocks"]
            if ("live_images" in after) printf ", live images at the end %s", after["live_images"]
            printf "\n"
            exit after["threads"] > before["threads"] || after["windows"] > before["windows"] ||
                 after["live_images"] > 0
        }' "$2"
}
if [ -s "$results/toolkit-faults-resources.tsv" ]; then
    # Each case loads and frees the module; a case is measured from its
    # set-up to its tear-down, once the first has made what the process keeps.
    awk -F'\t' 'NR > 1 { before[$1] = $2; after[$1] = $3 }
        END {
            printf "  %-32s left by any one case after the first: handles %s, windows %s; live images at the end %s\n",
                "toolkit fault sweep", after["handles_left_by_a_case"], after["windows_left_by_a_case"], after["live_images"]
            printf "  %-32s whole run: threads %s -> %s, handles %s -> %s, windows %s -> %s, heap blocks %s -> %s\n",
                "", before["threads"], after["threads"], before["handles_open"], after["handles_open"],
                before["windows"], after["windows"], before["heap_blocks"], after["heap_blocks"]
            exit after["handles_left_by_a_case"] != 0 || after["windows_left_by_a_case"] > 0 || after["live_images"] != 0
        }' "$results/toolkit-faults-resources.tsv" || status=1
fi
if [ -s "$results/module-unload.tsv" ]; then
    # Whole container sessions, each ending with the module unloaded.
    awk -F'\t' 'NR > 1 { before[$1] = $2; after[$1] = $3 }
        END {
            printf "  %-32s %s sessions (load, form, image, workers, unload): threads %s -> %s, handles %s -> %s, windows %s -> %s, heap bytes %s -> %s\n",
                "module unloaded and loaded again", after["sessions"], before["threads"], after["threads"], before["handles_open"],
                after["handles_open"], before["windows"], after["windows"], before["heap_bytes"], after["heap_bytes"]
            exit after["threads"] != before["threads"] || after["handles_open"] > before["handles_open"] + 1 ||
                 after["heap_bytes"] - before["heap_bytes"] > 262144
        }' "$results/module-unload.tsv" || status=1
else
    echo "  no module unload results: ctest -R hardening_module_unload_tests in build/windows"
    status=1
fi
for file in "${hostile[@]}"; do
    awk -F'\t' '$1 == "resource" { print $2 "\t" $3 "\t" $4 } $1 == "end" && $2 == "live_images" { print "live_images\t0\t" $3 }' \
        "$file" | { echo "resource	before	after"; cat; } >"$results/.resources"
    show_resources "$(basename "$file" .tsv)" "$results/.resources" || status=1
    awk -F'\t' '$1 == "end" && $3 != 0 { bad = 1 } END { exit bad }' "$file" || status=1
done
rm -f "$results/.resources"
echo "  (every case and run also checks: no reference left on the control, its sink or any object passed"
echo "   in; image references back to the test's own; no worker thread left; the module free to unload."
echo "   Heap blocks a hostile run ends with: its own tallies and the simulator's record of the writes to"
echo "   its images' lines, kept up to 1024 writes a line while the images live.)"

echo
if [ $found -eq 0 ]; then
    echo "hardening-report: no results yet; run it with --run" >&2
    exit 1
fi
[ $status -eq 0 ] && echo "hardening-report: nothing failed and nothing was left behind" ||
    echo "hardening-report: SOMETHING FAILED OR WAS LEFT BEHIND (see above)"
exit $status
