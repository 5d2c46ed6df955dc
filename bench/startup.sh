#!/usr/bin/env bash
# Warm start of the main window on the offscreen platform, from launch until the window is visible,
# against a bare Qt Widgets window as the floor: 10 launches each (RUNS), alternating, with a data
# folder filled by an untimed first launch. Last line:
#   startup_ms=<median> floor_ms=<median> idle_rss_mb=<median resident memory after a second idle>
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath -m "${QELTO_BENCH_BUILD:-${BUILD:-$root_dir/build}}")" # relative to where it is started
runs="${RUNS:-10}"

[ -f "$build/CMakeCache.txt" ] || cmake -S "$root_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_startup bench_startup_floor qelto_templates -j "$(nproc)" >/dev/null

work="$(mktemp -d -t qelto-startup.XXXXXX)"
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=offscreen
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
cd "$build" # the window finds its table templates in ./System

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# launch <program>: prints "<milliseconds to visible> <idle RSS in kB>"
launch() {
  local t0 out
  t0=$(date +%s%N)
  out="$("$1")"
  local visible rss
  visible=$(sed -n 's/.*visible_ns=\([0-9]*\).*/\1/p' <<<"$out")
  rss=$(sed -n 's/.*idle_rss_kb=\([0-9]*\).*/\1/p' <<<"$out")
  echo "$(( (visible - t0) / 1000000 )) $rss"
}

launch "$build/bench/bench_startup" >/dev/null # fills the data folder from the templates
window=() floor=() rss=()
for i in $(seq 1 "$runs"); do
  read -r ms kb < <(launch "$build/bench/bench_startup")
  window+=("$ms") rss+=("$kb")
  read -r ms _ < <(launch "$build/bench/bench_startup_floor")
  floor+=("$ms")
done
echo "window ms: ${window[*]}"
echo "floor ms:  ${floor[*]}"
echo "idle RSS kB: ${rss[*]}"
printf 'startup_ms=%s floor_ms=%s idle_rss_mb=%.0f\n' "$(printf '%s\n' "${window[@]}" | median)" \
  "$(printf '%s\n' "${floor[@]}" | median)" "$(echo "$(printf '%s\n' "${rss[@]}" | median) / 1024" | bc -l)"
