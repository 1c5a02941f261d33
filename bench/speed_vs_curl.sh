#!/usr/bin/env bash
# Download and upload of one large file over loopback, VARNIX beside curl, at VARNIX's default
# settings (no RBP or SBP in its configuration), against ProFTPD and pyftpdlib started here
# unprivileged on free ports. Prints seconds and MiB/s per run and the best of the runs.
# With --tls ProFTPD alone, requiring explicit TLS and session reuse on data connections (curl
# starts a data connection's handshake before its transfer command, pyftpdlib's TLS handler
# only after it, so those two never meet); VARNIX runs with -tls and trusts the self-signed
# certificate by its fingerprint (-trust), curl with --ssl-reqd -k.
#
#   bash bench/speed_vs_curl.sh [--tls] [SIZE_MIB] [RUNS]   defaults: 1024 MiB, 2 runs
#   VARNIX=path/to/varnix bash bench/speed_vs_curl.sh        another build (default build/bin/varnix)
set -euo pipefail

tls=0
[[ ${1:-} == --tls ]] && { tls=1; shift; }
size_mib=${1:-1024}
runs=${2:-2}
here=$(cd "$(dirname "$0")/.." && pwd)
varnix=${VARNIX:-$here/build/bin/varnix}
[[ -x $varnix ]] || { echo "no program at $varnix (build first)" >&2; exit 2; }
for tool in curl proftpd openssl python3 cmp; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 2; }
done

work=$(mktemp -d /tmp/varnix-speed-XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}
wait_port() {  # port: bounded wait until the server accepts
  for _ in $(seq 100); do
    if /usr/bin/python3 -c "import socket,sys; socket.create_connection(('127.0.0.1',$1),0.2)" 2>/dev/null; then
      return 0
    fi
    sleep 0.1
  done
  echo "server on port $1 did not start" >&2
  return 1
}
now() { date +%s.%N; }

# The served tree, readable and writable by the server's user.
root=$work/root
mkdir -p "$root/incoming" "$work/out" "$work/cwd" "$work/cfg"
echo "making a file of $size_mib MiB ..." >&2
head -c "$((size_mib * 1024 * 1024))" /dev/urandom > "$root/big.bin"
cp "$root/big.bin" "$work/up.bin"
bytes=$(stat -c %s "$root/big.bin")
# VARNIX's own settings: passive mode (curl's default too), nothing else, so RBP and SBP are
# the defaults.
printf '[_config_]\nPASVMODE=1\nHASH=0\n' > "$work/cwd/VARNIX.INI"

servers=(proftpd pyftpdlib)
varnix_tls=(); curl_tls=(); proftpd_tls=""
if ((tls)); then
  [[ -e /usr/lib/proftpd/mod_tls.so ]] || { echo "needs proftpd-mod-crypto (mod_tls)" >&2; exit 2; }
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
    -addext subjectAltName=DNS:localhost,IP:127.0.0.1 \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
  chmod 600 "$work/key.pem"
  fingerprint=SHA256:$(openssl x509 -in "$work/cert.pem" -noout -fingerprint -sha256 | cut -d= -f2 | tr -d :)
  varnix_tls=(-tls -trust "$fingerprint")
  curl_tls=(--ssl-reqd -k)
  servers=(proftpd)
  proftpd_tls="LoadModule mod_tls.c
<IfModule mod_tls.c>
  TLSEngine on
  TLSRequired on
  TLSProtocol TLSv1.2 TLSv1.3
  TLSRSACertificateFile $work/cert.pem
  TLSRSACertificateKeyFile $work/key.pem
  TLSVerifyClient off
  TLSLog $work/tls.log
</IfModule>"
fi

# ProFTPD as nobody (or as the caller when not root), plain FTP.
if [[ $(id -u) == 0 ]]; then run_user=nobody; run_group=nogroup; uid=65534; gid=65534
else run_user=$(id -un); run_group=$(id -gn); uid=$(id -u); gid=$(id -g); fi
pro_port=$(free_port)
pasv_lo=$(free_port); pasv_hi=$((pasv_lo + 20))
echo "bench:$(openssl passwd -6 secret):$uid:$gid::$root:/bin/false" > "$work/ftpd.passwd"
echo "$run_group:x:$gid:" > "$work/ftpd.group"
chmod 640 "$work/ftpd.passwd" "$work/ftpd.group"
cat > "$work/proftpd.conf" <<EOF
ServerName "speed bench"
ServerType standalone
DefaultServer on
UseIPv6 off
DefaultAddress 127.0.0.1
SocketBindTight on
Port $pro_port
PassivePorts $pasv_lo $pasv_hi
MaxInstances 8
User $run_user
Group $run_group
<IfModule mod_ctrls.c>
  ControlsEngine off
</IfModule>
UseReverseDNS off
WtmpLog off
DelayEngine off
UseSendfile on
PidFile $work/proftpd.pid
ScoreboardFile $work/proftpd.scoreboard
SystemLog $work/proftpd.log
AuthOrder mod_auth_file.c
AuthUserFile $work/ftpd.passwd
AuthGroupFile $work/ftpd.group
RequireValidShell off
AuthPAM off
AllowOverwrite on
AllowStoreRestart on
AllowRetrieveRestart on
$proftpd_tls
EOF
if [[ $(id -u) == 0 ]]; then
  chown -R "$uid:$gid" "$work"
  setpriv --reuid="$uid" --regid="$gid" --clear-groups proftpd -n -c "$work/proftpd.conf" \
    >"$work/proftpd.out" 2>&1 &
else
  proftpd -n -c "$work/proftpd.conf" >"$work/proftpd.out" 2>&1 &
fi
pids+=($!)
wait_port "$pro_port"

if ((!tls)); then
  /usr/bin/python3 "$here/tests/support/pyftpd_server.py" --user bench secret "$root" \
    >"$work/pyftpd.out" 2>"$work/pyftpd.log" &
  pids+=($!)
  for _ in $(seq 100); do [[ -s $work/pyftpd.out ]] && break; sleep 0.1; done
  py_port=$(awk '/^port/ {print $2}' "$work/pyftpd.out")
  [[ -n $py_port ]] || { echo "pyftpdlib did not start" >&2; exit 1; }
fi

# One timed run; prints the seconds, or "failed".
timed() {  # check-file command...
  local check=$1; shift
  rm -f "$check"
  local start end
  start=$(now)
  if ! "$@" >"$work/run.log" 2>&1; then echo failed; sed "s/^/    /" "$work/run.log" | tail -5 >&2; return; fi
  end=$(now)
  if ! cmp -s "$check" "$root/big.bin"; then echo failed; return; fi
  awk -v a="$start" -v b="$end" 'BEGIN {printf "%.2f", b - a}'
}
# VARNIX names the absolute path; ProFTPD, run without root, cannot make the user's home its
# root, so there the served tree's real path is the path.
varnix_get() { (cd "$work/cwd" && XDG_CONFIG_HOME=$work/cfg "$varnix" "${varnix_tls[@]}" -u bench -w secret \
  "ftp://127.0.0.1:$1$prefix/big.bin" "local:$work/out/varnix.bin"); }
curl_get() { curl -sS "${curl_tls[@]}" -u bench:secret -o "$work/out/curl.bin" "ftp://127.0.0.1:$1/big.bin"; }
varnix_put() { (cd "$work/cwd" && XDG_CONFIG_HOME=$work/cfg "$varnix" "${varnix_tls[@]}" -u bench -w secret \
  "local:$work/up.bin" "ftp://127.0.0.1:$1$prefix/incoming/"); }
curl_put() { curl -sS "${curl_tls[@]}" -u bench:secret -T "$work/up.bin" "ftp://127.0.0.1:$1/incoming/curl_up.bin"; }

best() { printf '%s\n' "$@" | { grep -v failed || true; } | sort -n | head -1; }
rate() { [[ -n $1 ]] && awk -v b="$bytes" -v s="$1" 'BEGIN {printf "%.0f", b / 1048576 / s}' || echo -; }

printf '%-10s %-9s %10s %10s %12s %12s %8s\n' server direction "varnix s" "curl s" "varnix MiB/s" "curl MiB/s" "v/c time"
for server in "${servers[@]}"; do
  port=$pro_port; prefix=$root
  [[ $server == pyftpdlib ]] && { port=$py_port; prefix=; }
  for direction in download upload; do
    v=(); c=()
    for _ in $(seq "$runs"); do
      if [[ $direction == download ]]; then
        v+=("$(timed "$work/out/varnix.bin" varnix_get "$port")")
        c+=("$(timed "$work/out/curl.bin" curl_get "$port")")
      else
        v+=("$(timed "$root/incoming/up.bin" varnix_put "$port")")
        c+=("$(timed "$root/incoming/curl_up.bin" curl_put "$port")")
      fi
    done
    bv=$(best "${v[@]}"); bc_=$(best "${c[@]}")
    ratio=-
    [[ -n $bv && -n $bc_ ]] && ratio=$(awk -v a="$bv" -v b="$bc_" 'BEGIN {printf "%.2f", a / b}')
    printf '%-10s %-9s %10s %10s %12s %12s %8s   (runs: varnix %s; curl %s)\n' "$server" "$direction" \
      "${bv:-failed}" "${bc_:-failed}" "$(rate "$bv")" "$(rate "$bc_")" "$ratio" "${v[*]}" "${c[*]}"
  done
done
mode="plain FTP"
((tls)) && mode="explicit TLS ($(grep -o 'TLSv1\.[23]' "$work/tls.log" 2>/dev/null | sort | uniq -c | tr '\n' ' '))"
echo "file: $bytes bytes over $mode; VARNIX at its default settings (RBP, SBP absent); v/c below 1 means VARNIX was faster"
