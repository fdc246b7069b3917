#!/bin/bash
# Runs one test program under wine64 in the test run's own prefix. The runner
# (scripts/run-tests.sh) exports WINEPREFIX and DISPLAY and keeps a wine session
# alive; without a prefix we refuse rather than touch the user's own registry.
if [ -z "$ZORVANE_TEST_PREFIX" ]; then
    echo "wine-test.sh: ZORVANE_TEST_PREFIX is not set; run the tests through scripts/run-tests.sh" >&2
    exit 2
fi
export WINEPREFIX="$ZORVANE_TEST_PREFIX"
export WINEDEBUG=-all
run() {
    # A crash would start winedbg and hang: bound every run.
    timeout -k 5 "${ZORVANE_TEST_TIMEOUT:-240}" /usr/lib/wine/wine64 "$@"
}
start=$(date +%s%N)
run "$@"
status=$?
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
# No test program starts and ends within 40 ms under Wine: a failure that
# fast is the loader's, not the test's (seen once, without any output), so
# the program gets one more start.
if [ $status -ne 0 ] && [ $elapsed_ms -lt 40 ]; then
    echo "wine-test.sh: wine64 ended after $elapsed_ms ms with $status before the test ran; starting it again" >&2
    run "$@"
    status=$?
fi
exit $status
