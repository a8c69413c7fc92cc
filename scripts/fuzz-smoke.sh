#!/bin/sh
# Builds the libFuzzer harnesses of fuzz/ in build-fuzz (clang-14, MIRVEX_FUZZ=ON) and
# runs each over a copy of its seed corpus for N seconds (the first argument, 60 by
# default), so the committed corpus never grows. Prints the executions and coverage of
# every harness; exits 1 when any of them crashed or broke a rule, naming the input.
# FUZZ_HARNESSES names a subset to run (all seven by default), so two shells can share
# the harnesses between two cores.
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$root/build-fuzz}
harnesses=${FUZZ_HARNESSES:-convert mid_reader mif_header crop ini dictionary map_view}

if ! command -v clang++-14 >/dev/null 2>&1; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang-14 libclang-rt-14-dev >/dev/null
fi
cmake -S "$root" -B "$build" -DMIRVEX_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" --target mirvex_fuzzers -j "$(nproc)"

work=$(mktemp -d /tmp/mirvex-fuzz-smoke.XXXXXX)
status=0
for harness in $harnesses; do
  mkdir -p "$work/$harness/corpus" "$work/$harness/crashes"
  cp "$root/fuzz/corpus/$harness/"* "$work/$harness/corpus/"
  log="$work/$harness/log"
  "$build/fuzz_$harness" "$work/$harness/corpus" -max_total_time="$seconds" -rss_limit_mb=1024 \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$work/$harness/crashes/" >"$log" 2>&1 &
  pid=$!
  if wait "$pid"; then result=ok; else result=FAILED; status=1; fi
  # A run that stopped on a crash had no chance to remove its scratch folder.
  rm -rf "/tmp/mirvex-fuzz-$harness-$pid"
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | sed 's/cov: //')
  printf '%-11s %-7s executions %-10s cov %s\n' "$harness" "$result" "${executions:-?}" "${coverage:-?}"
  for crash in "$work/$harness/crashes/"*; do
    [ -e "$crash" ] || continue
    echo "  crash input: $crash"
    grep -m 1 -E 'broken rule|ERROR: |runtime error' "$log" | sed 's/^/  /' || true
  done
done

if [ "$status" -eq 0 ]; then
  rm -rf "$work"
else
  echo "logs and crash inputs: $work"
fi
exit "$status"
