#!/bin/sh
# Runs a test in a process namespace of its own when the machine allows one:
# single-instance checks and process scans then meet only the test's own
# programs, not a session of the installed suite running on this machine.
# A shell is the namespace's first process, so orphans never land on the test.
if unshare -p -f --kill-child --mount-proc true 2>/dev/null; then
    exec unshare -p -f --kill-child --mount-proc sh -c '"$@"; exit $?' sh "$@"
fi
exec "$@"
