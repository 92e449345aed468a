#!/usr/bin/env bash
# scripts/fuzz.sh [SECONDS] [TARGET...]
#
# Builds the libFuzzer entries (fuzz/*_fuzz.cpp) with clang into build-fuzz
# and runs each named one (all by default) in turn for SECONDS (default 60)
# against its corpus, one fuzzing process at a time.
#
# New inputs go to build-fuzz/corpus-work/NAME, never into fuzz/corpus: the
# committed corpus stays small. Crashes, hangs (an input running longer than
# FUZZ_TIMEOUT seconds, default 10) and memory overruns (FUZZ_RSS_MB, default
# 2048) are failures; their inputs are copied to build-fuzz/findings/NAME.
# Ends with one line per target and exits 1 when anything was found.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
if [[ $# -gt 0 ]]; then shift; fi
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || ((seconds == 0)); then
  echo "usage: scripts/fuzz.sh [SECONDS] [TARGET...]" >&2
  exit 2
fi
build=build-fuzz
timeout_s=${FUZZ_TIMEOUT:-10}
rss_mb=${FUZZ_RSS_MB:-2048}

# clang and its libFuzzer runtime: installed when missing (the normal test
# build needs neither).
have_libfuzzer() {
  local dir
  dir=$(mktemp -d)
  echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$dir/t.cpp"
  clang++ -fsanitize=fuzzer "$dir/t.cpp" -o "$dir/t" >/dev/null 2>&1
  local rc=$?
  rm -rf "$dir"
  return $rc
}
if ! command -v clang++ >/dev/null || ! have_libfuzzer; then
  bash scripts/install-deps.sh
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends clang
  major=$(clang++ -dumpversion | cut -d. -f1)
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "libclang-rt-${major}-dev" ||
    "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "libclang-common-${major}-dev"
  have_libfuzzer || { echo "fuzz: clang cannot link libFuzzer" >&2; exit 1; }
fi

targets=("$@")
if ((${#targets[@]} == 0)); then
  for f in fuzz/*_fuzz.cpp; do
    n=${f#fuzz/}
    targets+=("${n%_fuzz.cpp}")
  done
fi
for t in "${targets[@]}"; do
  [[ -f "fuzz/${t}_fuzz.cpp" ]] || { echo "fuzz: no entry fuzz/${t}_fuzz.cpp" >&2; exit 2; }
done

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVESK_FUZZ=ON
fi
cmake --build "$build" -j "${FUZZ_BUILD_JOBS:-$(nproc)}" --target "${targets[@]/#/fuzz_}"

# Undefined behaviour already halts (the build says so); leaks are not
# looked for: the entries are short-lived and a leak is no hostile-input fault.
export ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

summary=()
failed=0
for t in "${targets[@]}"; do
  bin="$build/bin/fuzz_$t"
  seeds="fuzz/corpus/$t"
  work="$build/corpus-work/$t"
  findings="$build/findings/$t"
  log="$build/logs/$t.log"
  mkdir -p "$seeds" "$work" "$findings" "$build/logs"
  # The seeds that add coverage join the work corpus; it only grows by
  # what the fuzzer finds new.
  "$bin" -merge=1 -timeout="$timeout_s" -rss_limit_mb="$rss_mb" "$work" "$seeds" >"$build/logs/$t.merge.log" 2>&1 || true
  before=$(find "$findings" -type f | wc -l)
  echo "fuzz: $t for ${seconds}s (log: $log)"
  # Fork mode keeps fuzzing after a finding, so one crash does not end the
  # target's turn; -fork=1 keeps it to one process.
  "$bin" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -max_total_time="$seconds" -timeout="$timeout_s" -rss_limit_mb="$rss_mb" \
    -artifact_prefix="$findings/" -print_final_stats=1 "$work" >"$log" 2>&1 || true
  after=$(find "$findings" -type f | wc -l)
  found=$((after - before))
  # The last status line of fork mode:
  # "#RUNS: cov: C ft: F corp: N exec/s R oom/timeout/crash: A/B/C time: Ts job: J ...".
  # The rate given is runs over the whole time, corpus loading included.
  last=$(grep -E '^#[0-9]+: cov:' "$log" | tail -1 || true)
  runs=$(sed -nE 's/^#([0-9]+):.*/\1/p' <<<"$last")
  took=$(sed -nE 's/.* time: ([0-9]+)s.*/\1/p' <<<"$last")
  rate=
  if [[ -n "$runs" && -n "$took" ]] && ((took > 0)); then rate=$((runs / took)); fi
  counts=$(sed -nE 's/.*oom\/timeout\/crash: ([0-9]+\/[0-9]+\/[0-9]+).*/\1/p' <<<"$last")
  IFS=/ read -r ooms hangs crashes <<<"${counts:-0/0/0}"
  problems=$((ooms + hangs + crashes))
  if ((problems > 0 || found > 0)); then failed=1; fi
  summary+=("$(printf '%-14s runs %10s   %7s inputs/s   crashes %s  timeouts %s  ooms %s' \
    "$t" "${runs:-?}" "${rate:-?}" "$crashes" "$hangs" "$ooms")")
done

echo
for line in "${summary[@]}"; do echo "$line"; done
if ((failed)); then
  echo "fuzz: findings kept in $build/findings/ (add each to fuzz/corpus/NAME once mended)"
  exit 1
fi
