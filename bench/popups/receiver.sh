# Shared by the pop-up benchmarks (sourced in their measuring half): the
# built receiver with its window on Qt's offscreen platform, in a folder of
# its own. Needs `bin` (the build's bin folder) and sets `port` and
# `receiver_pid`.

Fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# Value KEY FILE: the last "KEY=value" in FILE.
Value() { sed -n "s/^$1=//p" "$2" | tail -n 1; }

FreePort() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# StartReceiver DIR DIALOG: a fresh receiver, pop-ups on when DIALOG is 1.
StartReceiver() {
    local dir=$1 dialog=$2
    mkdir -p "$dir/mail" "$dir/runtime"
    chmod 700 "$dir/runtime"
    port=$(FreePort)
    cp "$bin/Larkspur" "$dir/Larkspur"
    printf '[SMTP]\r\nPORT=%s\r\nFOLDER=%s\r\nWAVFILE=\r\nDIALOG=%s\r\nSOUND=0\r\n' \
        "$port" "$dir/mail" "$dialog" >"$dir/Larkspur.ini"
    (cd "$dir" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$dir/runtime" \
        exec "$dir/Larkspur" >"$dir/out" 2>"$dir/err" </dev/null) &
    receiver_pid=$!
    for _ in $(seq 100); do
        [[ -n "$(ss -Hltn "sport = :$port")" ]] && return 0
        kill -0 "$receiver_pid" 2>/dev/null || break
        sleep 0.1
    done
    cat "$dir/err" >&2
    Fail "the receiver did not start listening on 127.0.0.1:$port"
}

StopReceiver() {
    stop_process "$receiver_pid"
    receiver_pid=""
}
