#!/usr/bin/env bash
# A private speech-dispatcher for the tests and the soak run, so that they
# never reach the person's own: its own socket, runtime folder and
# configuration (its espeak-ng module alone, playing on the audio server the
# tests use). Sourced by pulse.sh:
#   tavorin_start_speechd   starts one; exports SPEECHD_ADDRESS and SPEECHD_CMD
#   tavorin_stop_speechd    stops every server started through that command
tavorin_speechd_dir=""

tavorin_stop_speechd() {
    [ -n "$tavorin_speechd_dir" ] || return 0
    local pidfile pid
    for pidfile in "$tavorin_speechd_dir"/*.pid; do
        pid=$(cat "$pidfile" 2>/dev/null || true)
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    done
    rm -rf "$tavorin_speechd_dir"
    tavorin_speechd_dir=""
    unset SPEECHD_ADDRESS SPEECHD_CMD
}

tavorin_start_speechd() {
    [ -n "$tavorin_speechd_dir" ] && return 0
    if ! command -v speech-dispatcher >/dev/null; then
        echo "speech-dispatcher is not installed: scripts/deps.sh installs it" >&2
        return 1
    fi
    tavorin_speechd_dir=$(mktemp -d)
    local dir=$tavorin_speechd_dir
    mkdir -p "$dir/conf/modules"
    printf '%s\n' 'LogLevel 1' 'AudioOutputMethod "pulse"' \
        'AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"' 'DefaultModule espeak-ng' \
        >"$dir/conf/speechd.conf"
    : >"$dir/conf/modules/espeak-ng.conf"
    # What libspeechd runs when nothing answers at SPEECHD_ADDRESS, as it
    # starts the desktop's server ("... --socket-path PATH"): a server of
    # this configuration on that path, its pid beside the socket, which ends
    # 30 s after its last client, so that one a test leaves behind goes by
    # itself. Pid files of servers elsewhere are the tests' to end.
    cat >"$dir/spawn" <<SPAWN
#!/bin/sh
for socket; do :; done
rm -f "\$socket"
speech-dispatcher -d -C "$dir/conf" -L "$dir" -t 30 -c unix_socket -S "\$socket" \\
    -P "\$socket.pid" >>"$dir/server.log" 2>&1 || exit 1
i=0
while [ ! -S "\$socket" ] && [ \$i -lt 100 ]; do sleep 0.1; i=\$((i + 1)); done
[ -S "\$socket" ]
SPAWN
    chmod +x "$dir/spawn"
    export SPEECHD_CMD="$dir/spawn"
    export SPEECHD_ADDRESS="unix_socket:$dir/speechd.sock"
    if ! "$SPEECHD_CMD" --spawn --communication-method unix_socket \
        --socket-path "$dir/speechd.sock" >"$dir/start.log" 2>&1; then
        echo "The private speech-dispatcher did not start" >&2
        cat "$dir/start.log" >&2
        tavorin_stop_speechd
        return 1
    fi
    echo "Started a private speech-dispatcher in $dir" >&2
}
