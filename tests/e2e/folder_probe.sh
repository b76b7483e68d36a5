#!/bin/bash
# Makes a folder of N empty sounds (on the Linux side: fast), runs zt_folder_probe on it
# under Wine for each N given, and removes it.   tests/e2e/folder_probe.sh 10000 20000 100000
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-env.sh"
ZT_NULL_SINK_WANTED=1
zt_env_up
trap 'rm -rf "$scratch"; zt_env_down' EXIT
scratch=$(mktemp -d "${TMPDIR:-/tmp}/zt-probe.XXXXXX")
probe=${ZT_PROBE:-$root/build/windows/bin/zt_folder_probe.exe}
for n in "$@"; do
  rm -rf "$scratch/big"
  mkdir -p "$scratch/big"
  (cd "$scratch/big" && seq -f 'tone%06g.wav' 1 "$n" | xargs touch)
  wine "$probe" "$(winepath -w "$scratch")" "$n"
done
