#!/usr/bin/env bash
# Builds every configuration and runs every test suite: native, sanitizers,
# Windows (under Wine, with end-to-end tests) and a short fuzzing pass.
# Ends with the summary line of each CTest run; exits non-zero if any failed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
bash scripts/deps.sh || exit 1
. scripts/display.sh
trap stop_display EXIT

status=0
summaries=()
logs=$here/build/logs
mkdir -p "$logs"

suite() { # name preset [ctest args...]
  local name=$1 preset=$2; shift 2
  echo "=== $name: configure and build ($preset)"
  if ! cmake --preset "$preset" >"$logs/$name-configure.log" 2>&1; then
    cat "$logs/$name-configure.log"; status=1; summaries+=("$name: configure failed"); return
  fi
  if ! cmake --build "build/$preset" -j2 >"$logs/$name-build.log" 2>&1; then
    tail -n 60 "$logs/$name-build.log"; status=1; summaries+=("$name: build failed"); return
  fi
  echo "=== $name: tests"
  (cd "build/$preset" && ctest --output-on-failure --timeout 600 "$@") | tee "$logs/$name-ctest.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  summaries+=("$name: $(grep -E 'tests passed|No tests were found' "$logs/$name-ctest.log" | tail -n1)")
}

# Older processors take other copies of the decoder's and the CRC's hot
# loops than this machine (unzip/decoders/uzProcessorPaths.h): a suite
# already built runs again with one of them forced.
on_path() { # build-dir path [ctest args...]
  local dir=$1 path=$2; shift 2
  [ -d "build/$dir" ] || return
  echo "=== $dir tests on processor path $path"
  (cd "build/$dir" && UZ_PROCESSOR_PATH=$path ctest --output-on-failure --timeout 600 "$@") |
    tee "$logs/$dir-$path-ctest.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  summaries+=("$dir on path $path: $(grep -E 'tests passed|No tests were found' "$logs/$dir-$path-ctest.log" | tail -n1)")
}
processor_paths="plain clmul bmi2"  # the default run takes the newest this machine has
# The tests that decode (listing alone runs no processor-dependent code).
windows_extraction='^(ZipExtractCli|UnZip|uzCrc32|uzInflate|uzLegacy|uzUnStore)'

# The end-to-end tests once more as on the product's home system, a Russian
# Windows (ANSI code page 1251): Wine takes its code pages from the locale,
# which Debian's C library here does not carry ready-made.
russian_e2e() {
  local locales=$here/build/locale
  [ -d "$locales/ru_RU.UTF-8" ] || { mkdir -p "$locales" && localedef -i ru_RU -f UTF-8 "$locales/ru_RU.UTF-8"; }
  echo "=== windows end-to-end, Russian locale"
  # The prefix's server and the programs it keeps (the desktop's among them)
  # start again in that locale.
  stop_wineservers
  LOCPATH=$locales LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 keep_wineservers "$WINEPREFIX"
  (cd build/windows && LOCPATH=$locales LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 \
    ctest --output-on-failure --timeout 600 -L e2e) | tee "$logs/windows-ru-ctest.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  summaries+=("windows e2e, Russian locale: $(grep -E 'tests passed|No tests were found' "$logs/windows-ru-ctest.log" | tail -n1)")
}

suite native native -j2
for path in $processor_paths; do on_path native "$path" -j2 -LE big; done
suite sanitize sanitize -j2 -LE big  # members of gigabytes: natively and under Wine only
start_display
# The sweep's halves run in prefixes of their own (tests/windows/CMakeLists.txt).
keep_wineservers "$here"/build/windows/wineprefix-sweep-{1,2}
suite windows windows -j2
on_path windows plain -j2 -LE big -R "$windows_extraction"
[ -d build/windows ] && russian_e2e
stop_display
if [ -x scripts/fuzz.sh ]; then
  echo "=== fuzz: short pass"
  if FUZZ_JOBS=2 bash scripts/fuzz.sh 20 >"$logs/fuzz.log" 2>&1; then
    summaries+=("$(tail -n1 "$logs/fuzz.log")")
  else
    tail -n 40 "$logs/fuzz.log"; status=1; summaries+=("fuzz: FAILED")
  fi
  echo "=== fuzz: short pass of the decoding targets on each processor path"
  if FUZZ_JOBS=2 FUZZ_TARGETS="fuzz_inflate fuzz_extract" FUZZ_PATHS="$processor_paths" \
      bash scripts/fuzz.sh 5 >"$logs/fuzz-paths.log" 2>&1; then
    summaries+=("$(tail -n1 "$logs/fuzz-paths.log")")
  else
    tail -n 40 "$logs/fuzz-paths.log"; status=1; summaries+=("fuzz on processor paths: FAILED")
  fi
fi

echo
echo "=== summary"
printf '%s\n' "${summaries[@]}"
exit $status
