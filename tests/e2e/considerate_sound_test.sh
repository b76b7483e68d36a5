#!/usr/bin/env bash
# Listens to what considerate timing claims: runs end-to-end cases of the program while the
# null sink is recorded, and measures each recording. Quiet hours and a skipped wait must
# leave the sink silent; "Play one now" must be heard.
# Usage: considerate_sound_test.sh <e2e_considerate_test.exe> <project root>
set -euo pipefail
tests=$1 root=$2

source "$root/scripts/wine-env.sh"
zt_test_setup

raw=(-t raw -r 44100 -e signed -b 16 -c 2)
failed=0

# listen CASE EXPECT: runs one test case while recording; EXPECT is "silent" or "heard".
listen() {
    local case=$1 expect=$2 out=$work/$1.raw pid peak
    parec -d zt_null.monitor --raw --format=s16le --rate=44100 --channels=2 --latency-msec=20 >"$out" &
    pid=$!
    for _ in $(seq 100); do [ -s "$out" ] && break; sleep 0.05; done
    if ! wine "$tests" --gtest_filter="ConsiderateE2E.$case" >"$work/$case.log" 2>&1; then
        cat "$work/$case.log"
        echo "FAIL $case: the test case itself failed"
        failed=1
    fi
    sleep 0.3
    kill -INT "$pid"
    wait "$pid" || true
    peak=$(sox "${raw[@]}" "$out" -n stat 2>&1 | awk '/^Maximum amplitude:/ { print $3 }')
    if python3 -c "import sys; p = float('$peak'); sys.exit(0 if (p > 0.05) == ('$expect' == 'heard') else 1)"; then
        echo "ok   $case: $expect (peak $peak)"
    else
        echo "FAIL $case: expected $expect, peak $peak"
        failed=1
    fi
}

listen QuietHoursCoveringNowLetTheCountdownEndWithoutASound silent
listen SkipThisWaitStartsANewCountWithoutASound silent
listen PlayOneNowPlaysAtOnceEvenWhenMuted heard
exit $failed
