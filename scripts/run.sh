#!/usr/bin/env bash
# Sets up, builds and runs ZelmoBot. Extra arguments go to the bot.
# The bot's data (Config.ini, the user file) lives in ./data.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target zelmobot

mkdir -p data
args=(--data-dir "$PWD/data")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running headless. Type commands such as 'connect' and press Enter." >&2
  args+=(--headless)
fi
exec build/zelmobot "${args[@]}" "$@"
