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

cleanup() {
  "${RUNAS[@]}" "$PGBIN/pg_ctl" -D "$PGDIR/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$PGDIR"
}
trap cleanup EXIT

"${RUNAS[@]}" "$PGBIN/initdb" -D "$PGDIR/data" -U postgres -A trust -E UTF8 --locale=C >/dev/null
"${RUNAS[@]}" "$PGBIN/pg_ctl" -D "$PGDIR/data" -l "$PGDIR/log" -w \
  -o "-h 127.0.0.1 -p $PGPORT -k $PGDIR -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
  start >/dev/null
echo "PostgreSQL for the tests: 127.0.0.1:$PGPORT"

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
echo "Qt Test: $passed passed, $failed failed, $skipped skipped"
exit $rc
