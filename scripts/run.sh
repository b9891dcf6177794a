#!/usr/bin/env bash
# Sets up, builds and runs ZelmoBot. Extra arguments go to the bot.
# The bot's data (Config.ini, the user file) lives in ./data. When nothing
# listens on 127.0.0.1:6667 yet, a sandbox IRC server (ngircd) is started
# there for as long as the bot runs, so that CONNECT works at once. When no
# dictionary is configured, !word asks the FreeDict Finnish-English and
# English-Finnish dictionaries on 127.0.0.1:2628, and a sandbox dictd is
# started there when nothing listens yet.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target zelmobot

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

sandbox_pid=""
dictd_pid=""
dictd_folder=""
stop_sandbox() {
  if [ -n "$sandbox_pid" ]; then kill "$sandbox_pid" 2>/dev/null || true; fi
  if [ -n "$dictd_pid" ]; then kill "$dictd_pid" 2>/dev/null || true; fi
  if [ -n "$dictd_folder" ]; then rm -rf "$dictd_folder"; fi
}
trap stop_sandbox EXIT

# True when the environment or [Lookups] Dictionary in data/Config.ini names
# a dictionary (section and key names in any case).
dictionary_configured() {
  [ -n "${ZELMOBOT_DICTIONARY_HOST:-}" ] && return 0
  [ -f data/Config.ini ] || return 1
  awk '
    { sub(/\r$/, "") }
    /^[ \t]*\[/ { section = tolower($0); gsub(/^[ \t]*\[|\][ \t]*$/, "", section); next }
    section == "lookups" && index($0, "=") {
      key = tolower(substr($0, 1, index($0, "=") - 1)); gsub(/^[ \t]+|[ \t]+$/, "", key)
      value = substr($0, index($0, "=") + 1); gsub(/^[ \t]+|[ \t]+$/, "", value)
      if (key == "dictionary" && value != "") found = 1
    }
    END { exit !found }' data/Config.ini
}

# data/ holds plain-text passwords and sandbox/ the servers' logs: both are
# for this user alone, also when they were made before by an older run.
mkdir -p data sandbox
chmod 700 data sandbox

if ! listening 6667; then
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
  for _ in $(seq 50); do listening 6667 && break; sleep 0.1; done
  echo "Sandbox IRC server on 127.0.0.1:6667 (log: sandbox/ngircd.log)." >&2
fi

if ! dictionary_configured; then
  if ! listening 2628; then
    # Started as root, dictd goes on as its own user, who must still read
    # its configuration: it lives in a folder of its own that anyone may pass.
    dictd_folder=$(mktemp -d)
    chmod 711 "$dictd_folder"
    for name in fin-eng eng-fin; do
      echo "database fd-$name {"
      echo "  data /usr/share/dictd/freedict-$name.dict.dz"
      echo "  index /usr/share/dictd/freedict-$name.index"
      echo "}"
    done | { echo "access { allow 127.0.0.1 }"; cat; } > "$dictd_folder/dictd.conf"
    chmod 644 "$dictd_folder/dictd.conf"
    /usr/sbin/dictd -c "$dictd_folder/dictd.conf" --debug nodetach --listen-to 127.0.0.1 -p 2628 \
      > sandbox/dictd.log 2>&1 &
    dictd_pid=$!
    for _ in $(seq 50); do listening 2628 && break; sleep 0.1; done
    echo "Sandbox dictionary server on 127.0.0.1:2628 (log: sandbox/dictd.log)." >&2
  fi
  export ZELMOBOT_DICTIONARY_HOST="dict://127.0.0.1:2628/fd-fin-eng+fd-eng-fin"
fi

args=(--data-dir "$PWD/data")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running headless. Type commands such as 'connect' and press Enter." >&2
  args+=(--headless)
fi
status=0
build/zelmobot "${args[@]}" "$@" || status=$?
exit "$status"
