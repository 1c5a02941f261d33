#!/usr/bin/env bash
# Runs the program under Xvfb against the demo FTP server and writes PNG screenshots to a
# folder it prints (default build/screenshots, or the folder given): the main window at
# 800 x 600 and 1600 x 1000 in both layouts with both panes filled, the Message Log window,
# the three input dialogs (text, with history, password), the Transfer Status dialog
# during a slow download, and a walk through the daily commands (walkthrough.sh). Unattended; every
# process it starts (X server, FTP server, program) is stopped by its process id.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target varnix varnix_drag_source -j"$(nproc)" >/dev/null

out="${1:-$here/build/screenshots}"
mkdir -p "$out"
rm -f "$out"/*.png
work="$(mktemp -d "${TMPDIR:-/tmp}/varnix-shots-XXXXXX")"
server_pid=""
xvfb_pid=""
app_pid=""
# shellcheck source=scripts/demo_site.sh
. "$here/scripts/demo_site.sh"

stop_pid() {  # stop_pid PID: TERM, then KILL after two seconds
  local pid="$1"
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 1 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
cleanup() {
  stop_pid "${source_pid:-}"
  stop_pid "$app_pid"
  stop_demo_server
  stop_pid "$xvfb_pid"
  rm -rf "$work"
}
trap cleanup EXIT

make_demo_site
start_demo_server 262144   # 256 KB/s: the 4 MB download takes long enough to catch

# A private X server; it names its own display number.
Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/config"

# wait_window TITLE-PATTERN: prints the id of the first visible window whose title matches.
wait_window() {
  local id=""
  for _ in $(seq 1 150); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)"
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "no window named '$1' appeared" >&2; cat "$work/varnix.log" >&2; return 1; }
  echo "$id"
}

# confirm_profile: the connect at start opens "Session Profile" on the Demo profile; OK it.
confirm_profile() {
  local id
  id="$(wait_window '^Session Profile$')"
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  xdotool key Return
}

# start_program [varnix arguments]: runs the program from the local sample folder.
start_program() {
  (cd "$work/local" && exec "$here/build/bin/varnix" "$@") >"$work/varnix.log" 2>&1 &
  app_pid=$!
}

end_program() {
  local id
  id="$(xdotool search --onlyvisible --name '^VARNIX32 Pro' 2>/dev/null | head -n1 || true)"
  if [ -n "$id" ]; then
    xdotool windowfocus --sync "$id" 2>/dev/null && xdotool key alt+x 2>/dev/null || true
  fi
  for _ in $(seq 1 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  stop_pid "$app_pid"
  app_pid=""
}

shot() {  # shot WINDOW-ID NAME
  import -window "$1" "$out/$2.png"
  echo "  $out/$2.png"
}

# start_connected [config lines...]: starts the program on the Demo profile, confirms it and
# sets $connected_id to the main window once connected (the title names the host once the
# logon is through, and the remote listing follows at once). Not in a $(...): the program's
# pid must reach end_program.
start_connected() {
  write_demo_config "$@"
  start_program
  confirm_profile
  connected_id="$(wait_window '^VARNIX32 Pro 127\.0\.0\.1')"
  sleep 1.5   # the splash goes after a second; let both panes paint
}

click_control() {  # click_control WINDOW-ID X Y
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

main_window() {  # main_window NAME WIDTH HEIGHT LAYOUT
  start_connected "LOC=0,0,$2,$3" "LAYOUT=$4"
  shot "$connected_id" "$1"
}

echo "Screenshots in $out:"
main_window main-800x600-layout0 800 600 0
end_program
main_window main-1600x1000-layout0 1600 1000 0
end_program
main_window main-800x600-layout1 800 600 1
end_program
main_window main-1600x1000-layout1 1600 1000 1

# The Message Log window, opened with Alt+L.
id="$(wait_window '^VARNIX32 Pro 127\.0\.0\.1')"
xdotool windowfocus --sync "$id"
xdotool key alt+l
log_id="$(wait_window '^Message Log$')"
shot "$log_id" message-log
xdotool windowunmap "$log_id"
end_program

# The two "Input" questions: the local "ChgDir" (a text entry) and the remote one (with the
# cached folders in a drop-down), opened by clicking the buttons. At 800 x 600 in the normal
# layout the ChgDir buttons are the first of each pane's button column.
start_connected "LOC=0,0,800,600"
id="$connected_id"
click_control "$id" 339 65
input_id="$(wait_window '^Input$')"
shot "$input_id" input-text
xdotool windowfocus --sync "$input_id" 2>/dev/null || true; xdotool key Escape
sleep 0.5
click_control "$id" 766 65
input_id="$(wait_window '^Input$')"
shot "$input_id" input-history
xdotool windowfocus --sync "$input_id" 2>/dev/null || true; xdotool key Escape
end_program

# The password question of a logon as a user without a stored password, typed in.
demo_user=demo write_demo_config "LOC=0,0,800,600"
start_program
confirm_profile
id="$(wait_window '^Password$')"
xdotool windowfocus --sync "$id"
xdotool type --delay 20 demo
shot "$id" input-password
xdotool key Return
wait_window '^VARNIX32 Pro 127\.0\.0\.1' >/dev/null
end_program

# The Transfer Status dialog during a slow download (a batch run: the main window starts
# minimized, the dialog shows the progress).
write_demo_config "LOC=0,0,800,600" "HASH=1"
mkdir -p "$work/out"
start_program "Demo:/pub/large-download.bin" "local:$work/out/"
id="$(wait_window '^Transfer Status$')"
sleep 2.5   # a few seconds into the transfer: the bar and the rate are filled in
shot "$id" transfer-status
end_program
# A user's walk through the daily commands, step by step; before it, on the fresh demo site,
# the right-click menus and a drag of three files onto the remote list.
# shellcheck source=scripts/walkthrough.sh
. "$here/scripts/walkthrough.sh"
# shellcheck source=scripts/menus_and_drag.sh
. "$here/scripts/menus_and_drag.sh"
menus_and_drag
walkthrough

# The profile, option, association and permission dialogs, each at its natural size.
cmake --build build --target ui_tests -j"$(nproc)" >/dev/null
VARNIX_DIALOG_SHOTS="$out" "$here/build/bin/ui_tests" --gtest_filter='DialogScreenshots.*' >/dev/null
ls "$out"/dialog-*.png "$out"/drag-cursor-*.png | sed 's/^/  /'
echo "done."
