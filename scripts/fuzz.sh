#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each one for a while,
# starting from the seed inputs in fuzz/corpus/<target>/.
#   scripts/fuzz.sh [seconds-per-target] [target...]     (default 20 s, every target)
# Exits non-zero when a target crashes, hangs or breaks a property; the input that did it
# is left in build-fuzz/fuzz-work/<target>/ — copy it to fuzz/regressions/<target>/ so
# tests/tst_fuzz_regressions replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(dispatch pairrx hex ini emulator spill dblocation profile)

./scripts/deps.sh
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DRFMOD_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
failed=()
for t in "${targets[@]}"; do
  work=build-fuzz/fuzz-work/$t
  mkdir -p "$work/corpus"
  # The session targets keep their sessions (and the timers they post) for the whole run;
  # those are not leaks of ours, so leak checking is off for them only.
  leaks=1
  case $t in dispatch|pairrx) leaks=0 ;; esac
  export ASAN_OPTIONS=detect_leaks=$leaks
  regressions=""
  [ -d "fuzz/regressions/$t" ] && regressions="fuzz/regressions/$t"
  echo "== fuzz_$t for ${secs}s"
  if ! build-fuzz/fuzz/fuzz_"$t" -max_total_time="$secs" -timeout=25 -detect_leaks=$leaks \
       -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "fuzz/corpus/$t" $regressions \
       > "$work/log.txt" 2>&1; then
    failed+=("$t")
    tail -n 60 "$work/log.txt"
    ls "$work"/crash-* "$work"/timeout-* "$work"/oom-* "$work"/leak-* 2>/dev/null || true
  else
    grep -E "^stat::number_of_executed_units|^Done" "$work/log.txt" | tr '\n' ' '
    echo
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets that failed: ${failed[*]}" >&2
  exit 1
fi
echo "every fuzz target ran clean"
