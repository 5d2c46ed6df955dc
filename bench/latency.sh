#!/usr/bin/env bash
# Folder-tree downloads and uploads of the real window's job queue over a slow link, against lftp's
# mirror. One local pyftpdlib server (scripts/demo-server) behind tests/fixtures/fault_relay.py, which
# holds every byte of the control and data connections half a round trip in each direction; round trips
# of 0 (the relay still in between), 20, 50 and 100 ms.
#
# The tree: 100 files of 4 KiB in 4 folders, plus 2 files of 8 MiB. For each round trip, alternating,
# RUNS times each (default 3), each direction (download of the tree into an empty local folder; upload
# into an empty remote folder) with:
#   - the window (bench/bench_jobs) at its default settings, which logs in anew for every file: the
#     slowest by far, so it runs SLOW_RUNS times (default 1) at round trips above 0;
#   - the window with "Keep the transfer connection open during a job", one transfer at a time;
#   - the same with 4 simultaneous transfers (left out, shown as n/a, while the window lacks the setting);
#   - lftp's "mirror --parallel=1" and "mirror --parallel=4" ("mirror -R" to upload).
# The window is timed from the click until the job table is empty, its browsing connection logged in and
# the folder listed before; lftp likewise from after its login and a listing of / until the mirror ends
# (both times taken inside its session). Each method's first copy at each round trip is checked with
# diff -r; a failed lftp run is taken again once. About 14 minutes at RUNS=1, 25 at RUNS=3. Prints a
# table of medians, then every round trip's ratios, and as the last line
#   down_0ms_vs_lftp4=<x> up_0ms_vs_lftp4=<x> down_50ms_vs_lftp4=<x> up_50ms_vs_lftp4=<x>
#   down_50ms_n1_vs_lftp1=<x> up_50ms_n1_vs_lftp1=<x>
# each lftp's median time over the window's: keep-open with 4 transfers against --parallel=4, keep-open
# with one against --parallel=1.
# BUILD chooses the build folder (default build/, configured RelWithDebInfo when missing), JOBS the
# compile jobs of its build step. RTTS overrides the round trips (milliseconds, space-separated).
# Installs lftp when it is missing.
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath -m "${BUILD:-$root_dir/build}")" # relative to where it is started
runs="${RUNS:-3}"
slow_runs="${SLOW_RUNS:-1}"
read -ra rtts <<<"${RTTS:-0 20 50 100}"
log() { echo "$@" >&2; }

if ! command -v lftp >/dev/null; then
  log "installing lftp"
  apt-get install -y -qq lftp >/dev/null 2>&1 ||
    { apt-get update -qq >/dev/null && apt-get install -y -qq lftp >/dev/null; }
fi
[[ -f $build/CMakeCache.txt ]] || cmake -S "$root_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_jobs qelto_templates -j "${JOBS:-$(nproc)}" >/dev/null

work="$(mktemp -d -t qelto-latency.XXXXXX)"
server_pid="" relay_pid=""
cleanup() {
  [[ -n $relay_pid ]] && kill "$relay_pid" 2>/dev/null
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

served=$work/served
/usr/bin/python3 - "$served" <<'PY'
import os, sys
tree = os.path.join(sys.argv[1], "tree")
block = os.urandom(4096)
for d in range(4):
    folder = os.path.join(tree, "folder%d" % d)
    os.makedirs(folder)
    for f in range(25):
        with open(os.path.join(folder, "file%02d.dat" % f), "wb") as out:
            out.write(block[f + 25 * d:] + block[:f + 25 * d])
for b in range(2):
    with open(os.path.join(tree, "big%d.bin" % b), "wb") as out:
        out.write(os.urandom(8 << 20))
PY

listening() { # log file: waits for "LISTENING <port>" and prints the port
  for _ in $(seq 1 100); do grep -q '^LISTENING' "$1" && break; sleep 0.1; done
  sed -n 's/^LISTENING //p' "$1"
}
"$root_dir/scripts/demo-server" --root "$served" --no-sample --port 0 >"$work/server.log" 2>&1 &
server_pid=$!
server_port="$(listening "$work/server.log")"
[[ -n $server_port ]] || { log "the demo server did not start"; cat "$work/server.log" >&2; exit 1; }

port=""
start_relay() { # round trip in ms
  local relay_log=$work/relay$1.log # a log of its own, never one where an earlier relay's port is still read
  /usr/bin/python3 "$root_dir/tests/fixtures/fault_relay.py" --target "$server_port" \
    --delay "$(awk "BEGIN { print $1 / 2 }")" >"$relay_log" 2>&1 &
  relay_pid=$!
  port="$(listening "$relay_log")"
  [[ -n $port ]] || { log "the relay did not start"; cat "$relay_log" >&2; exit 1; }
}
stop_relay() { kill "$relay_pid"; wait "$relay_pid" 2>/dev/null || true; relay_pid=""; }

# The window finds its table templates beside the build. Exits with 3 when it lacks a setting asked for.
qelto() { # download|upload folder name target [options]
  local out rc=0
  out="$(cd "$build" && "$build/bench/bench_jobs" "$port" "$@" 2>"$work/qelto.err")" || rc=$?
  if ((rc == 0)); then
    sed -n 's/^seconds=//p' <<<"$out"
    return 0
  fi
  ((rc == 3)) && return 3
  log "bench_jobs $* failed ($rc):"
  cat "$work/qelto.err" >&2
  return 1
}
lftp_run() { # command: its seconds in a session already logged in
  rm -f "$work/t0" "$work/t1"
  lftp -c "set net:max-retries 1; set cmd:fail-exit yes; open -u demo,demo -p $port 127.0.0.1; cls / >/dev/null
!date +%s.%N >$work/t0
$1
!date +%s.%N >$work/t1" >/dev/null 2>"$work/lftp.err" || {
    log "lftp $1 failed:"
    head -5 "$work/lftp.err" >&2
    return 1
  }
  awk -v t0="$(cat "$work/t0")" -v t1="$(cat "$work/t1")" 'BEGIN { printf "%.4f\n", t1 - t0 }'
}
fresh() { rm -rf "$1"; mkdir -p "$1"; }
same() { diff -r "$1" "$2" >/dev/null || { log "copy differs: $1 and $2"; exit 1; }; }

declare -A label=([default]="default" [keep1]="keep N=1" [keep4]="keep N=4" [lftp1]="lftp p=1" [lftp4]="lftp p=4")
methods=(default keep1 keep4 lftp1 lftp4)
no_parallel="" # set once the window turns out to lack the setting
results=$work/results
: >"$results"

measure() { # method down|up: prints seconds; returns 3 when the window cannot run the method
  local method=$1 options=()
  case $method in
  keep1) options=(keep parallel=1) ;;
  keep4) options=(keep parallel=4) ;;
  esac
  if [[ $2 == down ]]; then
    if [[ $method == lftp* ]]; then
      lftp_run "mirror --parallel=${method#lftp} /tree $work/get/tree"
    else
      qelto download / tree "$work/get" "${options[@]}"
    fi
  elif [[ $method == lftp* ]]; then
    lftp_run "mirror -R --parallel=${method#lftp} $served/tree /put/tree"
  else
    qelto upload "$served" tree /put "${options[@]}"
  fi
}

log "pyftpdlib on port $server_port; round trips ${rtts[*]} ms; $runs runs each, alternating"
for rtt in "${rtts[@]}"; do
  start_relay "$rtt"
  for i in $(seq 1 "$runs"); do
    for method in "${methods[@]}"; do
      [[ $method == keep4 && -n $no_parallel ]] && continue
      [[ $method == default && $rtt != 0 && $i -gt $slow_runs ]] && continue
      for dir in down up; do
        if [[ $dir == down ]]; then fresh "$work/get"; else fresh "$served/put"; fi
        rc=0
        seconds="$(measure "$method" "$dir")" || rc=$?
        if ((rc == 1)) && [[ $method == lftp* ]]; then
          # lftp retries nothing here (net:max-retries 1), so it gives up on any passing error of the
          # machine; the run is taken again once, from an empty target.
          log "taking that lftp run again"
          if [[ $dir == down ]]; then fresh "$work/get"; else fresh "$served/put"; fi
          rc=0
          seconds="$(measure "$method" "$dir")" || rc=$?
        fi
        if ((rc == 3)); then
          log "the window has no \"Simultaneous transfers\" setting: keep N=4 left out"
          no_parallel=1
          break
        fi
        ((rc == 0)) || exit 1
        log "$(printf '%3d ms run %d: %-8s %-4s %7.2f s' "$rtt" "$i" "${label[$method]}" "$dir" "$seconds")"
        echo "$rtt $dir $method $seconds" >>"$results"
        if ((i == 1)); then
          if [[ $dir == down ]]; then same "$work/get/tree" "$served/tree"; else same "$served/put/tree" "$served/tree"; fi
        fi
        rm -rf "$served/put"
      done
    done
  done
  stop_relay
done

/usr/bin/python3 - "$results" "${rtts[@]}" <<'PY'
import collections, statistics, sys
times = collections.defaultdict(list)
for line in open(sys.argv[1]):
    rtt, direction, method, seconds = line.split()
    times[(int(rtt), direction, method)].append(float(seconds))
rtts = [int(r) for r in sys.argv[2:]]
methods = [("default", "default"), ("keep1", "keep N=1"), ("keep4", "keep N=4"),
           ("lftp1", "lftp p=1"), ("lftp4", "lftp p=4")]
def median(key):
    return statistics.median(times[key]) if times.get(key) else None
print("median seconds (runs) of 100 x 4 KiB in 4 folders + 2 x 8 MiB:")
print(" " * 20 + "".join(f"{name:>14s}" for _, name in methods))
for direction, name in (("down", "download"), ("up", "upload")):
    for rtt in rtts:
        cells = []
        for method, _ in methods:
            m = median((rtt, direction, method))
            cells.append(f"{'n/a':>14s}" if m is None else f"{m:10.2f} ({len(times[(rtt, direction, method)])})")
        print(f"{name:9s} RTT {rtt:3d} ms" + "".join(cells))
def ratio(rtt, direction, qelto, lftp):
    q, l = median((rtt, direction, qelto)), median((rtt, direction, lftp))
    return "n/a" if q is None or l is None else f"{l / q:.2f}"
print("lftp / window: " + " ".join(
    f"{d}_{rtt}ms_vs_lftp4={ratio(rtt, d, 'keep4', 'lftp4')} {d}_{rtt}ms_n1_vs_lftp1={ratio(rtt, d, 'keep1', 'lftp1')}"
    for rtt in rtts for d in ("down", "up")))
print(f"down_0ms_vs_lftp4={ratio(0, 'down', 'keep4', 'lftp4')} up_0ms_vs_lftp4={ratio(0, 'up', 'keep4', 'lftp4')} "
      f"down_50ms_vs_lftp4={ratio(50, 'down', 'keep4', 'lftp4')} up_50ms_vs_lftp4={ratio(50, 'up', 'keep4', 'lftp4')} "
      f"down_50ms_n1_vs_lftp1={ratio(50, 'down', 'keep1', 'lftp1')} up_50ms_n1_vs_lftp1={ratio(50, 'up', 'keep1', 'lftp1')}")
PY
