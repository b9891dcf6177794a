#!/usr/bin/env bash
# Builds the Debian packages from a Release build folder (build-release, as
# scripts/build-release.sh leaves it, unless another is given), installs the
# headless package on this machine, runs the installed program, verifies the
# service unit, installs the window package too, then purges both. Whatever
# fails, what it installed is removed and its files are deleted.
#   scripts/package-check.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build-release}"
if [ ! -f "$build/CPackConfig.cmake" ]; then
  echo "package-check: no configured build in $build (run scripts/build-release.sh)" >&2
  exit 2
fi
# systemd-analyze comes with systemd; dpkg-shlibdeps with dpkg-dev.
scripts/setup.sh systemd dpkg-dev

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
# Installed, or removed with its files still known to dpkg.
known() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -qv "not-installed"; }
for package in zelmobot zelmobot-qt; do
  if installed "$package"; then
    echo "package-check: $package is installed already; remove it first" >&2
    exit 2
  fi
done

work=$(mktemp -d)
# apt reads the packages as its own unprivileged user.
chmod 755 "$work"
cleanup() {
  local status=$?
  for package in zelmobot-qt zelmobot; do
    if known "$package"; then $sudo apt-get purge -y -q "$package" >/dev/null || status=1; fi
  done
  rm -rf "$work"
  [ "$status" -eq 0 ] && echo "package-check: passed" || echo "package-check: FAILED" >&2
  exit "$status"
}
trap cleanup EXIT

fail() { echo "package-check: $*" >&2; exit 1; }
step() { echo "== $*"; }

step "cpack -G DEB"
(cd "$build" && cpack -G DEB -B "$work/packages")
bot_deb=$(ls "$work"/packages/zelmobot_*.deb)
qt_deb=$(ls "$work"/packages/zelmobot-qt_*.deb 2>/dev/null || true)
dpkg-deb -I "$bot_deb"
bot_depends=$(dpkg-deb -f "$bot_deb" Depends)
[ -n "$bot_depends" ] || fail "zelmobot has no computed dependencies"
case "$bot_depends" in *libc6*) ;; *) fail "zelmobot does not depend on libc6: $bot_depends" ;; esac
case "$bot_depends" in *qt*|*Qt*) fail "zelmobot needs the toolkit: $bot_depends" ;; esac
# OpenSSL comes with the TLS module, which the bot's package carries.
case "$bot_depends" in *libssl3*) ;; *) fail "zelmobot does not depend on libssl3: $bot_depends" ;; esac
# libedit likewise with the line editor module.
case "$bot_depends" in *libedit2*) ;; *) fail "zelmobot does not depend on libedit2: $bot_depends" ;; esac
contents=$(dpkg-deb -c "$bot_deb")
for path in ./usr/bin/zelmobot ./usr/lib/zelmobot/libzelmobot_tls.so \
            ./usr/lib/zelmobot/libzelmobot_edit.so \
            ./usr/share/man/man1/zelmobot.1.gz ./usr/share/doc/zelmobot/copyright \
            ./usr/lib/systemd/system/zelmobot.service; do
  grep -q " $path\$" <<<"$contents" || fail "zelmobot lacks $path"
done
# Debian policy: manual pages compressed at the highest level, and no time
# stamp in the gzip header.
dpkg-deb --fsys-tarfile "$bot_deb" | tar -xO ./usr/share/man/man1/zelmobot.1.gz >"$work/man.gz"
[ "$(od -An -tu1 -j4 -N4 "$work/man.gz" | tr -d ' ')" = 0000 ] || fail "the manual page has a time stamp"
[ "$(od -An -tu1 -j8 -N1 "$work/man.gz" | tr -d ' ')" = 2 ] || fail "the manual page is not compressed with -9"
gzip -t "$work/man.gz" || fail "the manual page is no gzip file"
if command -v lintian >/dev/null 2>&1; then
  step "lintian"
  lintian --no-tag-display-limit "$bot_deb" ${qt_deb:+"$qt_deb"} || true
fi

step "apt-get install zelmobot"
$sudo apt-get install -y -q "$bot_deb"
[ "$(command -v zelmobot)" = /usr/bin/zelmobot ] || fail "zelmobot is not /usr/bin/zelmobot"
[ "$(/usr/bin/zelmobot --version)" = "ZelmoBot v0.5" ] || fail "--version"

step "zelmobot --add-user from the installed program"
mkdir "$work/data"
printf 'secret\n' | /usr/bin/zelmobot --add-user alice --owner --data-dir "$work/data"
users="$work/data/Users.ini"
[ "$(stat -c %a "$users")" = 600 ] || fail "Users.ini has mode $(stat -c %a "$users")"
grep -qx '\[alice\]' "$users" || fail "no [alice] in Users.ini"
grep -qx 'Password=secret' "$users" || fail "no password in Users.ini"
grep -qx 'Rights_General=2' "$users" || fail "alice is no owner"
before=$(sha256sum "$users")
if printf 'other\n' | /usr/bin/zelmobot --add-user ALICE --data-dir "$work/data" 2>"$work/err"; then
  fail "a name that exists was added again"
fi
grep -q "exists already" "$work/err" || fail "unclear refusal: $(cat "$work/err")"
[ "$(sha256sum "$users")" = "$before" ] || fail "a refused user changed Users.ini"

step "the data folder of an installed program"
mkdir -p "$work/home"
printf 'pw\n' | env -u XDG_CONFIG_HOME HOME="$work/home" /usr/bin/zelmobot --add-user bob
[ "$(stat -c %a "$work/home/.config/zelmobot")" = 700 ] || fail "data folder mode"
grep -qx '\[bob\]' "$work/home/.config/zelmobot/Users.ini" || fail "bob not in ~/.config/zelmobot"
[ ! -e /usr/bin/Users.ini ] || fail "the program wrote into /usr/bin"

step "systemd-analyze verify"
unit=/usr/lib/systemd/system/zelmobot.service
grep -q '^ExecStart=/usr/bin/zelmobot --headless --data-dir /var/lib/zelmobot$' "$unit" ||
  fail "the unit does not start /usr/bin/zelmobot headless"
systemd-analyze verify "$unit"
grep -q '^Type=notify$' "$unit" || fail "the unit does not wait for the bot's readiness"
template=/usr/lib/systemd/system/zelmobot@.service
grep -q '^ExecStart=/usr/bin/zelmobot --headless --data-dir /var/lib/zelmobot/%i$' "$template" ||
  fail "the template does not start one bot per data folder"
systemd-analyze verify "$template"

if [ -n "$qt_deb" ]; then
  step "apt-get install zelmobot-qt"
  contents=$(dpkg-deb -c "$qt_deb")
  for path in ./usr/lib/zelmobot/libzelmobot_qt.so ./usr/share/applications/zelmobot.desktop \
              ./usr/share/icons/hicolor/scalable/apps/zelmobot.svg \
              ./usr/share/doc/zelmobot-qt/copyright; do
    grep -q " $path\$" <<<"$contents" || fail "zelmobot-qt lacks $path"
  done
  case "$(dpkg-deb -f "$qt_deb" Depends)" in
    *libqt6widgets6*) ;; *) fail "zelmobot-qt does not depend on the toolkit" ;;
  esac
  $sudo apt-get install -y -q "$qt_deb"
  # The installed program finds the module in /usr/lib/zelmobot and opens
  # its window (drawn offscreen); it maps the module once the window runs.
  mkdir "$work/window"
  QT_QPA_PLATFORM=offscreen /usr/bin/zelmobot --data-dir "$work/window" \
    >"$work/window.out" 2>"$work/window.err" </dev/null &
  pid=$!
  mapped=""
  for _ in $(seq 100); do
    if grep -q /usr/lib/zelmobot/libzelmobot_qt.so "/proc/$pid/maps" 2>/dev/null; then
      mapped=yes
      break
    fi
    sleep 0.1
  done
  # The window catches SIGTERM once it runs, a moment after the loading.
  sleep 1
  kill -TERM "$pid" 2>/dev/null || true
  wait "$pid" || fail "the window ended badly: $(cat "$work/window.err")"
  [ -n "$mapped" ] || fail "the window module was not loaded: $(cat "$work/window.err")"
  ! grep -q "running headless" "$work/window.err" || fail "$(cat "$work/window.err")"
fi

# Purged, not only removed: the window package runs ldconfig on removal, so
# dpkg would keep a record of it.
step "apt-get purge"
$sudo apt-get purge -y -q zelmobot-qt zelmobot
[ ! -e /usr/bin/zelmobot ] || fail "/usr/bin/zelmobot is still there"
for package in zelmobot zelmobot-qt; do
  ! known "$package" || fail "dpkg still knows $package"
done
