#!/usr/bin/env bash
# Runs the freedesktop validators on the desktop entry and the AppStream
# metadata, and checks that the two and the project agree with each other.
# Exits 77 (a skip) when a validator is not installed; scripts/setup.sh
# installs both.
# Usage: check-desktop-files.sh SOURCE_DIR APP_ID PROJECT_VERSION
set -euo pipefail
source=$1
id=$2
version=$3
desktop=$source/data/desktop/$id.desktop
metainfo=$source/data/desktop/$id.metainfo.xml

missing=()
command -v desktop-file-validate >/dev/null || missing+=("desktop-file-validate (package desktop-file-utils)")
command -v appstreamcli >/dev/null || missing+=("appstreamcli (package appstream)")
if ((${#missing[@]} > 0)); then
    echo "SKIP: not installed: ${missing[*]}; scripts/setup.sh installs them"
    exit 77
fi

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# desktop-file-validate exits 0 on hints too; anything it prints is a finding.
findings=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate rejected $desktop"
[[ -z $findings ]] || fail "desktop-file-validate: $findings"
# Errors and warnings fail; only the pedantic remark on the capitals of the
# reverse-DNS id (which the desktop entry's name must match) is accepted.
if ! appstreamcli validate --no-net --no-color "$metainfo"; then
    fail "appstreamcli rejected $metainfo"
fi
findings=$(appstreamcli validate --no-net --no-color "$metainfo" 2>&1 | grep -E '^[EWI]: ' || true)
[[ -z $findings ]] || fail "appstreamcli: $findings"

# The metadata's id, launchable and icon, the entry's icon and command, and
# the newest release against the project's version.
grep -q "<id>$id</id>" "$metainfo" || fail "the metadata's id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
    || fail "the metadata does not launch $id.desktop"
grep -qx 'Icon=tallyline' "$desktop" || fail "the desktop entry's icon is not tallyline"
grep -qx 'Exec=tallyline' "$desktop" || fail "the desktop entry does not run tallyline"
newest=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n1)
[[ $newest == "$version" ]] || fail "the newest release in the metadata is '$newest', the project is $version"

((failures == 0)) || exit 1
echo "desktop entry and AppStream metadata of $id are valid"
