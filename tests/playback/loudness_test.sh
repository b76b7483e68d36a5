#!/usr/bin/env bash
# Plays a steady tone through zt_playtool at slider 100, 50 and 0, records what reaches the
# null sink and compares the levels: 50 must be 6.1 dB (+-0.5) below 100, and 0 at least
# 90 dB down (or silent).
# Usage: loudness_test.sh <zt_playtool.exe> <tone.wav> <tone seconds> <project root>
set -euo pipefail
tool=$1 tone=$2 toneSeconds=$3 root=$4

source "$root/scripts/wine-env.sh"
zt_test_setup

rate=44100
raw=(-t raw -r $rate -e signed -b 16 -c 2)
windowsTone=$(winepath -w "$tone")

# Records the sink while the tool plays the tone at one slider value.
record() {
    local slider=$1 out=$work/slider$1.raw pid status=0
    parec -d zt_null.monitor --raw --format=s16le --rate=$rate --channels=2 --latency-msec=20 >"$out" &
    pid=$!
    # parec takes a moment to connect; the tone must not start before it records.
    for _ in $(seq 100); do [ -s "$out" ] && break; sleep 0.05; done
    sleep 0.2
    zt_wine "$tool" "$windowsTone" "$slider" || status=$?
    sleep 0.5
    kill -INT "$pid"
    wait "$pid" || true
    if [ "$status" -ne 0 ]; then
        echo "zt_playtool failed at slider $slider (exit $status)"
        exit 1
    fi
}

# "RMS amplitude" from sox stat of the given sox arguments.
rms() { sox "$@" -n stat 2>&1 | awk '/^RMS +amplitude:/ { print $3 }'; }
length() { sox "$@" -n stat 2>&1 | awk '/^Length \(seconds\):/ { print $3 }'; }

# The tone without the silence around it and without its first and last 0.2 s.
loudPart() {
    sox "${raw[@]}" "$work/slider$1.raw" "$work/loud$1.wav" \
        silence 1 0.01 1% reverse silence 1 0.01 1% reverse
    sox "$work/loud$1.wav" "$work/steady$1.wav" trim 0.2 -0.2
}

for slider in 100 50 0; do record $slider; done
loudPart 100
loudPart 50

full=$(rms "$work/steady100.wav")
half=$(rms "$work/steady50.wav")
silent=$(rms "${raw[@]}" "$work/slider0.raw")
fullLength=$(length "$work/loud100.wav")
halfLength=$(length "$work/loud50.wav")
echo "slider 100: RMS $full over ${fullLength}s; slider 50: RMS $half over ${halfLength}s; slider 0: RMS $silent (whole recording)"

python3 - "$full" "$half" "$silent" "$fullLength" "$halfLength" "$toneSeconds" <<'PY'
import math, sys
full, half, silent, full_len, half_len, tone = map(float, sys.argv[1:])
ok = True
def check(cond, text):
    global ok
    print(("ok   " if cond else "FAIL ") + text)
    ok &= cond
check(abs(full_len - tone) < 0.3 and abs(half_len - tone) < 0.3,
      f"the whole {tone:g} s tone was heard ({full_len:g} s, {half_len:g} s)")
check(full > 0.05, f"slider 100 is clearly audible (RMS {full:g})")
if full > 0 and half > 0:
    drop = 20 * math.log10(half / full)
    check(abs(drop + 6.1) <= 0.5, f"slider 50 is {drop:.2f} dB from slider 100 (want -6.1 +-0.5)")
else:
    check(False, "slider 50 is audible")
down = math.inf if silent == 0 else -20 * math.log10(silent / full)
check(down >= 90, f"slider 0 is {down:.1f} dB down (want >= 90 or silent)")
sys.exit(0 if ok else 1)
PY
