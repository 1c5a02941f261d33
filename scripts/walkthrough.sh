# Sourced by screenshots.sh: a user's day with the mouse and keyboard under Xvfb, one picture
# per step (walk-NN-*.png): connect, pick files by typing their names, download and upload
# with the arrows, a whole folder down after the question, delete with "Verify Deletion",
# rename, a remote folder made and entered. Each step checks its effect on disk before the
# picture, so a step that silently does nothing stops the script.
# Uses screenshots.sh's functions and variables (work, out, start_connected, click_control,
# shot, ...).

# Positions in the 800 x 600 window of the normal layout (see main-800x600-layout0.png).
walk_local_dirs=(150 125)      # below the local folder list's entries
walk_local_files=(150 450)     # below the local file list's entries
walk_remote_dirs=(560 125)
walk_remote_files=(560 450)
walk_download=(383 180)        # "<--"
walk_upload=(383 228)          # "-->"
walk_local_rename=(339 228)
walk_local_delete=(339 252)
walk_remote_mkdir=(766 89)

# walk_pick WINDOW LIST-X LIST-Y TEXT: clicks the list's empty part (clearing its selection),
# then types the start of a name: the list selects the entry it names.
walk_pick() {
  click_control "$1" "$2" "$3"
  sleep 0.2
  xdotool type --delay 40 "$4"
  sleep 0.3
}

# walk_until SECONDS COMMAND...: waits until the command succeeds; fails the script otherwise.
walk_until() {
  local limit=$(($1 * 10))
  shift
  for _ in $(seq 1 "$limit"); do "$@" && return 0; sleep 0.1; done
  echo "walk-through: gave up waiting for: $*" >&2
  cat "$work/varnix.log" >&2
  return 1
}

walk_step() {  # walk_step WINDOW NAME: lets the window repaint, then takes its picture
  sleep 0.7
  shot "$1" "walk-$2"
}

walkthrough() {
  local id dialog
  start_connected "LOC=0,0,800,600" "LAYOUT=0"
  id="$connected_id"
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  walk_step "$id" 01-connected

  # A remote file, picked by typing its name, comes down with "<--".
  walk_pick "$id" "${walk_remote_files[@]}" readme
  walk_step "$id" 02-remote-file-picked
  click_control "$id" "${walk_download[@]}"
  walk_until 20 cmp -s "$work/site/pub/readme.txt" "$work/local/readme.txt"
  walk_step "$id" 03-downloaded

  # A local file goes up with "-->".
  walk_pick "$id" "${walk_local_files[@]}" upload
  click_control "$id" "${walk_upload[@]}"
  walk_until 20 cmp -s "$work/local/upload-me.dat" "$work/site/pub/upload-me.dat"
  walk_step "$id" 04-uploaded

  # A whole remote folder: the question, then the tree arrives.
  walk_pick "$id" "${walk_remote_dirs[@]}" docs
  click_control "$id" "${walk_download[@]}"
  dialog="$(wait_window '^VARNIX32 Pro$')"
  shot "$dialog" walk-05-tree-question
  xdotool windowfocus --sync "$dialog" 2>/dev/null || true
  xdotool key Return
  walk_until 30 test -s "$work/local/docs/report-12.txt"
  walk_step "$id" 06-tree-downloaded

  # Three local drafts selected with Shift and deleted: "Verify Deletion" offers "Delete All".
  walk_pick "$id" "${walk_local_files[@]}" draft-1
  xdotool key shift+Down shift+Down
  click_control "$id" "${walk_local_delete[@]}"
  dialog="$(wait_window '^Verify Deletion$')"
  shot "$dialog" walk-07-verify-deletion
  xdotool windowfocus --sync "$dialog" 2>/dev/null || true
  xdotool key alt+a
  walk_until 10 test ! -e "$work/local/draft-3.txt"
  [ -e "$work/local/draft-4.txt" ] || { echo "walk-through: deleted more than selected" >&2; return 1; }
  walk_step "$id" 08-three-deleted

  # Rename a local file through the "Input" question.
  walk_pick "$id" "${walk_local_files[@]}" todo
  click_control "$id" "${walk_local_rename[@]}"
  dialog="$(wait_window '^Input$')"
  xdotool windowfocus --sync "$dialog" 2>/dev/null || true
  xdotool key ctrl+a
  xdotool type --delay 30 done.txt
  shot "$dialog" walk-09-rename-question
  xdotool key Return
  walk_until 10 test -e "$work/local/done.txt"
  walk_step "$id" 10-renamed

  # A remote folder made with MkDir, then entered with a double click.
  click_control "$id" "${walk_remote_dirs[@]}"
  click_control "$id" "${walk_remote_mkdir[@]}"
  dialog="$(wait_window '^Input$')"
  xdotool windowfocus --sync "$dialog" 2>/dev/null || true
  xdotool type --delay 30 made-here
  xdotool key Return
  walk_until 10 test -d "$work/site/pub/made-here"
  walk_step "$id" 11-remote-folder-made
  # The folders now read "..", "docs", "images", "made-here": "images" is the third row.
  xdotool mousemove --window "$id" 430 91 click --repeat 2 --delay 80 1
  sleep 1
  walk_step "$id" 12-remote-folder-entered
  end_program
}
