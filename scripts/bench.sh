#!/usr/bin/env bash
# Whole-process extraction speed of zipextract against the usual peers
# (Debian's unzip, bsdtar, 7-Zip, and a libdeflate reference extractor when
# libdeflate is installed), on archives built deterministically under
# build/bench/. Prints a table of MB/s (output bytes per second), each peer's
# time relative to zipextract, and peak RSS; then an instruction count per
# output byte of zipextract from callgrind.
#
# Usage: scripts/bench.sh [ROUNDS]       (default 5 timed rounds after a warm-up)
#        scripts/bench.sh --prepare      builds the tools and archives only
#        scripts/bench.sh --big [ROUNDS] one member of 5 GiB (ZIP64) only, 1 round
#                                        by default; the archive is built once
#        scripts/bench.sh --ratios [PAIRS]  zipextract against the libdeflate
#                                        reference and bsdtar only: the median
#                                        of PAIRS (default 11) alternating runs
#                                        per corpus, and instructions on mixed
#                                        and on the many small files
# Environment: BENCH_OUT (default /dev/shm/zx-bench) is where output goes,
#              BENCH_SKIP_CALLGRIND=1 skips the instruction count.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prepare_only=0
big_only=0
ratios_only=0
if [ "${1:-}" = --prepare ]; then prepare_only=1; shift; fi
if [ "${1:-}" = --big ]; then big_only=1; shift; fi
if [ "${1:-}" = --ratios ]; then ratios_only=1; shift; fi
rounds=${1:-$((big_only ? 1 : ratios_only ? 11 : 5))}
bench=$here/build/bench
out=${BENCH_OUT:-/dev/shm/zx-bench}
data_version=2
mkdir -p "$bench"

# ---- Tools -------------------------------------------------------------------

cmake --preset native -B "$bench/native" >/dev/null
cmake --build "$bench/native" -j2 --target zipextract >/dev/null
zx=$bench/native/tools/zipextract/zipextract
ref=""
if cmake --build "$bench/native" -j2 --target zipref >/dev/null 2>&1; then
  ref=$bench/native/tools/bench/zipref
fi
sevenzip=$(command -v 7z || command -v 7zz || true)

# ---- Archives (built once; same bytes on every run) --------------------------

make_archives() {
  local src=$bench/src
  rm -rf "$src" "$bench"/*.zip
  python3 "$here/scripts/bench-data.py" "$src"
  # Fixed times and a sorted member list: the archives do not depend on when
  # or on which file system they were made.
  find "$src" -exec touch -h -d '2026-01-01 12:00:00' {} +
  (cd "$src/mixed" && find . -type f | LC_ALL=C sort | zip -X -q -6 "$bench/mixed-6.zip" -@)
  (cd "$src/mixed" && find . -type f | LC_ALL=C sort | zip -X -q -0 "$bench/mixed-stored.zip" -@)
  (cd "$src" && zip -X -q -9 "$bench/big-9.zip" big.bin)
  (cd "$src/small" && find . -type f | LC_ALL=C sort | zip -X -q -6 "$bench/small-20000.zip" -@)
  rm -rf "$src"
  # No tool of this system writes shrink, reduce or implode: the members of
  # the largest such test archives are repeated under distinct names, about
  # 50 MB of output each, so that decoding rather than start-up is measured.
  local data=$here/tests/data/zip
  python3 "$here/scripts/bench-legacy.py" "$data/implode/implode-lorem.zip" 6 400 "$bench/implode.zip"
  python3 "$here/scripts/bench-legacy.py" "$data/shrink/shrink-mixed.zip" 1 800 "$bench/shrink.zip"
  python3 "$here/scripts/bench-legacy.py" "$data/reduce/reduce1.zip" 2,3,4,5 600 "$bench/reduce.zip"
  echo "$data_version" >"$bench/archives.version"
}
# One 5 GiB member, deflated by Python's zipfile (ZIP64 extra field and end
# record): text-like blocks that compress about 3:1, each MiB numbered.
make_big_archive() {
  python3 - "$bench/big-5g.zip" <<'PY'
import random, struct, sys, zipfile
rng = random.Random(5)
words = [bytes(rng.choice(b"etaoinshrdlucmfw") for _ in range(rng.randint(2, 9))) for _ in range(4000)]
block = b" ".join(rng.choice(words) for _ in range(200000))[:1 << 20]
info = zipfile.ZipInfo("big/5g.txt", (2026, 1, 1, 12, 0, 0))
info.compress_type, info.file_size = zipfile.ZIP_DEFLATED, 5 << 30
with zipfile.ZipFile(sys.argv[1] + ".tmp", "w", compresslevel=6) as z, z.open(info, "w") as m:
    for i in range(5 << 10):
        m.write(struct.pack("<Q", i) + block[8:])
PY
  mv "$bench/big-5g.zip.tmp" "$bench/big-5g.zip"
}
if [ "$big_only" = 1 ]; then
  if [ ! -f "$bench/big-5g.zip" ]; then
    echo "bench: building the 5 GiB member (a few minutes, once)" >&2
    make_big_archive
  fi
elif [ "$(cat "$bench/archives.version" 2>/dev/null)" != "$data_version" ]; then
  echo "bench: building archives (about two minutes, once)" >&2
  make_archives
fi
[ "$prepare_only" = 1 ] && exit 0

# ---- Contenders --------------------------------------------------------------

# run_contender NAME ARCHIVE DEST: one extraction of the whole archive into DEST.
run_contender() {
  local name=$1 archive=$2 dest=$3
  mkdir -p "$dest"
  case $name in
    zipextract) "$zx" -a -r -o always -q -d "$dest" "$archive" ;;
    unzip) unzip -qo "$archive" -d "$dest" ;;
    bsdtar) bsdtar -xf "$archive" -C "$dest" ;;
    7z) "$sevenzip" x -y -o"$dest" "$archive" >/dev/null ;;
    libdeflate) "$ref" "$archive" "$dest" ;;
  esac
}
export -f run_contender
export zx ref sevenzip

contenders=(zipextract unzip bsdtar)
[ -n "$sevenzip" ] && contenders+=(7z)
[ -n "$ref" ] && contenders+=(libdeflate)

# measure NAME ARCHIVE REPEAT -> "seconds rss_kb status" for REPEAT extractions in one process tree.
measure() {
  local name=$1 archive=$2 repeat=$3 t0 t1 rss status=ok
  rm -rf "$out/$name"
  t0=$(date +%s%N)
  if ! /usr/bin/time -f %M -o "$out/rss" bash -c '
      for ((i = 0; i < $3; i++)); do run_contender "$1" "$2" "$4" || exit 1; done' \
      _ "$name" "$archive" "$repeat" "$out/$name" >/dev/null 2>"$out/err"; then
    status=failed
  fi
  t1=$(date +%s%N)
  rss=$(tail -n1 "$out/rss")
  echo "$(((t1 - t0) / 1000)) $rss $status"
}

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# one_run NAME ARCHIVE -> microseconds of one extraction into a new empty folder.
one_run() {
  local t0 t1
  rm -rf "${out:?}/run"
  t0=$(date +%s%N)
  run_contender "$1" "$2" "$out/run" >/dev/null 2>&1 || { echo fails; return; }
  t1=$(date +%s%N)
  rm -rf "${out:?}/run"
  echo $(((t1 - t0) / 1000))
}

# pair_ratio ARCHIVE PEER -> median over the pairs of zipextract's time divided
# by the peer's; which of the two runs first alternates from pair to pair, so
# that neither always finds the machine warmer.
pair_ratio() {
  local archive=$1 peer=$2 i zx_us peer_us
  for ((i = 0; i < rounds; i++)); do
    if ((i % 2)); then
      peer_us=$(one_run "$peer" "$archive")
      zx_us=$(one_run zipextract "$archive")
    else
      zx_us=$(one_run zipextract "$archive")
      peer_us=$(one_run "$peer" "$archive")
    fi
    [ "$zx_us" = fails ] || [ "$peer_us" = fails ] && { echo fails; return; }
    awk -v a="$zx_us" -v b="$peer_us" 'BEGIN {print a / b}'
  done | median | awk '{printf "%.2f", $1}'
}

# instructions COMMAND... -> callgrind's instruction count of one extraction
# into $out/run, which the command names.
instructions() {
  rm -rf "${out:?}/run"
  mkdir -p "$out/run"
  valgrind --tool=callgrind --callgrind-out-file="$out/callgrind.out" "$@" >/dev/null 2>&1
  rm -rf "${out:?}/run"
  awk '/^(summary|totals):/ {print $2; exit}' "$out/callgrind.out"
}

if [ "$ratios_only" = 1 ]; then
  [ -n "$ref" ] || { echo "bench: --ratios needs libdeflate (libdeflate-dev)" >&2; exit 1; }
  mkdir -p "$out"
  echo "zipextract against the libdeflate reference and bsdtar: median of $rounds alternating pairs, output on $out"
  echo "below 1: zipextract takes less time (or fewer instructions) than the peer"
  printf '%-14s %12s %12s\n' archive "zx/ref wall" "zx/bsdtar"
  for corpus in "mixed -6:mixed-6" "big -9:big-9" "20000 small:small-20000" "mixed stored:mixed-stored"; do
    printf '%-14s %12s %12s\n' "${corpus%%:*}" "$(pair_ratio "$bench/${corpus#*:}.zip" libdeflate)" \
      "$(pair_ratio "$bench/${corpus#*:}.zip" bsdtar)"
  done
  if command -v valgrind >/dev/null; then
    for corpus in "mixed -6:mixed-6" "20000 small:small-20000"; do
      zx_ir=$(instructions "$zx" -a -r -o always -q -d "$out/run" "$bench/${corpus#*:}.zip")
      ref_ir=$(instructions "$ref" "$bench/${corpus#*:}.zip" "$out/run")
      awk -v c="${corpus%%:*}" -v z="$zx_ir" -v r="$ref_ir" \
        'BEGIN {printf "instructions, %s: zipextract %d, reference %d: %.2f x the reference\n", c, z, r, z / r}'
    done
  fi
  rm -rf "${out:?}"
  exit 0
fi

# bench_archive LABEL ARCHIVE REPEAT
bench_archive() {
  local label=$1 archive=$2 repeat=$3 name bytes r
  declare -A times=() rss=() state=()
  mkdir -p "$out"
  # Warm-up run of each contender; zipextract's output gives the byte count.
  # Each output goes before the next run: a few of them may not fit at once.
  for name in "${contenders[@]}"; do
    read -r _ rss[$name] state[$name] < <(measure "$name" "$archive" 1)
    if [ "$name" = zipextract ]; then
      bytes=$(find "$out/zipextract" -type f -printf '%s\n' | awk '{s += $1} END {printf "%.0f\n", s}')
    fi
    rm -rf "${out:?}/$name"
  done
  bytes=$((bytes * repeat))
  for ((r = 0; r < rounds; r++)); do
    for name in "${contenders[@]}"; do
      local us peak st
      read -r us peak st < <(measure "$name" "$archive" "$repeat")
      times[$name]+="$us "
      [ "$st" = ok ] || state[$name]=failed
      [ "${peak:-0}" -gt "${rss[$name]:-0}" ] && rss[$name]=$peak
      rm -rf "${out:?}/$name"
    done
  done
  local base
  base=$(echo "${times[zipextract]}" | tr ' ' '\n' | grep . | median)
  for name in "${contenders[@]}"; do
    local med mbs ratio
    med=$(echo "${times[$name]}" | tr ' ' '\n' | grep . | median)
    mbs=$(awk -v b="$bytes" -v t="$med" 'BEGIN {printf "%.1f", b / t}')
    ratio=$(awk -v t="$med" -v z="$base" 'BEGIN {printf "%.2f", t / z}')
    if [ "${state[$name]}" != ok ]; then mbs="-"; ratio="fails"; fi
    printf '%-16s %-11s %10s %9.3f %9s %8s\n' "$label" "$name" "$mbs" \
      "$(awk -v t="$med" 'BEGIN {print t / 1e6}')" "$ratio" "$((rss[$name] / 1024))"
  done
}

echo "zipextract: $zx; rounds: $rounds (median), output on $out"
echo "time/zx = peer's median wall time divided by zipextract's (above 1: zipextract is faster)"
printf '%-16s %-11s %10s %9s %9s %8s\n' archive extractor "MB/s" "median s" "time/zx" "RSS MB"
if [ "$big_only" = 1 ]; then
  bench_archive "5 GiB member" "$bench/big-5g.zip" 1
  rm -rf "${out:?}"
  exit 0
fi
bench_archive "mixed -6" "$bench/mixed-6.zip" 1
bench_archive "big -9" "$bench/big-9.zip" 1
bench_archive "20000 small" "$bench/small-20000.zip" 1
bench_archive "mixed stored" "$bench/mixed-stored.zip" 1
contenders=(zipextract unzip bsdtar)  # the libdeflate reference reads no legacy method
[ -n "$sevenzip" ] && contenders+=(7z)
bench_archive "implode 400x" "$bench/implode.zip" 1
bench_archive "shrink 800x" "$bench/shrink.zip" 1
contenders=(zipextract)  # nothing else reads reduce
bench_archive "reduce 600x" "$bench/reduce.zip" 1
rm -rf "${out:?}"

# ---- Instructions per output byte --------------------------------------------

if [ "${BENCH_SKIP_CALLGRIND:-0}" != 1 ] && command -v valgrind >/dev/null; then
  mkdir -p "$out/cg"
  valgrind --tool=callgrind --callgrind-out-file="$bench/callgrind.out" \
    "$zx" -a -r -o always -q -d "$out/cg" "$bench/mixed-6.zip" 2>/dev/null
  bytes=$(find "$out/cg" -type f -printf '%s\n' | awk '{s += $1} END {printf "%.0f\n", s}')
  ir=$(awk '/^(summary|totals):/ {print $2; exit}' "$bench/callgrind.out")
  echo
  awk -v i="$ir" -v b="$bytes" \
    'BEGIN {printf "callgrind, mixed -6: %d instructions for %d output bytes = %.2f per byte\n", i, b, i / b}'
  rm -rf "${out:?}"
fi
