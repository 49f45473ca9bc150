#!/usr/bin/env bash
# Arrival pop-ups under a flood. The built receiver runs with its window on
# Qt's offscreen platform and takes, from five sessions at once:
#   1. LARGE_MESSAGES messages of LARGE_MIB MiB with pop-ups on: its peak
#      memory (VmHWM), which the pop-up caps keep bounded;
#   2. SMALL_MESSAGES messages of 1 KiB, once with pop-ups off and once with
#      them on: the rates, and the ratio on/off.
# After every run the arrival-log lines are counted and every stored message
# is compared byte for byte with the first one (the load client sends the
# same message every time); a mismatch fails the script.
#
# Environment (all optional):
#   BENCH_BUILD_DIR   build folder (default: build-e at the top of the checkout;
#                     configured as Release only when it has no CMake cache yet)
#   LARGE_MESSAGES=1000 LARGE_MIB=5 SMALL_MESSAGES=10000
#   BENCH_NETNS=0     stay in the host's network namespace
#
# Everything talks to 127.0.0.1; where the system allows it, the measuring
# half runs in a private network namespace whose only interface is loopback.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/bench/measuring.sh"
build=${BENCH_BUILD_DIR:-$root/build-e}
bin=$build/bin
LARGE_MESSAGES=${LARGE_MESSAGES:-1000}
LARGE_MIB=${LARGE_MIB:-5}
SMALL_MESSAGES=${SMALL_MESSAGES:-10000}
export BENCH_BUILD_DIR=$build LARGE_MESSAGES LARGE_MIB SMALL_MESSAGES
sessions=5

if [[ "${1:-}" != --measure ]]; then
    [[ -f "$build/CMakeCache.txt" ]] ||
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    ninja -C "$build" -j2 Larkspur bench_engine_client
    exec_measuring_half $((900 + LARGE_MESSAGES * LARGE_MIB / 10)) 20
fi

enter_measuring_network
. "$here/receiver.sh"

# /var/tmp is on disk on every Debian system; /tmp may be a tmpfs.
work=$(mktemp -d "${BENCH_TMPDIR:-/var/tmp}/bench-popups.XXXXXX")
receiver_pid=""

trap 'StopReceiver; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM HUP

# CheckStored DIR MESSAGES BYTES: MESSAGES log lines, and every stored
# message equal to the first one, BYTES long (what the client sent of each).
CheckStored() {
    python3 - "$1/mail" "$2" "$3" <<'PY'
import os, sys
mail, messages, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
with open(os.path.join(mail, "Larkspur.log"), "rb") as log:
    lines = log.read().split(b"\r\n")[:-1]
if len(lines) != messages:
    sys.exit(f"{messages} messages acknowledged, {len(lines)} arrival-log lines")
reference, seen = None, 0
for path in sorted(set(lines)):
    with open(path, "rb") as stored:
        while chunk := stored.read(size):
            if reference is None:
                if len(chunk) != size or not chunk.endswith(b"\r\n.\r\n"):
                    sys.exit(f"{path.decode()}: the first message is not {size} bytes ending the data")
                reference = chunk
            if chunk != reference:
                sys.exit(f"{path.decode()}: message {seen + 1} differs from the first")
            seen += 1
if seen != messages:
    sys.exit(f"{messages} messages acknowledged, {seen} stored")
print(f"ok: {seen} messages byte-exact")
PY
}

# Run NAME DIALOG MESSAGES BYTES: one fresh receiver and one load; prints
# and records rate and peak memory.
Run() {
    local name=$1 dialog=$2 messages=$3 bytes=$4 dir=$work/$1
    StartReceiver "$dir" "$dialog"
    timeout -k 5 1800 "$bin/bench_engine_client" stream --port "$port" --sessions "$sessions" \
        --bytes "$bytes" --messages $((messages / sessions)) --envelope each \
        --server-pid "$receiver_pid" >"$dir/client" 2>"$dir/client.err" </dev/null ||
        { cat "$dir/client.err" >&2; Fail "$name: the load client failed"; }
    local peak_kib
    peak_kib=$(awk '/^VmHWM:/ { print $2 }' "/proc/$receiver_pid/status")
    kill -0 "$receiver_pid" 2>/dev/null || Fail "$name: the receiver died"
    StopReceiver
    local check
    check=$(CheckStored "$dir" "$messages" "$(Value message_bytes "$dir/client")") || Fail "$name: $check"
    rate[$name]=$(Value messages_per_second "$dir/client")
    peak[$name]=$((peak_kib / 1024))
    printf '  %-14s pop-ups %s  %8s msg/s  peak %5s MiB  %s\n' "$name" \
        "$([[ $dialog == 1 ]] && echo on || echo off)" "${rate[$name]}" "${peak[$name]}" "$check" >&2
    rm -rf "$dir"
}

declare -A rate peak
echo "Measuring ($network; load $(cut -d ' ' -f 1-3 /proc/loadavg)) ..." >&2
Run large-on 1 "$LARGE_MESSAGES" $((LARGE_MIB * 1024 * 1024))
Run small-off 0 "$SMALL_MESSAGES" 1024
Run small-on 1 "$SMALL_MESSAGES" 1024

ratio=$(awk -v on="${rate[small-on]}" -v off="${rate[small-off]}" 'BEGIN { printf "%.2f", on / off }')
echo
echo "| What | Measured | Target |"
echo "|---|---|---|"
echo "| Peak RSS, ${LARGE_MESSAGES} × ${LARGE_MIB} MiB with pop-ups on | ${peak[large-on]} MiB | under 400 MiB |"
echo "| Peak RSS, ${SMALL_MESSAGES} × 1 KiB with pop-ups on | ${peak[small-on]} MiB | under 400 MiB |"
echo "| Rate with pop-ups on ÷ off, 1 KiB | ${ratio} (${rate[small-on]} ÷ ${rate[small-off]} msg/s) | at least 0.5 |"
