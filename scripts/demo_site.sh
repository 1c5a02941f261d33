# Sourced by demo.sh and screenshots.sh: the demo's sample files, its FTP server on 127.0.0.1
# and a configuration with a ready "Demo" profile. Needs $here (the checkout) and $work (a
# throw-away folder); sets $server_pid and $port.

# make_demo_site: the server's files under $work/site, the local side's under $work/local.
make_demo_site() {
  mkdir -p "$work/site/pub/docs" "$work/site/pub/images" "$work/site/incoming" "$work/local/notes"
  printf 'Welcome to the VARNIX demo server.\nThese files are served from %s.\n' "$work/site" \
    > "$work/site/pub/readme.txt"
  head -c 1048576 /dev/urandom > "$work/site/pub/sample.bin"
  head -c 4194304 /dev/urandom > "$work/site/pub/large-download.bin"
  printf 'line one\nline two\n' > "$work/site/pub/docs/notes.txt"
  for n in 01 02 03 04 05 06 07 08 09 10 11 12; do
    printf 'report %s\n' "$n" > "$work/site/pub/docs/report-$n.txt"
    head -c $((10#$n * 1500)) /dev/urandom > "$work/site/pub/images/photo-$n.jpg"
  done
  printf 'To do: try the <-- and --> buttons.\n' > "$work/local/todo.txt"
  printf 'local notes\n' > "$work/local/notes/monday.txt"
  head -c 20000 /dev/urandom > "$work/local/upload-me.dat"
  for n in 1 2 3 4 5; do printf 'draft %s\n' "$n" > "$work/local/draft-$n.txt"; done
}

# start_demo_server [bytes-per-second]: starts the server in the background.
start_demo_server() {
  local rate="${1:-0}"
  /usr/bin/python3 "$here/scripts/demo_server.py" --rate "$rate" "$work/site" \
    >"$work/port" 2>"$work/server.log" &
  server_pid=$!
  for _ in $(seq 1 100); do
    grep -q '^port ' "$work/port" 2>/dev/null && break
    sleep 0.1
  done
  port="$(awk '/^port /{print $2}' "$work/port")"
  if [ -z "$port" ]; then
    echo "demo server did not start" >&2
    cat "$work/server.log" >&2
    return 1
  fi
}

stop_demo_server() {
  if [ -n "${server_pid:-}" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
  fi
}

# write_demo_config [extra [_config_] lines...]: VARNIX.INI in $XDG_CONFIG_HOME/varnix with the
# "Demo" profile as the last session, so the program connects to it at start. $demo_user
# (default anonymous) logs on; any other user is asked for the password.
write_demo_config() {
  mkdir -p "$XDG_CONFIG_HOME/varnix"
  {
    echo "[_config_]"
    echo "SESSION=Demo"
    echo "AUTOSTART=1"
    for line in "$@"; do echo "$line"; done
    echo
    echo "[Demo]"
    echo "HOST=127.0.0.1"
    echo "PORT=$port"
    echo "UID=${demo_user:-anonymous}"
    echo "DIR=\"/pub\""
    echo "PASVMODE=1"
  } > "$XDG_CONFIG_HOME/varnix/VARNIX.INI"
}
