#!/usr/bin/env bash
# A private speech-dispatcher for the tests and the soak run, so that they
# never reach the person's own: its own socket, runtime folder and
# configuration (its espeak-ng module alone, playing on the audio server the
# tests use). Sourced by pulse.sh:
#   tavorin_start_speechd   starts one; exports SPEECHD_ADDRESS and SPEECHD_CMD
#   tavorin_stop_speechd    stops every server started through that command
tavorin_speechd_dir=""

# Whether the server of this pid still runs: one that a test has ended may
# have left its number to another process, and one that has ended stays a
# zombie until the process that reaps orphans gets to it.
tavorin_speechd_running() {
    [ "$(cat "/proc/$1/comm" 2>/dev/null)" = speech-dispatch ] &&
        [ "$(sed 's/.*) //; s/ .*//' "/proc/$1/stat" 2>/dev/null)" != Z ]
}

tavorin_stop_speechd() {
    [ -n "$tavorin_speechd_dir" ] || return 0
    local pidfile pid
    for pidfile in "$tavorin_speechd_dir"/servers/*.pid; do
        pid=$(cat "$pidfile" 2>/dev/null || true)
        [ -n "$pid" ] && tavorin_speechd_running "$pid" || continue
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do
            tavorin_speechd_running "$pid" || break
            sleep 0.1
        done
        # One that does not end when asked is ended.
        ! tavorin_speechd_running "$pid" || kill -KILL "$pid" 2>/dev/null || true
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
    mkdir -p "$dir/conf/modules" "$dir/servers"
    printf '%s\n' 'LogLevel 1' 'AudioOutputMethod "pulse"' \
        'AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"' 'DefaultModule espeak-ng' \
        >"$dir/conf/speechd.conf"
    : >"$dir/conf/modules/espeak-ng.conf"
    # What libspeechd runs when nothing answers at SPEECHD_ADDRESS, as it
    # starts the desktop's server ("... --socket-path PATH"): a server of
    # this configuration on that path, its pid beside the socket and among
    # the servers that tavorin_stop_speechd ends. Clients
    # that find none at once all run this: one at a time, and a server that
    # is already there is left to answer, its socket in place. A server
    # started for a test ends 30 s after its last client, so that one the
    # test leaves behind goes by itself (SPEECHD_IDLE=0: never).
    cat >"$dir/spawn" <<SPAWN
#!/bin/sh
for socket; do :; done
exec 9>"\$socket.lock"
flock 9
pid=\$(cat "\$socket.pid" 2>/dev/null)
[ -S "\$socket" ] && [ -n "\$pid" ] && kill -0 "\$pid" 2>/dev/null && exit 0
rm -f "\$socket"
speech-dispatcher -s -C "$dir/conf" -L "$dir" -t "\${SPEECHD_IDLE:-30}" -c unix_socket \\
    -S "\$socket" -P "\$socket.pid" </dev/null >>"$dir/server.log" 2>&1 9>&- &
echo \$! >"$dir/servers/\$!.pid"
i=0
while [ ! -S "\$socket" ] && kill -0 \$! 2>/dev/null && [ \$i -lt 100 ]; do
    sleep 0.1
    i=\$((i + 1))
done
[ -S "\$socket" ]
SPAWN
    chmod +x "$dir/spawn"
    export SPEECHD_CMD="$dir/spawn"
    export SPEECHD_ADDRESS="unix_socket:$dir/speechd.sock"
    # The tests' server lives until it is stopped here: one that ended when
    # idle could end just as a test connects.
    if ! SPEECHD_IDLE=0 "$SPEECHD_CMD" --spawn --communication-method unix_socket \
        --socket-path "$dir/speechd.sock" >"$dir/start.log" 2>&1; then
        echo "The private speech-dispatcher did not start" >&2
        cat "$dir/start.log" "$dir/server.log" >&2
        tavorin_stop_speechd
        return 1
    fi
    echo "Started a private speech-dispatcher in $dir" >&2
}
