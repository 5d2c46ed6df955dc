#!/usr/bin/env bash
# Times the listing refresh of the real window against curl and lftp each fetching the same folder's
# MLSD listing twice (the refresh lists a folder twice, so that is the network and server floor), on one
# local pyftpdlib server, alternating. lftp lists both in one session, timed around its process. Last line:
#   refresh_10k_ratio=<refresh time / the faster peer's time> refresh_100k_s=<seconds> peak_rss_mb=<MB>
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath -m "${BUILD:-$root_dir/build}")" # relative to where it is started
runs="${RUNS:-3}"

command -v curl >/dev/null || { echo "curl is missing (apt-get install curl)"; exit 1; }
command -v lftp >/dev/null || apt-get install -y -qq lftp >/dev/null
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (apt-get install time)"; exit 1; }
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_listing qelto_templates -j "$(nproc)" >/dev/null

work="$(mktemp -d -t qelto-listing.XXXXXX)"
server_pid=""
cleanup() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

/usr/bin/python3 - "$work/root" <<'PY'
import os, sys
root = sys.argv[1]
for name, count in (("k10", 10000), ("k100", 100000)):
    d = os.path.join(root, name)
    os.makedirs(d)
    for i in range(count):
        if i % 50 == 0:
            os.mkdir(os.path.join(d, "folder%06d" % i))
        else:
            ext = (".txt", ".png", ".cpp", ".zip", ".bin")[i % 5]
            with open(os.path.join(d, "file%06d%s" % (i, ext)), "wb") as f:
                f.write(b"x" * (i % 97))
PY

"$root_dir/scripts/demo-server" --root "$work/root" --no-sample --port 0 >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 1 100); do grep -q '^LISTENING' "$work/server.log" && break; sleep 0.1; done
port="$(sed -n 's/^LISTENING //p' "$work/server.log")"
echo "pyftpdlib on port $port; $runs runs each, alternating"

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

cd "$build"   # the window finds its table templates in ./System
refresh=() curl2=() lftp2=() rss=()
lftp_twice() { # folder: seconds for one lftp session listing it twice by MLSD
  local t0
  t0=$(now)
  lftp -u demo,demo -p "$port" -e "set ftp:use-mlsd yes; set cmd:cls-default -l; cls $1 >/dev/null; \
    cache flush; cls $1 >/dev/null; quit" 127.0.0.1
  echo "$(now) - $t0" | bc -l
}
for i in $(seq 1 "$runs"); do
  out="$( /usr/bin/time -v "$build/bench/bench_listing" "$port" /k10 1 2>"$work/time.txt")"
  refresh+=("$(sed -n 's/^refresh_s=//p' <<<"$out")")
  rss+=("$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")")
  t0=$(now)
  curl -s --user demo:demo "ftp://127.0.0.1:$port/k10/" -X MLSD -o /dev/null
  curl -s --user demo:demo "ftp://127.0.0.1:$port/k10/" -X MLSD -o /dev/null
  t1=$(now)
  curl2+=("$(echo "$t1 - $t0" | bc -l)")
  lftp2+=("$(lftp_twice /k10/)")
done
r10=$(printf '%s\n' "${refresh[@]}" | median)
c10=$(printf '%s\n' "${curl2[@]}" | median)
l10=$(printf '%s\n' "${lftp2[@]}" | median)
best10=$(printf '%s\n' "$c10" "$l10" | sort -g | head -1)
echo "10k entries: refresh ${r10}s (runs: ${refresh[*]}), two curl MLSD ${c10}s (runs: ${curl2[*]}), lftp ${l10}s (runs: ${lftp2[*]})"

out="$( /usr/bin/time -v "$build/bench/bench_listing" "$port" /k100 1 2>"$work/time.txt")"
r100="$(sed -n 's/^refresh_s=//p' <<<"$out")"
rss+=("$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")")
t0=$(now)
curl -s --user demo:demo "ftp://127.0.0.1:$port/k100/" -X MLSD -o /dev/null
curl -s --user demo:demo "ftp://127.0.0.1:$port/k100/" -X MLSD -o /dev/null
c100=$(echo "$(now) - $t0" | bc -l)
l100=$(lftp_twice /k100/)
echo "100k entries: refresh ${r100}s, two curl MLSD ${c100}s, lftp ${l100}s; rows: $(sed -n 's/^entries=//p' <<<"$out")"

peak_kb=$(printf '%s\n' "${rss[@]}" | sort -n | tail -1)
printf 'refresh_10k_ratio=%.2f refresh_100k_s=%.2f peak_rss_mb=%.0f\n' \
  "$(echo "$r10 / $best10" | bc -l)" "$r100" "$(echo "$peak_kb / 1024" | bc -l)"
