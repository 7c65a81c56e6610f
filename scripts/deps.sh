#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Only missing packages are installed; a machine that has them all is left alone.
set -euo pipefail

PKGS=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libqt6opengl6-dev
  libxlsxwriter-dev libfreexl-dev libminizip-dev zlib1g-dev libcups2-dev libpq-dev
  libbenchmark-dev fonts-wqy-microhei
  postgresql postgresql-client
  cups-daemon cups-client
  python3 python3-openpyxl python3-xlwt
)
if [[ "${1:-}" == "--run" ]]; then
  PKGS=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
        libqt6sql6-psql libqt6opengl6-dev libxlsxwriter-dev libfreexl-dev libminizip-dev zlib1g-dev
        libcups2-dev libpq-dev libbenchmark-dev fonts-wqy-microhei)
fi

missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
