#!/usr/bin/env bash
# Times the installer's copy of the map image (174236370 bytes out of the map
# container, through its own file streams) against cp of a file of the same
# bytes on the same disk, with the page cache warm and cold (the source's
# pages evicted before each run), and prints the ratios.
# Usage: bash tools/container-bench/bench-container.sh [RUNS]   (not part of CI)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
runs=${1:-7}
build=${BENCH_BUILD:-$here/build/bench-container}
data=$build/container-bench-data
cd "$here"
bash scripts/deps.sh >/dev/null

[ -f "$build/build.ninja" ] || cmake --preset native -B "$build" >/dev/null
cmake --build "$build" --target container-bench >/dev/null
bench=$build/tools/container-bench/container-bench

mkdir -p "$data"
if [ ! -f "$data/container" ]; then
  # Real bytes (a sparse file would be read from no disk at all).
  head -c 174236370 /dev/urandom >"$data/image"
  { cat "$data/image"; head -c 2000000 /dev/urandom; } >"$data/container"
fi
evict="python3 -c 'import os,sys
for p in sys.argv[1:]:
    fd=os.open(p,os.O_RDONLY); os.fsync(fd); os.posix_fadvise(fd,0,0,os.POSIX_FADV_DONTNEED); os.close(fd)' $data/image $data/container"

measure() { # label prepare
  hyperfine -N -w 1 -r "$runs" --prepare "$2" --export-json "$data/$1.json" \
    -n cp "cp $data/image $data/copy" \
    -n installer "$bench image $data/container $data/copy" >/dev/null
  python3 - "$data/$1.json" "$1" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
for stat in ("median", "min"):
    cp, ours = r["cp"][stat], r["installer"][stat]
    print(f"{sys.argv[2]:5} {stat:6}  cp {cp*1000:7.1f} ms   installer {ours*1000:7.1f} ms   ratio {ours/cp:.3f}")
PY
}

echo "map image copy, 174236370 bytes, $runs runs each"
measure warm "rm -f $data/copy"
measure cold "sh -c \"rm -f $data/copy; sync; $evict\""
rm -f "$data/copy"
