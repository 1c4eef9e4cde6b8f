#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset, clang) and runs each of
# them for SECONDS seconds on a scratch copy of its committed seed corpus
# (tests/fuzz/corpus/<target> or tests/fuzz/corpus/<target without fuzz_>),
# so the committed corpus stays small. Fails on any crash, leak or timeout;
# the input that caused it is kept under the build folder.
# Usage: scripts/fuzz.sh [SECONDS]   (FUZZ_BUILD_DIR overrides build/fuzz;
# FUZZ_JOBS=N runs N targets at a time, each still for SECONDS)
set -euo pipefail
secs=${1:-60}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
build=${FUZZ_BUILD_DIR:-build/fuzz}
mkdir -p "$build"
log="$build/fuzz-build.log"

targets=()
for src in tests/fuzz/fuzz_*.cpp; do
  [ -e "$src" ] || continue
  targets+=("$(basename "$src" .cpp)")
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

# fuzz_one TARGET: runs it; its status (0 or 1) lands in $build/TARGET.status.
fuzz_one() {
  local t=$1 bin seeds corpus artifacts
  bin=$(find "$build" -type f -name "$t" -perm -u+x | head -n1)
  if [ -z "$bin" ]; then
    echo "$t: not built" >"$build/$t.summary"
    echo 1 >"$build/$t.status"
    return
  fi
  seeds=tests/fuzz/corpus/$t
  [ -d "$seeds" ] || seeds=tests/fuzz/corpus/${t#fuzz_}
  corpus="$build/corpus/$t"
  artifacts="$build/artifacts/$t"
  mkdir -p "$corpus" "$artifacts"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  if "$bin" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$corpus" >"$build/$t.log" 2>&1; then
    grep -E '^(stat::number_of_executed_units|Done)' "$build/$t.log" | tail -n2 >"$build/$t.summary" || true
    echo 0 >"$build/$t.status"
  else
    { tail -n 40 "$build/$t.log"; echo "$t: FINDING (input kept in $artifacts)"; } >"$build/$t.summary"
    echo 1 >"$build/$t.status"
  fi
}

jobs=${FUZZ_JOBS:-1}
for t in "${targets[@]}"; do
  rm -f "$build/$t.status"
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  echo "=== $t: ${secs}s"
  fuzz_one "$t" &
done
wait
findings=0
for t in "${targets[@]}"; do
  echo "--- $t"
  cat "$build/$t.summary" 2>/dev/null
  [ "$(cat "$build/$t.status" 2>/dev/null)" = 0 ] || findings=$((findings + 1))
done

if [ "$findings" -ne 0 ]; then
  echo "fuzz: ${#targets[@]} targets, ${secs} s each, $findings with findings"
  exit 1
fi
echo "fuzz: ${#targets[@]} targets, ${secs} s each, no findings"
