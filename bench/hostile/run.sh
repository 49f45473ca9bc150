#!/usr/bin/env bash
# Hostile message files through `Larkglass --print`: each input of
# make_inputs.py is printed once, and its wall time, peak RSS (from
# /usr/bin/time -v) and output size are set against the targets: under 1 s,
# and peak RSS under 64 MiB plus twice the input's size. A run is killed
# after BENCH_KILL_AFTER seconds (default 20). Then bench_readable_steps
# renders the first 1 MiB of each input a step at a time, as the arrival
# pop-up does, and prints its longest step.
#
#   bench/hostile/run.sh [LARKGLASS...]
#
# It builds Larkglass and bench_readable_steps in BENCH_BUILD_DIR (default:
# build-e at the top of the checkout, configured as Release when it has no
# CMake cache yet) and measures that Larkglass; each argument given is a
# Larkglass binary to measure as well, one table each, on the same inputs.
# Environment (optional): BENCH_BUILD_DIR, BENCH_COUNT=1000000 (nested tags,
# parts and attachments), BENCH_KILL_AFTER=20, BENCH_TMPDIR=/var/tmp.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build-e}
count=${BENCH_COUNT:-1000000}
kill_after=${BENCH_KILL_AFTER:-20}

for tool in /usr/bin/time python3; do
    command -v "$tool" >/dev/null || { echo "run.sh needs $tool (Debian packages time, python3)" >&2; exit 1; }
done
[[ -f "$build/CMakeCache.txt" ]] ||
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" -j2 Larkglass bench_readable_steps >/dev/null
binaries=("$@" "$build/bin/Larkglass")

work=$(mktemp -d "${BENCH_TMPDIR:-/var/tmp}/bench-hostile.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 "$here/make_inputs.py" "$work/in" --count "$count"

MiB=$((1024 * 1024))
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
for binary in "${binaries[@]}"; do
    echo
    echo "$binary"
    echo "| input | size | time | peak RSS | RSS limit | output | |"
    echo "|---|---:|---:|---:|---:|---:|---|"
    for input in "$work"/in/*.txt; do
        size=$(stat -c %s "$input")
        QT_QPA_PLATFORM=offscreen /usr/bin/time -v -o "$work/time" \
            "$binary" --print "$input" >"$work/out" 2>/dev/null &
        timer=$!
        for _ in $(seq $((kill_after * 10))); do
            kill -0 "$timer" 2>/dev/null || break
            sleep 0.1
        done
        for child in $(pgrep -P "$timer"); do
            kill -KILL "$child" 2>/dev/null || true
        done
        status=0
        wait "$timer" || status=$?
        seconds=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time" |
            awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.2f", s }')
        rss_kib=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
        limit_kib=$(((64 * MiB + 2 * size) / 1024))
        verdict=ok
        if [[ $status != 0 ]]; then
            verdict="exit $status"
            grep -q 'terminated by signal 9' "$work/time" && verdict="killed after $kill_after s"
        elif awk -v s="$seconds" 'BEGIN { exit !(s >= 1) }' || ((rss_kib >= limit_kib)); then
            verdict="over target"
        fi
        printf '| %s | %s MB | %s s | %d MiB | %d MiB | %d B | %s |\n' "$(basename "$input" .txt)" \
            "$(awk -v s="$size" 'BEGIN { printf "%.1f", s / 1e6 }')" "$seconds" $((rss_kib / 1024)) \
            $((limit_kib / 1024)) "$(stat -c %s "$work/out")" "$verdict"
    done
done

echo
echo "first 1 MiB, a step at a time:"
"$build/bin/bench_readable_steps" "$work"/in/*.txt
