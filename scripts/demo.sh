#!/usr/bin/env bash
# Sets up a fresh machine, builds the program, starts a demo FTP server on 127.0.0.1 with a
# few sample files, and runs the program against it: a directory listing, then a download.
# The server is stopped (by its process id) when the demo ends.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target varnix -j"$(nproc)"

work="$(mktemp -d "${TMPDIR:-/tmp}/varnix-demo-XXXXXX")"
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/site/pub/docs" "$work/out"
printf 'Welcome to the VARNIX demo server.\nThese files are served from %s.\n' "$work/site" > "$work/site/pub/readme.txt"
head -c 1048576 /dev/urandom > "$work/site/pub/sample.bin"
printf 'line one\nline two\n' > "$work/site/pub/docs/notes.txt"

/usr/bin/python3 tests/support/pyftpd_server.py --anonymous "$work/site" >"$work/port" 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 1 100); do
  grep -q '^port ' "$work/port" 2>/dev/null && break
  sleep 0.1
done
port="$(awk '/^port /{print $2}' "$work/port")"
[ -n "$port" ] || { echo "demo server did not start" >&2; cat "$work/server.log" >&2; exit 1; }

export XDG_CONFIG_HOME="$work/config"   # leave the user's own settings alone
cd "$work/out"
echo "== varnix ftp://127.0.0.1:$port/pub/   (a directory: its entries)"
"$here/build/bin/varnix" "ftp://127.0.0.1:$port/pub/" 2>/dev/null
echo
echo "== varnix ftp://127.0.0.1:$port/pub/sample.bin local:$work/out/"
"$here/build/bin/varnix" "ftp://127.0.0.1:$port/pub/sample.bin" "local:$work/out/"
echo
if cmp -s "$work/site/pub/sample.bin" "$work/out/sample.bin"; then
  echo "sample.bin downloaded intact ($(stat -c %s "$work/out/sample.bin") bytes)."
else
  echo "sample.bin differs from the server's copy" >&2
  exit 1
fi
