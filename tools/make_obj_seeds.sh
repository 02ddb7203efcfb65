#!/usr/bin/env bash
# Writes the OBJ fuzzer's seed files (fuzz/seeds/fuzz_obj/): a textured quad, two groups with
# relative indices, a box of quads, odd number forms and indices, and a line past the skip length.
set -eu
out="$(cd "$(dirname "$0")/.." && pwd)/fuzz/seeds/fuzz_obj"
mkdir -p "$out"
printf 'v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nf 1/1 2/2 3/3\nf 1/1 3/3 4/3\n' \
    > "$out/textured.obj"
printf '# two groups\ng a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\ng b\nv 0 0 1\nv 1 0 1\nv 0 1 1\nf 4 5 6\nf -1 -2 -3\n' \
    > "$out/groups.obj"
printf 'o box\nv -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n' \
    > "$out/box.obj"
printf 'f 4 3 2 1\nf 2 6 5 1\nf 3 7 6 2\nf 8 7 3 4\nf 5 8 4 1\nf 6 7 8 5\n' >> "$out/box.obj"
printf 'v 1e3 -2.5E-1 .5\nv inf nan 0x1p3\nvt 0.1\nvn 0 0 1\nf 1/1/1 2/1/1 1/1/1\nf 0 99999999999 -7\n' \
    > "$out/oddities.obj"
{
    printf '#'
    head -c 150 /dev/zero | tr '\0' x
    printf 'v 1 2 3\nv 4 5 6\nv 7 8 9\nf 1 2 3 '
    for i in $(seq 1 60); do printf '%d ' "$i"; done
    printf '\n'
} > "$out/longline.obj"
