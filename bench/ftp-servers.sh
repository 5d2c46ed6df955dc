# Starts Debian's vsftpd, proftpd and pure-ftpd on 127.0.0.1 for the benchmarks, each with a password
# login of a throwaway local user. Sourced by bench/transfer.sh; needs $work (a scratch folder the caller
# removes), log() and $bench_vsftpd (the vsftpd binary that scripts/common.sh's
# qelto_unpack_test_servers unpacked). No server is installed as a package: a package would register,
# enable and start its service, and proftpd and pure-ftpd conflict with each other and with vsftpd. They
# are fetched with apt-get download and unpacked into $work; only their libraries are installed. No
# service is registered.
#
#   bench_user_create            creates the user ($bench_user, password $bench_password, home $bench_home)
#   bench_user_remove            removes it again (call from the caller's exit trap)
#   bench_server_start NAME      NAME: vsftpd, proftpd or pure-ftpd; sets $port and $bench_server_pid
#   bench_server_stop            ends the running one

bench_user=qeltobench$$
bench_password=bench-$RANDOM-$RANDOM
bench_home=
bench_server_pid=
bench_user_made=

bench_free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

bench_user_create() {
  bench_home=$work/home
  mkdir -p "$bench_home"
  useradd -M -d "$bench_home" -s /bin/bash "$bench_user"
  bench_user_made=1
  echo "$bench_user:$bench_password" | chpasswd
  chown "$bench_user:" "$bench_home"
  chmod 755 "$work" # the user reaches its home through it
  # A server may refuse a user whose shell is not listed.
  grep -qx /bin/bash /etc/shells || echo /bin/bash >>/etc/shells
}

bench_user_remove() {
  [[ -z $bench_user_made ]] || userdel "$bench_user" 2>/dev/null || true
  bench_user_made=
}

# Fetches and unpacks a package into $work/pkg/<name> once.
bench_unpack() {
  local name=$1 dir=$work/pkg/$1
  [[ -d $dir ]] && return 0
  mkdir -p "$dir"
  (cd "$work/pkg" && apt-get download "$name" >/dev/null 2>&1) ||
    { apt-get update -qq >/dev/null && (cd "$work/pkg" && apt-get download "$name" >/dev/null); }
  dpkg-deb -x "$work"/pkg/"$name"_*.deb "$dir"
}

bench_libraries() {
  local missing=() p
  for p in "$@"; do dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p"); done
  ((${#missing[@]} == 0)) && return 0
  log "installing ${missing[*]}"
  apt-get install -y -qq "${missing[@]}" >/dev/null 2>&1 ||
    { apt-get update -qq >/dev/null && apt-get install -y -qq "${missing[@]}" >/dev/null; }
}

# Waits until the server answers a listing with the user's login.
bench_server_answers() {
  local i
  for i in $(seq 1 50); do
    curl -s --max-time 2 --user "$bench_user:$bench_password" "ftp://127.0.0.1:$port/" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  return 1
}

bench_server_start() {
  port=$(bench_free_port)
  local conf=$work/$1.conf
  case $1 in
  vsftpd)
    # Without the package there is no /etc/pam.d/vsftpd: PAM's "other" service (common-auth) checks
    # the password. The unprivileged helper is locked into an empty folder of $work.
    mkdir -p "$work/empty"
    chmod 755 "$work/empty"
    cat >"$conf" <<EOF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
pam_service_name=other
secure_chroot_dir=$work/empty
nopriv_user=nobody
seccomp_sandbox=NO
pasv_enable=YES
pasv_address=127.0.0.1
xferlog_enable=NO
connect_from_port_20=NO
ssl_enable=NO
EOF
    "$bench_vsftpd" "$conf" >"$work/$1.log" 2>&1 &
    ;;
  proftpd)
    bench_unpack proftpd-core
    bench_libraries libhiredis0.14 libmemcached11 libmemcachedutil2 libpcre2-posix3 libidn2-0
    cat >"$conf" <<EOF
ServerType standalone
DefaultServer on
ServerName "bench"
Port $port
DefaultAddress 127.0.0.1
UseIPv6 off
User nobody
Group nogroup
AuthOrder mod_auth_unix.c
RequireValidShell off
UseReverseDNS off
WtmpLog off
DelayTable none
ScoreboardFile $work/proftpd.scoreboard
PidFile $work/proftpd.pid
SystemLog $work/proftpd.system.log
TransferLog none
Umask 022
AllowOverwrite on
MaxInstances 30
EOF
    "$work/pkg/proftpd-core/usr/sbin/proftpd" -n -c "$conf" >"$work/$1.log" 2>&1 &
    ;;
  pure-ftpd)
    bench_unpack pure-ftpd
    bench_libraries libsodium23
    "$work/pkg/pure-ftpd/usr/sbin/pure-ftpd" -S "127.0.0.1,$port" -l unix -E -H -u 1 -p 40000:40999 \
      >"$work/$1.log" 2>&1 &
    ;;
  *)
    log "no such server: $1"
    return 1
    ;;
  esac
  bench_server_pid=$!
  bench_server_answers && return 0
  log "$1 did not answer: $(head -c 400 "$work/$1.log" "$work/proftpd.system.log" 2>/dev/null | tr '\n' ' ')"
  bench_server_stop
  return 1
}

bench_server_stop() {
  [[ -n $bench_server_pid ]] || return 0
  kill "$bench_server_pid" 2>/dev/null || true
  wait "$bench_server_pid" 2>/dev/null || true
  bench_server_pid=
}
