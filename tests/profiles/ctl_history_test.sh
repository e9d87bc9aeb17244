#!/usr/bin/env bash
# tavrinexctl profile history/restore on a documents folder of its own.
set -euo pipefail
ctl=$1
docs=$(mktemp -d)
trap 'rm -rf "$docs"' EXIT
export TAVRINEX_DOCUMENTS_DIR=$docs
kb="$docs/Zepha QX19/kb"
mkdir -p "$kb/history"
printf 'old light' > "$kb/history/Game.led@2026-12-09_10-00-00.000"
printf 'older light' > "$kb/history/Game.led@2026-12-01_10-00-00.000"
printf 'device state' > "$kb/Game.led"
printf 'keys' > "$kb/Game.pro"

"$ctl" profile history kb Game | grep -q '^   2  .*2026-12-01_10-00-00.000$'
"$ctl" profile restore kb game 2 >/dev/null            # any case, by number
[ "$(cat "$kb/Game.led")" = "older light" ]
"$ctl" profile history kb Game.led | grep -c '^ *[0-9]  ' | grep -qx 3   # the replaced file kept
[ "$(cat "$kb/Game.pro")" = "keys" ]
if "$ctl" profile restore kb Game 99 2>/dev/null; then exit 1; fi  # no such version: exit 1
if "$ctl" profile restore kb ../Game 1 2>/dev/null; then exit 1; fi
[ "$(cat "$kb/Game.led")" = "older light" ]
echo "ctl history: ok"
