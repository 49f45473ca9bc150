#!/usr/bin/env bash
# Slow-client check of the built receiver Larkspur: does a client that sends
# its message one byte per write hold up the other sessions?
#   rate A: four sessions of 1 KiB messages (MAIL/RCPT/DATA each) for
#           SECONDS_PER_RUN seconds;
#   rate B: the same four sessions while a fifth client writes one long
#           message a byte at a time, pausing between bytes, for the whole
#           run (trickle_client.py).
# Both rates and the change are printed, not judged: the machine is shared.
# The script fails (exit 1) only when something does not work: a message not
# acknowledged, the receiver gone, the slow message not stored whole, or the
# arrival log not holding one line per acknowledged message.
#
# Environment (all optional):
#   SECONDS_PER_RUN=5  length of each run (CI: 2)
#   PAUSE_MS=1         pause between the slow client's bytes
#   BENCH_BUILD_DIR    build folder (default: build-e at the top of the
#                      checkout; configured as Release only when it has no
#                      CMake cache yet, otherwise built as it is)
#   BENCH_NETNS=0      stay in the host's network namespace
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/bench/measuring.sh"
build=${BENCH_BUILD_DIR:-$root/build-e}
bin=$build/bin
SECONDS_PER_RUN=${SECONDS_PER_RUN:-5}
PAUSE_MS=${PAUSE_MS:-1}
export BENCH_BUILD_DIR=$build SECONDS_PER_RUN PAUSE_MS
python=/usr/bin/python3

if [[ "${1:-}" != --measure ]]; then
    [[ -f "$build/CMakeCache.txt" ]] ||
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    ninja -C "$build" -j2 Larkspur bench_engine_client >/dev/null
    limit=$((4 * SECONDS_PER_RUN + 60))
    exec_measuring_half "$limit" 10
fi

enter_measuring_network

work=$(mktemp -d "${BENCH_TMPDIR:-/var/tmp}/bench-slow-client.XXXXXX")
receiver_pid=""
client_pid=""
trickle_pid=""

Cleanup() {
    local pid
    for pid in "$client_pid" "$trickle_pid"; do
        [[ -n "$pid" ]] || continue
        kill -TERM "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    if [[ -n "$receiver_pid" ]]; then
        kill -TERM "$receiver_pid" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$receiver_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$receiver_pid" 2>/dev/null || true
        wait "$receiver_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap Cleanup EXIT
trap 'exit 130' INT TERM HUP

Fail() {
    echo "slow_client: FAILED: $*" >&2
    exit 1
}

Value() {
    sed -n "s/^$1=//p" "$2" | tail -n 1
}

CheckAlive() {
    kill -0 "$receiver_pid" 2>/dev/null || Fail "Larkspur is no longer running ($1)"
}

# The receiver, as a user would run it: its own folder, its settings file
# beside it, a storage folder on disk, no pop-up, no sound.
port=$("$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cp "$bin/Larkspur" "$work/Larkspur"
mkdir "$work/mail" "$work/runtime"
chmod 700 "$work/runtime"
printf '[SMTP]\r\nPORT=%s\r\nFOLDER=%s\r\nWAVFILE=\r\nDIALOG=0\r\nSOUND=0\r\n' \
    "$port" "$work/mail" >"$work/Larkspur.ini"
(cd "$work" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" \
    exec "$work/Larkspur" >"$work/receiver.out" 2>"$work/receiver.err" </dev/null) &
receiver_pid=$!
for _ in $(seq 100); do
    [[ -n "$(ss -Hltn "sport = :$port")" ]] && break
    kill -0 "$receiver_pid" 2>/dev/null || break
    sleep 0.1
done
[[ -n "$(ss -Hltn "sport = :$port")" ]] || Fail "Larkspur did not listen on port $port: $(cat "$work/receiver.err")"

# Stream OUT: four sessions for SECONDS_PER_RUN; every message acknowledged.
Stream() {
    local status=0
    timeout -k 5 $((SECONDS_PER_RUN + 60)) "$bin/bench_engine_client" stream --port "$port" \
        --sessions 4 --bytes 1024 --seconds "$SECONDS_PER_RUN" --envelope each \
        --server-pid "$receiver_pid" >"$1" 2>"$1.err" </dev/null &
    client_pid=$!
    wait "$client_pid" || status=$?
    client_pid=""
    [[ $status == 0 ]] || Fail "four sessions: $(cat "$1.err") (exit $status)"
}

Stream "$work/a"
CheckAlive "after run A"

"$python" "$here/trickle_client.py" --port "$port" --copy "$work/slow.sent" --pause-ms "$PAUSE_MS" \
    --max-seconds $((SECONDS_PER_RUN + 30)) >"$work/slow" 2>"$work/slow.err" </dev/null &
trickle_pid=$!
for _ in $(seq 100); do
    grep -q '^body_started' "$work/slow" && break
    kill -0 "$trickle_pid" 2>/dev/null || break
    sleep 0.05
done
grep -q '^body_started' "$work/slow" || Fail "the slow client did not start its message: $(cat "$work/slow.err")"
Stream "$work/b"
CheckAlive "after run B"
kill -USR1 "$trickle_pid" 2>/dev/null || true
status=0
wait "$trickle_pid" || status=$?
trickle_pid=""
[[ $status == 0 ]] || Fail "the slow client: $(cat "$work/slow.err") (exit $status)"
CheckAlive "after the slow message"
# The slow client stopped on the signal, so it was sending during all of run B.
[[ "$(Value stopped_by "$work/slow")" == signal ]] ||
    echo "note: the slow client ran out of time before run B ended" >&2

# What was acknowledged is stored: one log line per message, the slow
# message whole in its own domain folder.
sent_a=$(Value messages "$work/a")
sent_b=$(Value messages "$work/b")
lines=$(wc -l <"$work/mail/Larkspur.log")
[[ "$lines" == $((sent_a + sent_b + 1)) ]] ||
    Fail "$((sent_a + sent_b + 1)) messages acknowledged, $lines arrival-log lines"
mapfile -t slow_files < <(find "$work/mail/slow.example" -type f 2>/dev/null)
[[ ${#slow_files[@]} == 1 ]] || Fail "expected one message file from slow.example, found ${#slow_files[@]}"
cmp -s "$work/slow.sent" "${slow_files[0]}" ||
    Fail "the slow message was not stored as sent ($(stat -c %s "${slow_files[0]}") of $(Value bytes "$work/slow") bytes)"
stored_bench=$(find "$work/mail/bench.example" -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%.0f\n", s }')
each=$(Value message_bytes "$work/a")
[[ "$stored_bench" == $(((sent_a + sent_b) * each)) ]] ||
    Fail "$(((sent_a + sent_b) * each)) bytes of 1 KiB messages acknowledged, $stored_bench stored"

rate_a=$(Value messages_per_second "$work/a")
rate_b=$(Value messages_per_second "$work/b")
echo "Slow client: $(nproc) cores, load average $(cut -d ' ' -f 1-3 /proc/loadavg), ${SECONDS_PER_RUN} s per run"
echo "rate A, 4 sessions × 1 KiB:                   $rate_a messages/s (p99 $(Value round_trip_p99_ms "$work/a") ms)"
echo "rate B, the same with a byte-by-byte client:  $rate_b messages/s (p99 $(Value round_trip_p99_ms "$work/b") ms)"
echo "change: $(awk -v a="$rate_a" -v b="$rate_b" 'BEGIN { printf "%+.1f %%", 100 * (b - a) / a }')"
echo "slow message: $(Value bytes "$work/slow") bytes in as many writes over $(Value body_seconds "$work/slow") s, stored whole"
echo "receiver CPU of one core, A / B: $(Value server_cpu_percent "$work/a") / $(Value server_cpu_percent "$work/b") %"
