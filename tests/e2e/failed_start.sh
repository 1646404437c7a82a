#!/usr/bin/env bash
# The program's own main, in a copy whose start fails (FailedStart.cpp): it
# reports why and exits with a status other than 0, by returning, not by a signal.
# Usage: failed_start.sh PATH-TO-quorix_failed_start
out=$("$1" 2>&1)
status=$?
echo "$out"
echo "exit status $status"
[ "$status" -gt 0 ] && [ "$status" -lt 128 ] && grep -q "Quorix: The plug-ins could not be loaded." <<<"$out"
