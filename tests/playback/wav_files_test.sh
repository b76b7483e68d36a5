#!/usr/bin/env bash
# Plays WAVs that the platform's decoder under Wine refuses or plays as silence through
# zt_playtool, records what reaches the null sink and checks that each was heard for its
# whole length; a WAV without data must fail with its reason instead.
# Usage: wav_files_test.sh <zt_playtool.exe> <project root>
set -euo pipefail
tool=$1 root=$2

source "$root/scripts/wine-env.sh"
zt_test_setup

tone="synth 1 sine 440 vol 0.5"
sox -n -r 48000 -c 6 -b 16 "$work/six.wav" $tone
sox -n -r 96000 -c 4 -b 24 "$work/four.wav" $tone
sox -n -r 44100 -c 2 -e ima-adpcm -b 4 "$work/ima.wav" $tone
sox -n -r 44100 -c 2 -e ms-adpcm -b 4 "$work/ms.wav" $tone
python3 - "$work" <<'PY'
import math, struct, sys
work = sys.argv[1]
def wav(path, rate, data):
    fmt = struct.pack('<HHIIHH', 1, 1, rate, rate, 1, 8)
    body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(data)) + data
    if len(data) % 2: body += b'\0'
    open(path, 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)
# 8-bit mono at 22,050 Hz with an odd number of samples, and a header without data.
wav(f'{work}/odd8.wav', 22050, bytes(128 + round(60 * math.sin(2 * math.pi * 440 * i / 22050)) for i in range(22051)))
wav(f'{work}/empty.wav', 22050, b'')
PY

rate=44100
raw=(-t raw -r $rate -e signed -b 16 -c 2)
failures=0

# Records the sink while the tool plays a file; the tool's status and error go to files.
record() {
    local name=$1 out=$work/$1.raw pid
    parec -d zt_null.monitor --raw --format=s16le --rate=$rate --channels=2 --latency-msec=20 >"$out" &
    pid=$!
    for _ in $(seq 100); do [ -s "$out" ] && break; sleep 0.05; done
    sleep 0.2
    local status=0
    zt_wine "$tool" "$(winepath -w "$work/$name.wav")" 100 2>"$work/$name.err" || status=$?
    echo "$status" >"$work/$name.status"
    sleep 0.5
    kill -INT "$pid"
    wait "$pid" || true
}

heardSeconds() {
    sox "${raw[@]}" "$work/$1.raw" "$work/$1.loud.wav" silence 1 0.01 1% reverse silence 1 0.01 1% reverse
    sox "$work/$1.loud.wav" -n stat 2>&1 | awk '/^Length \(seconds\):/ { print $3 }'
}
rmsOf() { sox "$work/$1.loud.wav" -n stat 2>&1 | awk '/^RMS +amplitude:/ { print $3 }'; }

for name in six four ima ms odd8; do
    record "$name"
    seconds=$(heardSeconds "$name")
    rms=$(rmsOf "$name")
    status=$(cat "$work/$name.status")
    if python3 -c "import sys; s, r, st = float('$seconds'), float('$rms'), int('$status'); sys.exit(0 if st == 0 and 0.85 < s < 1.3 and r > 0.05 else 1)"; then
        echo "ok   $name.wav: heard for ${seconds}s at RMS $rms"
    else
        echo "FAIL $name.wav: status $status, heard for ${seconds}s at RMS $rms: $(tr -d '\r' <"$work/$name.err")"
        failures=$((failures + 1))
    fi
done

record empty
error=$(tr -d '\r' <"$work/empty.err")
if [ "$(cat "$work/empty.status")" = 1 ] && [[ "$error" == *"the file holds no sound"* ]]; then
    echo "ok   empty.wav: $error"
else
    echo "FAIL empty.wav: status $(cat "$work/empty.status"), '$error'"
    failures=$((failures + 1))
fi
exit $((failures > 0))
