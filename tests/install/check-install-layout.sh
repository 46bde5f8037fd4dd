#!/usr/bin/env bash
# Installs the build into a prefix in a fresh temporary folder and checks
# what a user gets there: every file in its place, executables that run from
# the prefix alone (their library found beside them, not in the build tree),
# and a first start of the installed program that fills a new data directory
# from the prefix's shipped files.
# Usage: check-install-layout.sh BUILD_DIR SOURCE_DIR PRIVATE_LIBDIR
# (PRIVATE_LIBDIR relative to the prefix, lib/tallyline by default).
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
libdir=$3

work=$(mktemp -d)
program=
cleanup() {
    if [[ -n $program ]] && kill -0 "$program" 2>/dev/null; then
        kill -KILL "$program" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || {
    cat "$work/install.log"
    exit 1
}

expected=(
    bin/tallyline
    bin/tallyline-line
    bin/tallyline-cli
    share/applications/org.example.Tallyline.desktop
    share/metainfo/org.example.Tallyline.metainfo.xml
    share/icons/hicolor/scalable/apps/tallyline.svg
    share/man/man1/tallyline.1
    share/man/man1/tallyline-line.1
    share/man/man1/tallyline-cli.1
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/tallyline.png")
done
# Every shipped file, in the same folders.
while IFS= read -r -d '' file; do
    expected+=("share/tallyline/${file#"$source/data/shipped/"}")
done < <(find "$source/data/shipped" -type f ! -name '.*' -print0)

for file in "${expected[@]}"; do
    [[ -f $prefix/$file ]] || fail "missing $file"
done
for exe in tallyline tallyline-line tallyline-cli; do
    [[ -x $prefix/bin/$exe ]] || fail "bin/$exe is not executable"
done
for file in "$source"/data/shipped/*.tzp; do
    cmp -s "$file" "$prefix/share/tallyline/${file##*/}" || fail "share/tallyline/${file##*/} differs from the shipped one"
done
[[ ! -e $prefix/bin/tallyline-history ]] || fail "the developer's tallyline-history is installed"

# The private library: the file and the link the executables load by, no
# link for linking against it, and nothing of it elsewhere.
libraries=$(cd "$prefix" && find . -name 'libsntptime*' | sort | tr '\n' ' ')
[[ $libraries == "./$libdir/libsntptime.so.1 ./$libdir/libsntptime.so.1.0.0 " ]] \
    || fail "libsntptime installed as: $libraries"

# A PNG's size is in its header (bytes 16 to 23, big-endian width and height).
for size in 16 22 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/tallyline.png
    [[ -f $png ]] || continue
    read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
    width=$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))
    height=$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))
    [[ $width == "$size" && $height == "$size" ]] || fail "${size}x${size}/apps/tallyline.png is ${width}x${height}"
done

# The executables must not reach into the build tree: their run path is
# relative to their own folder, and the library resolves inside the prefix.
for exe in tallyline tallyline-line tallyline-cli; do
    runpath=$(readelf -d "$prefix/bin/$exe" | sed -n 's/.*(R\(UN\)\?PATH).*\[\(.*\)\]/\2/p')
    [[ $runpath == '$ORIGIN/'* && $(realpath -m "$prefix/bin/${runpath#'$ORIGIN/'}") == "$(realpath -m "$prefix/$libdir")" ]] \
        || fail "bin/$exe has run path '$runpath'"
    # (the linker leaves it out of a command that does not call it)
    [[ $(readelf -d "$prefix/bin/$exe") == *'Shared library: [libsntptime.so.1]'* ]] || continue
    resolved=$(env -u LD_LIBRARY_PATH ldd "$prefix/bin/$exe" | sed -n 's/.*libsntptime.so.1 => \(.*\) (.*/\1/p')
    [[ $(realpath "$resolved" 2>/dev/null) == "$(realpath "$prefix/$libdir/libsntptime.so.1")" ]] \
        || fail "bin/$exe finds libsntptime at '$resolved'"
done

# They run from the prefix, from another folder, with nothing of the build
# tree on any path, and in private home folders.
home=$work/home
mkdir -p "$home"
run() {
    (cd "$work" && exec env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
        XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$@")
}
version=$(run "$prefix/bin/tallyline" --version) || fail "tallyline --version failed"
[[ $version =~ ^tallyline\ [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "tallyline --version said '$version'"
help=$(run "$prefix/bin/tallyline" --help) || fail "tallyline --help failed"
[[ $help == *--data-dir* && $help == *--line* ]] || fail "tallyline --help said '$help'"
version=$(run "$prefix/bin/tallyline-cli" --version) || fail "tallyline-cli --version failed"
[[ $version =~ ^tallyline-cli\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "tallyline-cli --version said '$version'"
version=$(run "$prefix/bin/tallyline-line" --version) || fail "tallyline-line --version failed"
[[ $version =~ ^tallyline-line\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "tallyline-line --version said '$version'"
help=$(run "$prefix/bin/tallyline-line" --help) || fail "tallyline-line --help failed"
[[ $help == *"connect ENTRY"* ]] || fail "tallyline-line --help said '$help'"

# A first start of the installed program: it fills the new data directory
# from <prefix>/share/tallyline, then opens the database (the sign that
# seeding is over) and waits in its setup wizard until it is ended.
data=$work/data
run "$prefix/bin/tallyline" --line simulated --data-dir "$data" >"$work/program.log" 2>&1 &
program=$!
for ((i = 0; i < 600; i++)); do
    [[ -f $data/Tallyline.sqlite ]] && break
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
if [[ -f $data/Tallyline.sqlite ]]; then
    while IFS= read -r -d '' file; do
        relative=${file#"$prefix/share/tallyline/"}
        cmp -s "$file" "$data/$relative" || fail "the first start did not copy $relative into the data directory"
    done < <(find "$prefix/share/tallyline" -type f -print0)
else
    fail "the installed tallyline did not start on a new data directory"
    cat "$work/program.log"
fi
# SIGTERM ends it as its Exit does.
kill -TERM "$program" 2>/dev/null || true
for ((i = 0; i < 300; i++)); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$program" 2>/dev/null; then
    fail "the installed tallyline did not end on SIGTERM"
else
    wait "$program" || true
    program=
fi

if ((failures > 0)); then
    echo "$failures failures; installed files:"
    (cd "$prefix" && find . | sort)
    exit 1
fi
echo "installed layout under $prefix checked: ${#expected[@]} files"
