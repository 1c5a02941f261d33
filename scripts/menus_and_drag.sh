# Sourced by screenshots.sh: the right-click menus over each list and a drag of three local
# files onto the remote list, in the 800 x 600 window of the normal layout (menu-*.png,
# drag-*.png). The drag checks that the three files arrived on the server before its picture.
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

menus_and_drag() {
  local id spot name
  for name in drag-a drag-b drag-c; do printf '%s\n' "$name" > "$work/local/$name.txt"; done
  write_demo_config "LOC=0,0,800,600" "LAYOUT=0"
  start_program
  confirm_profile
  id="$(wait_window '^VARNIX32 Pro 127\.0\.0\.1')"
  sleep 1.5
  xdotool windowfocus --sync "$id" 2>/dev/null || true

  # A right click on each list opens that list's menu.
  for spot in "local-dirs ${walk_local_dirs[*]}" "local-files ${menu_local_file[*]}" \
              "remote-dirs ${walk_remote_dirs[*]}" "remote-files ${menu_remote_file[*]}" \
              "general ${menu_message_area[*]}"; do
    set -- $spot
    xdotool mousemove --window "$id" "$2" "$3" click 3
    sleep 0.6
    screen_shot "$id" "menu-$1"
    xdotool key Escape
    sleep 0.3
  done
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
  xdotool mousemove --window "$id" "${drag_from[@]}" mousedown 1
  local step
  for step in $(seq 1 20); do
    xdotool mousemove --window "$id" $((drag_from[0] + step * (drag_to[0] - drag_from[0]) / 20)) \
      $((drag_from[1] + step * (drag_to[1] - drag_from[1]) / 20))
    sleep 0.05
  done
  sleep 0.3
  screen_shot "$id" drag-over-remote
  xdotool mouseup 1
  walk_until 20 cmp -s "$work/local/drag-c.txt" "$work/site/pub/drag-c.txt"
  cmp -s "$work/local/drag-a.txt" "$work/site/pub/drag-a.txt" &&
    cmp -s "$work/local/drag-b.txt" "$work/site/pub/drag-b.txt" ||
    { echo "drag: not all three files arrived" >&2; return 1; }
  sleep 1
  shot "$id" drag-uploaded
  end_program
}
