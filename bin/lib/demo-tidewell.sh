#!/usr/bin/env bash
# Tidewell: a sample update list packed the way it lies on the update server, then
# unpacked again and compared with the original.
set -euo pipefail
. "$(dirname "$0")/common.sh"

BUILD=${TIDEWELL_DEMO_BUILD:-$BUILD}
GEN="$BUILD/bin/tidewell-gen"
[ -x "$GEN" ] || cmake --build "$BUILD" --target tidewell-gen >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

list="$work/leafline.ini"
cat >"$list" <<'LIST'
[General]
Windows Prefix=winfiles
Program Prefix=program
Base URL=http://updates.corvane.example/liveupdates/leafline/
[Program Files]
Name1=leafline.exe
Modified1=03/15/2026 10:22:05
Created1=03/01/2026 09:00:00
Size1=482304
Check Modify1=1
Check Create1=0
Check Size1=1
Name2=bin\strokes.dll
Modified2=03/14/2026 16:40:12
Created2=03/01/2026 09:00:00
Size2=131072
Check Modify2=1
Check Create2=0
Check Size2=1
[Other Files]
Name1=palette.dat
Other Prefix1=others
Other Local1=/usr/share/corvane/
Modified1=02/28/2026 08:15:00
Created1=02/28/2026 08:15:00
Size1=4096
Check Modify1=0
Check Create1=0
Check Size1=1
LIST

size() { stat -c %s "$1"; }

echo "== Tidewell: packing an update list"
echo "list file:    $list ($(size "$list") bytes, 3 files listed)"
"$GEN" pack "$list" "$work/leafline.tdu" >/dev/null
echo "packed:       $work/leafline.tdu ($(size "$work/leafline.tdu") bytes, compressed then encrypted)"
"$GEN" unpack "$work/leafline.tdu" "$work/leafline.back.ini" >/dev/null
echo "unpacked:     $work/leafline.back.ini ($(size "$work/leafline.back.ini") bytes)"
if cmp -s "$list" "$work/leafline.back.ini"; then
  echo "round trip:   identical to the original"
else
  echo "round trip:   DIFFERS from the original" >&2
  exit 1
fi
