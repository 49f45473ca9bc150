#!/usr/bin/env bash
# Engine benchmarks: builds the bench server and client (Release), then runs
#   1. one large message in fixed-size writes: first body byte to "250 OK",
#      and the server's peak memory;
#   2. several sessions sending small messages back to back: messages/s.
# Each benchmark gets a fresh server, so its peak memory is its own.
#
# Environment (all optional):
#   BENCH_BUILD_DIR   build folder (default: build-c at the top of the checkout)
#   LARGE_MIB=50 WRITE_KIB=64 SESSIONS=5 MESSAGE_BYTES=1024 STREAM_SECONDS=5
#   BENCH_NETNS=0     stay in the host's network namespace (see below)
#   BENCH_PIN=1       server on CPU 0, client on CPU 1 (taskset), so neither
#                     takes time from the other
#
# Everything talks to 127.0.0.1 only. The engine listens on every interface,
# so when unprivileged user namespaces are available the measuring half runs
# in a private network namespace whose only interface is loopback.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/bench/measuring.sh"
build=${BENCH_BUILD_DIR:-$root/build-c}
bin=$build/bin

LARGE_MIB=${LARGE_MIB:-50}
WRITE_KIB=${WRITE_KIB:-64}
SESSIONS=${SESSIONS:-5}
MESSAGE_BYTES=${MESSAGE_BYTES:-1024}
STREAM_SECONDS=${STREAM_SECONDS:-5}
BENCH_PIN=${BENCH_PIN:-0}
export BENCH_BUILD_DIR=$build LARGE_MIB WRITE_KIB SESSIONS MESSAGE_BYTES STREAM_SECONDS BENCH_PIN

if [[ "${1:-}" != --measure ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    ninja -C "$build" -j2 bench_engine_server bench_engine_client
    # The whole measuring half is bounded, whatever happens inside it.
    limit=$((STREAM_SECONDS + 240))
    exec_measuring_half "$limit" 10
fi

enter_measuring_network

server_cpu=()
client_cpu=()
placement="not pinned"
if [[ "$BENCH_PIN" == 1 ]] && command -v taskset >/dev/null && (($(nproc) >= 2)); then
    server_cpu=(taskset -c 0)
    client_cpu=(taskset -c 1)
    placement="server on CPU 0, client on CPU 1"
fi
load_before=$(cut -d ' ' -f 1 /proc/loadavg)

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-engine.XXXXXX")
server_pid=""
client_pid=""

StopServer() {
    stop_process "$server_pid" 100
    server_pid=""
}

Cleanup() {
    if [[ -n "$client_pid" ]]; then
        kill -TERM "$client_pid" 2>/dev/null || true
        wait "$client_pid" 2>/dev/null || true
    fi
    StopServer
    rm -rf "$work"
}
trap Cleanup EXIT
trap 'exit 130' INT TERM HUP

# Value KEY FILE: the last "KEY=value" in FILE.
Value() {
    sed -n "s/^$1=//p" "$2" | tail -n 1
}

# StartServer NAME: a fresh server; its output goes to $work/NAME.server.
StartServer() {
    local out=$work/$1.server
    "${server_cpu[@]}" "$bin/bench_engine_server" --port 0 --max-seconds $((STREAM_SECONDS + 200)) \
        >"$out" 2>"$work/$1.server.err" </dev/null &
    server_pid=$!
    for _ in $(seq 100); do
        if grep -q '^port=' "$out"; then
            port=$(Value port "$out")
            return 0
        fi
        kill -0 "$server_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "bench_engine_server did not start:" >&2
    cat "$work/$1.server.err" >&2
    return 1
}

# RunClient NAME ARGS...: the client against the running server. Run in the
# background and waited for, so a signal reaches the trap at once.
RunClient() {
    local name=$1 status=0
    shift
    "${client_cpu[@]}" timeout -k 5 $((STREAM_SECONDS + 120)) "$bin/bench_engine_client" "$@" \
        --port "$port" --server-pid "$server_pid" >"$work/$name.client" </dev/null &
    client_pid=$!
    wait "$client_pid" || status=$?
    client_pid=""
    if [[ $status != 0 ]]; then
        echo "bench_engine_client $* failed ($status)" >&2
        return 1
    fi
}

CheckServer() {
    local out=$work/$1.server errors
    errors=$(Value socket_errors "$out")
    if [[ "$errors" != 0 ]]; then
        echo "the server reported $errors socket errors:" >&2
        cat "$work/$1.server.err" >&2
        return 1
    fi
}

Kib2Mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
Verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v < t ? "ok" : "MISSED") }'; }

StartServer large
RunClient large large --mib "$LARGE_MIB" --write-kib "$WRITE_KIB"
StopServer
CheckServer large
largest=$(Value largest_message_bytes "$work/large.server")
expected=$((LARGE_MIB * 1048576 + 5))
if [[ "$largest" != "$expected" ]]; then
    echo "the server stored $largest bytes, expected $expected" >&2
    exit 1
fi

StartServer stream
RunClient stream stream --sessions "$SESSIONS" --bytes "$MESSAGE_BYTES" --seconds "$STREAM_SECONDS"
StopServer
CheckServer stream
sent=$(Value messages "$work/stream.client")
stored=$(Value messages "$work/stream.server")
if [[ "$sent" != "$stored" ]]; then
    echo "the client sent $sent messages, the server stored $stored" >&2
    exit 1
fi

L=$work/large.client
LS=$work/large.server
S=$work/stream.client
SS=$work/stream.server
large_ms=$(Value first_byte_to_ok_ms "$L")
peak_kib=$(Value peak_rss_kib "$LS")
peak_limit_kib=$((LARGE_MIB * 3 * 1024))

echo
echo "Engine benchmarks: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "Network: $network; $placement; load average (1 min) before/after: $load_before / $(cut -d ' ' -f 1 /proc/loadavg)"
printf '%-56s %14s %14s  %s\n' "Figure" "Value" "Target" ""
printf '%-56s %14s %14s  %s\n' "1. ${LARGE_MIB} MiB message, ${WRITE_KIB} KiB writes: first byte to 250" \
    "$large_ms ms" "< 1000 ms" "$(Verdict "$large_ms" 1000)"
printf '%-56s %14s %14s\n' "   of which the client's writes took" "$(Value body_sent_ms "$L") ms" ""
printf '%-56s %14s %14s  %s\n' "   server peak RSS (VmHWM)" "$(Kib2Mib "$peak_kib") MiB" \
    "< $((LARGE_MIB * 3)) MiB" "$(Verdict "$peak_kib" "$peak_limit_kib")"
printf '%-56s %14s %14s\n' "   server RSS when listening" "$(Kib2Mib "$(Value rss_kib_at_listen "$LS")") MiB" ""
printf '%-56s %14s %14s\n' "   peak growth over that, per message byte" \
    "$(awk -v p="$peak_kib" -v l="$(Value rss_kib_at_listen "$LS")" -v m="$LARGE_MIB" \
        'BEGIN { printf "%.2f", (p - l) / (m * 1024) }')" ""
printf '%-56s %14s %14s\n' "   CPU in the interval: server / client" \
    "$(Value server_cpu_s "$L") / $(Value client_cpu_s "$L") s" ""
printf '%-56s %14s %14s\n' "2. ${SESSIONS} sessions, ${MESSAGE_BYTES} B messages, ${STREAM_SECONDS} s: messages/s" \
    "$(Value messages_per_second "$S")" ""
printf '%-56s %14s %14s\n' "   messages stored" "$stored" ""
printf '%-56s %14s %14s\n' "   DATA to 250 round trip p50 / p99" \
    "$(Value round_trip_p50_ms "$S") / $(Value round_trip_p99_ms "$S") ms" ""
printf '%-56s %14s %14s\n' "   CPU of one core: server / client" \
    "$(Value server_cpu_percent "$S") / $(Value client_cpu_percent "$S") %" ""
printf '%-56s %14s %14s\n' "   server CPU per message" \
    "$(awk -v s="$(Value server_cpu_s "$S")" -v m="$stored" 'BEGIN { printf "%.1f", s * 1e6 / m }') us" ""
printf '%-56s %14s %14s\n' "   server peak RSS (VmHWM)" "$(Kib2Mib "$(Value peak_rss_kib "$SS")") MiB" ""
