#!/usr/bin/env bash
# Builds the Debian package from ./build, installs it with apt into a fresh
# minimal Debian 12 made with debootstrap (so its Depends alone must bring
# everything the program needs), and starts the installed program there as
# an ordinary user: the first start must seed the data directory from
# /usr/share/tallyline, answer tallyline-line, and end cleanly on SIGTERM.
# Then the package is removed again.
# Usage, as root after scripts/build.sh:  scripts/check-deb-install.sh [ROOT_DIR]
# Needs debootstrap (installed when missing) and the machine's Debian mirror.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${TALLYLINE_BUILD_DIR:-$here/build}"
root="${1:-/var/tmp/tallyline-deb-check}"
[[ $(id -u) == 0 ]] || { echo "check-deb-install: run as root (it makes and enters a Debian root)"; exit 2; }

mirror=$(awk '/^URIs:/{print $2; exit} /^deb /{print $2; exit}' /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null | head -n1 || true)
mirror=${mirror:-http://deb.debian.org/debian}
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap >/dev/null

work=$(mktemp -d)
cleanup() {
    for m in dev/pts dev sys proc; do umount -l "$root/$m" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

echo "== building the package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/tallyline_*.deb)

echo "== a fresh Debian 12 in $root"
for m in dev/pts dev sys proc; do umount -l "$root/$m" 2>/dev/null || true; done
rm -rf "$root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 \
    || { tail -20 "$work/debootstrap.log"; exit 1; }
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
for m in proc sys dev dev/pts; do mount --bind "/$m" "$root/$m"; done
cp "$deb" "$root/tmp/"
inside() { chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LC_ALL=C.UTF-8 bash -c "$1"; }

echo "== apt-get install ./${deb##*/}"
inside "apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -q /tmp/${deb##*/}" >"$work/apt.log" 2>&1 \
    || { tail -30 "$work/apt.log"; exit 1; }
echo "$(grep -c "^Setting up" "$work/apt.log") packages set up, tallyline among them: $(grep -c "^Setting up tallyline" "$work/apt.log")"

echo "== the installed program, started by an ordinary user"
inside 'useradd --create-home tester'
# Runs as the user, with an environment like a desktop session's but no display.
cat >"$root/tmp/first-start.sh" <<'INNER'
set -euo pipefail
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$HOME/run
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
tallyline --version
data=$HOME/.local/share/Kelmora/Tallyline
tallyline --line simulated >"$HOME/tallyline.log" 2>&1 &
pid=$!
# Ready when its line answers; the bound only catches a program that hangs.
for _ in $(seq 600); do
    tallyline-line status >/dev/null 2>&1 && break
    kill -0 "$pid" 2>/dev/null || { cat "$HOME/tallyline.log"; echo "FAIL: the program ended at start"; exit 1; }
    sleep 0.1
done
tallyline-line status | head -3
for file in Ringin.wav "Flat Rate 1p per minute.tzp" help/index.html Tallyline.sqlite; do
    [[ -e "$data/$file" ]] || { echo "FAIL: the first start did not put $file into $data"; exit 1; }
done
echo "seeded: $(ls "$data" | tr '\n' ' ')"
[[ $(stat -c %a "$data") == 700 ]] || { echo "FAIL: $data is $(stat -c %a "$data"), not 700"; exit 1; }
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[[ $status == 0 ]] || { cat "$HOME/tallyline.log"; echo "FAIL: SIGTERM ended the program with status $status"; exit 1; }
echo "ended cleanly on SIGTERM"
# The command line reads the store the program made: the setup wizard did
# not run, so there is no user to show yet (exit status 5).
status=0
tallyline-cli totals || status=$?
[[ $status == 5 ]] || { echo "FAIL: tallyline-cli totals ended with status $status, not 5 (no user)"; exit 1; }
INNER
inside 'chmod 755 /tmp/first-start.sh && su - tester -c "bash /tmp/first-start.sh"'

echo "== apt-get remove tallyline"
inside 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -q tallyline >/dev/null && ! command -v tallyline && test ! -e /usr/share/tallyline'
echo "PASS: ${deb##*/} installs, starts and is removed in a fresh Debian 12"
