#!/usr/bin/env bash
# Mutation run of the command line under ASan/UBSan (`make mutate`).
#
# Builds the sanitizer CLI, the seed movies and the mutator in build-asan,
# writes MUTATE_COUNT mutated movies and runs the CLI over them in batches,
# once per preset. A batch that crashes, hangs or leaves a sanitizer report
# is run again one file at a time, so every finding names its input.
# Prints: files, crashes, timeouts, clean failures, peak RSS and its input,
# sources changed. Everything is written under MUTATE_DIR, nothing in the tree.
#
#   MUTATE_COUNT    movies (default 10000)
#   MUTATE_SEED     run seed; movie N of a seed is always the same (default 1)
#   MUTATE_JOBS     batches at a time (default 2)
#   MUTATE_BATCH    movies per CLI process (default 25)
#   MUTATE_TIMEOUT  seconds per movie when run alone (default 60)
#   MUTATE_RSS_MB   ASan's hard RSS limit, reported as a crash (default 3072)
#   MUTATE_PASSES   best, medium, plain (default preset, no salvage) (default "best medium")
#   MUTATE_DIR      work folder (default /tmp/shrinkwell-mutate)
#   MUTATE_BUILD=0  use build-asan as it is
# Rebuild one input: build-asan/fuzz/mutate SEEDS OUT --one N SEED
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build-asan}
count=${MUTATE_COUNT:-10000}
seed=${MUTATE_SEED:-1}
jobs=${MUTATE_JOBS:-2}
batch=${MUTATE_BATCH:-25}
pertimeout=${MUTATE_TIMEOUT:-60}
rssmb=${MUTATE_RSS_MB:-3072}
passes=${MUTATE_PASSES:-best medium}
dir=${MUTATE_DIR:-/tmp/shrinkwell-mutate}

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:hard_rss_limit_mb=$rssmb:allocator_may_return_null=0"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="exitcode=23"

# Preset options of each pass. Damaged movies are salvaged so that their tags
# still reach the writers; without --salvage most would stop at the reader.
passflags() {
    case $1 in
    best) echo "--salvage" ;;
    plain) echo "" ;;  # as a user runs it: damaged movies fail
    medium) echo "--preset Medium --salvage --allow-larger --lzma" ;;
    *) echo "mutate-run: unknown pass $1" >&2; exit 2 ;;
    esac
}

# One CLI process over the files listed in $2; one TSV line per run in $dir/runs/.
#   runone PASS LISTFILE TAG TIMEOUT [TSVNAME]
runone() {
    local pass=$1 list=$2 tag=$3 limit=$4 tsv=${5:-$1}
    local out=$dir/out/$pass/$tag log=$dir/log/$pass/$tag
    mkdir -p "$out" "$log"
    local status=0
    # shellcheck disable=SC2046
    /usr/bin/time -f "%M %e" -o "$log/time" \
        timeout -k 5 "$limit" "$build/shrinkwell-cli" --json -q --overwrite --tmp "$dir/tmp" -o "$out" \
        $(passflags "$pass") $(sed "s|^|$dir/movies/|" "$list") >"$log/json" 2>"$log/stderr" || status=$?
    # time writes its own line first when the command was signalled
    local rss secs
    read -r rss secs < <(tail -1 "$log/time")
    local sanitizer=0
    grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:|Sanitizer: hard rss limit|SUMMARY: UndefinedBehaviorSanitizer' \
        "$log/stderr" && sanitizer=1
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$pass" "$tag" "$(wc -l <"$list")" "$status" "$sanitizer" "$rss" "$secs" \
        >>"$dir/runs/$tsv.tsv"
    echo "$status $sanitizer"
}

# A batch, and its files one by one when the batch went wrong.
runbatch() {
    local pass=$1 list=$2 tag
    tag=$(basename "$list")
    local files
    files=$(wc -l <"$list")
    local r
    r=$(runone "$pass" "$list" "$tag" $((pertimeout + 5 * files)))
    read -r status sanitizer <<<"$r"
    if [[ $sanitizer == 1 || ( $status != 0 && $status != 1 ) ]]; then
        echo "mutate-run: $pass $tag exit $status sanitizer $sanitizer: running its files alone" >&2
        while read -r f; do
            echo "$f" >"$dir/lists/$pass.$f"
            runone "$pass" "$dir/lists/$pass.$f" "$f" "$pertimeout" >/dev/null
        done <"$list"
    fi
}

if [[ ${1:-} == --batch ]]; then
    runbatch "$2" "$3"
    exit 0
fi

if [[ ${MUTATE_BUILD:-1} != 0 ]]; then
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAGSMITH_SANITIZE=ON -DTAGSMITH_FUZZ=OFF \
        -DTAGSMITH_TESTS=ON -DTAGSMITH_BENCH=OFF >/dev/null
    cmake --build "$build" -j"$jobs" --target shrinkwell-cli make_seeds mutate
fi

rm -rf "$dir"
mkdir -p "$dir"/{seeds,movies,runs,lists,tmp,batches}
start=$(date +%s)
"$build/fuzz/make_seeds" "$dir/seeds"
"$build/fuzz/mutate" "$dir/seeds" "$dir/movies" "$count" "$seed"
(cd "$dir/movies" && ls | grep -v '^MANIFEST' | sort >"$dir/files" && xargs sha256sum <"$dir/files" >"$dir/before.sha")
split -l "$batch" -a 4 -d "$dir/files" "$dir/batches/b"
echo "mutate-run: $(wc -l <"$dir/files") movies, $(du -sh "$dir/movies" | cut -f1), $(ls "$dir/batches" | wc -l) batches of $batch, passes: $passes" >&2
gen=$(($(date +%s) - start))

for pass in $passes; do
    t0=$(date +%s)
    ls "$dir"/batches/b* | xargs -P "$jobs" -n 1 bash "$0" --batch "$pass"
    echo "mutate-run: pass $pass done in $(($(date +%s) - t0)) s" >&2
    # The batch of the highest peak, file by file, to name the movie behind it.
    peak=$(sort -t$'\t' -k6,6n "$dir/runs/$pass.tsv" | tail -1 | cut -f2)
    if [[ $peak == b* ]]; then
        while read -r f; do
            echo "$f" >"$dir/lists/$pass.$f"
            runone "$pass" "$dir/lists/$pass.$f" "rss-$f" "$pertimeout" "$pass.rss" >/dev/null
        done <"$dir/batches/$peak"
    fi
    rm -rf "${dir:?}/out/$pass"
done

(cd "$dir/movies" && sha256sum --quiet -c "$dir/before.sha" >"$dir/changed" 2>&1) || true

python3 - "$dir" "$passes" "$gen" "$(($(date +%s) - start))" "$pertimeout" <<'EOF'
import json, os, sys
d, passes, gen, total = sys.argv[1], sys.argv[2].split(), int(sys.argv[3]), int(sys.argv[4])
limit_ms = int(sys.argv[5]) * 1000
manifest = {}
for line in open(os.path.join(d, "movies", "MANIFEST.tsv")):
    name, seedname, size, ops = (line.rstrip("\n").split("\t") + [""])[:4]
    manifest[name] = (seedname, int(size), ops)
sizes = sorted(s for _, s, _ in manifest.values())
print(f"movies: {len(sizes)}, median {sizes[len(sizes)//2]} B, "
      f"{sum(s <= 65536 for s in sizes) * 100 // max(1, len(sizes))} % under 64 KB, largest {sizes[-1]} B; "
      f"generated in {gen} s")
bad = 0
for p in passes:
    runs = [l.rstrip("\n").split("\t") for l in open(os.path.join(d, "runs", p + ".tsv"))]
    batches = [r for r in runs if r[1].startswith("b")]
    alone = {r[1]: r for r in runs if not r[1].startswith("b")}
    crashes, timeouts, sanitizer = [], [], []
    for name, r in alone.items():
        status, san = int(r[3]), r[4] == "1"
        if status in (124, 137):
            timeouts.append(name)
        elif san or status not in (0, 1):
            crashes.append((name, status, san))
    # Every file must have a JSON line; a bad batch counts through its files run alone.
    ok = failed = missing = 0
    seen, slow = set(), []
    for r in runs:
        if r[4] == "1" or r[3] not in ("0", "1"):
            continue
        names = set()
        for line in open(os.path.join(d, "log", p, r[1], "json"), errors="replace"):
            try:
                j = json.loads(line)
            except ValueError:
                continue
            names.add(os.path.basename(j.get("source", "")))
            ok, failed = (ok + 1, failed) if j.get("ok") else (ok, failed + 1)
            # A batch has a longer limit than one file; a file that took longer
            # than its own limit would have timed out alone.
            if j.get("ms", 0) > limit_ms:
                slow.append((os.path.basename(j.get("source", "")), j["ms"]))
        listed = open(os.path.join(d, "batches", r[1])).read().split() if r[1].startswith("b") else [r[1]]
        missing += len(set(listed) - names)
        seen |= names
    peak = max(runs, key=lambda r: int(r[5] or 0))
    rssfile = os.path.join(d, "runs", p + ".rss.tsv")
    if os.path.exists(rssfile):
        alonepeak = max((l.rstrip("\n").split("\t") for l in open(rssfile)), key=lambda r: int(r[5] or 0))
        peakinput = f"{alonepeak[1][4:]} alone {int(alonepeak[5]) // 1024} MB, {manifest.get(alonepeak[1][4:], ('', 0, ''))[2]}"
    else:
        peakinput = peak[1]
    secs = sum(float(r[6] or 0) for r in batches)
    print(f"pass {p}: {len(seen)} files reported, ok {ok}, failed cleanly {failed}, no JSON line {missing}, "
          f"crashes {len(crashes)}, timeouts {len(timeouts)}, over {limit_ms // 1000} s in a batch {len(slow)}; peak RSS {int(peak[5]) // 1024} MB in {peak[1]} ({peakinput}); "
          f"CLI time {secs:.0f} s")
    for name, status, san in crashes:
        seedname, size, ops = manifest.get(name, ("?", 0, ""))
        print(f"  crash {name} exit {status}{' sanitizer' if san else ''}: seed {seedname}, {size} B, {ops}"
              f"  (log {d}/log/{p}/{name}/stderr)")
    for name, ms in slow:
        seedname, size, ops = manifest.get(name, ("?", 0, ""))
        print(f"  slow {name} {ms / 1000:.0f} s: seed {seedname}, {size} B, {ops}")
    for name in timeouts:
        seedname, size, ops = manifest.get(name, ("?", 0, ""))
        print(f"  timeout {name}: seed {seedname}, {size} B, {ops}")
    bad += len(crashes) + len(timeouts) + missing
changed = [l for l in open(os.path.join(d, "changed")) if l.strip()]
print(f"sources changed: {len(changed)}; total time {total} s")
for l in changed[:20]:
    print("  " + l.rstrip())
sys.exit(1 if bad or changed else 0)
EOF
