#!/usr/bin/env bash
# Installs the Debian packages that ZelmoBot needs to build, run and test,
# when any of them is missing. Safe to run again. Packages named as
# arguments are wanted too (scripts/package-check.sh names its own).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libcrypt-dev libedit-dev libssl-dev openssl
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libexpat1-dev liblua5.4-dev
  ngircd
  dictd dict-freedict-fin-eng dict-freedict-eng-fin
  xvfb xauth
  clang libclang-rt-14-dev clang-format
  "$@"
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
# The IRC servers' packages start system-wide servers; the bot's sandbox and
# the tests run their own.
for service in ngircd inspircd atheme-services; do
  if command -v systemctl >/dev/null 2>&1 && systemctl is-active --quiet "$service" 2>/dev/null; then
    $sudo systemctl stop "$service" || true
  fi
done
