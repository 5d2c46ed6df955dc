#!/bin/bash
# Throughput of TIdFTP::Get and TIdFTP::Put against curl on one local FTP server.
#
# Starts vsftpd on 127.0.0.1 and a free port (anonymous, writable, temporary root; pyftpdlib through
# scripts/demo-server when vsftpd cannot serve here), creates a 1 GiB file and times, alternating,
# a download with bench_transfer, the same download with curl, an upload with bench_transfer and the
# same upload with curl, RUNS times each (default 3). Then one download and one upload of a 256 MiB
# file show that the bench program's memory does not grow with the file. Then the same download and
# upload of the large file over TLS (explicit, protected data connections) against curl --ssl-reqd, on a
# second vsftpd with ssl_enable=YES and a certificate made for the run by openssl req. Prints the
# medians in MB/s and, as its last line (one line):
#   download_ratio=<qelto/curl> upload_ratio=<qelto/curl> peak_rss_mb=<largest RSS of bench_transfer>
#   tls_download_ratio=<qelto/curl over TLS> tls_upload_ratio=<qelto/curl over TLS>
# The TLS ratios are "nan" when vsftpd cannot serve TLS here.
# Then, unless PEERS=0, the same 1 GiB download and upload against curl and lftp on vsftpd, proftpd and
# pure-ftpd, each with a password login (bench/ftp-servers.sh), and the last line goes on with
#   <server>_download_vs_best=<qelto/best of curl and lftp> <server>_upload_vs_best=<…>
# for vsftpd, proftpd and pureftpd.
# Builds bench_transfer into $BUILD (default build/, Release) when it is missing, installs curl, time and
# vsftpd's libraries when they are missing, and unpacks vsftpd from its package into $BUILD/test-servers
# (as scripts/test does): it is run from there, never installed as a service.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-3}
big_mib=${BIG_MIB:-1024}
small_mib=256
python=/usr/bin/python3
build="$(realpath -m "${BUILD:-$here/build}")" # relative to where it is started
bench=$build/bench/bench_transfer

log() { echo "$@" >&2; }

work=$(mktemp -d /tmp/qelto-bench.XXXXXX)
server_pid=
tls_pid=
cleanup() {
    local pid
    for pid in $server_pid $tls_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# vsftpd is the server the figures are taken on; without it the script would quietly time pyftpdlib.
QELTO_BUILD=$build
source "$here/scripts/common.sh"
qelto_install_missing time curl "${QELTO_TEST_SERVER_LIBRARIES[@]}" >&2
qelto_unpack_test_servers "$build" >&2
vsftpd=$build/test-servers/vsftpd/usr/sbin/vsftpd
if [[ ! -f $build/CMakeCache.txt ]]; then
    log "configuring $build (Release)"
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
if [[ ! -x $bench ]]; then
    log "building bench_transfer in $build"
    cmake --build "$build" --target bench_transfer -j2 >/dev/null
elif ! cmake --build "$build" --target bench_transfer -j2 >"$work/build.log" 2>&1; then
    log "warning: rebuilding bench_transfer failed; timing the existing one"
fi


free_port() {
    "$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Waits until the server on port $1 (default $port) answers a listing of the served folder; further
# arguments go to curl.
server_answers() {
    local at=${1:-$port} i
    shift || true
    for i in $(seq 1 50); do
        if curl -s --max-time 2 "$@" --user "$user:$password" "ftp://127.0.0.1:$at/$prefix" >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

root=$work/root
mkdir -p "$root/pub" "$work/local"
# The anonymous session runs as "daemon" (a user every Debian system has, with a home folder that
# exists), locked into $root; the unprivileged helper as "nobody" in the empty $work/empty.
start_vsftpd() {
    [[ -x $vsftpd ]] || return 1
    mkdir -p "$work/empty"
    chmod 755 "$work" "$root" "$work/empty"
    chown daemon: "$root/pub"
    port=$(free_port)
    vsftpd_conf "$port" >"$work/vsftpd.conf"
    "$vsftpd" "$work/vsftpd.conf" >"$work/server.log" 2>&1 &
    server_pid=$!
    user=anonymous password=guest prefix=pub/
    server_answers && return 0
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=
    return 1
}
vsftpd_conf() { # port
    cat <<EOF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$1
background=NO
anonymous_enable=YES
local_enable=NO
no_anon_password=YES
anon_root=$root
write_enable=YES
anon_upload_enable=YES
anon_other_write_enable=YES
anon_umask=022
allow_writeable_chroot=YES
secure_chroot_dir=$work/empty
nopriv_user=nobody
ftp_username=daemon
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
pasv_enable=YES
pasv_address=127.0.0.1
xferlog_enable=NO
dirmessage_enable=NO
connect_from_port_20=NO
ssl_enable=NO
EOF
}
# A second vsftpd on the same folder with TLS: explicit, required for logins and data, with a
# certificate for 127.0.0.1 made for this run.
cert=$work/cert.pem
start_tls_vsftpd() {
    [[ -n $server_pid && $user == anonymous ]] || return 1
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
        -keyout "$work/key.pem" -out "$cert" >/dev/null 2>&1 || return 1
    chmod 600 "$work/key.pem"
    tls_port=$(free_port)
    {
        vsftpd_conf "$tls_port" | grep -v '^ssl_enable='
        # vsftpd's own default cipher list is one OpenSSL 3 no longer offers.
        printf '%s\n' ssl_enable=YES "rsa_cert_file=$cert" "rsa_private_key_file=$work/key.pem" allow_anon_ssl=YES \
            force_anon_logins_ssl=YES force_anon_data_ssl=YES ssl_ciphers=HIGH
    } >"$work/vsftpd-tls.conf"
    "$vsftpd" "$work/vsftpd-tls.conf" >"$work/server-tls.log" 2>&1 &
    tls_pid=$!
    server_answers "$tls_port" --ssl-reqd --cacert "$cert" && return 0
    kill "$tls_pid" 2>/dev/null || true
    wait "$tls_pid" 2>/dev/null || true
    tls_pid=
    return 1
}
start_pyftpdlib() {
    "$python" "$here/scripts/demo-server" --root "$root" --port 0 --no-sample >"$work/server.out" 2>"$work/server.log" &
    server_pid=$!
    local i
    for i in $(seq 1 100); do
        port=$(sed -n 's/^LISTENING //p' "$work/server.out")
        [[ -n $port ]] && break
        sleep 0.1
    done
    user=demo password=demo prefix=
    [[ -n $port ]] && server_answers
}

if start_vsftpd; then
    server="vsftpd $(sed 's/^vsftpd_\([^_]*\)_.*/\1/' "$build/test-servers/vsftpd.stamp")"
elif start_pyftpdlib; then
    server="pyftpdlib (vsftpd could not serve here: $(head -c 200 "$work/server.log" | tr '\n' ' '))"
else
    log "no FTP server could be started"
    exit 1
fi
server_dir=$root/${prefix%/}

make_file() { # name MiB
    head -c $(($2 * 1024 * 1024)) /dev/urandom >"$server_dir/$1"
    chmod 644 "$server_dir/$1"
}

# Each timing prints seconds; bench_transfer runs under /usr/bin/time for its peak RSS (kB). Every client
# starts with the page cache written back (settle, outside the timing): otherwise whoever runs right
# after a gigabyte was written pays for the disk writing it out.
settle() { sync; }
# With tls=1 both go to the TLS server, bench_transfer with --tls and curl with --ssl-reqd, each
# trusting the run's certificate.
tls=0
qelto() { # get|put remote local
    local server=(127.0.0.1 "$port")
    ((tls)) && server=(--tls "$cert" 127.0.0.1 "$tls_port")
    settle
    /usr/bin/time -v -o "$work/time.txt" "$bench" "${server[@]}" "$user" "$password" "$1" "$prefix$2" "$3"
    sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt" >>"$work/rss-$current"
}
server_url() { # remote path; with TLS, curl's TLS options come first
    if ((tls)); then
        echo --ssl-reqd --cacert "$cert" "ftp://127.0.0.1:$tls_port/$prefix$1"
    else
        echo "ftp://127.0.0.1:$port/$prefix$1"
    fi
}
curl_get() { settle; curl -sS --fail --user "$user:$password" -o "$2" -w '%{time_total}\n' $(server_url "$1"); }
curl_put() { settle; curl -sS --fail --user "$user:$password" -T "$2" -w '%{time_total}\n' $(server_url "$1"); }

# Checks a transferred copy against its original once per method.
same() { cmp -s "$1" "$2" || { log "transfer damaged: $1 differs from $2"; exit 1; }; }

measure() { # size-name MiB runs
    local name=$1 mib=$2 n=$3 i
    current=$name
    : >"$work/rss-$name"
    make_file "$name.bin" "$mib"
    : >"$work/times-$name"
    for i in $(seq 1 "$n"); do
        rm -f "$work/local/q.bin" "$work/local/c.bin"
        echo "qelto_get $(qelto get "$name.bin" "$work/local/q.bin")" >>"$work/times-$name"
        echo "curl_get $(curl_get "$name.bin" "$work/local/c.bin")" >>"$work/times-$name"
        [[ $i == 1 ]] && same "$work/local/q.bin" "$server_dir/$name.bin" && same "$work/local/c.bin" "$server_dir/$name.bin"
        rm -f "$server_dir/up-q.bin" "$server_dir/up-c.bin"
        echo "qelto_put $(qelto put up-q.bin "$work/local/q.bin")" >>"$work/times-$name"
        echo "curl_put $(curl_put up-c.bin "$work/local/q.bin")" >>"$work/times-$name"
        [[ $i == 1 ]] && same "$server_dir/up-q.bin" "$work/local/q.bin" && same "$server_dir/up-c.bin" "$work/local/q.bin"
    done
    rm -f "$server_dir/$name.bin" "$server_dir/up-q.bin" "$server_dir/up-c.bin" "$work/local/q.bin" "$work/local/c.bin"
}

log "server: $server on 127.0.0.1:$port; $runs runs of $big_mib MiB, then one of $small_mib MiB"
measure big "$big_mib" "$runs"
measure small "$small_mib" 1
if start_tls_vsftpd; then
    log "TLS: vsftpd with ssl_enable=YES on 127.0.0.1:$tls_port; $runs runs of $big_mib MiB"
    tls=1
    measure tls "$big_mib" "$runs"
    tls=0
else
    log "warning: no vsftpd with TLS here; the TLS ratios are nan"
fi

# The same file against the best peer, curl or lftp, on vsftpd, proftpd and pure-ftpd, each with a
# password login of a throwaway local user (bench/ftp-servers.sh). lftp's time is taken around the whole
# process (start, login and QUIT included), curl's and bench_transfer's from their connect to the transfer's
# closing reply (curl takes time_total before its QUIT). PEERS=0 skips it.
lftp_time() { # commands
    local t0
    settle
    t0=$(date +%s.%N)
    lftp -u "$user,$password" -p "$port" -e "set net:max-retries 1; set xfer:clobber on; $1; quit" \
        127.0.0.1 >/dev/null
    echo "$(date +%s.%N) - $t0" | bc -l
}
lftp_get() { lftp_time "get $prefix$1 -o $2"; }
lftp_put() { lftp_time "put $2 -o $prefix$1"; }
measure_peers() { # server
    local name=peers-$1 i
    current=$name
    : >"$work/rss-$name"
    : >"$work/times-$name"
    make_file "$name.bin" "$big_mib"
    chown "$bench_user:" "$server_dir/$name.bin"
    for i in $(seq 1 "$runs"); do
        rm -f "$work/local/q.bin" "$work/local/c.bin" "$work/local/l.bin"
        echo "qelto_get $(qelto get "$name.bin" "$work/local/q.bin")" >>"$work/times-$name"
        echo "curl_get $(curl_get "$name.bin" "$work/local/c.bin")" >>"$work/times-$name"
        echo "lftp_get $(lftp_get "$name.bin" "$work/local/l.bin")" >>"$work/times-$name"
        if [[ $i == 1 ]]; then
            for copy in q c l; do same "$work/local/$copy.bin" "$server_dir/$name.bin"; done
        fi
        rm -f "$server_dir"/up-?.bin
        echo "qelto_put $(qelto put up-q.bin "$work/local/q.bin")" >>"$work/times-$name"
        echo "curl_put $(curl_put up-c.bin "$work/local/q.bin")" >>"$work/times-$name"
        echo "lftp_put $(lftp_put up-l.bin "$work/local/q.bin")" >>"$work/times-$name"
        if [[ $i == 1 ]]; then
            for copy in q c l; do same "$server_dir/up-$copy.bin" "$work/local/q.bin"; done
        fi
    done
    rm -f "$server_dir/$name.bin" "$server_dir"/up-?.bin "$work"/local/?.bin
}
peer_servers=()
if [[ ${PEERS:-1} != 0 ]]; then
    command -v lftp >/dev/null || { log "installing lftp"; apt-get install -y -qq lftp >/dev/null; }
    bench_vsftpd=$vsftpd
    source "$here/bench/ftp-servers.sh"
    trap 'bench_server_stop; bench_user_remove; cleanup' EXIT
    bench_user_create
    user=$bench_user password=$bench_password prefix= server_dir=$bench_home tls=0
    for peer in vsftpd proftpd pure-ftpd; do
        if bench_server_start "$peer"; then
            log "peers: $peer on 127.0.0.1:$port with a password login; $runs runs of $big_mib MiB"
            measure_peers "$peer"
            peer_servers+=("$peer")
            bench_server_stop
        else
            log "warning: $peer could not be started; it is left out"
        fi
    done
fi

"$python" - "$work" "$big_mib" "$small_mib" "$server" "$runs" "${peer_servers[*]}" <<'EOF'
import os, statistics, sys
work, big_mib, small_mib, server, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
peer_servers = sys.argv[6].split() if len(sys.argv) > 6 else []

def times(name):
    result = {}
    for line in open(f"{work}/times-{name}"):
        what, seconds = line.split()
        result.setdefault(what, []).append(float(seconds))
    return result

def rss_mb(name):
    return max(int(v) for v in open(f"{work}/rss-{name}").read().split()) / 1024

big = times("big")
size_mb = big_mib * 1024 * 1024 / 1e6
rate = {what: size_mb / statistics.median(values) for what, values in big.items()}
print(f"server: {server}")
print(f"file: {big_mib} MiB, {runs} runs each, medians:")
for what in ("qelto_get", "curl_get", "qelto_put", "curl_put"):
    print(f"  {what:10s} {rate[what]:9.1f} MB/s   (seconds: {', '.join(f'{v:.3f}' for v in big[what])})")
print(f"peak RSS of bench_transfer: {rss_mb('big'):.1f} MB with {big_mib} MiB, {rss_mb('small'):.1f} MB with {small_mib} MiB")
peak = max(rss_mb("big"), rss_mb("small"))
tls_ratio = {"get": float("nan"), "put": float("nan")}
if os.path.exists(f"{work}/times-tls"):
    tls = times("tls")
    tls_rate = {what: size_mb / statistics.median(values) for what, values in tls.items()}
    print(f"over TLS (explicit, protected data connections), {big_mib} MiB, {runs} runs each, medians:")
    for what in ("qelto_get", "curl_get", "qelto_put", "curl_put"):
        print(f"  {what:10s} {tls_rate[what]:9.1f} MB/s   (seconds: {', '.join(f'{v:.3f}' for v in tls[what])})")
    tls_ratio = {d: tls_rate[f"qelto_{d}"] / tls_rate[f"curl_{d}"] for d in ("get", "put")}
    peak = max(peak, rss_mb("tls"))
peer_ratio = {}
for peer in peer_servers:
    t = times(f"peers-{peer}")
    r = {what: size_mb / statistics.median(values) for what, values in t.items()}
    print(f"{peer}, password login, {big_mib} MiB, {runs} runs each, medians:")
    for what in ("qelto_get", "curl_get", "lftp_get", "qelto_put", "curl_put", "lftp_put"):
        print(f"  {what:10s} {r[what]:9.1f} MB/s   (seconds: {', '.join(f'{v:.3f}' for v in t[what])})")
    for d, label in (("get", "download"), ("put", "upload")):
        peer_ratio[f"{peer.replace('-', '')}_{label}_vs_best"] = r[f"qelto_{d}"] / max(r[f"curl_{d}"], r[f"lftp_{d}"])
    peak = max(peak, rss_mb(f"peers-{peer}"))
print(f"download_ratio={rate['qelto_get'] / rate['curl_get']:.2f} "
      f"upload_ratio={rate['qelto_put'] / rate['curl_put']:.2f} peak_rss_mb={peak:.1f} "
      f"tls_download_ratio={tls_ratio['get']:.2f} tls_upload_ratio={tls_ratio['put']:.2f}"
      + "".join(f" {key}={value:.2f}" for key, value in peer_ratio.items()))
EOF
