#!/usr/bin/env bash
# Builds the Debian package from the build folder into a temporary folder
# and checks it: its control fields (the Depends worked out by
# dpkg-shlibdeps), its file list, and the executables unpacked into a
# scratch root, run from there. Exits 77 (a skip) without dpkg-deb or
# dpkg-shlibdeps; scripts/setup.sh installs them.
# Usage: check-debian-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)

for tool in dpkg-deb dpkg-shlibdeps cpack; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (packages dpkg-dev, cmake); scripts/setup.sh installs them"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
debs=("$work"/out/tallyline_*.deb)
[[ -f ${debs[0]} && ${#debs[@]} == 1 ]] || { cat "$work/cpack.log"; echo "FAIL: no single tallyline_*.deb"; exit 1; }
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == tallyline ]] || fail "Package is '$(field Package)'"
[[ $(field Section) == net ]] || fail "Section is '$(field Section)'"
[[ $(field Maintainer) == *"<"*@*">" ]] || fail "Maintainer is '$(field Maintainer)'"
[[ -n $(field Description) ]] || fail "no Description"
depends=$(field Depends)
# What the executables link, as dpkg-shlibdeps finds it: the C library, Qt,
# SQLite, libsodium; never the package's own private library.
for package in libc6 libqt6core6 libqt6widgets6 libqt6network6 libqt6multimedia6 libsqlite3-0 libsodium23; do
    [[ $depends =~ (^|, )$package( |,|$) ]] || fail "Depends lacks $package: $depends"
done
[[ $depends != *sntptime* ]] || fail "Depends names the private library: $depends"

listing=$(dpkg-deb --fsys-tarfile "$deb" | tar -t)
for file in ./usr/bin/tallyline ./usr/bin/tallyline-line ./usr/bin/tallyline-cli \
    ./usr/share/applications/org.example.Tallyline.desktop ./usr/share/metainfo/org.example.Tallyline.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/tallyline.svg ./usr/share/icons/hicolor/48x48/apps/tallyline.png \
    ./usr/share/man/man1/tallyline.1 ./usr/share/man/man1/tallyline-line.1 ./usr/share/man/man1/tallyline-cli.1 \
    "./usr/share/tallyline/Flat Rate 1p per minute.tzp" ./usr/share/tallyline/Ringin.wav; do
    grep -qxF "$file" <<<"$listing" || fail "the package lacks $file"
done
grep -q '^\./usr/lib/.*tallyline/libsntptime\.so\.1' <<<"$listing" || fail "the package lacks libsntptime.so.1"
! grep -q 'tallyline-history' <<<"$listing" || fail "the package holds tallyline-history"
! grep -q '^\./usr/local' <<<"$listing" || fail "the package installs into /usr/local"

# Unpacked into a scratch root, the stripped executables still run and still
# carry the version block the program reads back.
dpkg -x "$deb" "$work/root"
run() { (cd "$work" && exec env -i PATH=/usr/bin:/bin HOME="$work" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$@"); }
out=$(run "$work/root/usr/bin/tallyline-cli" --version) || fail "tallyline-cli --version failed: $out"
[[ $out == "tallyline-cli "* ]] || fail "tallyline-cli --version said '$out'"
out=$(run "$work/root/usr/bin/tallyline" --version) || fail "tallyline --version failed: $out"
[[ $out == "tallyline $(field Version)" ]] || fail "tallyline --version said '$out', the package is $(field Version)"
out=$(run "$work/root/usr/bin/tallyline" --help) || fail "tallyline --help failed"
[[ $out == *--data-dir* ]] || fail "tallyline --help said '$out'"
out=$(run "$work/root/usr/bin/tallyline-line" --help) || fail "tallyline-line --help failed"

((failures == 0)) || exit 1
echo "${deb##*/}: Depends: $depends"
