# Sourced by screenshots.sh: the right-click menus over each list, a drag of three local files
# onto the remote list, and a file dragged in from another program (build/bin/varnix_drag_source)
# onto each list and a folder onto the remote list, in the 800 x 600 window of the normal layout (menu-*.png, drag-*.png,
# drop-*.png). Each drag checks that the files arrived before its picture.
# Uses screenshots.sh's and walkthrough.sh's functions and variables. Runs on the fresh demo
# site (before the walk-through), where drag-b.txt is the seventh local file.

menu_local_file=(100 160)    # the first local file
menu_remote_file=(450 168)   # readme.txt
menu_message_area=(300 560)  # anywhere else: the general menu
drag_from=(100 250)          # drag-b.txt, the middle one of the three
drag_to=(560 330)            # the empty part of the remote file list

# A picture of the window with whatever opened over it (a menu reaches past the window).
screen_shot() {  # screen_shot WINDOW-ID NAME
  local X Y WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "$((WIDTH + 200))x$((HEIGHT + 300))+$X+$Y" "$out/$2.png"
  echo "  $out/$2.png"
}

# drag_between WINDOW X Y TARGET-WINDOW X Y: presses the left button at the first point and
# lets it go at the second, moving in small steps (the positions are window-relative).
drag_between() {
  local X Y WIDTH HEIGHT SCREEN sx sy dx dy step
  eval "$(xdotool getwindowgeometry --shell "$1")"
  sx=$((X + $2)); sy=$((Y + $3))
  eval "$(xdotool getwindowgeometry --shell "$4")"
  dx=$((X + $5)); dy=$((Y + $6))
  xdotool mousemove "$sx" "$sy"
  sleep 0.2
  xdotool mousedown 1
  for step in $(seq 1 25); do
    xdotool mousemove $((sx + step * (dx - sx) / 25)) $((sy + step * (dy - sy) / 25))
    sleep 0.05
  done
  sleep 0.3
}

# right_click_menus WINDOW "NAME X Y"...: a right click at each point, a picture of the menu
# (menu-NAME.png), Escape.
right_click_menus() {
  local id="$1" spot
  shift
  for spot in "$@"; do
    set -- $spot
    xdotool mousemove --window "$id" "$2" "$3" click 3
    sleep 0.6
    screen_shot "$id" "menu-$1"
    xdotool key Escape
    sleep 0.3
  done
}

menus_and_drag() {
  local id name
  # In the large window first (the demo site still fresh: readme.txt is the second remote
  # file): a menu over a remote file, and one opened low in the list, near the screen's foot.
  start_connected "LOC=0,0,1600,1000" "LAYOUT=0"
  id="$connected_id"
  right_click_menus "$id" "1600x1000-remote-file 864 167" "1600x1000-low 1400 950"
  end_program

  for name in drag-a drag-b drag-c; do printf '%s\n' "$name" > "$work/local/$name.txt"; done
  start_connected "LOC=0,0,800,600" "LAYOUT=0"
  id="$connected_id"
  xdotool windowfocus --sync "$id" 2>/dev/null || true

  # A right click on each list opens that list's menu.
  right_click_menus "$id" "local-dirs ${walk_local_dirs[*]}" "local-files ${menu_local_file[*]}" \
    "remote-dirs ${walk_remote_dirs[*]}" "remote-files ${menu_remote_file[*]}" \
    "general ${menu_message_area[*]}"
  # The FTP Commands submenu, opened from the keyboard over a remote file.
  walk_pick "$id" "${walk_remote_files[@]}" readme
  xdotool key shift+F10
  sleep 0.5
  xdotool key Up Right
  sleep 0.5
  screen_shot "$id" menu-ftp-commands
  xdotool key Escape Escape
  sleep 0.3

  # Three local files selected, then dragged in small steps onto the remote file list.
  walk_pick "$id" "${walk_local_files[@]}" drag-a
  xdotool key shift+Down shift+Down
  sleep 0.3
  drag_between "$id" "${drag_from[@]}" "$id" "${drag_to[@]}"
  screen_shot "$id" drag-over-remote
  xdotool mouseup 1
  walk_until 20 cmp -s "$work/local/drag-c.txt" "$work/site/pub/drag-c.txt"
  cmp -s "$work/local/drag-a.txt" "$work/site/pub/drag-a.txt" &&
    cmp -s "$work/local/drag-b.txt" "$work/site/pub/drag-b.txt" ||
    { echo "drag: not all three files arrived" >&2; return 1; }
  sleep 1
  shot "$id" drag-uploaded

  # A file dragged in from another program: onto the remote list it is sent, onto the local
  # list it is copied into the local folder.
  mkdir -p "$work/desktop"
  printf 'from the desktop\n' > "$work/desktop/from-desktop.txt"
  "$here/build/bin/varnix_drag_source" "$work/desktop/from-desktop.txt" >"$work/source.log" 2>&1 &
  source_pid=$!
  local src
  src="$(wait_window '^Drag source$')"
  xdotool windowmove "$src" 1000 100
  sleep 0.5
  drag_between "$src" 110 50 "$id" "${drag_to[@]}"
  xdotool mouseup 1
  walk_until 20 cmp -s "$work/desktop/from-desktop.txt" "$work/site/pub/from-desktop.txt"
  sleep 1
  shot "$id" drop-from-outside-remote
  drag_between "$src" 110 50 "$id" "${walk_local_files[@]}"
  xdotool mouseup 1
  walk_until 10 cmp -s "$work/desktop/from-desktop.txt" "$work/local/from-desktop.txt"
  sleep 0.5
  shot "$id" drop-from-outside-local
  stop_pid "$source_pid"
  source_pid=""

  # A folder dragged in from another program onto the remote list: after the question it
  # goes up with its tree.
  mkdir -p "$work/desktop/album/inner"
  printf 'one\n' > "$work/desktop/album/one.txt"
  printf 'deep\n' > "$work/desktop/album/inner/deep.txt"
  "$here/build/bin/varnix_drag_source" "$work/desktop/album" >"$work/source.log" 2>&1 &
  source_pid=$!
  src="$(wait_window '^Drag source$')"
  xdotool windowmove "$src" 1000 100
  sleep 0.5
  drag_between "$src" 110 50 "$id" "${drag_to[@]}"
  xdotool mouseup 1
  sleep 1
  screen_shot "$id" drop-folder-question
  xdotool key Return
  walk_until 20 cmp -s "$work/desktop/album/inner/deep.txt" "$work/site/pub/album/inner/deep.txt"
  diff -r "$work/desktop/album" "$work/site/pub/album" ||
    { echo "drop: the folder did not arrive whole" >&2; return 1; }
  sleep 1
  shot "$id" drop-folder-uploaded
  stop_pid "$source_pid"
  source_pid=""
  end_program
}
