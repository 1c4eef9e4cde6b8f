#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset, clang) and runs each of
# them for SECONDS seconds on a scratch copy of its committed seed corpus
# (tests/fuzz/corpus/<target> or tests/fuzz/corpus/<target without fuzz_>),
# so the committed corpus stays small. Fails on any crash, leak or timeout;
# the input that caused it is kept under the build folder.
# Usage: scripts/fuzz.sh [SECONDS]   (FUZZ_BUILD_DIR overrides build/fuzz;
# FUZZ_JOBS=N runs N targets at a time, each still for SECONDS;
# FUZZ_TARGETS="fuzz_inflate fuzz_extract" runs only those;
# FUZZ_PATHS="plain clmul bmi2" runs each target once per processor path,
# forced through UZ_PROCESSOR_PATH, see unzip/decoders/uzProcessorPaths.h)
set -euo pipefail
secs=${1:-60}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
build=${FUZZ_BUILD_DIR:-build/fuzz}
mkdir -p "$build"
log="$build/fuzz-build.log"

targets=()
if [ -n "${FUZZ_TARGETS:-}" ]; then
  read -r -a targets <<<"$FUZZ_TARGETS"
else
  for src in tests/fuzz/fuzz_*.cpp; do
    [ -e "$src" ] || continue
    targets+=("$(basename "$src" .cpp)")
  done
fi
# A run is a target, or a target on one processor path (TARGET@PATH).
runs=()
for t in "${targets[@]}"; do
  if [ -n "${FUZZ_PATHS:-}" ]; then
    for p in $FUZZ_PATHS; do runs+=("$t@$p"); done
  else
    runs+=("$t")
  fi
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no targets"
  exit 0
fi

if ! cmake --preset fuzz -B "$build" >"$log" 2>&1 || ! cmake --build "$build" -j2 --target "${targets[@]}" >>"$log" 2>&1; then
  tail -n 40 "$log"
  echo "fuzz: build failed"
  exit 1
fi

# fuzz_one RUN: runs it; its status (0 or 1) lands in $build/RUN.status.
fuzz_one() {
  local run=$1 t=${1%@*} path= bin seeds corpus artifacts
  [ "$run" = "$t" ] || path=${run#*@}
  bin=$(find "$build" -type f -name "$t" -perm -u+x | head -n1)
  if [ -z "$bin" ]; then
    echo "$t: not built" >"$build/$run.summary"
    echo 1 >"$build/$run.status"
    return
  fi
  seeds=tests/fuzz/corpus/$t
  [ -d "$seeds" ] || seeds=tests/fuzz/corpus/${t#fuzz_}
  corpus="$build/corpus/$run"
  artifacts="$build/artifacts/$run"
  mkdir -p "$corpus" "$artifacts"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  if env ${path:+UZ_PROCESSOR_PATH=$path} "$bin" -max_total_time="$secs" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" \
      >"$build/$run.log" 2>&1; then
    grep -E '^(stat::number_of_executed_units|Done)' "$build/$run.log" | tail -n2 >"$build/$run.summary" || true
    echo 0 >"$build/$run.status"
  else
    { tail -n 40 "$build/$run.log"; echo "$run: FINDING (input kept in $artifacts)"; } >"$build/$run.summary"
    echo 1 >"$build/$run.status"
  fi
}

jobs=${FUZZ_JOBS:-1}
for run in "${runs[@]}"; do
  rm -f "$build/$run.status"
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  echo "=== $run: ${secs}s"
  fuzz_one "$run" &
done
wait
findings=0
for run in "${runs[@]}"; do
  echo "--- $run"
  cat "$build/$run.summary" 2>/dev/null
  [ "$(cat "$build/$run.status" 2>/dev/null)" = 0 ] || findings=$((findings + 1))
done

what="${#targets[@]} targets"
[ -n "${FUZZ_PATHS:-}" ] && what="$what on paths $FUZZ_PATHS"
if [ "$findings" -ne 0 ]; then
  echo "fuzz: $what, ${secs} s each, $findings with findings"
  exit 1
fi
echo "fuzz: $what, ${secs} s each, no findings"
