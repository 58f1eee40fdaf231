#!/usr/bin/env bash
# Plants the faults of a list into the program's sources one at a time,
# rebuilds the sanitizer build, runs the whole suite and tells which tests
# failed on each fault, then a tally: how well the tests catch real faults.
# The sources are always put back, also after Ctrl-C; a run killed outright
# is mended at the start of the next one.
#
# Usage: tools/plant-faults.sh [options] [fault name...]
#   names            the faults to plant, in the order given (default: the
#                    whole list in its order)
#   -l FILE          the fault list (default tools/faults.txt; its head says
#                    how a fault is written)
#   -b DIR           the build folder (default build/faults): Debug with
#                    AddressSanitizer and UBSan, configured here when missing
#   -o FILE          results, one line per fault as it finishes, the tally
#                    at the end (default <build>/fault-tally.txt)
#   -r               resume: keep the faults already in the results file
#   -j N             build jobs and tests run at once (default 2)
#   -t SECONDS       each test's time limit (default 600): the test list's
#                    own limits are raised to it in this build folder only,
#                    as a loaded machine runs the random test past them
#   -E REGEX         leave out the tests whose name matches (ctest -E)
#   --quick          run the random test only when no other test failed
#                    (a fault's other catches are then not all listed)
#   --all-targets    build everything, benchmarks included (default: the
#                    test programs and the program only)
#   --no-baseline    skip the first run on the untouched sources
#   --check          only check that every old text is there exactly once
#   --list           print the faults' names and what each breaks
#   --tally FILE     print the tally of a results file
#   --compare A B    the faults whose catch differs between two results files
# Environment: VERTZ_SEED fixes the random test's run (default 1), so that
# two tallies differ only where the tests or the program do.
set -euo pipefail
shopt -u patsub_replacement 2>/dev/null || true
nl=$'\n'

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
list=tools/faults.txt
build=build/faults
results=
resume=0
jobs=2
timeout=600
exclude=
all_targets=0
baseline=1
quick=0
mode=run
names=()
seed=${VERTZ_SEED:-1}

die() {
    echo "plant-faults: $*" >&2
    exit 2
}

while [ $# -gt 0 ]; do
    case $1 in
    -l) list=$2; shift ;;
    -b) build=$2; shift ;;
    -o) results=$2; shift ;;
    -r) resume=1 ;;
    -j) jobs=$2; shift ;;
    -t) timeout=$2; shift ;;
    -E) exclude=$2; shift ;;
    --all-targets) all_targets=1 ;;
    --quick) quick=1 ;;
    --no-baseline) baseline=0 ;;
    --check) mode=check ;;
    --list) mode=list ;;
    --tally) mode=tally; results=$2; shift ;;
    --compare) mode=compare; cmp_a=$2; cmp_b=$3; shift 2 ;;
    -h | --help) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"; exit 0 ;;
    -*) die "unknown option $1 (see --help)" ;;
    *) names+=("$1") ;;
    esac
    shift
done
results=${results:-$build/fault-tally.txt}

# --- The tally of a results file -------------------------------------------
# A results line: name TAB verdict TAB tests TAB seconds TAB details, verdict
# being caught, MISSED or BUILD-FAILED; '#' starts a comment.
tally() {
    awk -F'\t' '
        /^#/ || NF < 2 { next }
        { n++; order[n] = $1; verdict[$1] = $2; tests[$1] = $3 }
        $2 == "caught" { caught++; k = split($3, t, " "); for (i = 1; i <= k; i++) { hits[t[i]]++ } if (k == 1) alone[t[1]]++ }
        $2 == "MISSED" { missed = missed "  " $1 "\n" }
        $2 == "BUILD-FAILED" { broken = broken "  " $1 "\n" }
        END {
            printf "caught %d of %d faults planted", caught, n
            if (broken != "") printf " (some did not build)"
            printf "\n"
            if (missed != "") printf "missed by every test:\n%s", missed
            if (broken != "") printf "did not build (mend the list):\n%s", broken
            printf "caught by one test only:\n"
            for (i = 1; i <= n; i++) if (verdict[order[i]] == "caught" && split(tests[order[i]], t, " ") == 1)
                printf "  %-44s %s\n", order[i], tests[order[i]]
            printf "per test: faults it fails on / of them alone\n"
            fflush()
            for (name in hits) printf "  %-18s %3d / %d\n", name, hits[name], alone[name] + 0 | "sort"
            close("sort")
        }' "$1"
}

if [ $mode = tally ]; then
    [ -f "$results" ] || die "no results file $results"
    tally "$results"
    exit 0
fi
if [ $mode = compare ]; then
    for f in "$cmp_a" "$cmp_b"; do [ -f "$f" ] || die "no results file $f"; done
    awk -F'\t' '
        /^#/ || NF < 2 { next }
        FNR == NR { a[$1] = $2 " " $3; next }
        { seen[$1] = 1; b = $2 " " $3
          if (!($1 in a)) printf "%-44s only in the second: %s\n", $1, b
          else if (a[$1] != b) printf "%-44s %s  ->  %s\n", $1, a[$1], b }
        END { for (k in a) if (!(k in seen)) printf "%-44s only in the first: %s\n", k, a[k] }
    ' "$cmp_a" "$cmp_b"
    exit 0
fi

# --- Reading the list --------------------------------------------------------
[ -f "$list" ] || die "no fault list $list"
fault_names=()
declare -A fault_text fault_edits
edit_fault=() edit_file=() edit_old=() edit_new=()
{
    state=top lineno=0 current= buf=
    while IFS= read -r line || [ -n "$line" ]; do
        lineno=$((lineno + 1))
        case $state in
        top | fault)
            case $line in
            '=== '*)
                current=${line#=== }
                current=${current%% *}
                [ -n "$current" ] || die "$list:$lineno: a fault without a name"
                [ -z "${fault_edits[$current]+x}" ] || die "$list:$lineno: $current is named twice"
                fault_names+=("$current")
                fault_edits[$current]=
                what=${line#=== "$current"}
                fault_text[$current]=${what# }
                state=fault ;;
            '<<< '*)
                [ $state = fault ] || die "$list:$lineno: an edit before the first fault"
                edit_file+=("${line#<<< }")
                buf= state=old ;;
            '' | '#'*) ;;
            *) [ $state = fault ] || die "$list:$lineno: text outside a fault"
               fault_text[$current]+=" $line" ;;
            esac ;;
        old)
            if [ "$line" = --- ]; then
                edit_old+=("${buf%$nl}")
                buf= state=new
            else
                buf+=$line$nl
            fi ;;
        new)
            if [ "$line" = '>>>' ]; then
                edit_new+=("${buf%$nl}")
                edit_fault+=("$current")
                fault_edits[$current]+=" $((${#edit_fault[@]} - 1))"
                state=fault
            else
                buf+=$line$nl
            fi ;;
        esac
    done
    [ $state = top ] || [ $state = fault ] || die "$list: the last edit is not closed"
} <"$list"

if [ $mode = list ]; then
    for f in "${fault_names[@]}"; do printf '%-44s %s\n' "$f" "${fault_text[$f]}"; done
    exit 0
fi

if [ ${#names[@]} -eq 0 ]; then
    names=("${fault_names[@]}")
else
    for f in "${names[@]}"; do
        [ -n "${fault_edits[$f]+x}" ] || die "no fault named $f in $list"
    done
fi

# --- Planting ---------------------------------------------------------------
# An old text is matched from the start of a line; it must be there exactly
# once, or the list has rotted and says so instead of planting nothing.
declare -A planted # file -> its text with the fault
plant_in_memory() {
    local f=$1 i file text old rest count
    planted=()
    [ -n "${fault_edits[$f]}" ] || { echo "$f: no edits" >&2; return 1; }
    for i in ${fault_edits[$f]}; do
        file=${edit_file[$i]}
        old=${edit_old[$i]}
        if [ -z "${planted[$file]+x}" ]; then
            [ -f "$file" ] || { echo "$f: no file $file" >&2; return 1; }
            text=$(cat "$file"; printf x)
            planted[$file]=$nl${text%x}
        fi
        text=${planted[$file]}
        [ -n "$old" ] || { echo "$f: an empty old text in $file" >&2; return 1; }
        [ "$old" != "${edit_new[$i]}" ] || { echo "$f: an edit that changes nothing in $file" >&2; return 1; }
        rest=${text//"$nl$old"/}
        count=$(((${#text} - ${#rest}) / (${#old} + 1)))
        if [ "$count" -ne 1 ]; then
            echo "$f: the old text is in $file $count times, not once:" >&2
            printf '%s\n' "$old" | sed 's/^/    /' >&2
            return 1
        fi
        planted[$file]=${text/"$nl$old"/"$nl${edit_new[$i]}"}
    done
}

rotten=0
for f in "${fault_names[@]}"; do
    plant_in_memory "$f" || rotten=$((rotten + 1))
done
[ $rotten -eq 0 ] || die "$rotten faults of $list no longer fit the sources"
if [ $mode = check ]; then
    echo "all ${#fault_names[@]} faults of $list fit the sources"
    exit 0
fi

# The untouched files of the fault in place, kept in the build folder so a
# killed run can be mended by the next.
saved=$build/fault-planted
put_back() {
    [ -d "$saved" ] || return 0
    (cd "$saved" && find . -type f) | while IFS= read -r file; do
        cat "$saved/$file" >"$root/${file#./}"
    done
    rm -rf "$saved"
}
mkdir -p "$build"
if [ -d "$saved" ]; then
    echo "putting back what a killed run left planted:" >&2
    (cd "$saved" && find . -type f) >&2
    put_back
fi
trap put_back EXIT
trap 'put_back; exit 130' INT TERM HUP

plant() {
    local file
    plant_in_memory "$1"
    mkdir -p "$saved"
    for file in "${!planted[@]}"; do
        mkdir -p "$saved/$(dirname "$file")"
        cp "$file" "$saved/$file"
    done
    # Written in place: ninja sees a newer file and rebuilds what uses it.
    for file in "${!planted[@]}"; do
        printf '%s' "${planted[$file]#$nl}" >"$file"
    done
}

# --- Building and testing ---------------------------------------------------
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVERTZ_SANITIZE=ON >/dev/null
fi
grep -q '^CMAKE_BUILD_TYPE:STRING=Debug$' "$build/CMakeCache.txt" \
    && grep -q '^VERTZ_SANITIZE:BOOL=ON$' "$build/CMakeCache.txt" \
    || die "$build is no Debug build with sanitizers"

targets=()
if [ $all_targets = 0 ]; then
    mapfile -t targets < <(cmake --build "$build" --target help | sed -n 's/^\(tst_[A-Za-z0-9_]*\|vertzmod\): .*/\1/p')
    [ ${#targets[@]} -gt 1 ] || die "no test programs among the targets of $build"
fi
rebuild() {
    if [ ${#targets[@]} -gt 0 ]; then
        cmake --build "$build" -j "$jobs" --target "${targets[@]}"
    else
        cmake --build "$build" -j "$jobs"
    fi
}

# Runs the suite as CI does; prints the failed tests, each with what failed
# in it: QtTest functions, a sanitizer's report, a timeout.
run_suite() {
    local log=$1
    find "$build" -name CTestTestfile.cmake -exec \
        sed -i -E "s/ TIMEOUT \"[0-9.]+\"/ TIMEOUT \"$timeout\"/g" {} +
    (
        cd "$build"
        export QT_QPA_PLATFORM=offscreen VERTZ_SEED="$seed"
        # QtTest's own watchdog ends a test function after 5 minutes.
        export QTEST_FUNCTION_TIMEOUT=$((timeout * 1000))
        export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
        export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
        export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
        # Not the checks of the source text (label sources): a planted fault
        # trips them by being there.
        if [ $quick = 0 ]; then
            ctest -j "$jobs" --timeout "$timeout" --output-on-failure -LE sources ${exclude:+-E "$exclude"}
        else
            ctest -j "$jobs" --timeout "$timeout" --output-on-failure -LE sources -E "tst_random${exclude:+|$exclude}" &&
                ctest --timeout "$timeout" --output-on-failure -R tst_random ${exclude:+-E "$exclude"}
        fi
    ) >"$log" 2>&1 || true
    grep -q 'tests passed\|tests failed' "$log" || { echo "ctest did not run: see $log" >&2; return 1; }
    awk '
        match($0, /Test +#[0-9]+: [^ ]+/) {
            name = substr($0, RSTART, RLENGTH); sub(/.*: /, "", name); current = name
            if ($0 ~ /\*\*\*Timeout/) how[name] = how[name] " timeout"
            if ($0 ~ /Failed|Exception|\*\*\*/) failed[name] = 1
            next
        }
        current != "" && /^FAIL!  : / {
            fn = $3; sub(/\(.*/, "", fn); sub(/^[A-Za-z0-9_]+::/, "", fn)
            if (index(how[current], " " fn) == 0) how[current] = how[current] " " fn
        }
        current != "" && /ERROR: (Address|Leak)Sanitizer/ && index(how[current], " asan") == 0 { how[current] = how[current] " asan" }
        current != "" && /runtime error:/ && index(how[current], " ubsan") == 0 { how[current] = how[current] " ubsan" }
        current != "" && /^FAIL: / && index(how[current], " check") == 0 { how[current] = how[current] " check" }
        END { for (t in failed) { h = how[t]; sub(/^ /, "", h); print t "\t" h } }
    ' "$log" | sort
}

logs=$build/fault-logs
mkdir -p "$logs"
start_all=$SECONDS
if [ $resume = 1 ] && [ -f "$results" ]; then
    declare -A done_before
    while IFS=$'\t' read -r f _; do
        case $f in '#'* | '') ;; *) done_before[$f]=1 ;; esac
    done <"$results"
    todo=()
    for f in "${names[@]}"; do [ -n "${done_before[$f]+x}" ] || todo+=("$f"); done
    names=("${todo[@]}")
    echo "resuming $results: ${#names[@]} faults to go"
else
    {
        echo "# Fault tally of $(git rev-parse --short HEAD 2>/dev/null || echo '?') ($(git rev-parse --abbrev-ref HEAD 2>/dev/null || echo '?')), $(date -u '+%Y-%m-%d %H:%M UTC')"
        echo "# build: $build (Debug, ASan+UBSan), VERTZ_SEED=$seed, ctest -j$jobs$([ $quick = 1 ] && echo ', --quick'), ${timeout} s a test${exclude:+, -E $exclude}, list: $list"
        echo "# name	verdict	tests that failed	seconds	what failed in them"
    } >"$results"
fi

if [ $baseline = 1 ]; then
    echo "baseline: building and running the suite on the untouched sources"
    t0=$SECONDS
    rebuild >"$logs/baseline.log" 2>&1 || die "the untouched sources do not build: see $logs/baseline.log"
    failed=$(run_suite "$logs/baseline.ctest.log") || exit 2
    if [ -n "$failed" ]; then
        echo "$failed" >&2
        die "the suite fails without a fault: see $logs/baseline.ctest.log"
    fi
    echo "# baseline: every test passes; build and suite took $((SECONDS - t0)) s" >>"$results"
    echo "baseline: every test passes ($((SECONDS - t0)) s)"
fi

n=0
for f in "${names[@]}"; do
    n=$((n + 1))
    t0=$SECONDS
    plant "$f"
    if ! rebuild >"$logs/$f.log" 2>&1; then
        put_back
        printf '%s\tBUILD-FAILED\t\t%d\t\n' "$f" $((SECONDS - t0)) >>"$results"
        printf '[%d/%d] %-44s BUILD-FAILED (see %s)\n' $n ${#names[@]} "$f" "$logs/$f.log"
        continue
    fi
    failed=$(run_suite "$logs/$f.ctest.log") || { put_back; exit 2; }
    put_back
    if [ -z "$failed" ]; then
        printf '%s\tMISSED\t\t%d\t\n' "$f" $((SECONDS - t0)) >>"$results"
        printf '[%d/%d] %-44s MISSED\n' $n ${#names[@]} "$f"
        continue
    fi
    tests=$(cut -f1 <<<"$failed" | paste -sd' ')
    detail=$(awk -F'\t' '{ printf "%s%s(%s)", (NR > 1 ? "; " : ""), $1, $2 }' <<<"$failed")
    printf '%s\tcaught\t%s\t%d\t%s\n' "$f" "$tests" $((SECONDS - t0)) "$detail" >>"$results"
    printf '[%d/%d] %-44s %s\n' $n ${#names[@]} "$f" "$tests"
done

elapsed=$((SECONDS - start_all))
{
    echo "# ran ${#names[@]} faults in $((elapsed / 60)) min $((elapsed % 60)) s"
    tally "$results" | sed 's/^/# /'
} >>"$results"
echo
tally "$results"
echo "results: $results (logs in $logs)"
