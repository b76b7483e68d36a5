#!/usr/bin/env bash
# Runs the sound engine's end-to-end cases: the flood of test plays while the null sink is
# recorded (one sound at a time: never louder than one tone), and the stalled sound server,
# for which this script stops (SIGSTOP) and continues the test's PulseAudio when the test
# asks (a file in ZT_PULSE_CONTROL). The server is continued at the end whatever happens.
# Usage: sound_engine_test.sh <e2e_sound_engine_test.exe> <project root>
set -euo pipefail
tests=$1 root=$2

source "$root/scripts/wine-env.sh"
work=$(mktemp -d)
ownEnv= pulse= server=
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null
    [ -n "$pulse" ] && kill -CONT "$pulse" 2>/dev/null
    rm -rf "$work"
    [ -z "$ownEnv" ] || zt_env_down
}
trap cleanup EXIT
if [ -z "${ZT_ENV_UP:-}" ]; then
    ownEnv=1
    zt_env_up
fi
failed=0

# One sound at a time: the recording's peak stays that of one tone at the slider's 50
# (0.244 x 0.495 = 0.121); two at once reach up to twice that.
out=$work/flood.raw
parec -d zt_null.monitor --raw --format=s16le --rate=44100 --channels=2 --latency-msec=20 >"$out" &
rec=$!
for _ in $(seq 100); do [ -s "$out" ] && break; sleep 0.05; done
wine "$tests" --gtest_filter='SoundEngineE2E.TwoThousand*' || failed=1
kill -INT "$rec"
wait "$rec" || true
peak=$(sox -t raw -r 44100 -e signed -b 16 -c 2 "$out" -n stat 2>&1 | awk '/^Maximum amplitude:/ { print $3 }')
if python3 -c "import sys; sys.exit(0 if 0.08 < float('$peak') < 0.18 else 1)"; then
    echo "ok   the flood was heard one sound at a time (peak $peak)"
else
    echo "FAIL the flood's peak was $peak (one tone: 0.121)"
    failed=1
fi

# The test's own PulseAudio: the one listening on PULSE_SERVER's socket.
socket=${PULSE_SERVER#unix:}
pulse=$(pgrep -f -- "socket=$socket" | head -n1 || true)
if [ -z "$pulse" ]; then
    echo "FAIL no PulseAudio found for $PULSE_SERVER"
    exit 1
fi
control=$work/control
mkdir -p "$control"
(
    while :; do
        if [ -e "$control/stop" ]; then rm -f "$control/stop"; kill -STOP "$pulse"; touch "$control/stop.done"; fi
        if [ -e "$control/cont" ]; then rm -f "$control/cont"; kill -CONT "$pulse"; touch "$control/cont.done"; fi
        sleep 0.02
    done
) &
server=$!
ZT_PULSE_CONTROL=$(winepath -w "$control") wine "$tests" --gtest_filter='SoundEngineE2E.ASoundServer*' || failed=1
exit $failed
