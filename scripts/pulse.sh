#!/usr/bin/env bash
# A private PulseAudio with a null sink, for the tests and the soak run when no
# audio server answers, and a private speech-dispatcher (speechd.sh) always.
# Sourced by test.sh and soak.sh:
#   tavorin_ensure_pulse    starts one unless a server answers (exports XDG_RUNTIME_DIR),
#                           then the speech-dispatcher
#   tavorin_stop_pulse      stops the ones started here, if any
. "$(dirname "${BASH_SOURCE[0]}")/speechd.sh"
tavorin_pulse_dir=""

tavorin_stop_pulse() {
    tavorin_stop_speechd
    [ -n "$tavorin_pulse_dir" ] || return 0
    local pid
    pid=$(cat "$tavorin_pulse_dir/pulse/pid" 2>/dev/null || true)
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
        [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    rm -rf "$tavorin_pulse_dir"
    tavorin_pulse_dir=""
}

tavorin_ensure_pulse() {
    tavorin_start_pulse && tavorin_start_speechd
}

tavorin_start_pulse() {
    timeout 5 pactl info >/dev/null 2>&1 && return 0
    [ -n "$tavorin_pulse_dir" ] && return 0
    tavorin_pulse_dir=$(mktemp -d)
    chmod 700 "$tavorin_pulse_dir"
    export XDG_RUNTIME_DIR=$tavorin_pulse_dir
    unset PULSE_SERVER
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n -L module-native-protocol-unix \
        -L "module-null-sink sink_name=tavorin_null norewinds=1" \
        --log-target="file:$tavorin_pulse_dir/pulse.log" 2>/dev/null
    for _ in $(seq 100); do
        timeout 2 pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    if ! timeout 2 pactl info >/dev/null 2>&1; then
        echo "The private audio server did not start" >&2
        cat "$tavorin_pulse_dir/pulse.log" >&2
        return 1
    fi
    echo "Started a private audio server in $tavorin_pulse_dir" >&2
}
