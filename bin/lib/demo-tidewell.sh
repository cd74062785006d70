#!/usr/bin/env bash
# Tidewell: a real update of a sample product. In a sandbox, Leafline 1.0 is installed
# and registered, the 2.0 release is packed into an update set, a local HTTP server
# serves it, and `tidewell /LEAFLINE --quiet` brings the installation up to date. The set
# is signed, and a list changed on the server afterwards is refused.
set -euo pipefail
. "$(dirname "$0")/common.sh"

BUILD=${TIDEWELL_DEMO_BUILD:-$BUILD}
for target in tidewell tidewell-gen; do
  [ -x "$BUILD/bin/$target" ] || cmake --build "$BUILD" --target "$target" >/dev/null
done

box=$(mktemp -d)
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$box"
}
trap cleanup EXIT

mkdir -p "$box/installed/brushes" "$box/release/brushes/ink" "$box/windows" "$box/tmp" "$box/served"
export TIDEWELL_HKLM="$box/machine.reg" TIDEWELL_WINDIR="$box/windows" TMPDIR="$box/tmp"

# The machine's registry: Leafline is installed in the sandbox.
cat >"$TIDEWELL_HKLM" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Leafline]

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Leafline]
"InstallLocation"="$box/installed/"
REG

# Version 1.0 as installed, a year old.
printf 'Leafline 1.0\n' >"$box/installed/leafline"
printf 'round brush 1.0\n' >"$box/installed/brushes/round.brush"
printf 'Leafline manual\n' >"$box/installed/manual.txt"
touch -d '1 year ago' "$box/installed/leafline" "$box/installed/brushes/round.brush" "$box/installed/manual.txt"
chmod +x "$box/installed/leafline"

# Version 2.0: a new program, a changed brush, a brush in a new folder, the same manual.
printf 'Leafline 2.0\n' >"$box/release/leafline"
printf 'round brush 2.0, softer edge\n' >"$box/release/brushes/round.brush"
printf 'ink brush 2.0\n' >"$box/release/brushes/ink/ink.brush"
cp -p "$box/installed/manual.txt" "$box/release/manual.txt"

# A local update server on a free port.
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
/usr/bin/python3 -m http.server --bind 127.0.0.1 --directory "$box/served" "$port" >/dev/null 2>&1 &
server_pid=$!
export TIDEWELL_UPDATE_SERVER="http://127.0.0.1:$port/"
for _ in $(seq 100); do
  /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 0.2)" 2>/dev/null && break
  sleep 0.05
done

echo "== Tidewell: updating Leafline from a local update server"
# The release is signed; the client trusts lists signed with the matching public key only.
"$BUILD/bin/tidewell-gen" keygen --secret "$box/secret.pem" --public "$box/public.pem"
"$BUILD/bin/tidewell-gen" save --program-dir "$box/release" --list-file "$box/served/leafline.tdu" \
  --out "$box/served" --base-url "$TIDEWELL_UPDATE_SERVER" --check modify,size \
  --sign-key "$box/secret.pem" >/dev/null 2>"$box/save.log"
export TIDEWELL_PUBLIC_KEY="$box/public.pem"
echo "update set:   $(find "$box/served" -type f | wc -l) packed files and the list's signature served at $TIDEWELL_UPDATE_SERVER"

snapshot() { (cd "$box/installed" && find . -type f -printf '%P %s %TY-%Tm-%Td\n' | sort); }
before=$(snapshot)

echo "running:      tidewell /LEAFLINE --quiet"
set +e
output=$("$BUILD/bin/tidewell" /LEAFLINE --quiet 2>"$box/run.log")
status=$?
set -e
# Standard output carries only what the message boxes would have shown; the transfer trace
# went to standard error.
echo "trace:        $(grep -c 'BEGIN' "$box/run.log" || true) transfers traced on standard error"
echo "messages:"
grep -E '^(Please shut down|Update complete|All files|Remote update|Update file retrieval|Windows)' <<<"$output" \
  | sed 's/^/  | /'
echo "exit status:  $status"

echo "changed files:"
{ diff <(echo "$before") <(snapshot) || true; } | sed -n 's/^> /  now: /p; s/^< /  was: /p'
echo "unchanged:    $(comm -12 <(echo "$before") <(snapshot) | cut -d' ' -f1 | tr '\n' ' ')"
left=$(find "$TMPDIR" -mindepth 1 | wc -l)
echo "staging:      $left entries left in the temporary folder"

echo "== Tidewell: a list changed by one byte on the server is refused"
/usr/bin/python3 -c 'import sys; p=sys.argv[1]; b=bytearray(open(p,"rb").read()); b[-1]^=1; open(p,"wb").write(b)' \
  "$box/served/leafline.tdu"
set +e
refused=$("$BUILD/bin/tidewell" /LEAFLINE --quiet 2>"$box/refusal")
refused_status=$?
set -e
echo "messages:"
sed 's/^/  | /' <<<"$refused"
echo "reason:       $(grep -m1 'signature' "$box/refusal" || echo none)"
echo "exit status:  $refused_status (1: the list is treated as not fetched; nothing changed)"
[ "$status" -eq 0 ] && [ "$left" -eq 0 ] && [ "$refused_status" -eq 1 ]
