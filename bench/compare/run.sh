#!/usr/bin/env bash
# Side by side: the built receiver Larkspur, postfix's smtp-sink (stores
# nothing: what the protocol costs over loopback) and a file-writing mail drop
# on aiosmtpd (aiosmtpd_drop.py: the receiver's work in Python), each under
# the same load client (bench_engine_client, MAIL/RCPT/DATA per message) and
# the same workloads:
#   1 session of 1 KiB messages, 5 sessions of 1 KiB, 5 sessions of 100 KiB,
#   one 50 MiB message in 64 KiB writes, the same in one write, and five
#   99 MiB messages at once on five connections.
# Every receiver and workload gets a fresh receiver process, so the peak
# memory (VmHWM) is that run's own. After every run of Larkspur and of the
# drop the stored messages are counted (arrival-log lines) and their bytes
# summed; a mismatch fails the script.
#
# Environment (all optional):
#   BENCH_BUILD_DIR   build folder (default: build-e at the top of the
#                     checkout; configured as Release only when it has no
#                     CMake cache yet, otherwise built as it is)
#   SECONDS_PER_RUN=5 length of each multi-message run
#   LARGE_MIB=50      size of the single large message
#   LARGE_REPEATS=3   fresh runs of the large message per receiver (median)
#   RECEIVERS="larkspur smtp-sink aiosmtpd"   which receivers to run (also
#                     larkspur-glib: Larkspur on the GLib event dispatcher)
#   WORKLOADS="s1k1 s5k1 s5k100 large large1w large5x99"   which workloads to run
#   BENCH_PIN=1       receiver on CPU 0, client on CPU 1
#   BENCH_NETNS=0     stay in the host's network namespace (see below)
#   BENCH_INSTALL=0   do not install missing Debian packages
#
# Everything talks to 127.0.0.1. Larkspur listens on every interface, so
# the measuring half runs in a private network namespace whose only
# interface is loopback when the system allows it.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/bench/measuring.sh"
build=${BENCH_BUILD_DIR:-$root/build-e}
bin=$build/bin

SECONDS_PER_RUN=${SECONDS_PER_RUN:-5}
LARGE_MIB=${LARGE_MIB:-50}
RECEIVERS=${RECEIVERS:-larkspur smtp-sink aiosmtpd}
WORKLOADS=${WORKLOADS:-s1k1 s5k1 s5k100 large large1w large5x99}
LARGE_REPEATS=${LARGE_REPEATS:-3}
BENCH_PIN=${BENCH_PIN:-0}
export BENCH_BUILD_DIR=$build SECONDS_PER_RUN LARGE_MIB LARGE_REPEATS RECEIVERS WORKLOADS BENCH_PIN

# Debian's interpreter: the aiosmtpd package installs into it, whatever
# python3 comes first on PATH.
python=/usr/bin/python3
sink=/usr/sbin/smtp-sink

if [[ "${1:-}" != --measure ]]; then
    if [[ "${BENCH_INSTALL:-1}" != 0 ]]; then
        [[ -x "$sink" ]] || "$root/tools/install-test-clients.sh"
        if [[ " $RECEIVERS " == *" aiosmtpd "* ]] && ! "$python" -c 'import aiosmtpd' 2>/dev/null; then
            . "$root/tools/packages.sh"
            install_packages python3-aiosmtpd
        fi
    fi
    [[ -f "$build/CMakeCache.txt" ]] ||
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    ninja -C "$build" -j2 Larkspur bench_engine_client
    # The whole measuring half is bounded, whatever happens inside it.
    limit=$((12 * (SECONDS_PER_RUN + 30) + 3 * 90 * LARGE_REPEATS))
    exec_measuring_half "$limit" 20
fi

enter_measuring_network

for need in "$bin/Larkspur" "$bin/bench_engine_client" "$sink"; do
    [[ -x "$need" ]] || { echo "missing: $need" >&2; exit 1; }
done
[[ " $RECEIVERS " != *" aiosmtpd "* ]] || "$python" -c 'import aiosmtpd' || { echo "$python has no aiosmtpd (Debian: python3-aiosmtpd)" >&2; exit 1; }

receiver_cpu=()
client_cpu=()
placement="not pinned"
if [[ "$BENCH_PIN" == 1 ]] && command -v taskset >/dev/null && (($(nproc) >= 2)); then
    receiver_cpu=(taskset -c 0)
    client_cpu=(taskset -c 1)
    placement="receiver on CPU 0, client on CPU 1"
fi

# /var/tmp is on disk on every Debian system; /tmp may be a tmpfs.
work=$(mktemp -d "${BENCH_TMPDIR:-/var/tmp}/bench-compare.XXXXXX")
results=$work/results.tsv
: >"$results"
receiver_pid=""
client_pid=""

StopReceiver() {
    stop_process "$receiver_pid"
    receiver_pid=""
}

Cleanup() {
    if [[ -n "$client_pid" ]]; then
        kill -TERM "$client_pid" 2>/dev/null || true
        wait "$client_pid" 2>/dev/null || true
    fi
    StopReceiver
    rm -rf "$work"
}
trap Cleanup EXIT
trap 'exit 130' INT TERM HUP

Fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# Value KEY FILE: the last "KEY=value" in FILE.
Value() {
    sed -n "s/^$1=//p" "$2" | tail -n 1
}

FreePort() {
    "$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# WaitListening PORT: until something listens there (no connection is made,
# so no session slot is taken), at most 10 s.
WaitListening() {
    for _ in $(seq 100); do
        [[ -n "$(ss -Hltn "sport = :$1")" ]] && return 0
        kill -0 "$receiver_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# StartReceiver KIND DIR: a fresh receiver of that kind with its files in DIR;
# sets receiver_pid and port.
StartReceiver() {
    local kind=$1 dir=$2
    mkdir -p "$dir"
    port=$(FreePort)
    case $kind in
    larkspur | larkspur-glib)
        # larkspur-glib: the same program on the GLib event dispatcher
        # (QT_NO_GLIB set but empty), to weigh the program's own choice.
        local dispatcher=()
        [[ "$kind" == larkspur-glib ]] && dispatcher=(env QT_NO_GLIB=)
        cp "$bin/Larkspur" "$dir/Larkspur"
        mkdir "$dir/mail" "$dir/runtime"
        chmod 700 "$dir/runtime"
        printf '[SMTP]\r\nPORT=%s\r\nFOLDER=%s\r\nWAVFILE=\r\nDIALOG=0\r\nSOUND=0\r\n' \
            "$port" "$dir/mail" >"$dir/Larkspur.ini"
        (cd "$dir" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$dir/runtime" \
            exec "${dispatcher[@]}" "${receiver_cpu[@]}" "$dir/Larkspur" >"$dir/out" 2>"$dir/err" </dev/null) &
        ;;
    smtp-sink)
        # Must drop to a user when started as root; the current one will do.
        "${receiver_cpu[@]}" "$sink" -u "$(id -un)" "127.0.0.1:$port" 256 \
            >"$dir/out" 2>"$dir/err" </dev/null &
        ;;
    aiosmtpd)
        mkdir "$dir/mail"
        "${receiver_cpu[@]}" "$python" "$here/aiosmtpd_drop.py" --port "$port" --folder "$dir/mail" \
            --max-seconds $((SECONDS_PER_RUN + 300)) >"$dir/out" 2>"$dir/err" </dev/null &
        ;;
    esac
    receiver_pid=$!
    # taskset and the subshell exec into the receiver, so the pid is its own.
    if ! WaitListening "$port"; then
        cat "$dir/err" >&2
        Fail "$kind did not start listening on 127.0.0.1:$port"
    fi
}

# RunClient OUT ARGS...: the load client against the running receiver. Run
# in the background and waited for, so a signal reaches the trap at once.
RunClient() {
    local out=$1 status=0
    shift
    "${client_cpu[@]}" timeout -k 5 $((SECONDS_PER_RUN + 120)) "$bin/bench_engine_client" "$@" \
        --port "$port" --server-pid "$receiver_pid" >"$out" 2>"$out.err" </dev/null &
    client_pid=$!
    wait "$client_pid" || status=$?
    client_pid=""
    if [[ $status != 0 ]]; then
        cat "$out.err" >&2
        Fail "bench_engine_client $* against $kind ($status)"
    fi
}

# SumFileBytes DIR [EXCLUDED NAME]: total size of the regular files below DIR,
# hidden folders (Larkspur's spool, with its lock and journal) left out.
SumFileBytes() {
    find "$1" -mindepth 1 -name '.*' -prune -o -type f ! -name "${2:-/}" -printf '%s\n' |
        awk '{ s += $1 } END { printf "%.0f\n", s }'
}

# CheckStored KIND DIR MESSAGES BYTES_PER_MESSAGE: what the receiver stored
# matches what the client had acknowledged.
CheckStored() {
    local kind=$1 dir=$2 messages=$3 each=$4 log lines bytes expected missing
    case $kind in
    larkspur | larkspur-glib) log=$dir/mail/Larkspur.log ;;
    aiosmtpd) log=$dir/mail/arrivals.log ;;
    *) echo "nothing stored"; return 0 ;;
    esac
    lines=$(wc -l <"$log" 2>/dev/null || echo 0)
    bytes=$(SumFileBytes "$dir/mail" "$(basename "$log")")
    expected=$((messages * each))
    [[ "$lines" == "$messages" ]] || Fail "$kind: $messages messages acknowledged, $lines arrival-log lines"
    [[ "$bytes" == "$expected" ]] || Fail "$kind: $expected bytes acknowledged, $bytes bytes stored"
    missing=$(tr -d '\r' <"$log" | sort -u | while IFS= read -r path; do
        [[ -f "$path" ]] || echo "$path"
    done | head -n 1)
    [[ -z "$missing" ]] || Fail "$kind: the arrival log names a missing file: $missing"
    echo "ok: $lines lines, $bytes bytes"
}

# Measure WORKLOAD KIND CLIENT-ARGS...: one fresh receiver, one client run;
# appends a line to the results.
Measure() {
    local workload=$1
    kind=$2
    shift 2
    local dir=$work/$workload.$kind out
    out=$dir/client
    StartReceiver "$kind" "$dir"
    RunClient "$out" "$@" --envelope each
    local peak_kib
    peak_kib=$(awk '/^VmHWM:/ { print $2 }' "/proc/$receiver_pid/status")
    kill -0 "$receiver_pid" 2>/dev/null || Fail "$kind died during the run"
    StopReceiver
    if [[ "$kind" == aiosmtpd && "$(Value messages "$dir/out")" == "" ]]; then
        Fail "the aiosmtpd drop did not stop cleanly: $(cat "$dir/err")"
    fi

    local mode messages per_second mb_per_second client_s client_pct server_pct each check
    mode=$(Value mode "$out")
    if [[ "$mode" == large ]]; then
        local ms body
        ms=$(Value first_byte_to_ok_ms "$out")
        body=$(Value body_bytes "$out")
        messages=$(Value messages "$out")
        per_second=$(awk -v ms="$ms" -v n="$messages" 'BEGIN { printf "%.2f", n * 1000 / ms }')
        mb_per_second=$(awk -v ms="$ms" -v n="$messages" -v b="$body" 'BEGIN { printf "%.1f", n * b / 1e6 / (ms / 1000) }')
        client_s=$(Value client_cpu_s "$out")
        client_pct=$(awk -v c="$client_s" -v ms="$ms" 'BEGIN { printf "%.0f", 100 * c / (ms / 1000) }')
        server_pct=$(awk -v c="$(Value server_cpu_s "$out")" -v ms="$ms" 'BEGIN { printf "%.0f", 100 * c / (ms / 1000) }')
        # Larkspur keeps the end-of-data line; aiosmtpd hands over the lines
        # before it.
        each=$((body + 5))
        [[ "$kind" == aiosmtpd ]] && each=$((body + 2))
    else
        local size
        size=$(Value message_bytes "$out")
        messages=$(Value messages "$out")
        per_second=$(Value messages_per_second "$out")
        mb_per_second=$(awk -v r="$per_second" -v b="$size" 'BEGIN { printf "%.1f", r * b / 1e6 }')
        client_s=$(Value client_cpu_s "$out")
        client_pct=$(Value client_cpu_percent "$out")
        server_pct=$(Value server_cpu_percent "$out")
        each=$size
        [[ "$kind" == aiosmtpd ]] && each=$((size - 3))
    fi
    check=$(CheckStored "$kind" "$dir" "$messages" "$each")
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$workload" "$kind" "$per_second" "$mb_per_second" \
        "$peak_kib" "$server_pct" "$client_s" "$client_pct" "$messages" "$check" >>"$results"
    printf '  %-12s %-10s %10s msg/s %8s MB/s  peak %6s KiB  receiver %3s %%  client %s s (%s %%)  %s\n' \
        "$workload" "$kind" "$per_second" "$mb_per_second" "$peak_kib" "$server_pct" "$client_s" \
        "$client_pct" "$check" >&2
    # The stored messages have been checked: free the disk, and let the
    # writeback of this run finish before the next one starts.
    rm -rf "$dir"
    sync -f "$work"
}

load_before=$(cut -d ' ' -f 1-3 /proc/loadavg)
mkdir "$work/probe"
storage_fs=$(findmnt -n -o FSTYPE -T "$work/probe" 2>/dev/null || stat -f -c %T "$work/probe")
echo "Measuring ($network; $placement; ${SECONDS_PER_RUN} s per multi-message run) ..." >&2

read -r -a workloads <<<"$WORKLOADS"
declare -A label=(
    [s1k1]="1 session × 1 KiB"
    [s5k1]="5 sessions × 1 KiB"
    [s5k100]="5 sessions × 100 KiB"
    [large]="1 × ${LARGE_MIB} MiB message"
    [large1w]="1 × ${LARGE_MIB} MiB message in one write"
    [large5x99]="5 × 99 MiB messages at once"
)
# The large workloads: the load client's arguments.
declare -A large_args=(
    [large]="--mib $LARGE_MIB --write-kib 64"
    [large1w]="--mib $LARGE_MIB --write-kib $((LARGE_MIB * 1024))"
    [large5x99]="--mib 99 --write-kib 64 --sessions 5"
)
for workload in "${workloads[@]}"; do
    if [[ -n "${large_args[$workload]:-}" ]]; then
        # One message is over in a fraction of a second, so a single run is
        # at the mercy of whatever else the machine does: each receiver gets
        # LARGE_REPEATS fresh runs, taken in turns, and the median counts.
        for ((repeat = 1; repeat <= LARGE_REPEATS; repeat++)); do
            for kind in $RECEIVERS; do
                results=$work/$workload.$kind.tsv
                # shellcheck disable=SC2086
                Measure "$workload" "$kind" large ${large_args[$workload]}
            done
        done
        results=$work/results.tsv
        for kind in $RECEIVERS; do
            sort -t $'\t' -k 3,3g "$work/$workload.$kind.tsv" | sed -n "$(((LARGE_REPEATS + 1) / 2))p" >>"$results"
        done
        continue
    fi
    for kind in $RECEIVERS; do
        case $workload in
        s1k1) Measure "$workload" "$kind" stream --sessions 1 --bytes 1024 --seconds "$SECONDS_PER_RUN" ;;
        s5k1) Measure "$workload" "$kind" stream --sessions 5 --bytes 1024 --seconds "$SECONDS_PER_RUN" ;;
        s5k100) Measure "$workload" "$kind" stream --sessions 5 --bytes 102400 --seconds "$SECONDS_PER_RUN" ;;
        *) Fail "unknown workload $workload" ;;
        esac
    done
done
load_after=$(cut -d ' ' -f 1-3 /proc/loadavg)

# Rate WORKLOAD KIND: its messages/s, empty when not measured.
Rate() {
    awk -F '\t' -v w="$1" -v k="$2" '$1 == w && $2 == k { print $3 }' "$results"
}
# Target NAME VALUE MINIMUM [CEILING]: one row of the targets table; the
# ceiling is what smtp-sink, which stores nothing, reaches on the same scale.
Target() {
    local verdict
    if [[ -z "$2" ]]; then
        verdict="not measured"
    else
        verdict=$(awk -v v="$2" -v m="$3" 'BEGIN { print (v >= m ? "met" : "MISSED") }')
    fi
    printf '| %s | %s | %s | ≥ %s | %s |\n' "$1" "${2:--}" "${4:--}" "$3" "$verdict"
}
Ratio() {
    [[ -n "$1" && -n "$2" ]] || return 0
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}

echo
echo "Side by side: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
    "$(awk '/^MemTotal:/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)"
echo "Network: $network; $placement; storage on $storage_fs ($work)"
echo "Load average before: $load_before; after: $load_after"
echo "Client: bench_engine_client, MAIL/RCPT/DATA per message, ${SECONDS_PER_RUN} s per multi-message run"
echo
echo "| Workload | Receiver | messages/s | MB/s | peak RSS (VmHWM) | receiver CPU | client CPU | stored |"
echo "|---|---|---:|---:|---:|---:|---:|---|"
awk -F '\t' '
    function Grouped(n,    s) {
        s = sprintf("%.0f", n)
        while (s ~ /[0-9][0-9][0-9][0-9]/) {
            sub(/[0-9][0-9][0-9]($|,)/, ",&", s)
        }
        return s
    }
    BEGIN {
        name["s1k1"] = "1 session × 1 KiB"; name["s5k1"] = "5 sessions × 1 KiB"
        name["s5k100"] = "5 sessions × 100 KiB"
        name["large"] = "1 × '"$LARGE_MIB"' MiB in 64 KiB writes (median of '"$LARGE_REPEATS"')"
        name["large1w"] = "1 × '"$LARGE_MIB"' MiB in one write (median of '"$LARGE_REPEATS"')"
        name["large5x99"] = "5 × 99 MiB at once (median of '"$LARGE_REPEATS"')"
    }
    {
        rate = ($1 ~ /^large/) ? $3 : Grouped($3)
        printf "| %s | %s | %s | %s | %.1f MiB | %s %% | %s s (%s %%) | %s |\n",
            name[$1], $2, rate, $4, $5 / 1024, $6, $7, $8, $10
    }' "$results"

echo
echo "| Target | Larkspur | smtp-sink in its place | Needed | |"
echo "|---|---:|---:|---:|---|"
for workload in "${workloads[@]}"; do
    Target "÷ aiosmtpd drop, ${label[$workload]}" \
        "$(Ratio "$(Rate "$workload" larkspur)" "$(Rate "$workload" aiosmtpd)")" 5 \
        "$(Ratio "$(Rate "$workload" smtp-sink)" "$(Rate "$workload" aiosmtpd)")"
done
Target "÷ smtp-sink, 5 sessions × 1 KiB" "$(Ratio "$(Rate s5k1 larkspur)" "$(Rate s5k1 smtp-sink)")" 0.5
Target "5 sessions × 1 KiB with the real store, messages/s" "$(Rate s5k1 larkspur)" 2000

# Peak WORKLOAD KIND: its peak RSS in MiB, empty when not measured.
Peak() {
    awk -F '\t' -v w="$1" -v k="$2" '$1 == w && $2 == k { printf "%.1f", $5 / 1024 }' "$results"
}
# Check NAME VALUE OPERATOR LIMIT: one row of the data-path targets.
Check() {
    local verdict="not measured"
    if [[ -n "$2" ]]; then
        verdict=$(awk -v v="$2" -v op="$3" -v m="$4" \
            'BEGIN { ok = (op == "<=") ? v <= m : (op == "<") ? v < m : v >= m; print (ok ? "met" : "MISSED") }')
    fi
    printf '| %s | %s | %s %s | %s |\n' "$1" "${2:--}" "$3" "$4" "$verdict"
}

echo
echo "| Data-path target | Larkspur | Needed | |"
echo "|---|---:|---:|---|"
# Rates of one large message are 1000 / milliseconds, so the time ratio is
# the inverse rate ratio.
Check "first body byte to 250, 1 × ${LARGE_MIB} MiB in 64 KiB writes, × smtp-sink's" \
    "$(Ratio "$(Rate large smtp-sink)" "$(Rate large larkspur)")" "<=" 1.3
Check "first body byte to 250, 1 × ${LARGE_MIB} MiB in one write, × smtp-sink's" \
    "$(Ratio "$(Rate large1w smtp-sink)" "$(Rate large1w larkspur)")" "<=" 1.3
Check "peak RSS, 1 × ${LARGE_MIB} MiB in 64 KiB writes, MiB" "$(Peak large larkspur)" "<" 48
Check "peak RSS, 1 × ${LARGE_MIB} MiB in one write, MiB" "$(Peak large1w larkspur)" "<" 48
Check "peak RSS, 5 × 99 MiB at once, MiB" "$(Peak large5x99 larkspur)" "<" 64
Check "5 sessions × 1 KiB, × smtp-sink's rate" "$(Ratio "$(Rate s5k1 larkspur)" "$(Rate s5k1 smtp-sink)")" ">=" 0.9
Check "1 session × 1 KiB, × smtp-sink's rate" "$(Ratio "$(Rate s1k1 larkspur)" "$(Rate s1k1 smtp-sink)")" ">=" 0.95
Check "5 sessions × 100 KiB, × smtp-sink's rate" \
    "$(Ratio "$(Rate s5k100 larkspur)" "$(Rate s5k100 smtp-sink)")" ">=" 1.2
