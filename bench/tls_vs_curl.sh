#!/usr/bin/env bash
# Download and upload of one large file over TLS on loopback, VARNIX beside curl, against
# ProFTPD with mod_tls (explicit TLS required, data connections must resume the control
# connection's TLS session) started here unprivileged on free ports. VARNIX trusts the server's
# self-signed certificate by its fingerprint (-trust), curl with -k. Prints seconds and MiB/s per
# run and the best of the runs.
#
#   bash bench/tls_vs_curl.sh [SIZE_MIB] [RUNS]     defaults: 1024 MiB, 2 runs
#   VARNIX=path/to/varnix bash bench/tls_vs_curl.sh  another build (default build/bin/varnix)
set -euo pipefail

size_mib=${1:-1024}
runs=${2:-2}
here=$(cd "$(dirname "$0")/.." && pwd)
varnix=${VARNIX:-$here/build/bin/varnix}
[[ -x $varnix ]] || { echo "no program at $varnix (build first)" >&2; exit 2; }
for tool in curl proftpd openssl cmp; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 2; }
done
[[ -e /usr/lib/proftpd/mod_tls.so ]] || { echo "needs proftpd-mod-crypto (mod_tls)" >&2; exit 2; }

work=$(mktemp -d /tmp/varnix-tls-speed-XXXXXX)
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

root=$work/root
mkdir -p "$root/incoming" "$work/out" "$work/cwd" "$work/cfg"
echo "making a file of $size_mib MiB ..." >&2
head -c "$((size_mib * 1024 * 1024))" /dev/urandom > "$root/big.bin"
cp "$root/big.bin" "$work/up.bin"
bytes=$(stat -c %s "$root/big.bin")
printf '[_config_]\nPASVMODE=1\nHASH=0\n' > "$work/cwd/VARNIX.INI"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -addext subjectAltName=DNS:localhost,IP:127.0.0.1 \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
chmod 600 "$work/key.pem"
fingerprint=SHA256:$(openssl x509 -in "$work/cert.pem" -noout -fingerprint -sha256 | cut -d= -f2 | tr -d :)

if [[ $(id -u) == 0 ]]; then run_user=nobody; run_group=nogroup; uid=65534; gid=65534
else run_user=$(id -un); run_group=$(id -gn); uid=$(id -u); gid=$(id -g); fi
port=$(free_port)
pasv_lo=$(free_port); pasv_hi=$((pasv_lo + 20))
echo "bench:$(openssl passwd -6 secret):$uid:$gid::$root:/bin/false" > "$work/ftpd.passwd"
echo "$run_group:x:$gid:" > "$work/ftpd.group"
chmod 640 "$work/ftpd.passwd" "$work/ftpd.group"
cat > "$work/proftpd.conf" <<EOF
ServerName "tls speed bench"
ServerType standalone
DefaultServer on
UseIPv6 off
DefaultAddress 127.0.0.1
SocketBindTight on
Port $port
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
LoadModule mod_tls.c
<IfModule mod_tls.c>
  TLSEngine on
  TLSRequired on
  TLSProtocol TLSv1.2 TLSv1.3
  TLSRSACertificateFile $work/cert.pem
  TLSRSACertificateKeyFile $work/key.pem
  TLSVerifyClient off
  TLSLog $work/tls.log
</IfModule>
EOF
if [[ $(id -u) == 0 ]]; then
  chown -R "$uid:$gid" "$work"
  setpriv --reuid="$uid" --regid="$gid" --clear-groups proftpd -n -c "$work/proftpd.conf" \
    >"$work/proftpd.out" 2>&1 &
else
  proftpd -n -c "$work/proftpd.conf" >"$work/proftpd.out" 2>&1 &
fi
pids+=($!)
wait_port "$port"

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
# root, so there the served tree's real path is the path (curl names it from the home).
varnix_get() { (cd "$work/cwd" && XDG_CONFIG_HOME=$work/cfg "$varnix" -tls -trust "$fingerprint" \
  -u bench -w secret "ftp://127.0.0.1:$port$root/big.bin" "local:$work/out/varnix.bin"); }
curl_get() { curl -sS --ssl-reqd -k -u bench:secret -o "$work/out/curl.bin" "ftp://127.0.0.1:$port/big.bin"; }
varnix_put() { (cd "$work/cwd" && XDG_CONFIG_HOME=$work/cfg "$varnix" -tls -trust "$fingerprint" \
  -u bench -w secret "local:$work/up.bin" "ftp://127.0.0.1:$port$root/incoming/"); }
curl_put() { curl -sS --ssl-reqd -k -u bench:secret -T "$work/up.bin" "ftp://127.0.0.1:$port/incoming/curl_up.bin"; }

best() { printf '%s\n' "$@" | { grep -v failed || true; } | sort -n | head -1; }
rate() { [[ -n $1 ]] && awk -v b="$bytes" -v s="$1" 'BEGIN {printf "%.0f", b / 1048576 / s}' || echo -; }

printf '%-16s %-9s %10s %10s %12s %12s %8s\n' server direction "varnix s" "curl s" "varnix MiB/s" "curl MiB/s" "v/c time"
for direction in download upload; do
  v=(); c=()
  for _ in $(seq "$runs"); do
    if [[ $direction == download ]]; then
      v+=("$(timed "$work/out/varnix.bin" varnix_get)")
      c+=("$(timed "$work/out/curl.bin" curl_get)")
    else
      v+=("$(timed "$root/incoming/up.bin" varnix_put)")
      c+=("$(timed "$root/incoming/curl_up.bin" curl_put)")
    fi
  done
  bv=$(best "${v[@]}"); bc_=$(best "${c[@]}")
  ratio=-
  [[ -n $bv && -n $bc_ ]] && ratio=$(awk -v a="$bv" -v b="$bc_" 'BEGIN {printf "%.2f", a / b}')
  printf '%-16s %-9s %10s %10s %12s %12s %8s   (runs: varnix %s; curl %s)\n' "proftpd+mod_tls" "$direction" \
    "${bv:-failed}" "${bc_:-failed}" "$(rate "$bv")" "$(rate "$bc_")" "$ratio" "${v[*]}" "${c[*]}"
done
echo "file: $bytes bytes over explicit TLS ($(grep -o 'TLSv1\.[23]' "$work/tls.log" 2>/dev/null | sort | uniq -c | tr '\n' ' ')); v/c below 1 means VARNIX was faster"
