#!/usr/bin/env bash
# Sets up a fresh machine, builds the program, starts a demo FTP server on 127.0.0.1 with
# sample files and opens the program's window on a ready "Demo" profile: the local pane shows
# sample files, the remote pane the server's /pub folder. Without a display it runs the
# terminal demo instead (a directory listing, then a download). The server is stopped (by its
# process id) when the demo ends; the demo's files and settings live in a throw-away folder.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target varnix -j"$(nproc)"

work="$(mktemp -d "${TMPDIR:-/tmp}/varnix-demo-XXXXXX")"
server_pid=""
# shellcheck source=scripts/demo_site.sh
. "$here/scripts/demo_site.sh"
cleanup() {
  stop_demo_server
  rm -rf "$work"
}
trap cleanup EXIT

make_demo_site
start_demo_server
export XDG_CONFIG_HOME="$work/config"   # leave the user's own settings alone
write_demo_config

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Demo FTP server on 127.0.0.1:$port; opening the VARNIX window: press OK in \"Session Profile\" to connect with the Demo profile (close the window to end the demo)."
  cd "$work/local"
  "$here/build/bin/varnix"
  exit 0
fi

echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set): running the terminal demo instead."
echo "On a desktop the same command opens the two-pane window."
echo
mkdir -p "$work/out"
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
