#!/usr/bin/env python3
"""Checks the generated sample sounds: all there, 16-bit 44.1 kHz stereo, 0.8 to 2.5 s
long, loud enough to hear but never clipping, starting softly and ending in silence.

    sounds_test.py SOUNDS_DIR"""
import array
import os
import subprocess
import sys
import tempfile
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "tools", "sounds", "make_sounds.py")


def samples(path):
    """The interleaved samples scaled to -1..1, or the reason the file is not 16-bit
    44.1 kHz stereo."""
    with wave.open(path, "rb") as w:
        form = (w.getsampwidth(), w.getframerate(), w.getnchannels())
        if form != (2, 44100, 2):
            return f"{form[0] * 8}-bit {form[1]} Hz {form[2]} channels"
        data = array.array("h", w.readframes(w.getnframes()))
    if sys.byteorder != "little":
        data.byteswap()
    return [v / 32768 for v in data]


def check(name, values, mp3):
    if isinstance(values, str):
        return [f"{name}: {values}"]
    seconds = len(values) / 2 / 44100
    problems = []
    if not 0.8 <= seconds <= 2.5 + (0.06 if mp3 else 0):
        problems.append(f"{seconds:.2f} s long")
    peak = max(abs(v) for v in values)
    if not 0.3 <= peak <= 0.9:
        problems.append(f"peak {peak:.3f}")
    rms = (sum(v * v for v in values) / len(values)) ** 0.5
    if rms < 0.03:
        problems.append(f"rms {rms:.3f}")
    # A click would be a full-size first sample; the decoder's own start is silent too.
    if max(abs(v) for v in values[:8]) > 0.02:
        problems.append("starts with a click")
    if max(abs(v) for v in values[-2 * 441:]) > 0.01:
        problems.append("does not end in silence")
    # Both channels carry the sound, not quite the same (a little width).
    left, right = values[0::2], values[1::2]
    if all(abs(a - b) < 1e-4 for a, b in zip(left, right)):
        problems.append("mono")
    return [f"{name}: {p}" for p in problems]


def main():
    folder = sys.argv[1]
    names = subprocess.run([sys.executable, SCRIPT, "--list"], check=True, capture_output=True,
                           text=True).stdout.split()
    problems = []
    if not 5 <= len(names) <= 6 or not any(n.endswith(".wav") for n in names) or \
            not any(n.endswith(".mp3") for n in names):
        problems.append(f"want 5 or 6 sounds, WAV and MP3: {names}")
    for name in names:
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            problems.append(f"{name}: missing")
            continue
        if name.endswith(".mp3"):
            with tempfile.TemporaryDirectory() as tmp:
                decoded = os.path.join(tmp, "decoded.wav")
                subprocess.run(["lame", "--quiet", "--decode", path, decoded], check=True)
                problems += check(name, samples(decoded), True)
        else:
            problems += check(name, samples(path), False)
    for p in problems:
        print(p)
    print(f"{len(names)} sounds, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
