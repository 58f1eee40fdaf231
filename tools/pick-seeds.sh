#!/usr/bin/env bash
# Chooses the random test's fixed seeds: runs it on seeds 1 to N with
# VERTZ_COVERAGE set, which prints for every action armed with a failing step
# the kinds of file step it met and those that failed, and then prints the
# smallest set of seeds that together fail every action at each kind of step
# any of the N seeds reached (and reach the cases the test marks), with what
# none reached. Put the set it prints into randomActionsLoseNothing_data.
#
# Usage: tools/pick-seeds.sh [build folder (default build/test)] [N (default 30)]
set -euo pipefail
build=${1:-build/test}
count=${2:-30}
program=$build/tests/tst_random
[ -x "$program" ] || { echo "pick-seeds: no $program; build tst_random first" >&2; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for seed in $(seq 1 "$count"); do
    QT_QPA_PLATFORM=offscreen VERTZ_COVERAGE=1 VERTZ_SEED=$seed ASAN_OPTIONS=detect_leaks=0 \
        "$program" "randomActionsLoseNothing:seed $seed" >"$out/$seed" 2>&1 ||
        { echo "pick-seeds: seed $seed fails; see below" >&2; grep '^FAIL' "$out/$seed" >&2; exit 1; }
    printf '.'
done
echo
python3 - "$out" "$count" <<'PY'
import itertools, re, sys
folder, count = sys.argv[1], int(sys.argv[2])
kinds = ["Read", "Create", "Write", "Rename", "Delete", "MakeFolder", "RemoveFolder", "Sync"]
reached, met = {}, {}
for seed in range(1, count + 1):
    got = set()
    for action, seen, hit in re.findall(r"^coverage: (.+) (\d+) (\d+)$", open(f"{folder}/{seed}").read(), re.M):
        met[action] = met.get(action, 0) | int(seen)
        got |= {(action, k) for i, k in enumerate(kinds) if int(hit) >> i & 1}
    reached[seed] = got
everything = set().union(*reached.values())
for size in range(1, 9):
    best = next((c for c in itertools.combinations(reached, size)
                 if set().union(*(reached[s] for s in c)) == everything), None)
    if best:
        break
print("seeds:", ", ".join(f"{s}u" for s in best), f"({len(everything)} action and step pairs)")
for action in sorted(met):
    never = [k for i, k in enumerate(kinds) if met[action] >> i & 1 and (action, k) not in everything]
    if never:
        print(f"  {action}: no seed failed it at {', '.join(never)}")
PY
