#!/usr/bin/env bash
# Scan benchmark over real libpcap and veth on the 32-station simulated
# network: frames sent and the time of the network query per cycle, and the
# CPU time of a minute of autoscan. Needs root. Run by hand:
#   tests/bench/scan_veth.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
[ "$(id -u)" -eq 0 ] || { echo "needs root (network namespaces)"; exit 77; }
export STRANDLINE_BUILD=${STRANDLINE_BUILD:-build}
export NETNS_LAB_SUFFIX=bench$$
seconds=${1:-60}
lab=scripts/netns-lab
cli=$STRANDLINE_BUILD/src/cli/strandline-cli
trap '"$lab" down >/dev/null 2>&1 || true' EXIT
"$lab" up sim/networks/large32.json >/dev/null

echo "== one cycle at scan interval 7 (10 ms ticks), five runs"
for _ in 1 2 3 4 5; do "$lab" exec "$cli" scan --interval 7 --cycles 1 --stats 2>&1 >/dev/null; done

echo "== autoscan at the default interval 30 for about ${seconds} s"
# A cycle at interval 30 lasts 65 ticks of 42 ms plus its exchanges: about 3 s.
cycles=$(( seconds / 3 ))
TIMEFORMAT='wall %R s, user %U s, system %S s'
{ time "$lab" exec "$cli" scan --interval 30 --cycles "$cycles" --stats >/dev/null; } 2>&1
