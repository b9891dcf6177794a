#!/usr/bin/env bash
# Sets up, builds and runs ZelmoBot. Extra arguments go to the bot.
# The bot's data (Config.ini, the user file) lives in ./data. When nothing
# listens on 127.0.0.1:6667 yet, a sandbox IRC server (ngircd) is started
# there for as long as the bot runs, so that CONNECT works at once.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target zelmobot

listening() { (exec 3<>/dev/tcp/127.0.0.1/6667) 2>/dev/null; }

sandbox_pid=""
stop_sandbox() { [ -n "$sandbox_pid" ] && kill "$sandbox_pid" 2>/dev/null || true; }
trap stop_sandbox EXIT

if ! listening; then
  mkdir -p sandbox
  {
    echo "[Global]"
    echo "Name = sandbox.zelmobot.local"
    echo "Info = ZelmoBot sandbox server"
    echo "Listen = 127.0.0.1"
    echo "Ports = 6667"
    echo "MotdPhrase = ZelmoBot sandbox: talk to the bot with /msg ZelmoBot help"
    echo "AdminInfo1 = sandbox"
    echo "AdminInfo2 = sandbox"
    echo "AdminEMail = sandbox@localhost"
    if [ "$(id -u)" -eq 0 ]; then
      echo "ServerUID = 65534"
      echo "ServerGID = 65534"
    fi
    echo "[Options]"
    echo "PAM = no"
    echo "Ident = no"
    echo "DNS = no"
    echo "[Operator]"
    echo "Name = oper"
    echo "Password = operpw"
  } > sandbox/ngircd.conf
  /usr/sbin/ngircd -n -f "$PWD/sandbox/ngircd.conf" > sandbox/ngircd.log 2>&1 &
  sandbox_pid=$!
  for _ in $(seq 50); do listening && break; sleep 0.1; done
  echo "Sandbox IRC server on 127.0.0.1:6667 (log: sandbox/ngircd.log)." >&2
fi

mkdir -p data
args=(--data-dir "$PWD/data")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running headless. Type commands such as 'connect' and press Enter." >&2
  args+=(--headless)
fi
status=0
build/zelmobot "${args[@]}" "$@" || status=$?
exit "$status"
