#!/bin/sh
# Runs one test program under wine64 in the test run's own prefix. The runner
# (scripts/run-tests.sh) exports WINEPREFIX and DISPLAY and keeps a wine session
# alive; without a prefix we refuse rather than touch the user's own registry.
if [ -z "$ZORVANE_TEST_PREFIX" ]; then
    echo "wine-test.sh: ZORVANE_TEST_PREFIX is not set; run the tests through scripts/run-tests.sh" >&2
    exit 2
fi
export WINEPREFIX="$ZORVANE_TEST_PREFIX"
export WINEDEBUG=-all
# A crash would start winedbg and hang: bound every run.
exec timeout -k 5 "${ZORVANE_TEST_TIMEOUT:-240}" /usr/lib/wine/wine64 "$@"
