#!/usr/bin/env bash
# Arrival pop-ups under hostile mail: the inputs of bench/hostile/make_inputs.py
# (nested HTML, many parts and attachments, huge and encoded-word Subjects,
# deep multiparts and enclosed messages, one-character lines), in three parts.
#
# 1. Each input made into three pop-ups by bench_popup_memory, as the
#    receiver makes them: the longest the thread went without returning to
#    its event loop, the time per pop-up until its text box is full, and
#    the memory per pop-up.
# 2. The rate. The built receiver runs with its window on Qt's offscreen
#    platform and pop-ups on (DIALOG=1). Four sessions send 1 KiB messages
#    (MAIL, RCPT and DATA each) for SECONDS_PER_RUN seconds:
#      rate A: alone;
#      rate B: while a fifth session (load_clients.py hostile) sends the
#              inputs one after another, round after round.
#    The receiver serves at most five sessions and the hostile sender takes
#    one, so both rates are of four sessions. A and B alternate, ROUNDS
#    times each, on one receiver; target: median B at least 0.8 x median A.
#    The same runs follow with pop-ups off: what receiving and storing the
#    hostile mail costs by itself.
# 3. The stalls. The hostile sender alone, each of its messages a pop-up,
#    for SECONDS_PER_RUN seconds, while another session (load_clients.py
#    noop) sends NOOP every 10 ms and times the replies; pop-ups on, then
#    off.
#
# Parts 2 and 3 check that the arrival log has one line per acknowledged
# message and that the bytes stored of each sender's domain are what was
# sent; a mismatch fails the script.
#
# Environment (all optional):
#   BENCH_BUILD_DIR   build folder (default: build-e at the top of the checkout;
#                     configured as Release only when it has no CMake cache yet)
#   SECONDS_PER_RUN=5 ROUNDS=3
#   BENCH_COUNT=1000000  nested tags, parts, attachments and lines of the inputs
#   HOSTILE_PAUSE_MS=0   the hostile sender's pause after each 250
#   POPUPS="1 0"      parts 2 and 3 with pop-ups on, then off
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
HOSTILE_PAUSE_MS=${HOSTILE_PAUSE_MS:-0}
POPUPS=${POPUPS:-1 0}
export BENCH_BUILD_DIR=$build SECONDS_PER_RUN ROUNDS BENCH_COUNT HOSTILE_PAUSE_MS POPUPS

if [[ "${1:-}" != --measure ]]; then
    [[ -f "$build/CMakeCache.txt" ]] ||
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    ninja -C "$build" -j2 Larkspur bench_engine_client bench_popup_memory >/dev/null
    exec_measuring_half $((900 + 6 * ROUNDS * (SECONDS_PER_RUN + 30))) 20
fi

enter_measuring_network
. "$here/receiver.sh"

work=$(mktemp -d "${BENCH_TMPDIR:-/var/tmp}/bench-popups-hostile.XXXXXX")
receiver_pid=""
helpers=()
Cleanup() {
    local pid
    for pid in "${helpers[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    StopReceiver
    rm -rf "$work"
}
trap Cleanup EXIT
trap 'exit 130' INT TERM HUP

python3 "$root/bench/hostile/make_inputs.py" "$work/in" --count "$BENCH_COUNT"
inputs=("$work"/in/*.txt)
On() { [[ $1 == 1 ]] && echo on || echo off; }
Median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
Sum() { find "$@" -type f -printf '%s\n' 2>/dev/null | awk '{ s += $1 } END { printf "%.0f", s }'; }

# Helper OUT CLIENT ARGS...: a client of load_clients.py in the background,
# once it printed "started"; its pid is the last of `helpers`.
Helper() {
    local out=$1 client=$2
    shift 2
    python3 "$here/load_clients.py" "$client" --port "$port" --max-seconds $((SECONDS_PER_RUN + 600)) "$@" \
        >"$out" 2>"$out.err" </dev/null &
    helpers+=($!)
    for _ in $(seq 200); do
        grep -qs '^started' "$out" && return 0
        kill -0 "${helpers[-1]}" 2>/dev/null || break
        sleep 0.05
    done
    Fail "the $client client did not start: $(cat "$out.err")"
}

# StopHelpers: SIGUSR1 to each, which ends its session and prints its figures.
StopHelpers() {
    local pid
    for pid in "${helpers[@]}"; do
        kill -USR1 "$pid"
        wait "$pid" || Fail "a client failed: $(cat "$work"/*.err "$work"/*/*.err 2>/dev/null)"
    done
    helpers=()
}

# Stream OUT: four sessions of 1 KiB for SECONDS_PER_RUN.
Stream() {
    timeout -k 5 $((SECONDS_PER_RUN + 60)) "$bin/bench_engine_client" stream --port "$port" --sessions 4 \
        --bytes 1024 --seconds "$SECONDS_PER_RUN" --envelope each --server-pid "$receiver_pid" \
        >"$1" 2>"$1.err" </dev/null || Fail "four sessions: $(cat "$1.err")"
}

# Check DIR MESSAGES BENCH_BYTES HOSTILE_BYTES: log lines and stored bytes per domain.
Check() {
    local lines
    lines=$(wc -l <"$1/mail/Larkspur.log")
    [[ $lines == "$2" ]] || Fail "$2 messages acknowledged, $lines arrival-log lines"
    [[ $(Sum "$1/mail/bench.example") == "$3" ]] || Fail "$3 bytes of 1 KiB messages acknowledged, $(Sum "$1/mail/bench.example") stored"
    [[ $(Sum "$1/mail/hostile.example") == "$4" ]] || Fail "$4 bytes of hostile messages acknowledged, $(Sum "$1/mail/hostile.example") stored"
}

echo "$(nproc) cores, $network; inputs: ${#inputs[@]} files, $(du -sm "$work/in" | cut -f1) MB;" \
    "the hostile sender pauses ${HOSTILE_PAUSE_MS} ms after each 250; $SECONDS_PER_RUN s per run"
echo
echo "1. Pop-ups of each input (load average $(cut -d ' ' -f 1-3 /proc/loadavg))"
echo
echo "| input | size | longest without the event loop | per pop-up | memory per pop-up |"
echo "|---|---:|---:|---:|---:|"
for input in "${inputs[@]}"; do
    "$bin/bench_popup_memory" --file "$input" --popups 3 >"$work/one" 2>/dev/null </dev/null ||
        Fail "bench_popup_memory on $input"
    printf '| %s | %s MB | %s ms | %s ms | %s MiB |\n' "$(basename "$input" .txt)" \
        "$(awk -v s="$(stat -c %s "$input")" 'BEGIN { printf "%.1f", s / 1e6 }')" \
        "$(Value longest_gap_ms "$work/one")" "$(Value ms_per_popup "$work/one")" \
        "$(awk -v k="$(Value per_popup_kib "$work/one")" 'BEGIN { printf "%.1f", k / 1024 }')"
done

echo
echo "2. Four sessions of 1 KiB messages, alone and with the hostile sender"
echo
for popups in $POPUPS; do
    dir=$work/rate-$popups
    StartReceiver "$dir" "$popups"
    messages=0 bench_bytes=0 hostile_bytes=0
    for round in $(seq "$ROUNDS"); do
        for run in alone hostile; do
            out=$dir/$run$round
            load=$(cut -d ' ' -f 1-3 /proc/loadavg)
            if [[ $run == hostile ]]; then
                Helper "$out.sender" hostile --pause-ms "$HOSTILE_PAUSE_MS" "${inputs[@]}"
                Stream "$out"
                StopHelpers
                messages=$((messages + $(Value messages "$out.sender")))
                hostile_bytes=$((hostile_bytes + $(Value bytes "$out.sender")))
                sender=", hostile: $(Value messages "$out.sender") messages, 250 after $(Value reply_mean_ms "$out.sender") ms mean, $(Value reply_max_ms "$out.sender") ms max"
            else
                Stream "$out"
                sender=""
            fi
            kill -0 "$receiver_pid" 2>/dev/null || Fail "the receiver died"
            sent=$(Value messages "$out")
            messages=$((messages + sent))
            bench_bytes=$((bench_bytes + sent * $(Value message_bytes "$out")))
            Value messages_per_second "$out" >>"$dir/$run"
            printf '    pop-ups %-3s %-7s %6s msg/s, round trip p99 %6s ms, max %7s ms%s; load %s\n' "$(On "$popups")" \
                "$run" "$(Value messages_per_second "$out")" "$(Value round_trip_p99_ms "$out")" \
                "$(Value round_trip_max_ms "$out")" "$sender" "$load"
        done
    done
    peak_kib=$(awk '/^VmHWM:/ { print $2 }' "/proc/$receiver_pid/status")
    StopReceiver
    Check "$dir" "$messages" "$bench_bytes" "$hostile_bytes"
    alone=$(Median <"$dir/alone")
    hostile=$(Median <"$dir/hostile")
    printf '| %s | %s | %s | %s | %s MiB |\n' "$(On "$popups")" "$alone" "$hostile" \
        "$(awk -v a="$alone" -v b="$hostile" 'BEGIN { printf "%.2f", b / a }')" $((peak_kib / 1024)) >>"$work/rates"
    rm -rf "$dir/mail"
done
echo
echo "| pop-ups | alone, msg/s (median) | with the hostile sender | ratio (target ≥ 0.8 with pop-ups on) | peak RSS |"
echo "|---|---:|---:|---:|---:|"
cat "$work/rates"

echo
echo "3. NOOP every 10 ms while the hostile sender sends (load average $(cut -d ' ' -f 1-3 /proc/loadavg))"
echo
echo "| pop-ups | hostile messages | NOOP replies | p50 | p99 | longest |"
echo "|---|---:|---:|---:|---:|---:|"
for popups in $POPUPS; do
    dir=$work/stall-$popups
    StartReceiver "$dir" "$popups"
    Helper "$dir/prober" noop --interval-ms 10
    Helper "$dir/sender" hostile --pause-ms "$HOSTILE_PAUSE_MS" "${inputs[@]}"
    sleep "$SECONDS_PER_RUN"
    StopHelpers
    kill -0 "$receiver_pid" 2>/dev/null || Fail "the receiver died"
    StopReceiver
    Check "$dir" "$(Value messages "$dir/sender")" 0 "$(Value bytes "$dir/sender")"
    printf '| %s | %s | %s | %s ms | %s ms | %s ms |\n' "$(On "$popups")" "$(Value messages "$dir/sender")" \
        "$(Value probes "$dir/prober")" "$(Value reply_p50_ms "$dir/prober")" \
        "$(Value reply_p99_ms "$dir/prober")" "$(Value reply_max_ms "$dir/prober")"
    rm -rf "$dir/mail"
done
