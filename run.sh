#!/usr/bin/env bash
# Builds the program in Release and starts it. With no settings it runs on an
# SQLite file in the user's data folder, created with the schema on first start.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh --run
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DTROVA_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j"${TROVA_JOBS:-$(nproc)}"
exec ./build-release/bin/TROVA "$@"
