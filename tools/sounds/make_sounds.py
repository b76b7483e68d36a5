#!/usr/bin/env python3
"""Makes the sample sounds shipped with Zirrotone: a few short bells and chimes, each a sum
of decaying sine partials (modal synthesis) with a soft strike. Everything is computed, so
the output is the same on every run; no recording goes in.

    make_sounds.py OUTDIR [--lame PATH]     make_sounds.py --list

writes the WAV files (16-bit, 44.1 kHz, stereo) and, through lame, the MP3 ones; --list
prints their names."""
import argparse
import math
import os
import struct
import subprocess
import sys
import tempfile

RATE = 44100
PEAK = 0.70  # -3.1 dBFS: no clipping, and room for an MP3 encoder's overshoot


class Partial:
    """One mode: frequency ratio to the fundamental, level, decay time (to 1/e), pan
    (-1 left .. 1 right) and a small detune in Hz that makes it beat slowly."""

    def __init__(self, ratio, level, tau, pan=0.0, beat=0.0):
        self.ratio, self.level, self.tau, self.pan, self.beat = ratio, level, tau, pan, beat


def strike(frames, start, freq, partials, attack=0.004, velocity=1.0):
    """Adds one struck note into frames (a list of [left, right]) from sample `start`."""
    nyquist = RATE / 2 * 0.9
    for p in partials:
        f = freq * p.ratio
        if f >= nyquist:
            continue
        # Equal-power pan, kept near the centre so the sound stays whole in mono.
        angle = (p.pan * 0.5 + 0.5) * math.pi / 2
        gl, gr = math.cos(angle) * math.sqrt(2), math.sin(angle) * math.sqrt(2)
        length = min(len(frames) - start, int(p.tau * 11 * RATE))  # to below the 16-bit floor
        w = 2 * math.pi * f / RATE
        wb = 2 * math.pi * (f + p.beat) / RATE
        decay = math.exp(-1.0 / (p.tau * RATE))
        attack_n = max(1, int(attack * RATE))
        amp = p.level * velocity
        phase = p.ratio  # fixed, different per partial, so peaks do not line up
        for i in range(length):
            env = amp
            if i < attack_n:  # raised-cosine onset: a soft mallet, no click
                env *= 0.5 - 0.5 * math.cos(math.pi * i / attack_n)
            s = math.sin(w * i + phase)
            if p.beat:
                s = 0.5 * (s + math.sin(wb * i + phase * 1.7))
            frame = frames[start + i]
            frame[0] += s * env * gl
            frame[1] += s * env * gr
            amp *= decay


def render(seconds, notes):
    frames = [[0.0, 0.0] for _ in range(int(seconds * RATE))]
    for note in notes:
        strike(frames, **note)
    # A damping at the end, so that the file always ends in silence without a cut.
    tail = int(0.3 * RATE)
    for i in range(tail):
        g = 0.5 + 0.5 * math.cos(math.pi * i / tail)
        frames[-tail + i][0] *= g
        frames[-tail + i][1] *= g
    peak = max(max(abs(l), abs(r)) for l, r in frames) or 1.0
    gain = PEAK / peak
    return [(l * gain, r * gain) for l, r in frames]


def bar(width=0.3):
    """A free-free bar (tubular chime): partials at (2n+1)^2 over 9."""
    return [Partial(1.0, 1.0, 0.9, -width * 0.3, 0.6), Partial(2.756, 0.45, 0.45, width, 0.0),
            Partial(5.404, 0.22, 0.22, -width, 0.0), Partial(8.933, 0.10, 0.12, width * 0.5, 0.0)]


# Each sound: file name, length in seconds, and the notes struck in it.
SOUNDS = [
    # A small hand bell: hum, prime, minor third, fifth, nominal and two upper modes.
    ("handbell.wav", 2.4, [dict(start=0, freq=440.0, partials=[
        Partial(0.5, 0.35, 1.1, -0.3, 0.4), Partial(1.0, 0.8, 0.75, 0.2, 0.7),
        Partial(1.183, 0.45, 0.55, -0.4), Partial(1.506, 0.3, 0.45, 0.4),
        Partial(2.0, 0.5, 0.4, -0.1, 1.1), Partial(2.514, 0.2, 0.25, 0.5),
        Partial(2.662, 0.18, 0.2, -0.5), Partial(3.011, 0.12, 0.15, 0.3)])]),
    # One tubular chime.
    ("tubular.wav", 2.2, [dict(start=0, freq=523.25, partials=bar())]),
    # Two chimes, high then low: a door chime.
    ("doorchime.mp3", 2.4, [dict(start=0, freq=659.25, partials=bar(0.4)),
                             dict(start=int(0.55 * RATE), freq=523.25, partials=bar(-0.4), velocity=0.9)]),
    # A glass struck lightly: few, long, widely spaced partials.
    ("glass.wav", 1.6, [dict(start=0, freq=1046.5, attack=0.002, partials=[
        Partial(1.0, 1.0, 0.38, 0.0, 1.5), Partial(2.32, 0.3, 0.2, -0.5),
        Partial(4.25, 0.12, 0.12, 0.5), Partial(6.63, 0.05, 0.07, 0.0)])]),
    # A wooden-bar marimba note (tuned 1:4:10), short.
    ("marimba.mp3", 0.9, [dict(start=0, freq=392.0, attack=0.003, partials=[
        Partial(1.0, 1.0, 0.28, 0.0), Partial(3.99, 0.35, 0.09, -0.4), Partial(9.9, 0.12, 0.04, 0.4)])]),
    # A singing bowl: low, slow, with beating pairs and some width.
    ("bowl.mp3", 2.5, [dict(start=0, freq=294.0, attack=0.008, partials=[
        Partial(1.0, 1.0, 1.3, -0.2, 0.9), Partial(2.71, 0.55, 0.9, 0.4, 1.4),
        Partial(5.15, 0.25, 0.5, -0.5, 2.0), Partial(8.43, 0.1, 0.3, 0.5)])]),
]


def write_wav(path, frames):
    data = bytearray()
    for l, r in frames:
        data += struct.pack("<hh", round(l * 32767), round(r * 32767))
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(data), b"WAVE", b"fmt ", 16, 1, 2,
                         RATE, RATE * 4, 4, 16, b"data", len(data))
    with open(path, "wb") as f:
        f.write(header + data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir", nargs="?")
    parser.add_argument("--lame", default="lame")
    parser.add_argument("--list", action="store_true", help="print the file names, one a line")
    args = parser.parse_args()
    if args.list:
        print("\n".join(name for name, _, _ in SOUNDS))
        return 0
    if not args.outdir:
        parser.error("OUTDIR is needed")
    os.makedirs(args.outdir, exist_ok=True)
    for name, seconds, notes in SOUNDS:
        frames = render(seconds, notes)
        target = os.path.join(args.outdir, name)
        if name.endswith(".wav"):
            write_wav(target + ".tmp", frames)
        else:
            with tempfile.TemporaryDirectory() as tmp:
                wav = os.path.join(tmp, "in.wav")
                write_wav(wav, frames)
                subprocess.run([args.lame, "--quiet", "--noreplaygain", "-b", "160", wav, target + ".tmp"],
                               check=True)
        os.replace(target + ".tmp", target)
    return 0


if __name__ == "__main__":
    sys.exit(main())
