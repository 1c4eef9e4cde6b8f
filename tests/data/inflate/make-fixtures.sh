#!/usr/bin/env bash
# Rebuilds the deflate fixtures of the decoder tests with Debian's zip, from
# data made deterministically here. The tests check each member against the
# CRC-32 and size that zip recorded, so the data itself is not kept.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work" <<'PY'
import random, struct, sys, os
d = sys.argv[1]
rng = random.Random(20261207)
def put(name, data):
    with open(os.path.join(d, name), 'wb') as f: f.write(data)
words = [''.join(rng.choice('etaoinshrdlucmfwyp') for _ in range(rng.randint(1, 9))) for _ in range(400)]
put('empty', b'')
put('one.bin', b'\x5a')
put('text.txt', ' '.join(rng.choice(words) for _ in range(12000)).encode())
put('repeat.bin', b'abcabd' * 50000 + b'\0' * 40000 + b'xy' * 30000)
put('ints.bin', b''.join(struct.pack('<I', i * 7 + rng.randint(0, 3)) for i in range(20000)))
# Around the output block (16000) and the window (32768): four symbols,
# so zip deflates them (mostly literals) instead of storing them.
for n in (15999, 16000, 16001, 32767, 32768, 32769, 65537):
    put('sym%d.bin' % n, bytes(rng.choice(b'ACGT') for _ in range(n)))
PY
cd "$work"
rm -f "$here"/*.zip
for level in 1 6 9; do
  zip -q -X -D -"$level" "$here/levels-$level.zip" empty one.bin text.txt repeat.bin ints.bin
done
zip -q -X -D -6 "$here/boundaries.zip" sym*.bin
ls -l "$here"/*.zip
