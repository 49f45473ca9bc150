#!/usr/bin/env bash
# Arrival pop-ups under hostile mail. The built receiver runs with its window
# on Qt's offscreen platform and pop-ups on (DIALOG=1). Four sessions send
# 1 KiB messages (MAIL, RCPT and DATA each) for SECONDS_PER_RUN seconds:
#   rate A: alone;
#   rate B: while a fifth session (hostile_sender.py) sends the inputs of
#           bench/hostile/make_inputs.py (nested HTML, many parts and
#           attachments, huge and encoded-word Subjects, deep multiparts and
#           enclosed messages) one after another, round after round.
# The receiver serves at most five sessions and the hostile sender takes
# one, so both rates are of four sessions. A and B alternate, ROUNDS times
# each, on one receiver; target: median B at least 0.8 x median A. The same
# runs then follow with pop-ups off, which shows what receiving and storing
# the hostile mail costs by itself.
# Every run checks that the arrival log has one line per acknowledged
# message and that the stored bytes of each sender's domain are what was
# sent; a mismatch fails the script.
#
# Environment (all optional):
#   BENCH_BUILD_DIR   build folder (default: build-e at the top of the checkout;
#                     configured as Release only when it has no CMake cache yet)
#   SECONDS_PER_RUN=5 ROUNDS=3
#   BENCH_COUNT=1000000  nested tags, parts and attachments of the inputs
#   POPUPS="1 0"      pop-ups on, then off
#   HOSTILE_PAUSE_MS=0   the hostile sender's pause after each 250
#   BENCH_NETNS=0     stay in the host's network namespace
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/bench/measuring.sh"
build=${BENCH_BUILD_DIR:-$root/build-e}
bin=$build/bin
SECONDS_PER_RUN=${SECONDS_PER_RUN:-5}
ROUNDS=${ROUNDS:-3}
BENCH_COUNT=${BENCH_COUNT:-1000000}
POPUPS=${POPUPS:-1 0}
HOSTILE_PAUSE_MS=${HOSTILE_PAUSE_MS:-0}
export BENCH_BUILD_DIR=$build SECONDS_PER_RUN ROUNDS BENCH_COUNT POPUPS HOSTILE_PAUSE_MS

if [[ "${1:-}" != --measure ]]; then
    [[ -f "$build/CMakeCache.txt" ]] ||
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    ninja -C "$build" -j2 Larkspur bench_engine_client >/dev/null
    exec_measuring_half $((600 + 4 * ROUNDS * (SECONDS_PER_RUN + 30))) 20
fi

enter_measuring_network
. "$here/receiver.sh"

work=$(mktemp -d "${BENCH_TMPDIR:-/var/tmp}/bench-popups-hostile.XXXXXX")
receiver_pid=""
sender_pid=""
Cleanup() {
    [[ -z "$sender_pid" ]] || kill -TERM "$sender_pid" 2>/dev/null || true
    StopReceiver
    rm -rf "$work"
}
trap Cleanup EXIT
trap 'exit 130' INT TERM HUP

python3 "$root/bench/hostile/make_inputs.py" "$work/in" --count "$BENCH_COUNT"
inputs=("$work"/in/*.txt)

# Stream OUT: four sessions of 1 KiB for SECONDS_PER_RUN.
Stream() {
    timeout -k 5 $((SECONDS_PER_RUN + 60)) "$bin/bench_engine_client" stream --port "$port" --sessions 4 \
        --bytes 1024 --seconds "$SECONDS_PER_RUN" --envelope each --server-pid "$receiver_pid" \
        >"$1" 2>"$1.err" </dev/null || Fail "four sessions: $(cat "$1.err")"
}

# Hostile OUT: Stream while the hostile sender sends.
Hostile() {
    python3 "$here/hostile_sender.py" --port "$port" --pause-ms "$HOSTILE_PAUSE_MS" --max-seconds $((SECONDS_PER_RUN + 600)) "${inputs[@]}" \
        >"$1.sender" 2>"$1.sender.err" </dev/null &
    sender_pid=$!
    for _ in $(seq 200); do
        grep -q '^started' "$1.sender" && break
        kill -0 "$sender_pid" 2>/dev/null || break
        sleep 0.05
    done
    grep -q '^started' "$1.sender" || Fail "the hostile sender did not start: $(cat "$1.sender.err")"
    Stream "$1"
    kill -USR1 "$sender_pid"
    wait "$sender_pid" || Fail "the hostile sender: $(cat "$1.sender.err")"
    sender_pid=""
}

# Checks DIR MESSAGES BENCH_BYTES HOSTILE_BYTES: log lines and stored bytes per domain.
Check() {
    local lines bench hostile
    lines=$(wc -l <"$1/mail/Larkspur.log")
    [[ $lines == "$2" ]] || Fail "$2 messages acknowledged, $lines arrival-log lines"
    bench=$(find "$1/mail/bench.example" -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%.0f", s }')
    [[ $bench == "$3" ]] || Fail "$3 bytes of 1 KiB messages acknowledged, $bench stored"
    hostile=$(find "$1/mail/hostile.example" -type f -printf '%s\n' 2>/dev/null | awk '{ s += $1 } END { printf "%.0f", s }')
    [[ $hostile == "$4" ]] || Fail "$4 bytes of hostile messages acknowledged, $hostile stored"
}

Median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "Pop-ups under hostile mail ($network; $(nproc) cores; inputs: ${#inputs[@]} files," \
    "$(du -sm "$work/in" | cut -f1) MB; pause after each ${HOSTILE_PAUSE_MS} ms; $SECONDS_PER_RUN s per run)" >&2
for popups in $POPUPS; do
    dir=$work/popups-$popups
    StartReceiver "$dir" "$popups"
    messages=0 bench_bytes=0 hostile_bytes=0
    : >"$dir/a" >"$dir/b"
    for round in $(seq "$ROUNDS"); do
        for run in a b; do
            out=$dir/$run$round
            echo "  load $(cut -d ' ' -f 1-3 /proc/loadavg)" >"$out.load"
            if [[ $run == a ]]; then Stream "$out"; else Hostile "$out"; fi
            kill -0 "$receiver_pid" 2>/dev/null || Fail "the receiver died"
            sent=$(Value messages "$out")
            messages=$((messages + sent))
            bench_bytes=$((bench_bytes + sent * $(Value message_bytes "$out")))
            if [[ $run == b ]]; then
                messages=$((messages + $(Value messages "$out.sender")))
                hostile_bytes=$((hostile_bytes + $(Value bytes "$out.sender")))
            fi
            Value messages_per_second "$out" >>"$dir/$run"
            printf '  pop-ups %s, round %s, %s: %6s msg/s, round trip p99 %6s ms, max %7s ms%s; %s\n' \
                "$([[ $popups == 1 ]] && echo on || echo off)" "$round" \
                "$([[ $run == a ]] && echo "alone       " || echo "with hostile")" \
                "$(Value messages_per_second "$out")" "$(Value round_trip_p99_ms "$out")" \
                "$(Value round_trip_max_ms "$out")" \
                "$([[ $run == b ]] && echo ", hostile: $(Value messages "$out.sender") messages, 250 after $(Value reply_mean_ms "$out.sender") ms mean, $(Value reply_max_ms "$out.sender") ms max")" \
                "$(cat "$out.load")" >&2
        done
    done
    peak_kib=$(awk '/^VmHWM:/ { print $2 }' "/proc/$receiver_pid/status")
    StopReceiver
    Check "$dir" "$messages" "$bench_bytes" "$hostile_bytes"
    a=$(Median <"$dir/a")
    b=$(Median <"$dir/b")
    printf '| %s | %s | %s | %s | %s MiB |\n' "$([[ $popups == 1 ]] && echo on || echo off)" "$a" "$b" \
        "$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.2f", b / a }')" $((peak_kib / 1024)) >>"$work/table"
    rm -rf "$dir/mail"
done
echo
echo "| pop-ups | 4 × 1 KiB alone, msg/s (median) | with the hostile sender | ratio (target ≥ 0.8 with pop-ups on) | peak RSS |"
echo "|---|---:|---:|---:|---:|"
cat "$work/table"
