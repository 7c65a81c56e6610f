#!/usr/bin/env bash
# Builds everything and runs every test, the database tests on SQLite and on a
# throwaway PostgreSQL cluster started here and stopped whatever happens.
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)

bash scripts/deps.sh

BUILD="$ROOT/build-test"
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTROVA_BUILD_TESTS=ON -DTROVA_BUILD_BENCH=ON >/dev/null
JOBS=${TROVA_JOBS:-$(nproc)}
cmake --build "$BUILD" -j"$JOBS"

# A PostgreSQL cluster of our own, on a free loopback port, run by an
# unprivileged user.
PGBIN=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
PGDIR=$(mktemp -d /tmp/trova-pg.XXXXXX)
RUNAS=()
if [[ $(id -u) -eq 0 ]]; then
  chown postgres:postgres "$PGDIR"
  RUNAS=(runuser -u postgres --)
fi
PGPORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')

CUPSDIR=$(mktemp -d /tmp/trova-cups.XXXXXX)
CUPSPID=

cleanup() {
  "${RUNAS[@]}" "$PGBIN/pg_ctl" -D "$PGDIR/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$PGDIR"
  if [[ -n $CUPSPID ]]; then
    kill "$CUPSPID" 2>/dev/null || true
    wait "$CUPSPID" 2>/dev/null || true
  fi
  rm -rf "$CUPSDIR"
}
trap cleanup EXIT

"${RUNAS[@]}" "$PGBIN/initdb" -D "$PGDIR/data" -U postgres -A trust -E UTF8 --locale=C >/dev/null
"${RUNAS[@]}" "$PGBIN/pg_ctl" -D "$PGDIR/data" -l "$PGDIR/log" -w \
  -o "-h 127.0.0.1 -p $PGPORT -k $PGDIR -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
  start >/dev/null
echo "PostgreSQL for the tests: 127.0.0.1:$PGPORT"

# A CUPS daemon of our own for the label printer, on a free loopback port,
# with its configuration, spool and logs in a throwaway folder. Its one queue
# is raw (jobs pass untouched) and writes every job to a file: the scheduler
# writes a file: device only through a filter, which raw jobs never get, so
# the queue's device is a tiny backend that appends each job to its file.
CUPSPORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
mkdir -p "$CUPSDIR"/{spool,cache,state,tmp,log,out,bin/backend}
chmod 755 "$CUPSDIR"
for d in /usr/lib/cups/*; do
  [[ $(basename "$d") == backend ]] || ln -s "$d" "$CUPSDIR/bin/"
done
cat > "$CUPSDIR/bin/backend/trovafile" <<'EOS'
#!/bin/sh
# Appends each job to the file named by the device URI (trovafile:/path).
if [ $# -eq 0 ]; then
  echo 'direct trovafile "Unknown" "Label file"'
  exit 0
fi
out=${DEVICE_URI#trovafile:}
if [ -n "$6" ]; then cat "$6" >> "$out"; else cat >> "$out"; fi
EOS
chmod 700 "$CUPSDIR/bin/backend/trovafile"
cat > "$CUPSDIR/cups-files.conf" <<EOS
ServerRoot $CUPSDIR
RequestRoot $CUPSDIR/spool
CacheDir $CUPSDIR/cache
StateDir $CUPSDIR/state
TempDir $CUPSDIR/tmp
ErrorLog $CUPSDIR/log/error_log
AccessLog $CUPSDIR/log/access_log
PageLog $CUPSDIR/log/page_log
ServerBin $CUPSDIR/bin
DataDir /usr/share/cups
EOS
cat > "$CUPSDIR/cupsd.conf" <<EOS
Listen 127.0.0.1:$CUPSPORT
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow from 127.0.0.1
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow from 127.0.0.1
  </Limit>
</Policy>
EOS
/usr/sbin/cupsd -f -c "$CUPSDIR/cupsd.conf" -s "$CUPSDIR/cups-files.conf" >"$CUPSDIR/log/cupsd.out" 2>&1 &
CUPSPID=$!
export CUPS_SERVER=127.0.0.1:$CUPSPORT
for _ in $(seq 50); do
  lpstat -r >/dev/null 2>&1 && break
  sleep 0.2
done
lpadmin -p trova-label -E -v "trovafile:$CUPSDIR/out/labels.prn"
echo "CUPS for the tests: $CUPS_SERVER, queue trova-label"
export TROVA_TEST_CUPS_QUEUE=trova-label
export TROVA_TEST_CUPS_FILE=$CUPSDIR/out/labels.prn

export TROVA_TEST_PG_HOST=127.0.0.1
export TROVA_TEST_PG_PORT=$PGPORT
export TROVA_TEST_PG_USER=postgres
export QT_QPA_PLATFORM=offscreen

cd "$BUILD"
set +e
ctest --output-on-failure -j"$JOBS" --timeout 900
rc=$?
set -e

# What ran inside the test executables: the database rows on PostgreSQL must
# have run, not been skipped.
LOG="$BUILD/Testing/Temporary/LastTest.log"
pg_pass=$(grep -cE '^PASS .*\(postgres' "$LOG" || true)
pg_skip=$(grep -cE '^SKIP .*\(postgres' "$LOG" || true)
read -r passed failed skipped < <(awk '/^Totals:/ {p+=$2; f+=$4; s+=$6} END {print p+0, f+0, s+0}' "$LOG")
echo "PostgreSQL test rows: $pg_pass passed, $pg_skip skipped"
if [[ $pg_skip -gt 0 ]]; then
  echo "PostgreSQL rows were skipped although a server was configured" >&2
  rc=1
fi
cups_skip=$(grep -cE '^SKIP .*cupsPrint' "$LOG" || true)
if [[ $cups_skip -gt 0 ]]; then
  echo "The CUPS print test was skipped although a daemon was started" >&2
  rc=1
fi
echo "Qt Test: $passed passed, $failed failed, $skipped skipped"
exit $rc
