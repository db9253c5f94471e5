#!/usr/bin/env bash
# Runs the libFuzzer targets of tests/fuzz on their seeds.
#   tools/run-fuzzers.sh smoke <build>   every seed once, then a bounded number of mutations
#                                       from a fixed seed, so that the run is the same each time
#   tools/run-fuzzers.sh long <build>    each target for FUZZ_SECONDS (default 60) seconds;
#                                       new inputs collect in <build>/corpus/<target>, findings
#                                       in <build>/findings/<target>
# FUZZ_TARGETS picks targets (default: all). Any finding fails the run.
set -eu
mode=$1
build=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
seeds=$root/tests/fuzz/corpus
targets=${FUZZ_TARGETS:-"level editor settings command_line png effect music"}
seconds=${FUZZ_SECONDS:-60}
# Leaks inside the libraries, not the game's (see the file).
export LSAN_OPTIONS="suppressions=$root/tests/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# Bounded mutations per target in the smoke run (the level targets play dozens of frames
# per input, the text targets take microseconds).
smoke_runs() {
  case $1 in
    level|editor) echo 40 ;;
    music) echo 300 ;;
    png|effect) echo 2000 ;;
    command_line) echo 20000 ;;
    *) echo 5000 ;;
  esac
}

# A level file is 786,432 bytes, but mutations of a whole map are slow; short files are
# padded by the loader, so 64 KB reaches every rule.
max_len() {
  case $1 in
    level|editor) echo 65536 ;;
    *) echo 16384 ;;
  esac
}

status=0
for t in $targets; do
  fuzzer=$build/bin/fuzz_$t
  work=$build/corpus/$t
  findings=$build/findings/$t
  rm -rf "$findings"
  mkdir -p "$work" "$findings"
  kept=("$seeds/$t"/*)
  options=(-close_fd_mask=1 -timeout=20 -rss_limit_mb=2048 -max_len="$(max_len "$t")"
           -artifact_prefix="$findings/")
  echo "== fuzz_$t ($mode)"
  if [ "$mode" = smoke ]; then
    rm -rf "$work" && mkdir -p "$work"
    cp "${kept[@]}" "$work/"
    "$fuzzer" "${options[@]}" "${kept[@]}" >"$findings/replay.log" 2>&1 &&
      "$fuzzer" "${options[@]}" -seed=1 -runs="$(smoke_runs "$t")" "$work" >"$findings/smoke.log" 2>&1 ||
      { status=1; echo "fuzz_$t FAILED:"; tail -n 40 "$findings"/*.log; continue; }
    grep -h '^Done\|^stat::number_of_executed_units' "$findings/smoke.log" || true
  else
    cp -n "${kept[@]}" "$work/"
    # One worker process that carries on past a finding, so that one fault does not hide
    # the rest; every finding is still written out and fails the run.
    "$fuzzer" "${options[@]}" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
      -max_total_time="$seconds" "$work" \
      >"$findings/fuzz.log" 2>&1 || true
    # The last status line: runs, coverage, corpus, and crashes/timeouts/ooms so far.
    grep -h '^#[0-9]' "$findings/fuzz.log" | tail -n 1 || true
    if ls "$findings" | grep -q '^\(crash\|timeout\|oom\|leak\)-'; then
      status=1
      echo "fuzz_$t found faults: $(ls "$findings" | grep -c '^\(crash\|timeout\|oom\|leak\)-') inputs in $findings"
    fi
  fi
done
exit $status
