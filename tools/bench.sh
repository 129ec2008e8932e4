#!/usr/bin/env bash
# Runs one benchmark program under Wine so that its figures compare between runs and between build folders:
#   tools/bench.sh build/windows/skin_frame_bench.exe [arguments]
# (QD_BUILD, QD_OWN_XVFB and the rest as for tools/wine-env.sh.)
#
# - The program and the Wine server run on one CPU (QD_BENCH_CPU, default 0). Most window calls are a round
#   trip to the server; on this machine's virtual CPUs a round trip to a server on the other CPU wakes that CPU
#   first, and where the scheduler puts the server differs from run to run: the same build measured a 1920x1080
#   resize step of 2.4 ms with both on one CPU and 6.5 ms with them on two, and the skinned/unskinned
#   WM_NCPAINT ratio 0.45 against 0.9. The server of the prefix is waited for and started anew, pinned
#   (QD_BENCH_SERVER_CPU puts it on another CPU, to see the difference).
# - The program gets a desktop of its own of QD_BENCH_DESKTOP (default 1920x1200): on the tests' 1280x1024
#   desktop a sizable window of 1920x1080 is cut to the screen.
# The load of the machine still shows: the script prints it before and after.
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 <benchmark.exe> [arguments]" >&2
  exit 2
fi
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
cpu="${QD_BENCH_CPU:-0}"
server_cpu="${QD_BENCH_SERVER_CPU:-$cpu}"
desktop="${QD_BENCH_DESKTOP:-1920x1200}"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); program on CPU $cpu, Wine server on CPU $server_cpu; desktop $desktop"
# Other programs of this prefix still running keep its server: wait for them to end.
wineserver -w
taskset -c "$server_cpu" wineserver -p3
status=0
taskset -c "$cpu" wine explorer "/desktop=QdBench,$desktop" "$@" || status=$?
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
