#!/usr/bin/env bash
# The mutation run names each finding by its number, so the mutator must give
# the same movie for the same number every time, alone or in a run, and never
# hand back a seed unchanged.
#   mutate_test.sh MAKE_SEEDS MUTATE WORKDIR
set -euo pipefail
make_seeds=$1 mutate=$2 dir=$3
rm -rf "$dir"
mkdir -p "$dir"/{seeds,a,b,one}
"$make_seeds" "$dir/seeds"
"$mutate" "$dir/seeds" "$dir/a" 250 7
"$mutate" "$dir/seeds" "$dir/b" 250 7
diff -r "$dir/a" "$dir/b" >/dev/null || { echo "two runs with one seed differ"; exit 1; }
for n in 0 123 249; do
    "$mutate" "$dir/seeds" "$dir/one" --one "$n" 7 >/dev/null
    f=$(printf 'm%05d' "$n")
    cmp -s "$dir/a/$f".* "$dir/one/$f".* || { echo "movie $n alone differs from movie $n in the run"; exit 1; }
done
"$mutate" "$dir/seeds" "$dir/b" 250 8
if diff -r "$dir/a" "$dir/b" >/dev/null; then echo "another run seed gave the same movies"; exit 1; fi
# Every movie differs from every seed, and the manifest says how it was made.
unchanged=$(comm -12 <(sha256sum "$dir"/seeds/* | cut -c1-64 | sort -u) <(sha256sum "$dir"/a/m* | cut -c1-64 | sort -u) | wc -l)
[[ $unchanged == 0 ]] || { echo "$unchanged movies equal a seed"; exit 1; }
if awk -F'\t' '$4 == ""' "$dir/a/MANIFEST.tsv" | grep -q .; then echo "a movie without mutations in the manifest"; exit 1; fi
# The mutations the run relies on all occur.
for op in flip set cut len dup flood nest splice sigC sigZ fl; do
    grep -q "$op" "$dir/a/MANIFEST.tsv" || { echo "no '$op' mutation in 250 movies"; exit 1; }
done
rm -rf "$dir"
