#!/usr/bin/env bash
# Plays sounds through zt_playtool as the program does, records what reaches the null sink
# and measures it: with levelling, files of very different loudness arrive within 1 LU of
# each other, two tones of one RMS arrive as far apart as K-weighting has them, and no peak
# passes -1 dBFS; without it, each file arrives at its own level; a stop fades out; a soft
# start begins 20 dB down.
# Usage: levelling_test.sh <zt_playtool.exe> <project root>
set -euo pipefail
tool=$1 root=$2

source "$root/scripts/wine-env.sh"
zt_test_setup

rate=44100
raw=(-t raw -r $rate -e signed -b 16 -c 2)
win() { winepath -w "$1"; }

# A file in $work: name, seconds, then sox synth arguments.
make() { local name=$1 seconds=$2; shift 2; sox -n -r $rate -c 2 -b 16 "$work/$name.wav" synth "$seconds" "$@"; }
# The file's loudness by the program's own meter (LUFS), and its level moved to `want`.
lufs() { zt_wine "$tool" --measure "$(win "$1")" | awk '{ print $1 }'; }
levelTo() {
    local name=$1 want=$2 have
    have=$(lufs "$work/$name.wav")
    sox "$work/$name.wav" "$work/$name.tmp.wav" gain "$(python3 -c "print($want - $have)")"
    mv "$work/$name.tmp.wav" "$work/$name.wav"
}

# Records the sink while the tool plays; the recording goes to $work/<out>.raw. A machine
# busy enough that the recorder heard nothing of the sound gets one more try.
record() {
    local heard
    recordOnce "$@"
    heard=$(stat "$work/$1.wav" 'Samples read')
    [ "${heard:-0}" != 0 ] || recordOnce "$@"
}
recordOnce() {
    local out=$work/$1.raw pid status=0
    shift
    parec -d zt_null.monitor --raw --format=s16le --rate=$rate --channels=2 --latency-msec=20 >"$out" &
    pid=$!
    for _ in $(seq 100); do [ -s "$out" ] && break; sleep 0.05; done
    sleep 0.2
    zt_wine "$tool" "$@" || status=$?
    sleep 0.5
    kill -INT "$pid"
    wait "$pid" || true
    [ "$status" -eq 0 ] || { echo "zt_playtool $* failed (exit $status)"; exit 1; }
    # The sound alone, without the silence around it.
    sox "${raw[@]}" "$out" "$work/$(basename "$out" .raw).wav" silence 1 0.005 0.01% reverse silence 1 0.005 0.01% reverse
}
# A figure of sox's stat: file, key, then any effects to apply first.
stat() { sox "$1" -n "${@:3}" stat 2>&1 | awk -v key="$2" -F: '$1 ~ key { gsub(/ /, "", $2); print $2 }'; }

# Three files of two tones each at -35, -20 and -8 LUFS; a quiet one (-40 LUFS) with a click
# at -10 dBFS; a 100 Hz and a 3 kHz tone of the same RMS.
make quiet 2 sine 1000 sine 2500 remix 1v0.5,2v0.5 1v0.5,2v0.5
make middle 2 sine 440 sine 1000 remix 1v0.5,2v0.5 1v0.5,2v0.5
make loud 2 sine 700 sine 1900 remix 1v0.5,2v0.5 1v0.5,2v0.5
levelTo quiet -35
levelTo middle -20
levelTo loud -8
make tone 2 sine 1000 vol 0.01
make spike 0.002 square 250 vol 0.316
sox "$work/tone.wav" "$work/spike.wav" "$work/click.wav"
make low 2 sine 100 vol 0.25
make high 2 sine 3000 vol 0.25
make long 3 sine 440 vol 0.5

for f in quiet middle loud click; do echo "file $f: $(lufs "$work/$f.wav") LUFS"; done
for f in quiet middle loud click low high; do record "on_$f" --level "$(win "$work/$f.wav")" 100; done
for f in quiet middle loud; do record "off_$f" "$(win "$work/$f.wav")" 100; done
record stopped --level "$(win "$work/long.wav")" 100 --stop-after 1000
record soft --level --soft "$(win "$work/long.wav")" 100

report=$work/report.txt
: >"$report"
for f in quiet middle loud click low high; do
    echo "on_$f $(lufs "$work/on_$f.wav") $(stat "$work/on_$f.wav" 'Maximum amplitude') $(stat "$work/on_$f.wav" 'RMS +amplitude')" >>"$report"
done
# Peaks rather than RMS: a gap on a busy machine lowers the RMS, never the peak.
for f in quiet middle loud; do
    echo "off_$f $(stat "$work/$f.wav" 'Maximum amplitude') $(stat "$work/off_$f.wav" 'Maximum amplitude')" >>"$report"
done
echo "clicktone $(stat "$work/click.wav" 'Maximum amplitude' trim 0 1.5) $(stat "$work/on_click.wav" 'Maximum amplitude' trim 0 1.5) $(stat "$work/click.wav" 'Maximum amplitude')" >>"$report"
# The stopped sound's samples as text, and the soft start's first 50 ms against its steady part.
sox "$work/stopped.wav" -t dat "$work/stopped.dat"
echo "stopped $(stat "$work/stopped.wav" 'Length')" >>"$report"
sox "$work/soft.wav" "$work/soft_start.wav" trim 0 0.02
sox "$work/soft.wav" "$work/soft_steady.wav" trim 1.5 0.5
echo "soft $(stat "$work/soft_start.wav" 'Maximum amplitude') $(stat "$work/soft_steady.wav" 'Maximum amplitude')" >>"$report"

python3 - "$report" "$work/stopped.dat" <<'PY'
import math, sys
rows = {line.split()[0]: [float(x) for x in line.split()[1:]] for line in open(sys.argv[1])}
ok = True
def check(cond, text):
    global ok
    print(("ok   " if cond else "FAIL ") + text)
    ok &= cond
db = lambda x: 20 * math.log10(x) if x > 0 else -math.inf

on = {f: rows["on_" + f] for f in ("quiet", "middle", "loud", "click", "low", "high")}
for f, (lufs, peak, rms) in on.items():
    print(f"levelled {f}: {lufs:.2f} LUFS, peak {db(peak):.2f} dBFS, RMS {db(rms):.2f} dBFS")
levels = [on[f][0] for f in ("quiet", "middle", "loud")]
check(max(levels) - min(levels) <= 1.0, f"-35, -20 and -8 LUFS arrive within 1 LU ({min(levels):.2f} .. {max(levels):.2f})")
check(all(abs(l + 18) <= 1.0 for l in levels), "each at about -18 LUFS")
apart = db(on["low"][2]) - db(on["high"][2])
check(abs(apart - 4.94) <= 0.5, f"100 Hz plays {apart:.2f} dB above 3 kHz of the same RMS (K-weighting: 4.94)")
peaks = [db(v[1]) for v in on.values()]
check(max(peaks) <= -1.0 + 0.05, f"no peak above -1 dBFS (highest {max(peaks):.2f})")
toneFile, toneHeard, clickFile = rows["clicktone"]
raised = db(toneHeard) - db(toneFile)
check(db(on["click"][1]) > -1.3 and abs(raised - (-1 - db(clickFile))) <= 0.3,
      f"the quiet file with a click at {db(clickFile):.2f} dBFS is raised {raised:.2f} dB, until the click is at {db(on['click'][1]):.2f} dBFS")
for f in ("quiet", "middle", "loud"):
    own, heard = rows["off_" + f]
    check(abs(db(heard) - db(own)) <= 0.2, f"off: {f} arrives at its own level (peak {db(heard):.2f} dBFS, the file {db(own):.2f})")

length = rows["stopped"][0]
samples = [abs(float(l.split()[1])) for l in open(sys.argv[2]) if not l.startswith(";")]
steady = max(samples[: len(samples) // 2])
check(0.9 < length < 1.6, f"the stop ended the sound after {length:.2f} s")
# The peaks of the tone's last four periods (about 10 ms) before silence.
windows = [max(samples[i - 100:i] if i else samples[-100:]) for i in (-300, -200, -100, 0)]
check(all(b <= a * 1.05 + 1e-4 for a, b in zip(windows, windows[1:])) and windows[-1] < 0.15 * steady,
      "the last 10 ms fall away smoothly: " + " ".join(f"{w / steady:.2f}" for w in windows))
start, full = rows["soft"]
check(abs(db(start / full) + 20) <= 2, f"a soft start begins {db(start / full):.1f} dB down (want -20)")
sys.exit(0 if ok else 1)
PY
