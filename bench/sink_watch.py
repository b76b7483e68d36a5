#!/usr/bin/env python3
"""Records the sound sink's monitor and writes when sound starts and stops, on the wall
clock (time.time(), the clock the driver stamps with under Wine). One line per edge:
"on <seconds>" or "off <seconds>". The resolution is one block (10 ms) plus the pipe."""
import signal
import subprocess
import sys
import time

RATE = 44100
BLOCK = RATE // 100          # 10 ms of mono 16-bit frames
THRESHOLD = 300              # peak amplitude that counts as sound (silence is 0)
QUIET_BLOCKS = 3             # this many quiet blocks in a row end a sound

out = open(sys.argv[1], "w", buffering=1)
source = sys.argv[2] if len(sys.argv) > 2 else "@DEFAULT_MONITOR@"
rec = subprocess.Popen(["parec", "-d", source, "--raw", "--format=s16le", f"--rate={RATE}",
                        "--channels=1", "--latency-msec=10", "--process-time-msec=5"],
                       stdout=subprocess.PIPE, bufsize=0)
signal.signal(signal.SIGTERM, lambda *_: (rec.terminate(), sys.exit(0)))

sounding = False
quiet = 0
pending = b""
while True:
    chunk = rec.stdout.read(BLOCK * 2 - len(pending))
    if not chunk:
        break
    pending += chunk
    if len(pending) < BLOCK * 2:
        continue
    arrived = time.time()
    samples = memoryview(pending).cast("h")
    peak = max(max(samples), -min(samples))
    pending = b""
    start = arrived - BLOCK / RATE
    if peak >= THRESHOLD:
        quiet = 0
        if not sounding:
            sounding = True
            out.write(f"on {start:.4f}\n")
    elif sounding:
        quiet += 1
        if quiet == 1:
            quiet_from = start
        if quiet >= QUIET_BLOCKS:
            sounding = False
            out.write(f"off {quiet_from:.4f}\n")
