#!/usr/bin/env bash
# scripts/bench --loudness: what evening out the loudness costs, through zt_playtool (the
# program's own back end and player) in the tests' Wine environment:
#   - the CPU time of measuring one minute of audio (a WAV our reader decodes and an MP3
#     that Media Foundation decodes), the mean of 10 measurements;
#   - the process's memory after the first and after the last of 100 plays of 100
#     different files with levelling on (each file measured once, then kept), and off.
# Prints the figures and writes them to build/bench/loudness.txt. Judges nothing.
set -uo pipefail
cd "$(dirname "$0")/.."
export ZT_NULL_SINK_WANTED=1
source scripts/wine-env.sh

{ [ -f build/windows/build.ninja ] || cmake --preset windows >/dev/null; } &&
  cmake --build --preset windows --target zt_playtool >/dev/null || exit 1
tool=build/windows/bin/zt_playtool.exe
out=build/bench
sounds=$out/loudness
mkdir -p "$sounds/many"
winpath() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }

# A minute of something like music: two tones and some noise, 44.1 kHz stereo.
[ -f "$sounds/minute.wav" ] ||
  sox -n -r 44100 -c 2 -b 16 "$sounds/minute.wav" synth 60 sine 220 sine 660 pinknoise remix 1,3v0.3 2,3v0.3 vol 0.4
[ -f "$sounds/minute.mp3" ] || lame --quiet -b 128 "$sounds/minute.wav" "$sounds/minute.mp3"
# A hundred different short files.
[ -f "$sounds/many/tone100.wav" ] || for i in $(seq 1 100); do
  sox -n -r 44100 -c 2 -b 16 "$sounds/many/tone$i.wav" synth 0.1 sine $((200 + 10 * i)) vol 0.$((i % 9 + 1))
done

zt_env_up
trap zt_env_down EXIT
report=$out/loudness.txt
{
  echo "measuring one minute, WAV: $(wine "$tool" --measure "$(winpath "$sounds/minute.wav")" 10)"
  echo "measuring one minute, MP3: $(wine "$tool" --measure "$(winpath "$sounds/minute.mp3")" 10)"
  files=()
  for i in $(seq 1 100); do files+=("$(winpath "$sounds/many/tone$i.wav")"); done
  wine "$tool" --level --each 100 "${files[@]}" | sed 's/^/100 plays of 100 files, levelled: /'
  wine "$tool" --each 100 "${files[@]}" | sed 's/^/the same, not levelled: /'
  echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
} | tee "$report"
