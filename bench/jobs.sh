#!/usr/bin/env bash
# Folder-tree downloads and uploads of the real window's job queue against lftp's mirror, on one local
# pyftpdlib server (scripts/demo-server), alternating, RUNS times each (default 3).
#
# The tree: 1,000 files of 4 KiB in 10 folders, plus 8 files of 32 MiB. Timed:
#   - LFB008 downloading the tree, from the click until the job table is empty, against
#     lftp -e "mirror /tree LOCAL";
#   - RFS008 uploading it, against lftp -e "mirror -R LOCAL /dir";
#   - both again with "Keep the transfer connection open during a job" ticked;
#   - both again kept open with 4 simultaneous transfers, against lftp's mirror --parallel=4.
# Each method's first copy is checked with diff -r. Then the download list of a 10,000-file tree
# (100 folders of 100 files) is built and timed against the 1,000-file tree's, and that tree is
# downloaded once, for the peak memory; then once kept open with 4 transfers, against lftp's
# mirror --parallel=4 of it. Last line:
#   tree_download_ratio=<lftp s / qelto s> tree_upload_ratio=<…> keepopen_download_ratio=<…>
#   keepopen_upload_ratio=<…> build_10k_per_row_ratio=<10k per-row time / 1k per-row time>
#   peak_rss_mb=<largest RSS of the window> keepopen4_download_vs_lftp4=<lftp -P4 s / qelto s>
#   keepopen4_upload_vs_lftp4=<…> wide_keepopen4_vs_lftp4=<…, the 10,000-file tree's download>
# Each download of the 10,000-file tree waits first until the ports an earlier one left in TIME-WAIT are
# free again (up to a minute and a half).
# BUILD chooses the build folder (default build/, configured RelWithDebInfo when missing). Installs
# lftp, curl, time and ss (iproute2) when they are missing.
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath -m "${BUILD:-$root_dir/build}")" # relative to where it is started
runs="${RUNS:-3}"
log() { echo "$@" >&2; }

missing=()
command -v lftp >/dev/null || missing+=(lftp)
command -v curl >/dev/null || missing+=(curl)
[[ -x /usr/bin/time ]] || missing+=(time)
command -v ss >/dev/null || missing+=(iproute2)
if ((${#missing[@]})); then
  log "installing ${missing[*]}"
  apt-get install -y -qq "${missing[@]}" >/dev/null 2>&1 ||
    { apt-get update -qq >/dev/null && apt-get install -y -qq "${missing[@]}" >/dev/null; }
fi
[[ -f $build/CMakeCache.txt ]] || cmake -S "$root_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_jobs qelto_templates -j "$(nproc)" >/dev/null

work="$(mktemp -d -t qelto-jobs.XXXXXX)"
server_pid=""
cleanup() {
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

served=$work/served
/usr/bin/python3 - "$served" <<'PY'
import os, sys
root = sys.argv[1]
block = os.urandom(4096)
tree = os.path.join(root, "tree")
for d in range(10):
    folder = os.path.join(tree, "folder%02d" % d)
    os.makedirs(folder)
    for f in range(100):
        with open(os.path.join(folder, "file%03d.dat" % f), "wb") as out:
            out.write(block[f:] + block[:f])
for b in range(8):
    with open(os.path.join(tree, "big%d.bin" % b), "wb") as out:
        for _ in range(32):
            out.write(os.urandom(1024 * 1024))
wide = os.path.join(root, "wide")
for d in range(100):
    folder = os.path.join(wide, "folder%03d" % d)
    os.makedirs(folder)
    for f in range(100):
        with open(os.path.join(folder, "file%03d.txt" % f), "wb") as out:
            out.write(b"%d/%d\n" % (d, f))
PY

"$root_dir/scripts/demo-server" --root "$served" --no-sample --port 0 >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 1 100); do grep -q '^LISTENING' "$work/server.log" && break; sleep 0.1; done
port="$(sed -n 's/^LISTENING //p' "$work/server.log")"
[[ -n $port ]] || { log "the demo server did not start"; cat "$work/server.log" >&2; exit 1; }
log "pyftpdlib on port $port; $runs runs each, alternating"

now() { date +%s.%N; }
rss_file=$work/rss
: >"$rss_file"
# The window finds its table templates beside the build.
qelto() { # download|upload|build folder name [target] [keep] [parallel=N]
  local out
  out="$(cd "$build" && /usr/bin/time -v -o "$work/time.txt" "$build/bench/bench_jobs" "$port" "$@")" ||
    { log "bench_jobs $* failed"; exit 1; }
  sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt" >>"$rss_file"
  echo "$out"
}
seconds() { sed -n 's/^seconds=//p'; }
lftp_run() { # commands
  local t0
  t0=$(now)
  lftp -u demo,demo -p "$port" -e "set net:max-retries 1; $1; quit" 127.0.0.1 >/dev/null
  echo "$(now) - $t0" | bc -l
}
fresh() { rm -rf "$1"; mkdir -p "$1"; }
# Every file of the 10,000-file tree closes a data connection, and the plain download also a control
# connection, each leaving a port in TIME-WAIT for a minute; on loopback client and server ports come
# from the same ephemeral range (about 28,000), and once it is used up the server fails to open passive
# ports; a crowded range slows down every connect before that. Waits until the range is about free again,
# so that each of these downloads starts from the same.
settle() {
  for _ in $(seq 1 90); do
    (($(ss -tan state time-wait | wc -l) < 1000)) && return
    sleep 1
  done
}
same() { diff -r "$1" "$2" >/dev/null || { log "copy differs: $1 and $2"; exit 1; }; }

declare -A times
for i in $(seq 1 "$runs"); do
  for variant in plain keep keep4; do
    # The window's options and the key of its times; the key of lftp's (none: the window kept open
    # with one transfer is compared with the plain mirror) and its mirror options.
    case $variant in
    plain) options=() name="" lname=l_ mirror="" ;;
    keep) options=(keep) name=keepopen_ lname="" mirror="" ;;
    keep4) options=(keep parallel=4) name=keepopen4_ lname=l4_ mirror="--parallel=4 " ;;
    esac
    # Download.
    fresh "$work/q"
    times[${name}q_down]+="$(qelto download / tree "$work/q" "${options[@]}" | seconds) "
    [[ $i == 1 ]] && same "$work/q/tree" "$served/tree"
    if [[ -n $lname ]]; then
      fresh "$work/l"
      times[${lname}down]+="$(lftp_run "mirror $mirror/tree $work/l/tree") "
      [[ $i == 1 ]] && same "$work/l/tree" "$served/tree"
    fi
    # Upload.
    rm -rf "$served/upq" && mkdir -p "$served/upq"
    times[${name}q_up]+="$(qelto upload "$served" tree /upq "${options[@]}" | seconds) "
    [[ $i == 1 ]] && same "$served/upq/tree" "$served/tree"
    if [[ -n $lname ]]; then
      rm -rf "$served/upl" && mkdir -p "$served/upl"
      times[${lname}up]+="$(lftp_run "mirror -R $mirror$served/tree /upl/tree") "
      [[ $i == 1 ]] && same "$served/upl/tree" "$served/tree"
    fi
    rm -rf "$served/upq" "$served/upl"
  done
done

# The list build per row, the 1,000-file tree against the 10,000-file tree; then one big download.
build1k="$(qelto build / tree)"
build10k="$(qelto build / wide)"
fresh "$work/q"
settle
wide_out="$(qelto download / wide "$work/q")"
same "$work/q/wide" "$served/wide"
# The same tree kept open with 4 transfers, against lftp's 4.
fresh "$work/q"
settle
wide4_out="$(qelto download / wide "$work/q" keep parallel=4)"
same "$work/q/wide" "$served/wide"
fresh "$work/l"
settle
wide_lftp4="$(lftp_run "mirror --parallel=4 /wide $work/l/wide")"
same "$work/l/wide" "$served/wide"

/usr/bin/python3 - "$rss_file" "$build1k" "$build10k" "$wide_out" "$wide4_out" "$wide_lftp4" \
  "${times[q_down]}" "${times[l_down]}" "${times[q_up]}" "${times[l_up]}" \
  "${times[keepopen_q_down]}" "${times[keepopen_q_up]}" \
  "${times[keepopen4_q_down]}" "${times[l4_down]}" "${times[keepopen4_q_up]}" "${times[l4_up]}" <<'PY'
import statistics, sys
rss_file, build1k, build10k, wide, wide4, wide_lftp4 = sys.argv[1:7]
(q_down, l_down, q_up, l_up, k_down, k_up,
 k4_down, l4_down, k4_up, l4_up) = ([float(v) for v in a.split()] for a in sys.argv[7:17])
def fields(text):
    return dict(line.split("=", 1) for line in text.split("\n") if "=" in line)
def show(label, values):
    print(f"  {label:28s} median {statistics.median(values):7.2f} s   (runs: {', '.join(f'{v:.2f}' for v in values)})")
print("tree of 1,000 x 4 KiB in 10 folders + 8 x 32 MiB:")
show("qelto download", q_down); show("lftp mirror", l_down)
show("qelto upload", q_up); show("lftp mirror -R", l_up)
show("qelto download, keep open", k_down); show("qelto upload, keep open", k_up)
show("qelto download, keep, 4", k4_down); show("lftp mirror --parallel=4", l4_down)
show("qelto upload, keep, 4", k4_up); show("lftp mirror -R --parallel=4", l4_up)
b1, b10, w = fields(build1k), fields(build10k), fields(wide)
per1 = float(b1["seconds"]) / int(b1["rows"])
per10 = float(b10["seconds"]) / int(b10["rows"])
print(f"list build: {b1['rows']} rows in {float(b1['seconds']):.3f} s, {b10['rows']} rows in {float(b10['seconds']):.3f} s")
w4 = fields(wide4)
print(f"download of the 10,000-file tree: {float(w['seconds']):.2f} s, {w['rows']} rows; kept open with 4 "
      f"transfers {float(w4['seconds']):.2f} s, lftp mirror --parallel=4 {float(wide_lftp4):.2f} s")
rss = [int(v) for v in open(rss_file).read().split()]
m = statistics.median
print(f"tree_download_ratio={m(l_down) / m(q_down):.2f} tree_upload_ratio={m(l_up) / m(q_up):.2f} "
      f"keepopen_download_ratio={m(l_down) / m(k_down):.2f} keepopen_upload_ratio={m(l_up) / m(k_up):.2f} "
      f"build_10k_per_row_ratio={per10 / per1:.2f} peak_rss_mb={max(rss) / 1024:.0f} "
      f"keepopen4_download_vs_lftp4={m(l4_down) / m(k4_down):.2f} keepopen4_upload_vs_lftp4={m(l4_up) / m(k4_up):.2f} "
      f"wide_keepopen4_vs_lftp4={float(wide_lftp4) / float(w4['seconds']):.2f}")
PY
