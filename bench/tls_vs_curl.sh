#!/usr/bin/env bash
# Download and upload of one large file over TLS on loopback, VARNIX beside curl --ssl-reqd,
# against ProFTPD with mod_tls (data connections must resume the control connection's
# session): the plain-FTP bench with --tls.
#
#   bash bench/tls_vs_curl.sh [SIZE_MIB] [RUNS]     defaults: 1024 MiB, 2 runs
exec bash "$(dirname "$0")/speed_vs_curl.sh" --tls "$@"
