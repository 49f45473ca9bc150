# Shared by the benchmark scripts, which run in two halves: the first builds,
# then re-runs the script with --measure, bounded in time and, where the
# system allows it, in a private network namespace whose only interface is
# loopback (the receiver listens on every interface).

# exec_measuring_half LIMIT_SECONDS KILL_AFTER_SECONDS [SCRIPT]
exec_measuring_half() {
    local limit=$1 kill_after=$2 script=${3:-$0}
    if [[ "${BENCH_NETNS:-1}" != 0 ]] && command -v ip >/dev/null; then
        if [[ $(id -u) == 0 ]] && unshare -n true 2>/dev/null; then
            exec timeout -k "$kill_after" "$limit" unshare -n env BENCH_IN_NETNS=1 bash "$script" --measure
        elif unshare -rn true 2>/dev/null; then
            exec timeout -k "$kill_after" "$limit" unshare -rn env BENCH_IN_NETNS=1 bash "$script" --measure
        fi
    fi
    exec timeout -k "$kill_after" "$limit" bash "$script" --measure
}

# In the measuring half: brings loopback up inside the private namespace and
# sets `network` to a description of where the run takes place.
enter_measuring_network() {
    if [[ "${BENCH_IN_NETNS:-0}" == 1 ]]; then
        ip link set lo up
        network="private network namespace, loopback only"
    else
        network="host network namespace, 127.0.0.1"
    fi
}

# stop_process PID [TENTHS]: SIGTERM, up to TENTHS tenths of a second
# (default 50) to end, then SIGKILL; reaps it. An empty PID does nothing.
stop_process() {
    local pid=$1 tenths=${2:-50}
    [[ -n "$pid" ]] || return 0
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq "$tenths"); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
