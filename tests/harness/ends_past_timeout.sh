#!/bin/sh
# A test process whose function outlasts its time-out ends with a failure and
# a short log. The file size limit stops a process that keeps writing.
exe=$1
log=$2
(
  ulimit -f 4096
  QTEST_FUNCTION_TIMEOUT=1000 exec "$exe" >"$log" 2>&1
)
rc=$?
size=$(wc -c <"$log")
if [ "$rc" -eq 0 ]; then
  echo "the process ended with success"
  exit 1
fi
if ! grep -q "Test function timed out" "$log"; then
  echo "the process ended ($rc) without reporting the time-out:"
  head -c 4000 "$log"
  exit 1
fi
if [ "$size" -gt 65536 ]; then
  echo "the process ended ($rc) after a log of $size bytes:"
  head -c 4000 "$log"
  exit 1
fi
echo "ended with status $rc after a log of $size bytes"
